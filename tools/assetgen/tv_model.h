// The scene's model: a retro television set on short legs with rabbit-ear
// antennas, built part by part in the order of the face class runs.
#pragma once
#include <cstdio>

#include "mesh_builder.h"

// Builds the whole model in design units (x about -1..1, y down, the screen
// facing -z). Faces come out grouped in the order of the face class runs.
// When log is given, each part's counts are written to it.
Mesh BuildTelevision(FILE* log);

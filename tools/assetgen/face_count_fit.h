// Brings a part of the model to an exact face count.
#pragma once
#include <cstddef>

#include "mesh_builder.h"

// Adds faces to the part starting at firstFace until it has exactly `target`
// faces, by splitting the longest edges of nearly flat regions at their middle
// (an inner edge gives two faces, a border edge one).
void FitFaceCount(Mesh& mesh, size_t firstFace, size_t target);

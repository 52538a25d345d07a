// The three small vector routines of the mesh preparation. Each loads its Vec3
// arguments as four lanes (so every argument needs 4 readable bytes after it)
// and stores exactly the 12 bytes of its result.
#pragma once
#include "core/types.h"

// out = q - p, component by component.
void VecSub(const Vec3* p, const Vec3* q, Vec3* out);

// out = a x b; each product rounded, then the difference.
void VecCross(const Vec3* a, const Vec3* b, Vec3* out);

// v = v * r with r the reciprocal square root (estimate, or exact in portable mode) of
// (x*x + y*y) + z*z. A zero vector becomes NaN (0 times infinity).
void VecNormalize(Vec3* v);

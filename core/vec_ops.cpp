#include "core/vec_ops.h"

#include "core/reciprocal.h"
#include "core/simd.h"

void VecSub(const Vec3* p, const Vec3* q, Vec3* out) {
    StoreVec3(out, _mm_sub_ps(LoadVec3(q), LoadVec3(p)));
}

void VecCross(const Vec3* a, const Vec3* b, Vec3* out) {
    __m128 va = LoadVec3(a);
    __m128 vb = LoadVec3(b);
    // Lanes (y, z, x) and (z, x, y) of each operand; lane 3 stays lane 3.
    __m128 aYzx = _mm_shuffle_ps(va, va, _MM_SHUFFLE(3, 0, 2, 1));
    __m128 aZxy = _mm_shuffle_ps(va, va, _MM_SHUFFLE(3, 1, 0, 2));
    __m128 bYzx = _mm_shuffle_ps(vb, vb, _MM_SHUFFLE(3, 0, 2, 1));
    __m128 bZxy = _mm_shuffle_ps(vb, vb, _MM_SHUFFLE(3, 1, 0, 2));
    StoreVec3(out, _mm_sub_ps(_mm_mul_ps(aYzx, bZxy), _mm_mul_ps(aZxy, bYzx)));
}

void VecNormalize(Vec3* v) {
    __m128 value = LoadVec3(v);
    __m128 lengthSquared = Dot3Ordered(value, value);
    StoreVec3(v, _mm_mul_ps(value, ReciprocalSqrtOf(lengthSquared)));
}

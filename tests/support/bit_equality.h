// Equality to the bit, the only equality the renderer's results are held to,
// and the one tolerance for values that went through the fast estimates.
#pragma once
#include <cmath>
#include <cstring>
#include <vector>

// The estimates' relative error is at most 1.5 * 2^-12; a few of them chained
// (a unit vector, a few steps of an edge) stay within 2^-10 of the exact value
// for the magnitudes the tests use.
constexpr float EstimateTolerance = 1.0f / 1024;

// The same bytes (so +0 and -0 differ, and NaN equals only the same NaN).
template <typename T>
bool SameBits(const T& a, const T& b) {
    return std::memcmp(&a, &b, sizeof(T)) == 0;
}

// Identical, or NaN in both.
inline bool SameFloat(float a, float b) { return (std::isnan(a) && std::isnan(b)) || SameBits(a, b); }

template <typename T>
bool SameWords(const std::vector<T>& a, const std::vector<T>& b) {
    return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(T)) == 0;
}

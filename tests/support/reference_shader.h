// The span shader one pixel at a time in plain scalar arithmetic, written from
// the rules rather than from the renderer's code: the reference the renderer's
// shading is held to bit for bit, in either arithmetic mode (the processor's
// reciprocal estimates or exact division and square root) and whichever lane
// count the renderer lights with. Its minimum and maximum follow minps and
// maxps (the second operand where either is NaN), the rule the renderer's
// vector code keeps, so NaN normals compare too.
#pragma once
#include <smmintrin.h>

#include <cmath>
#include <cstdint>
#include <optional>

#include "core/scene_arrays.h"
#include "core/types.h"
#include "render/face_context.h"
#include "render/lights.h"
#include "render/shading_constants.h"

class ReferenceShader {
public:
    // exact: portable arithmetic (1 / x, 1 / sqrt x); else the SSE estimates.
    // With a tag, the second step of the opaque faces: only the pixels whose
    // ColorBuffer word is the tag are lit, with no depth test and no depth
    // store (ShadeDepth already holds their depth).
    ReferenceShader(const FaceContext& context, bool exact, std::optional<uint32_t> tag = std::nullopt)
        : c_(context), exact_(exact), tag_(tag) {}

    // The span between two ends of one row, clipped to the band, as the span shader draws it.
    void Span(int32_t row, const SpanEnd& e1, const SpanEnd& e2) const {
        const BandRect& band = c_.band;
        if (row < band.top || row >= band.bottom || e1.x == e2.x) return;
        const SpanEnd& L = e1.x < e2.x ? e1 : e2;
        const SpanEnd& R = e1.x < e2.x ? e2 : e1;
        int32_t xl = L.x, xr = R.x;
        if (xl >= band.right || xr <= band.left) return;
        const float r = Rcp(static_cast<float>(xr - xl));
        float N[4], A[4], dN[4], dA[4];
        for (int i = 0; i < 4; ++i) {
            dN[i] = (R.normal.v[i] - L.normal.v[i]) * r;
            dA[i] = (R.attrib.v[i] - L.attrib.v[i]) * r;
            N[i] = L.normal.v[i];
            A[i] = L.attrib.v[i];
        }
        if (xl < band.left) {
            const float k = static_cast<float>(band.left - xl);
            for (int i = 0; i < 4; ++i) {
                N[i] = dN[i] * k + N[i];
                A[i] = dA[i] * k + A[i];
            }
            xl = band.left;
        }
        if (xr >= band.right) xr = band.right;
        for (int32_t x = xl; x < xr; ++x) {
            Pixel(static_cast<uint32_t>(row) * c_.width + static_cast<uint32_t>(x), N, A);
            for (int i = 0; i < 4; ++i) {
                N[i] += dN[i];
                A[i] += dA[i];
            }
        }
    }

private:
    FaceContext c_;
    bool exact_;
    std::optional<uint32_t> tag_;

    float Rcp(float x) const { return exact_ ? 1.0f / x : _mm_cvtss_f32(_mm_rcp_ss(_mm_set_ss(x))); }
    float Rsqrt(float x) const {
        return exact_ ? 1.0f / std::sqrt(x) : _mm_cvtss_f32(_mm_rsqrt_ss(_mm_set_ss(x)));
    }
    // minps / maxps: a when it is strictly smaller (larger), else b.
    static float Min(float a, float b) { return a < b ? a : b; }
    static float Max(float a, float b) { return a > b ? a : b; }
    static float Dot4(const float* a, const float* b) {
        return (a[0] * b[0] + a[1] * b[1]) + (a[2] * b[2] + a[3] * b[3]);
    }
    static uint8_t Channel(uint32_t pixel, int channel) { return static_cast<uint8_t>(pixel >> (8 * channel)); }

    int H(int column, int row) const { return c_.heightMap[row * TextureSize + column]; }
    // A difference of two heights modulo 256, read as a signed byte.
    static float HeightDifference(int a, int b) {
        return static_cast<float>(static_cast<int8_t>(static_cast<uint8_t>(a - b)));
    }

    // Texel indices truncated, weights with each 1 - f formed first.
    static void Weights(float uc, float vc, int& iu, int& iv, float w[4]) {
        iu = static_cast<int>(uc);
        iv = static_cast<int>(vc);
        const float fu = uc - static_cast<float>(iu), fv = vc - static_cast<float>(iv);
        const float gu = 1.0f - fu, gv = 1.0f - fv;
        w[0] = gu * gv;
        w[1] = fu * gv;
        w[2] = gu * fv;
        w[3] = fu * fv;
    }
    static float Clamped(float value, float low) { return Max(Min(value, TexCoordMax), low); }

    // The interpolated normal N tilted by the height-map gradient, normalised.
    void Bump(const float* N, const float* A, float* n) const {
        int iu, iv;
        float w[4];
        Weights(Clamped(A[0], BumpCoordMin), Clamped(A[1], BumpCoordMin), iu, iv, w);
        const float across[4] = {HeightDifference(H(iu - 1, iv), H(iu + 1, iv)),
                                 HeightDifference(H(iu, iv), H(iu + 2, iv)),
                                 HeightDifference(H(iu - 1, iv + 1), H(iu + 1, iv + 1)),
                                 HeightDifference(H(iu, iv + 1), H(iu + 2, iv + 1))};
        const float down[4] = {HeightDifference(H(iu, iv - 1), H(iu, iv + 1)),
                               HeightDifference(H(iu + 1, iv - 1), H(iu + 1, iv + 1)),
                               HeightDifference(H(iu, iv), H(iu, iv + 2)),
                               HeightDifference(H(iu + 1, iv), H(iu + 1, iv + 2))};
        const float gx = Dot4(w, across), gy = Dot4(w, down);
        // The gradient is added to all four lanes, scaled by 0 in z and w.
        const float tilted[4] = {N[0] + BumpScale * gx, N[1] + BumpScale * gy, N[2] + 0.0f * gx, N[3] + 0.0f * gy};
        const float r = Rsqrt(Dot4(tilted, tilted));
        for (int i = 0; i < 3; ++i) n[i] = tilted[i] * r;
    }

    void Sample(const float* A, float* sample) const {
        int iu, iv;
        float w[4];
        Weights(Clamped(A[0], TexCoordMin), Clamped(A[1], TexCoordMin), iu, iv, w);
        const uint32_t* t = c_.texture + iv * TextureSize + iu;
        for (int ch = 0; ch < 3; ++ch) {
            const float t00 = Channel(t[0], ch), t10 = Channel(t[1], ch);
            const float t01 = Channel(t[TextureSize], ch), t11 = Channel(t[TextureSize + 1], ch);
            sample[ch] = (w[0] * t00 + w[1] * t10) + (w[2] * t01 + w[3] * t11);
        }
    }

    // cvtps2dq (nearest even; 0x80000000 out of range), shift right by 8, saturate to a byte.
    static uint32_t Pack(float colour) {
        const int32_t rounded =
            std::fabs(colour) < 2147483648.0f ? static_cast<int32_t>(std::nearbyint(colour)) : INT32_MIN;
        const int32_t shifted = rounded >> 8;
        return static_cast<uint32_t>(shifted < 0 ? 0 : shifted > 255 ? 255 : shifted);
    }

    void Pixel(uint32_t p, const float* N, const float* A) const {
        const float z = A[2];
        if (tag_ ? c_.colorBuffer[p] != *tag_ : !(z < c_.shadeDepth[p])) return;
        const float length = Rsqrt(Dot4(N, N));
        float n[3] = {N[0] * length, N[1] * length, N[2] * length};
        const float P = c_.prepassDepth[p];
        const bool front = z + FrontTolerance >= P && z - FrontTolerance < P;
        const bool translucent = c_.classColorIndex == TranslucentColorIndex;
        if (front && translucent) Bump(N, A, n);
        float S[3] = {0, 0, 0}, running[3] = {0, 0, 0};
        for (int k = 0; k < LightCount; ++k) {
            const Light& light = LightTable[k];
            const float d = (light.direction.v[0] * n[0] + light.direction.v[1] * n[1]) + light.direction.v[2] * n[2];
            float d16 = d * d;
            d16 *= d16;
            d16 *= d16;
            d16 *= d16;
            for (int ch = 0; ch < 3; ++ch) {
                const float diffuse = Max(d, 0.0f) * light.diffuse.v[ch];
                float term;
                if (front) {
                    term = d16 * light.specular.v[ch];
                    if (!translucent) term = (term + diffuse) + light.ambient.v[ch];
                } else {
                    running[ch] = (running[ch] + diffuse) + light.ambient.v[ch];
                    term = running[ch];
                }
                S[ch] = Max(S[ch], term);
            }
        }
        float sample[3] = {1, 1, 1};
        if (translucent) Sample(A, sample);
        uint32_t pixel = 0;
        for (int ch = 0; ch < 3; ++ch) {
            float s = Min(S[ch], ChannelMax);
            if (translucent) s = s * sample[ch];
            pixel |= Pack(s * ClassColorTable[c_.classColorIndex].v[ch]) << (8 * ch);
        }
        if (translucent) {
            const uint32_t old = c_.colorBuffer[p];
            uint32_t sum = old & 0xFF000000u;
            for (int ch = 0; ch < 3; ++ch) {
                const int added = Channel(old, ch) + Channel(pixel, ch);
                sum |= static_cast<uint32_t>(added > 255 ? 255 : added) << (8 * ch);
            }
            c_.colorBuffer[p] = sum;
        } else {
            c_.colorBuffer[p] = pixel;
            if (!tag_) c_.shadeDepth[p] = z;
        }
    }
};

// Four float lanes on Arm NEON (AArch64). Written with compares and bit selects so that every
// answer, signed zeros included, is the same as on the other backends.
#pragma once

#if defined(__aarch64__)
#include <arm_neon.h>

namespace trelk::simd::neon {

struct Mask4 {
    uint32x4_t m;
};

struct F32x4 {
    float32x4_t v;

    static F32x4 splat(float x) { return {vdupq_n_f32(x)}; }
    static F32x4 set(float a, float b, float c, float d) {
        const float l[4] = {a, b, c, d};
        return {vld1q_f32(l)};
    }
    static F32x4 load(const float* p) { return {vld1q_f32(p)}; }
    static F32x4 loadu(const float* p) { return {vld1q_f32(p)}; }
    void store(float* p) const { vst1q_f32(p, v); }
    void storeu(float* p) const { vst1q_f32(p, v); }
    float lane(int i) const {
        float l[4];
        vst1q_f32(l, v);
        return l[i];
    }
};

inline F32x4 operator+(F32x4 a, F32x4 b) { return {vaddq_f32(a.v, b.v)}; }
inline F32x4 operator-(F32x4 a, F32x4 b) { return {vsubq_f32(a.v, b.v)}; }
inline F32x4 operator*(F32x4 a, F32x4 b) { return {vmulq_f32(a.v, b.v)}; }
inline F32x4 operator/(F32x4 a, F32x4 b) { return {vdivq_f32(a.v, b.v)}; }
inline F32x4 operator-(F32x4 a) { return {vnegq_f32(a.v)}; }

inline F32x4 sqrt(F32x4 a) { return {vsqrtq_f32(a.v)}; }
inline F32x4 abs(F32x4 a) { return {vabsq_f32(a.v)}; }

// A NaN operand yields the other operand; equal operands yield the second.
inline F32x4 min(F32x4 a, F32x4 b) {
    uint32x4_t b_num = vceqq_f32(b.v, b.v);
    uint32x4_t a_less = vcltq_f32(a.v, b.v);
    return {vbslq_f32(vandq_u32(b_num, vmvnq_u32(a_less)), b.v, a.v)};
}
inline F32x4 max(F32x4 a, F32x4 b) {
    uint32x4_t b_num = vceqq_f32(b.v, b.v);
    uint32x4_t a_more = vcgtq_f32(a.v, b.v);
    return {vbslq_f32(vandq_u32(b_num, vmvnq_u32(a_more)), b.v, a.v)};
}

inline Mask4 lt(F32x4 a, F32x4 b) { return {vcltq_f32(a.v, b.v)}; }
inline Mask4 le(F32x4 a, F32x4 b) { return {vcleq_f32(a.v, b.v)}; }
inline Mask4 gt(F32x4 a, F32x4 b) { return {vcgtq_f32(a.v, b.v)}; }
inline Mask4 ge(F32x4 a, F32x4 b) { return {vcgeq_f32(a.v, b.v)}; }
inline Mask4 eq(F32x4 a, F32x4 b) { return {vceqq_f32(a.v, b.v)}; }

inline Mask4 operator&(Mask4 a, Mask4 b) { return {vandq_u32(a.m, b.m)}; }
inline Mask4 operator|(Mask4 a, Mask4 b) { return {vorrq_u32(a.m, b.m)}; }
inline Mask4 operator~(Mask4 a) { return {vmvnq_u32(a.m)}; }
// a and not b.
inline Mask4 andnot(Mask4 a, Mask4 b) { return {vbicq_u32(a.m, b.m)}; }

inline int movemask(Mask4 m) {
    const int32x4_t shifts = {0, 1, 2, 3};
    uint32x4_t bits = vshlq_u32(vshrq_n_u32(m.m, 31), shifts);
    return int(vaddvq_u32(bits));
}
inline bool any(Mask4 m) { return vmaxvq_u32(m.m) != 0; }
inline bool all(Mask4 m) { return vminvq_u32(m.m) != 0; }

inline F32x4 select(Mask4 m, F32x4 a, F32x4 b) { return {vbslq_f32(m.m, a.v, b.v)}; }

// Lanes (0, 2) and (1, 3) are combined first, then the two results.
inline float hmin(F32x4 a) {
    F32x4 h = min(a, F32x4{vextq_f32(a.v, a.v, 2)});
    return vgetq_lane_f32(min(h, F32x4{vrev64q_f32(h.v)}).v, 0);
}
inline float hmax(F32x4 a) {
    F32x4 h = max(a, F32x4{vextq_f32(a.v, a.v, 2)});
    return vgetq_lane_f32(max(h, F32x4{vrev64q_f32(h.v)}).v, 0);
}
inline float hsum(F32x4 a) {
    float32x4_t h = vaddq_f32(a.v, vextq_f32(a.v, a.v, 2));
    return vgetq_lane_f32(h, 0) + vgetq_lane_f32(h, 1);
}

}  // namespace trelk::simd::neon

#endif

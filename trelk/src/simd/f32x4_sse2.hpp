// Four float lanes on SSE2 (every x86_64 processor has it).
#pragma once

#if defined(__SSE2__)
#include <emmintrin.h>

namespace trelk::simd::sse2 {

struct Mask4 {
    __m128 m;
};

struct F32x4 {
    __m128 v;

    static F32x4 splat(float x) { return {_mm_set1_ps(x)}; }
    static F32x4 set(float a, float b, float c, float d) { return {_mm_setr_ps(a, b, c, d)}; }
    static F32x4 load(const float* p) { return {_mm_load_ps(p)}; }  // p 16-byte aligned
    static F32x4 loadu(const float* p) { return {_mm_loadu_ps(p)}; }
    void store(float* p) const { _mm_store_ps(p, v); }  // p 16-byte aligned
    void storeu(float* p) const { _mm_storeu_ps(p, v); }
    float lane(int i) const {
        alignas(16) float l[4];
        _mm_store_ps(l, v);
        return l[i];
    }
};

inline F32x4 operator+(F32x4 a, F32x4 b) { return {_mm_add_ps(a.v, b.v)}; }
inline F32x4 operator-(F32x4 a, F32x4 b) { return {_mm_sub_ps(a.v, b.v)}; }
inline F32x4 operator*(F32x4 a, F32x4 b) { return {_mm_mul_ps(a.v, b.v)}; }
inline F32x4 operator/(F32x4 a, F32x4 b) { return {_mm_div_ps(a.v, b.v)}; }
inline F32x4 operator-(F32x4 a) { return {_mm_xor_ps(a.v, _mm_set1_ps(-0.0f))}; }

inline F32x4 sqrt(F32x4 a) { return {_mm_sqrt_ps(a.v)}; }
inline F32x4 abs(F32x4 a) { return {_mm_andnot_ps(_mm_set1_ps(-0.0f), a.v)}; }

// minps/maxps return the second operand when either is NaN; a NaN b is replaced by a so that a NaN
// operand always yields the other one.
inline F32x4 min(F32x4 a, F32x4 b) {
    __m128 b_nan = _mm_cmpunord_ps(b.v, b.v);
    __m128 m = _mm_min_ps(a.v, b.v);
    return {_mm_or_ps(_mm_and_ps(b_nan, a.v), _mm_andnot_ps(b_nan, m))};
}
inline F32x4 max(F32x4 a, F32x4 b) {
    __m128 b_nan = _mm_cmpunord_ps(b.v, b.v);
    __m128 m = _mm_max_ps(a.v, b.v);
    return {_mm_or_ps(_mm_and_ps(b_nan, a.v), _mm_andnot_ps(b_nan, m))};
}

inline Mask4 lt(F32x4 a, F32x4 b) { return {_mm_cmplt_ps(a.v, b.v)}; }
inline Mask4 le(F32x4 a, F32x4 b) { return {_mm_cmple_ps(a.v, b.v)}; }
inline Mask4 gt(F32x4 a, F32x4 b) { return {_mm_cmpgt_ps(a.v, b.v)}; }
inline Mask4 ge(F32x4 a, F32x4 b) { return {_mm_cmpge_ps(a.v, b.v)}; }
inline Mask4 eq(F32x4 a, F32x4 b) { return {_mm_cmpeq_ps(a.v, b.v)}; }

inline Mask4 operator&(Mask4 a, Mask4 b) { return {_mm_and_ps(a.m, b.m)}; }
inline Mask4 operator|(Mask4 a, Mask4 b) { return {_mm_or_ps(a.m, b.m)}; }
inline Mask4 operator~(Mask4 a) { return {_mm_xor_ps(a.m, _mm_castsi128_ps(_mm_set1_epi32(-1)))}; }
// a and not b.
inline Mask4 andnot(Mask4 a, Mask4 b) { return {_mm_andnot_ps(b.m, a.m)}; }

inline int movemask(Mask4 m) { return _mm_movemask_ps(m.m); }
inline bool any(Mask4 m) { return movemask(m) != 0; }
inline bool all(Mask4 m) { return movemask(m) == 0xF; }

inline F32x4 select(Mask4 m, F32x4 a, F32x4 b) {
    return {_mm_or_ps(_mm_and_ps(m.m, a.v), _mm_andnot_ps(m.m, b.v))};
}

// Lanes (0, 2) and (1, 3) are combined first, then the two results.
inline float hmin(F32x4 a) {
    F32x4 h = min(a, F32x4{_mm_shuffle_ps(a.v, a.v, _MM_SHUFFLE(1, 0, 3, 2))});
    return _mm_cvtss_f32(min(h, F32x4{_mm_shuffle_ps(h.v, h.v, _MM_SHUFFLE(2, 3, 0, 1))}).v);
}
inline float hmax(F32x4 a) {
    F32x4 h = max(a, F32x4{_mm_shuffle_ps(a.v, a.v, _MM_SHUFFLE(1, 0, 3, 2))});
    return _mm_cvtss_f32(max(h, F32x4{_mm_shuffle_ps(h.v, h.v, _MM_SHUFFLE(2, 3, 0, 1))}).v);
}
inline float hsum(F32x4 a) {
    __m128 h = _mm_add_ps(a.v, _mm_shuffle_ps(a.v, a.v, _MM_SHUFFLE(1, 0, 3, 2)));
    return _mm_cvtss_f32(_mm_add_ss(h, _mm_shuffle_ps(h, h, _MM_SHUFFLE(2, 3, 0, 1))));
}

}  // namespace trelk::simd::sse2

#endif

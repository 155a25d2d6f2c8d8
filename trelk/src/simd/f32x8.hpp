// Eight float lanes as two four-lane halves. Scans test the first half before computing the
// second, so the pair is a plain struct rather than a wider register.
#pragma once

#include "simd/f32x4.hpp"

namespace trelk::simd {

template <class V, class M>
struct Mask8Of {
    M lo, hi;
};

template <class V, class M>
struct F32x8Of {
    V lo, hi;

    static F32x8Of splat(float x) { return {V::splat(x), V::splat(x)}; }
    static F32x8Of load(const float* p) { return {V::load(p), V::load(p + 4)}; }  // p 32-byte aligned
    static F32x8Of loadu(const float* p) { return {V::loadu(p), V::loadu(p + 4)}; }
    void store(float* p) const { lo.store(p), hi.store(p + 4); }
    void storeu(float* p) const { lo.storeu(p), hi.storeu(p + 4); }
    float lane(int i) const { return i < 4 ? lo.lane(i) : hi.lane(i - 4); }
};

#define TRELK_PAIR_BINARY(op)                                                              \
    template <class V, class M>                                                            \
    inline F32x8Of<V, M> operator op(F32x8Of<V, M> a, F32x8Of<V, M> b) {                   \
        return {a.lo op b.lo, a.hi op b.hi};                                               \
    }
TRELK_PAIR_BINARY(+)
TRELK_PAIR_BINARY(-)
TRELK_PAIR_BINARY(*)
TRELK_PAIR_BINARY(/)
#undef TRELK_PAIR_BINARY

#define TRELK_PAIR_FN(name)                                                                \
    template <class V, class M>                                                            \
    inline F32x8Of<V, M> name(F32x8Of<V, M> a, F32x8Of<V, M> b) {                          \
        return {name(a.lo, b.lo), name(a.hi, b.hi)};                                       \
    }
TRELK_PAIR_FN(min)
TRELK_PAIR_FN(max)
#undef TRELK_PAIR_FN

#define TRELK_PAIR_CMP(name)                                                               \
    template <class V, class M>                                                            \
    inline Mask8Of<V, M> name(F32x8Of<V, M> a, F32x8Of<V, M> b) {                          \
        return {name(a.lo, b.lo), name(a.hi, b.hi)};                                       \
    }
TRELK_PAIR_CMP(lt)
TRELK_PAIR_CMP(le)
TRELK_PAIR_CMP(gt)
TRELK_PAIR_CMP(ge)
TRELK_PAIR_CMP(eq)
#undef TRELK_PAIR_CMP

template <class V, class M>
inline F32x8Of<V, M> sqrt(F32x8Of<V, M> a) { return {sqrt(a.lo), sqrt(a.hi)}; }
template <class V, class M>
inline F32x8Of<V, M> abs(F32x8Of<V, M> a) { return {abs(a.lo), abs(a.hi)}; }

template <class V, class M>
inline Mask8Of<V, M> operator&(Mask8Of<V, M> a, Mask8Of<V, M> b) { return {a.lo & b.lo, a.hi & b.hi}; }
template <class V, class M>
inline Mask8Of<V, M> operator|(Mask8Of<V, M> a, Mask8Of<V, M> b) { return {a.lo | b.lo, a.hi | b.hi}; }
template <class V, class M>
inline Mask8Of<V, M> andnot(Mask8Of<V, M> a, Mask8Of<V, M> b) { return {andnot(a.lo, b.lo), andnot(a.hi, b.hi)}; }

// Bit i set when lane i is true (lanes 0..3 from the first half).
template <class V, class M>
inline int movemask(Mask8Of<V, M> m) { return movemask(m.lo) | movemask(m.hi) << 4; }
template <class V, class M>
inline bool any(Mask8Of<V, M> m) { return any(m.lo) || any(m.hi); }
template <class V, class M>
inline bool all(Mask8Of<V, M> m) { return all(m.lo) && all(m.hi); }

template <class V, class M>
inline F32x8Of<V, M> select(Mask8Of<V, M> m, F32x8Of<V, M> a, F32x8Of<V, M> b) {
    return {select(m.lo, a.lo, b.lo), select(m.hi, a.hi, b.hi)};
}

template <class V, class M>
inline float hmin(F32x8Of<V, M> a) { return hmin(min(a.lo, a.hi)); }
template <class V, class M>
inline float hsum(F32x8Of<V, M> a) { return hsum(a.lo + a.hi); }

using F32x8 = F32x8Of<F32x4, Mask4>;
using Mask8 = Mask8Of<F32x4, Mask4>;

}  // namespace trelk::simd

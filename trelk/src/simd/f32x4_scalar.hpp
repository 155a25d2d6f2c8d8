// Four float lanes in plain C++: the portable backend and the reference the vector backends are
// checked against. Every operation is written lane by lane in the exact order the vector backends use.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstring>

namespace trelk::simd::scalar {

// Lane masks: each lane all ones (true) or all zeros (false), as the vector compares produce.
struct Mask4 {
    std::uint32_t l[4];
};

struct F32x4 {
    float l[4];

    static F32x4 splat(float x) { return {{x, x, x, x}}; }
    static F32x4 set(float a, float b, float c, float d) { return {{a, b, c, d}}; }
    static F32x4 load(const float* p) { return loadu(p); }  // p 16-byte aligned
    static F32x4 loadu(const float* p) {
        F32x4 r;
        std::memcpy(r.l, p, sizeof r.l);
        return r;
    }
    void store(float* p) const { storeu(p); }  // p 16-byte aligned
    void storeu(float* p) const { std::memcpy(p, l, sizeof l); }
    float lane(int i) const { return l[i]; }
};

namespace detail {
template <class Op>
inline F32x4 map(F32x4 a, F32x4 b, Op op) {
    return {{op(a.l[0], b.l[0]), op(a.l[1], b.l[1]), op(a.l[2], b.l[2]), op(a.l[3], b.l[3])}};
}
template <class Op>
inline Mask4 test(F32x4 a, F32x4 b, Op op) {
    Mask4 m;
    for (int i = 0; i < 4; ++i) m.l[i] = op(a.l[i], b.l[i]) ? 0xFFFFFFFFu : 0u;
    return m;
}
// Second operand on ties and on NaN, like the vector min/max instructions.
inline float min_second(float a, float b) { return a < b ? a : b; }
inline float max_second(float a, float b) { return a > b ? a : b; }
}  // namespace detail

inline F32x4 operator+(F32x4 a, F32x4 b) { return detail::map(a, b, [](float x, float y) { return x + y; }); }
inline F32x4 operator-(F32x4 a, F32x4 b) { return detail::map(a, b, [](float x, float y) { return x - y; }); }
inline F32x4 operator*(F32x4 a, F32x4 b) { return detail::map(a, b, [](float x, float y) { return x * y; }); }
inline F32x4 operator/(F32x4 a, F32x4 b) { return detail::map(a, b, [](float x, float y) { return x / y; }); }
inline F32x4 operator-(F32x4 a) { return detail::map(a, a, [](float x, float) { return -x; }); }

inline F32x4 sqrt(F32x4 a) { return detail::map(a, a, [](float x, float) { return std::sqrt(x); }); }
inline F32x4 abs(F32x4 a) { return detail::map(a, a, [](float x, float) { return std::fabs(x); }); }

// A NaN operand yields the other operand; equal operands (such as 0 and -0) yield the second.
inline F32x4 min(F32x4 a, F32x4 b) {
    return detail::map(a, b, [](float x, float y) { return y != y ? x : detail::min_second(x, y); });
}
inline F32x4 max(F32x4 a, F32x4 b) {
    return detail::map(a, b, [](float x, float y) { return y != y ? x : detail::max_second(x, y); });
}

// Comparisons with a NaN operand are false in every lane they touch.
inline Mask4 lt(F32x4 a, F32x4 b) { return detail::test(a, b, [](float x, float y) { return x < y; }); }
inline Mask4 le(F32x4 a, F32x4 b) { return detail::test(a, b, [](float x, float y) { return x <= y; }); }
inline Mask4 gt(F32x4 a, F32x4 b) { return detail::test(a, b, [](float x, float y) { return x > y; }); }
inline Mask4 ge(F32x4 a, F32x4 b) { return detail::test(a, b, [](float x, float y) { return x >= y; }); }
inline Mask4 eq(F32x4 a, F32x4 b) { return detail::test(a, b, [](float x, float y) { return x == y; }); }

inline Mask4 operator&(Mask4 a, Mask4 b) { return {{a.l[0] & b.l[0], a.l[1] & b.l[1], a.l[2] & b.l[2], a.l[3] & b.l[3]}}; }
inline Mask4 operator|(Mask4 a, Mask4 b) { return {{a.l[0] | b.l[0], a.l[1] | b.l[1], a.l[2] | b.l[2], a.l[3] | b.l[3]}}; }
inline Mask4 operator~(Mask4 a) { return {{~a.l[0], ~a.l[1], ~a.l[2], ~a.l[3]}}; }
// a and not b.
inline Mask4 andnot(Mask4 a, Mask4 b) { return a & ~b; }

// Bit i set when lane i is true.
inline int movemask(Mask4 m) {
    return int(m.l[0] >> 31) | int(m.l[1] >> 31) << 1 | int(m.l[2] >> 31) << 2 | int(m.l[3] >> 31) << 3;
}
inline bool any(Mask4 m) { return movemask(m) != 0; }
inline bool all(Mask4 m) { return movemask(m) == 0xF; }

// Lane i is a's where the mask is true, else b's.
inline F32x4 select(Mask4 m, F32x4 a, F32x4 b) {
    F32x4 r;
    for (int i = 0; i < 4; ++i) {
        std::uint32_t x, y;
        std::memcpy(&x, &a.l[i], 4);
        std::memcpy(&y, &b.l[i], 4);
        std::uint32_t z = (x & m.l[i]) | (y & ~m.l[i]);
        std::memcpy(&r.l[i], &z, 4);
    }
    return r;
}

// Horizontal reductions pair lanes (0, 2) and (1, 3) first, then combine the two results.
inline float hmin(F32x4 a) {
    F32x4 h = min(a, F32x4{{a.l[2], a.l[3], a.l[0], a.l[1]}});
    return min(h, F32x4{{h.l[1], h.l[0], h.l[3], h.l[2]}}).l[0];
}
inline float hmax(F32x4 a) {
    F32x4 h = max(a, F32x4{{a.l[2], a.l[3], a.l[0], a.l[1]}});
    return max(h, F32x4{{h.l[1], h.l[0], h.l[3], h.l[2]}}).l[0];
}
inline float hsum(F32x4 a) { return (a.l[0] + a.l[2]) + (a.l[1] + a.l[3]); }

}  // namespace trelk::simd::scalar

#include "reach_grid.hpp"

#include <cmath>
#include <cstring>
#include <limits>

#include "simd/f32x4.hpp"

#if defined(__SSE2__) && !defined(TRELK_SCALAR)
#include <emmintrin.h>
#endif

namespace trelk {

namespace {

using simd::F32x4;
using simd::Mask4;

// minps and maxps where the processor has them: a NaN in either operand gives the second. Used
// where that is the wanted answer (or where no lane can be NaN), in place of the NaN-symmetric
// min and max of the lane library.
[[gnu::always_inline]] inline F32x4 min_or_second(F32x4 a, F32x4 b) {
#if defined(__SSE2__) && !defined(TRELK_SCALAR)
    return {_mm_min_ps(a.v, b.v)};
#else
    return select(lt(a, b), a, b);
#endif
}
[[gnu::always_inline]] inline F32x4 max_or_second(F32x4 a, F32x4 b) {
#if defined(__SSE2__) && !defined(TRELK_SCALAR)
    return {_mm_max_ps(a.v, b.v)};
#else
    return select(gt(a, b), a, b);
#endif
}

constexpr float kMargin = 0x1p-12f;
constexpr float kInf = std::numeric_limits<float>::infinity();

// Lanes i .. i + 3 below len, as bits.
unsigned lanes_below(std::size_t len, std::size_t i) { return len - i >= 4 ? 0xFu : (1u << (len - i)) - 1; }

}  // namespace

struct ReachGrid::Boxes4 {
    F32x4 lo[3], hi[3];
    unsigned ordinary;

    Boxes4(const SpheresSoA& set, std::size_t i) {
        const F32x4 r = abs(F32x4::loadu(set.r().data() + i));
        const float* centres[3] = {set.x().data() + i, set.y().data() + i, set.z().data() + i};
        const F32x4 widen = F32x4::splat(1.0f + kMargin), margin = F32x4::splat(kMargin),
                    tiny = F32x4::splat(0x1p-60f), inf = F32x4::splat(kInf);
        Mask4 ok = lt(r, F32x4::splat(1e18f));
        for (int a = 0; a < 3; ++a) {
            const F32x4 v = F32x4::loadu(centres[a]), h = (r * widen + abs(v) * margin) + tiny;
            lo[a] = v - h;
            hi[a] = v + h;
            ok = ok & lt(abs(lo[a]), inf) & lt(abs(hi[a]), inf);
        }
        ordinary = unsigned(movemask(ok));
    }

    static void fill_cells(const F32x4 (&lo)[3], const F32x4 (&hi)[3], Cells4& c);
};

// The cells of four lanes from their clamped grid coordinates (0 .. 31, never NaN in ordinary
// lanes), worked out four lanes at a time where the processor allows.
[[gnu::always_inline]] inline void ReachGrid::Boxes4::fill_cells(const F32x4 (&lo)[3], const F32x4 (&hi)[3],
                                                                 Cells4& c) {
#if defined(__SSE2__) && !defined(TRELK_SCALAR)
    __m128i l[3], h[3];
    for (int a = 0; a < 3; ++a) {
        l[a] = _mm_cvttps_epi32(lo[a].v);
        h[a] = _mm_cvttps_epi32(hi[a].v);
    }
    auto store = [](int* to, __m128i x, __m128i y) {
        _mm_store_si128(reinterpret_cast<__m128i*>(to), _mm_add_epi32(_mm_slli_epi32(x, 5), y));
    };
    store(c.r00, l[0], l[1]);
    store(c.r01, l[0], h[1]);
    store(c.r10, h[0], l[1]);
    store(c.r11, h[0], h[1]);
    const __m128i spans = _mm_or_si128(_mm_sub_epi32(h[0], l[0]), _mm_sub_epi32(h[1], l[1]));
    c.small = unsigned(_mm_movemask_ps(_mm_castsi128_ps(_mm_cmplt_epi32(spans, _mm_set1_epi32(2)))));
    // Bit z is the float 2^z truncated (2^31 truncates to 0x80000000, the bit itself); the run
    // from z0 to z1 is 2^(z1 + 1) - 2^z0, wrapping at 32 bits.
    auto bit = [](__m128i z) {
        return _mm_cvttps_epi32(_mm_castsi128_ps(_mm_slli_epi32(_mm_add_epi32(z, _mm_set1_epi32(127)), 23)));
    };
    _mm_store_si128(reinterpret_cast<__m128i*>(c.run), _mm_sub_epi32(_mm_slli_epi32(bit(h[2]), 1), bit(l[2])));
#else
    alignas(16) float f[6][4];
    for (int a = 0; a < 3; ++a) {
        lo[a].store(f[2 * a]);
        hi[a].store(f[2 * a + 1]);
    }
    c.small = 0;
    for (int k = 0; k < 4; ++k) {
        const int x0 = int(f[0][k]), x1 = int(f[1][k]), y0 = int(f[2][k]), y1 = int(f[3][k]);
        const int z0 = int(f[4][k]), z1 = int(f[5][k]);
        c.r00[k] = x0 * 32 + y0;
        c.r01[k] = x0 * 32 + y1;
        c.r10[k] = x1 * 32 + y0;
        c.r11[k] = x1 * 32 + y1;
        c.small |= unsigned(x1 - x0 <= 1 && y1 - y0 <= 1) << k;
        c.run[k] = std::uint32_t((std::uint64_t{2} << z1) - (std::uint64_t{1} << z0));
    }
#endif
}

[[gnu::always_inline]] inline ReachGrid::Cells4 ReachGrid::cells_of(const Boxes4& b) const {
    const F32x4 zero = F32x4::splat(0.0f), top = F32x4::splat(float(cells - 1));
    F32x4 lo[3], hi[3];
    for (int a = 0; a < 3; ++a) {
        const F32x4 o = F32x4::splat(origin_[a]), s = F32x4::splat(scale_[a]);
        // A NaN (in lanes that are not ordinary only) lands on cell 0.
        lo[a] = min_or_second(top, max_or_second((b.lo[a] - o) * s, zero));
        hi[a] = min_or_second(top, max_or_second((b.hi[a] - o) * s, zero));
    }
    Cells4 c;
    c.ordinary = b.ordinary;
    Boxes4::fill_cells(lo, hi, c);
    return c;
}

ReachGrid::Cells4 ReachGrid::cells4(const SpheresSoA& set, std::size_t i) const {
    const Boxes4 b(set, i);
    Cells4 c = cells_of(b);
    // A box beside the box around every marked one reaches no cell: leave it out at once.
    Mask4 beside = gt(b.lo[0], F32x4::splat(hi_[0])) | lt(b.hi[0], F32x4::splat(lo_[0]));
    for (int a = 1; a < 3; ++a) beside = beside | gt(b.lo[a], F32x4::splat(hi_[a])) | lt(b.hi[a], F32x4::splat(lo_[a]));
    c.beside = unsigned(movemask(beside));
    return c;
}

bool ReachGrid::reaches(const Cells4& c, int k) const {
    const std::uint32_t run = c.run[k];
    if (c.small >> k & 1) return ((rows_[c.r00[k]] | rows_[c.r01[k]] | rows_[c.r10[k]] | rows_[c.r11[k]]) & run) != 0;
    for (int ix = c.r00[k] / cells; ix <= c.r11[k] / cells; ++ix)
        for (int iy = c.r00[k] % cells; iy <= c.r11[k] % cells; ++iy)
            if (rows_[ix * cells + iy] & run) return true;
    return false;
}

void ReachGrid::mark(const Cells4& c, int k) {
    const std::uint32_t run = c.run[k];
    if (c.small >> k & 1) {
        // All four read before any is written: rows that coincide get the same value.
        const std::uint32_t r00 = rows_[c.r00[k]], r01 = rows_[c.r01[k]], r10 = rows_[c.r10[k]],
                            r11 = rows_[c.r11[k]];
        rows_[c.r00[k]] = r00 | run;
        rows_[c.r01[k]] = r01 | run;
        rows_[c.r10[k]] = r10 | run;
        rows_[c.r11[k]] = r11 | run;
        return;
    }
    for (int ix = c.r00[k] / cells; ix <= c.r11[k] / cells; ++ix)
        for (int iy = c.r00[k] % cells; iy <= c.r11[k] % cells; ++iy) rows_[ix * cells + iy] |= run;
}

void ReachGrid::lay_cells(const double (&lo)[3], const double (&hi)[3]) {
    for (int a = 0; a < 3; ++a) {
        const float scale = float(double(cells) / (hi[a] - lo[a]));
        const bool usable = hi[a] > lo[a] && std::isfinite(float(lo[a])) && std::isfinite(scale) && scale > 0.0f;
        origin_[a] = usable ? float(lo[a]) : 0.0f;
        scale_[a] = usable ? scale : 0.0f;
        within_lo_[a] = usable ? float(lo[a]) : kInf;
        within_hi_[a] = usable ? float(hi[a]) : -kInf;
    }
}

bool ReachGrid::mark_all(std::span<const SpheresSoA* const> sets) {
    F32x4 lo[3], hi[3];
    for (int a = 0; a < 3; ++a) {
        lo[a] = F32x4::splat(kInf);
        hi[a] = F32x4::splat(-kInf);
    }
    std::memset(rows_, 0, sizeof rows_);
    for (const SpheresSoA* set : sets) {
        for (std::size_t i = 0; i < set->len(); i += 4) {
            const Boxes4 b(*set, i);
            const unsigned valid = lanes_below(set->len(), i);
            if (valid & ~b.ordinary) return false;
            // Lanes past len hold NaN radii: their NaN bounds leave the running box as it is.
            for (int a = 0; a < 3; ++a) {
                lo[a] = min_or_second(b.lo[a], lo[a]);
                hi[a] = max_or_second(b.hi[a], hi[a]);
            }
            const Cells4 c = cells_of(b);
            for (int k = 0; k < 4 && (valid >> k & 1); ++k) mark(c, k);
        }
    }
    for (int a = 0; a < 3; ++a) {
        lo_[a] = hmin(lo[a]);
        hi_[a] = hmax(hi[a]);
    }
    return true;
}

bool ReachGrid::build(const Sphere& region_a, const Sphere& region_b, std::span<const SpheresSoA* const> sets) {
    double lo[3], hi[3];
    for (int a = 0; a < 3; ++a) {
        lo[a] = std::fmax(double(region_a.center[a]) - region_a.radius, double(region_b.center[a]) - region_b.radius);
        hi[a] = std::fmin(double(region_a.center[a]) + region_a.radius, double(region_b.center[a]) + region_b.radius);
    }
    lay_cells(lo, hi);
    return mark_all(sets);
}

bool ReachGrid::fit(std::span<const SpheresSoA* const> sets) {
    F32x4 lo4[3], hi4[3];
    for (int a = 0; a < 3; ++a) {
        lo4[a] = F32x4::splat(kInf);
        hi4[a] = F32x4::splat(-kInf);
    }
    for (const SpheresSoA* set : sets)
        for (std::size_t i = 0; i < set->len(); i += 4) {
            const Boxes4 b(*set, i);
            if (lanes_below(set->len(), i) & ~b.ordinary) return false;
            for (int a = 0; a < 3; ++a) {
                lo4[a] = min_or_second(b.lo[a], lo4[a]);
                hi4[a] = max_or_second(b.hi[a], hi4[a]);
            }
        }
    double lo[3], hi[3];
    for (int a = 0; a < 3; ++a) {
        lo[a] = hmin(lo4[a]);
        hi[a] = hmax(hi4[a]);
    }
    lay_cells(lo, hi);
    return mark_all(sets);
}

ReachGrid::Marked ReachGrid::mark_lane(const SpheresSoA& set, std::size_t i) {
    const std::size_t first = i / 4 * 4;
    const int k = int(i - first);
    const Boxes4 b(set, first);
    if (!(b.ordinary >> k & 1)) return Marked::refused;
    alignas(16) float lo[3][4], hi[3][4];
    bool within = true;
    for (int a = 0; a < 3; ++a) {
        b.lo[a].store(lo[a]);
        b.hi[a].store(hi[a]);
        within = within && lo[a][k] >= within_lo_[a] && hi[a][k] <= within_hi_[a];
        lo_[a] = std::fmin(lo_[a], lo[a][k]);
        hi_[a] = std::fmax(hi_[a], hi[a][k]);
    }
    mark(cells_of(b), k);
    return within ? Marked::within : Marked::clamped;
}

}  // namespace trelk

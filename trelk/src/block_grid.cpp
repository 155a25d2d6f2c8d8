#include "block_grid.hpp"

#include <algorithm>
#include <bit>
#include <cmath>
#include <limits>

namespace trelk {

namespace {

using block_grid_detail::half_width;

enum class LaneKind { never, everywhere, boxed };

LaneKind kind_of(float x, float y, float z, float r) {
    if (std::isnan(r)) return LaneKind::never;
    if (!(std::fabs(r) < block_grid_detail::huge_radius)) return LaneKind::everywhere;
    if (!std::isfinite(x) || !std::isfinite(y) || !std::isfinite(z)) return LaneKind::never;
    return LaneKind::boxed;
}

}  // namespace

void BlockGrid::reserve(std::size_t stride) {
    if (stride >= min_stride && stride <= max_stride) cells_.reserve(cell_words(words_for(stride)));
}

void BlockGrid::rebuild(const Lanes& l) {
    words_ = 0;
    outside_ = 0;
    cells_.clear();
    if (l.stride < min_stride || l.stride > max_stride) return;

    constexpr double inf = std::numeric_limits<double>::infinity();
    double lo[3] = {inf, inf, inf}, hi[3] = {-inf, -inf, -inf};
    for (std::size_t i = 0; i < l.len; ++i) {
        if (kind_of(l.x[i], l.y[i], l.z[i], l.r[i]) != LaneKind::boxed) continue;
        const double c[3] = {l.x[i], l.y[i], l.z[i]};
        for (int a = 0; a < 3; ++a) {
            const double h = half_width(c[a], l.r[i]);
            lo[a] = std::min(lo[a], c[a] - h);
            hi[a] = std::max(hi[a], c[a] + h);
        }
    }
    for (int a = 0; a < 3; ++a) {
        const bool any = lo[a] <= hi[a];
        lo_[a] = origin_[a] = any ? lo[a] : 0.0;
        hi_[a] = any ? hi[a] : 0.0;
        const double extent = hi_[a] - lo_[a];
        scale_[a] = extent > 0.0 && std::isfinite(extent) ? double(cells_per_axis) / extent : 0.0;
    }

    words_ = words_for(l.stride);
    cells_.assign(cell_words(words_), 0);
    forget_lanes();
    for (std::size_t i = 0; i < l.len; ++i) mark(l, i);
    outside_ = 0;
}

void BlockGrid::pushed(const Lanes& l) {
    // A quarter of the spheres beyond the extent crowd the border cells: fit again.
    if (!active() || l.stride / 8 > words_ * 64 || outside_ * 4 > l.len) {
        rebuild(l);
        return;
    }
    mark(l, l.len - 1);
}

void BlockGrid::forget_lanes() {
    std::fill(cells_.begin(), cells_.end(), 0);
    outside_ = 0;
    for (int a = 0; a < 3; ++a) {
        reach_lo_[a] = std::numeric_limits<double>::infinity();
        reach_hi_[a] = -std::numeric_limits<double>::infinity();
    }
    reaches_everywhere_ = false;
}

void BlockGrid::mark(const Lanes& l, std::size_t i) {
    CellBox box{{0, 0, 0}, {cells_per_axis - 1, cells_per_axis - 1, cells_per_axis - 1}};
    switch (kind_of(l.x[i], l.y[i], l.z[i], l.r[i])) {
        case LaneKind::never: return;
        case LaneKind::everywhere: reaches_everywhere_ = true; break;
        case LaneKind::boxed: {
            const double c[3] = {l.x[i], l.y[i], l.z[i]};
            bool beyond = false;
            for (int a = 0; a < 3; ++a) {
                const double h = half_width(c[a], l.r[i]), lo = c[a] - h, hi = c[a] + h;
                box.lo[a] = cell(a, lo);
                box.hi[a] = cell(a, hi);
                beyond = beyond || lo < lo_[a] || hi > hi_[a];
                reach_lo_[a] = std::min(reach_lo_[a], lo);
                reach_hi_[a] = std::max(reach_hi_[a], hi);
            }
            outside_ += beyond;
            break;
        }
    }
    const std::uint64_t bit = std::uint64_t{1} << (i / 8 % 64);
    const std::size_t w = i / 8 / 64;
    if (box.small()) {
        for (const int ix : {box.lo[0], box.hi[0]})
            for (const int iy : {box.lo[1], box.hi[1]}) {
                cell_word(ix, iy, box.lo[2], w) |= bit;
                cell_word(ix, iy, box.hi[2], w) |= bit;
            }
        return;
    }
    for (int ix = box.lo[0]; ix <= box.hi[0]; ++ix)
        for (int iy = box.lo[1]; iy <= box.hi[1]; ++iy)
            for (int iz = box.lo[2]; iz <= box.hi[2]; ++iz) cell_word(ix, iy, iz, w) |= bit;
}

}  // namespace trelk

// Which blocks of eight lanes of a sphere set a query ball can reach, so that a scan can skip the
// others: a coarse uniform grid over the set's spheres, each cell holding one bit per block that
// has a sphere reaching into the cell. A ball visits, in block order, the blocks marked in the cells
// its box reaches.
//
// A block left out has no lane that the overlap test (dx² + dy²) + dz² <= (qr + r)² accepts, in
// floats: each box is a little wider than that test can reach after rounding, with half width |r|
// so that a negative radius is covered too, and a box reaching past the grid lands on its border
// cells. Lanes no such test accepts (a NaN radius, or a coordinate that is not finite) are left out;
// a sphere with a radius of 1e18 or more, whose squared reach could overflow, is marked in every
// cell; a ball that is not ordinary (such a radius, a NaN one, a centre that is not finite) visits
// every block. A scan over the visited blocks therefore answers as a scan over all of them.
//
// The grid is derived from the lanes alone. Small sets (where a whole scan is as cheap as the grid)
// and very large ones (where the grid would cost too much memory) keep none and visit every block.
#pragma once

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <vector>

#if defined(__SSE2__) && !defined(TRELK_SCALAR)
#include <emmintrin.h>
#endif

#include "sphere.hpp"

namespace trelk {

namespace block_grid_detail {

// Radii from here on may overflow the squared reach of the float test.
inline constexpr double huge_radius = 1e18;

// Half width of the box around coordinate v that the float overlap test can reach with radius r:
// that test's rounding stays far below 2^-20 relative, the double sums here below 2^-40 of v, and
// underflow below 2^-60.
inline double half_width(double v, double r) {
    return std::fabs(r) * (1.0 + 0x1p-20) + std::fabs(v) * 0x1p-40 + 0x1p-60;
}

// The cell of grid coordinate t (finite), clamped to 0 .. top. Spelled without jumps: compilers
// turn std::min and std::max around a conversion into branches, which mispredict for balls near a
// grid's border.
inline int clamped_cell(double t, int top) {
#if defined(__SSE2__) && !defined(TRELK_SCALAR)
    return _mm_cvttsd_si32(_mm_min_sd(_mm_max_sd(_mm_set_sd(t), _mm_setzero_pd()), _mm_set_sd(double(top))));
#else
    return int(std::min(std::max(t, 0.0), double(top)));
#endif
}

}  // namespace block_grid_detail

// The box a ball reaches, as every grid widens it: worked out once per ball and asked of any
// number of grids. Not ordinary (a radius of 1e18 or more or NaN, a centre not finite): the ball
// visits every block.
struct BallBox {
    double lo[3], hi[3];
    bool ordinary;

    explicit BallBox(const Sphere& ball) : ordinary(std::fabs(ball.radius) < block_grid_detail::huge_radius) {
        for (int a = 0; a < 3; ++a) {
            const double v = ball.center[a], h = block_grid_detail::half_width(v, ball.radius);
            ordinary = ordinary && std::isfinite(v);
            lo[a] = v - h;
            hi[a] = v + h;
        }
    }
};

class BlockGrid {
public:
    static constexpr int cells_per_axis = 8;
    static constexpr std::size_t min_stride = 64;
    static constexpr std::size_t max_stride = std::size_t{1} << 15;

    // The planes of the set: lanes [0, len) are the spheres, stride lanes in all.
    struct Lanes {
        const float *x, *y, *z, *r;
        std::size_t len, stride;
    };

    // Storage for a grid over `stride` lanes, so that fitting one to them allocates nothing. Only
    // the capacity changes.
    void reserve(std::size_t stride);
    // Fits the grid to the lanes and marks every sphere. Allocates only when no storage for a grid
    // over the stride was reserved.
    void rebuild(const Lanes& lanes);
    // Marks lane len - 1, just written; refits when the set has outgrown the grid.
    void pushed(const Lanes& lanes);
    // Every lane now has a NaN radius: no block needs a visit.
    void forget_lanes();

    // Calls visit(k) for the blocks k (lanes 8k .. 8k + 7, k < blocks) that may hold a sphere
    // overlapping or touching the ball, in increasing order, until a call returns true; returns
    // whether one did.
    template <class Visit>
    bool any_block(const BallBox& ball, std::size_t blocks, const Visit& visit) const;

private:
    struct CellBox {
        int lo[3], hi[3];
        // One or two cells per axis: the eight corner cells (some of them repeated) are all the
        // cells, reached without loop branches.
        bool small() const { return hi[0] - lo[0] <= 1 && hi[1] - lo[1] <= 1 && hi[2] - lo[2] <= 1; }
    };

    // The size test also keeps a moved-from grid (cells taken, words kept) from reading its cells.
    bool active() const { return words_ != 0 && cells_.size() == cell_words(words_); }
    std::uint64_t& cell_word(int ix, int iy, int iz, std::size_t w) {
        constexpr std::size_t n = cells_per_axis;
        return cells_[((std::size_t(ix) * n + std::size_t(iy)) * n + std::size_t(iz)) * words_ + w];
    }
    std::uint64_t cell_word(int ix, int iy, int iz, std::size_t w) const {
        return const_cast<BlockGrid*>(this)->cell_word(ix, iy, iz, w);
    }
    int cell(int axis, double v) const;
    void mark(const Lanes& lanes, std::size_t i);
    // Words per cell of a grid over `stride` lanes (min_stride <= stride <= max_stride): one bit
    // per block, rounded up to a power of two so that growing sets refit a few times only.
    static std::size_t words_for(std::size_t stride) { return std::bit_ceil((stride / 8 + 63) / 64); }
    static std::size_t cell_words(std::size_t words) {
        return std::size_t(cells_per_axis) * cells_per_axis * cells_per_axis * words;
    }

    double origin_[3] = {0, 0, 0}, scale_[3] = {0, 0, 0};  // cell = (v - origin) * scale
    double lo_[3] = {0, 0, 0}, hi_[3] = {0, 0, 0};           // the extent fitted
    double reach_lo_[3] = {0, 0, 0}, reach_hi_[3] = {0, 0, 0};  // every box marked since (lo > hi: none)
    bool reaches_everywhere_ = false;                        // a sphere with a huge radius is held
    std::size_t words_ = 0;                                  // per cell; 0 while there is no grid
    std::size_t outside_ = 0;                                // spheres pushed beyond the extent
    std::vector<std::uint64_t> cells_;                       // cell (ix, iy, iz), then word
};

// v is finite here, and so is t.
inline int BlockGrid::cell(int axis, double v) const {
    return block_grid_detail::clamped_cell((v - origin_[axis]) * scale_[axis], cells_per_axis - 1);
}

template <class Visit>
bool BlockGrid::any_block(const BallBox& ball, std::size_t blocks, const Visit& visit) const {
    if (!active() || !ball.ordinary) {
        for (std::size_t k = 0; k < blocks; ++k)
            if (visit(k)) return true;
        return false;
    }
    // A ball beside every box marked reaches no lane: one test answers for the whole set.
    bool beside = false;
    for (int a = 0; a < 3; ++a) beside = beside || ball.hi[a] < reach_lo_[a] || ball.lo[a] > reach_hi_[a];
    if (beside && !reaches_everywhere_) return false;
    CellBox box;
    for (int a = 0; a < 3; ++a) {
        box.lo[a] = cell(a, ball.lo[a]);
        box.hi[a] = cell(a, ball.hi[a]);
    }
    const bool small = box.small();
    for (std::size_t w = 0; w < words_; ++w) {
        std::uint64_t marked = 0;
        if (small) {
            for (const int ix : {box.lo[0], box.hi[0]})
                for (const int iy : {box.lo[1], box.hi[1]})
                    marked |= cell_word(ix, iy, box.lo[2], w) | cell_word(ix, iy, box.hi[2], w);
        } else {
            for (int ix = box.lo[0]; ix <= box.hi[0]; ++ix)
                for (int iy = box.lo[1]; iy <= box.hi[1]; ++iy)
                    for (int iz = box.lo[2]; iz <= box.hi[2]; ++iz) marked |= cell_word(ix, iy, iz, w);
        }
        for (; marked != 0; marked &= marked - 1)
            if (visit(w * 64 + std::size_t(std::countr_zero(marked)))) return true;
    }
    return false;
}

}  // namespace trelk

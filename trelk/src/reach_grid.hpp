// Which cells of a coarse grid the spheres of some sphere sets reach, so that another sphere that
// reaches none of them is known to be apart from every one at once: 32 x 32 rows of 32 cells, one
// bit each. Either built for one query on the stack, or fitted to a collider's own spheres and kept
// with it (collider/held_grid.hpp); it allocates nothing.
//
// Each sphere stands for its box, far wider than the sphere: half width
// |r| (1 + 2^-12) + |v| 2^-12 + 2^-60 around centre coordinate v. The margin is thousands of times
// the rounding of any float test of two shapes inside such spheres, so a pair whose boxes are apart
// on some axis is apart for each of those tests too, the eight-lane overlap test included (a
// negative radius counts by its size). Only ordinary spheres have boxes: |r| < 1e18 in floats (so
// that no squared reach overflows), centre and box finite. A grid asked to mark a sphere that is
// not ordinary refuses to be built; such a sphere asked of a built grid may reach anything.
//
// Boxes share a cell whenever they overlap: cells are taken by a rounding that never decreases
// (box bounds clamped to the border cells), so overlapping bounds never land on disjoint runs of
// cells. Where the cells lie decides only how well the grid tells spheres apart.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "soa.hpp"
#include "sphere.hpp"

namespace trelk {

class ReachGrid {
public:
    static constexpr int cells = 32;

    // Lays the cells over the box where the boxes around the two spheres overlap (a single cell
    // across an axis where that is empty or not finite) and marks lanes [0, len) of every set.
    // False when one of the lanes is not ordinary; the grid is then not to be asked.
    bool build(const Sphere& region_a, const Sphere& region_b, std::span<const SpheresSoA* const> sets);

    // Lays the cells over the box around the boxes of every lane [0, len) of the sets and marks
    // those lanes. False as for build().
    bool fit(std::span<const SpheresSoA* const> sets);

    // Marks lane i of the set, unless it is not ordinary; says whether its box lay within the
    // cells' region (so that it marked no more cells than a grid fitted anew would) or was clamped
    // onto the border cells.
    enum class Marked { within, clamped, refused };
    Marked mark_lane(const SpheresSoA& set, std::size_t i);

    // Calls visit(i), in increasing order, for the lanes i < len of the set that may touch a
    // marked sphere (every lane that is not ordinary included), until a call returns true; returns
    // whether one did. A lane left out has a box apart from every marked box.
    template <class Visit>
    bool any_near(const SpheresSoA& set, const Visit& visit) const;

private:
    struct Boxes4;  // four lanes' boxes
    // Four lanes' cells: the rows at the corners of each lane's x-y run of cells (index
    // ix * 32 + iy), its run of z bits, and as bits k: which lanes are ordinary, which have boxes
    // beside every marked box, and which span at most two cells across x and y (their four corner
    // rows, some repeated, are all their rows).
    struct Cells4 {
        alignas(16) int r00[4];
        alignas(16) int r01[4];
        alignas(16) int r10[4];
        alignas(16) int r11[4];
        alignas(16) std::uint32_t run[4];
        unsigned ordinary, beside, small;
    };
    // Lanes i .. i + 3 of the set (i < len, a multiple of 4).
    Cells4 cells4(const SpheresSoA& set, std::size_t i) const;
    Cells4 cells_of(const Boxes4& b) const;
    bool reaches(const Cells4& c, int k) const;
    void mark(const Cells4& c, int k);
    void lay_cells(const double (&lo)[3], const double (&hi)[3]);
    bool mark_all(std::span<const SpheresSoA* const> sets);

    float origin_[3], scale_[3];         // cell = (v - origin) * scale, clamped
    float within_lo_[3], within_hi_[3];  // the cells' region (lo > hi across an axis without one)
    float lo_[3], hi_[3];                // the box around every marked box (lo > hi: none)
    std::uint32_t rows_[cells * cells];  // row (ix, iy), bit iz
};

template <class Visit>
bool ReachGrid::any_near(const SpheresSoA& set, const Visit& visit) const {
    const std::size_t len = set.len();
    for (std::size_t i = 0; i < len; i += 4) {
        const Cells4 c = cells4(set, i);
        for (int k = 0; k < 4 && i + k < len; ++k)
            if ((!(c.ordinary >> k & 1) || (!(c.beside >> k & 1) && reaches(c, k))) && visit(i + k)) return true;
    }
    return false;
}

}  // namespace trelk

// A reach grid kept with a collider, fitted to its own item spheres, so that collides_other need
// not build one per call. It is derived data: never stored, rebuilt on load, copied with the
// collider, and changed only by the operations that change the sphere sets (never by a query).
// A query takes it only while it stands for exactly the lanes the collider holds; otherwise (none
// kept, or lanes added behind its back) the query builds its own. For the same reason a grid whose
// storage cannot be had is done without: keeping it in step never fails, so that a change of the
// collider cannot fail half done.
#pragma once

#include <cstddef>
#include <memory>
#include <span>

#include "reach_grid.hpp"
#include "soa.hpp"

namespace trelk {

class HeldGrid {
public:
    HeldGrid() = default;
    HeldGrid(const HeldGrid& o)
        : grid_(o.grid_ ? std::make_unique<ReachGrid>(*o.grid_) : nullptr), lanes_(o.lanes_), added_(o.added_),
          clamped_(o.clamped_), refused_(o.refused_) {}
    HeldGrid(HeldGrid&&) noexcept = default;
    HeldGrid& operator=(const HeldGrid& o) { return *this = HeldGrid(o); }
    HeldGrid& operator=(HeldGrid&&) noexcept = default;

    // The grid, when it marks exactly `lanes` lanes; else null.
    const ReachGrid* marking(std::size_t lanes) const { return grid_ && lanes_ == lanes ? grid_.get() : nullptr; }

    void drop() noexcept;
    // Fits the grid to lanes [0, len) of the sets; none is kept when a lane is not ordinary, and
    // none comes back by appending lanes then.
    void refit(std::span<const SpheresSoA* const> sets) noexcept;
    // After lanes were appended to the sets (set k held from[k] lanes before): marks the new lanes
    // in place. A lane beyond the cells' region is clamped onto the border cells, which stays
    // right but tells spheres apart less well, until the grid is fitted anew: once a lane so
    // clamped waits and a quarter of the lanes came since the last fit, so that fits cost a
    // bounded amount per lane added.
    void appended(std::span<const SpheresSoA* const> sets, std::span<const std::size_t> from) noexcept;

private:
    void refuse() noexcept;

    std::unique_ptr<ReachGrid> grid_;
    std::size_t lanes_ = 0;  // lanes marked
    std::size_t added_ = 0;  // lanes marked in place since the last fit
    bool clamped_ = false;   // one of them was clamped
    bool refused_ = false;   // a lane is not ordinary
};

}  // namespace trelk

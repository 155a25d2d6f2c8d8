#include "collider/held_grid.hpp"

#include <new>

namespace trelk {

namespace {

std::size_t total_lanes(std::span<const SpheresSoA* const> sets) {
    std::size_t n = 0;
    for (const SpheresSoA* s : sets) n += s->len();
    return n;
}

}  // namespace

void HeldGrid::drop() noexcept {
    grid_.reset();
    lanes_ = added_ = 0;
    clamped_ = refused_ = false;
}

void HeldGrid::refit(std::span<const SpheresSoA* const> sets) noexcept {
    if (!grid_) grid_.reset(new (std::nothrow) ReachGrid);
    if (!grid_) return drop();
    if (!grid_->fit(sets)) return refuse();
    lanes_ = total_lanes(sets);
    added_ = 0;
    clamped_ = false;
}

void HeldGrid::refuse() noexcept {
    drop();
    refused_ = true;
}

void HeldGrid::appended(std::span<const SpheresSoA* const> sets, std::span<const std::size_t> from) noexcept {
    std::size_t before = 0;
    for (std::size_t n : from) before += n;
    if (refused_) return;
    if (!grid_ || lanes_ != before) return refit(sets);
    for (std::size_t k = 0; k < sets.size(); ++k)
        for (std::size_t i = from[k]; i < sets[k]->len(); ++i) switch (grid_->mark_lane(*sets[k], i)) {
                case ReachGrid::Marked::within: break;
                case ReachGrid::Marked::clamped: clamped_ = true; break;
                case ReachGrid::Marked::refused: return refuse();
            }
    lanes_ = total_lanes(sets);
    added_ += lanes_ - before;
    if (clamped_ && 4 * added_ >= lanes_) refit(sets);
}

}  // namespace trelk

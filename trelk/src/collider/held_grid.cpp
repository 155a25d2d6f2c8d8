#include "collider/held_grid.hpp"

namespace trelk {

namespace {

std::size_t total_lanes(std::span<const SpheresSoA* const> sets) {
    std::size_t n = 0;
    for (const SpheresSoA* s : sets) n += s->len();
    return n;
}

}  // namespace

void HeldGrid::drop() {
    grid_.reset();
    lanes_ = added_ = 0;
}

void HeldGrid::fit(std::span<const SpheresSoA* const> sets, float slack) {
    if (!grid_) grid_ = std::make_unique<ReachGrid>();
    if (!grid_->fit(sets, slack)) return drop();
    lanes_ = total_lanes(sets);
    added_ = 0;
}

void HeldGrid::refit(std::span<const SpheresSoA* const> sets) { fit(sets, 0.0f); }

void HeldGrid::appended(std::span<const SpheresSoA* const> sets, std::span<const std::size_t> from) {
    std::size_t before = 0;
    for (std::size_t n : from) before += n;
    if (grid_ && lanes_ == before) {
        bool within = true;
        for (std::size_t k = 0; k < sets.size() && within; ++k)
            for (std::size_t i = from[k]; i < sets[k]->len() && within; ++i) within = grid_->mark_within(*sets[k], i);
        if (within) {
            lanes_ = total_lanes(sets);
            added_ += lanes_ - before;
            return;
        }
    }
    // Tight once a quarter of the lanes came in place since the last fit (its cost is then paid
    // for), else with half the size as room on each side.
    const std::size_t total = total_lanes(sets);
    fit(sets, 4 * added_ >= total ? 0.0f : 0.5f);
}

}  // namespace trelk

// A list of shapes of one kind with the bounding sphere of each item in a sphere set, lane i for
// item i, so that one eight-lane scan can reject the whole list before any exact test.
//
// Each lane is the item's broadphase() sphere, computed when the item is added or when the lanes
// are rebuilt. Holders that move, turn or resize their items rebuild the lanes afterwards, so that
// every lane keeps enclosing its item.
#pragma once

#include <cstddef>
#include <span>
#include <utility>
#include <vector>

#include "soa.hpp"
#include "sphere.hpp"

namespace trelk {

template <class T>
class BroadCollection {
public:
    BroadCollection() = default;
    // Keeps the list as given and lays out its bounds in one pass.
    explicit BroadCollection(std::vector<T> items) : items_(std::move(items)) { rebuild_bounds(); }

    void push(T item) {
        bounds_.push(broadphase(item));
        items_.push_back(std::move(item));
    }
    template <class Range>
    void extend(Range&& items) {
        for (auto&& item : items) push(std::forward<decltype(item)>(item));
    }

    std::span<const T> items() const { return items_; }
    const SpheresSoA& bounds() const { return bounds_; }
    std::size_t size() const { return items_.size(); }
    bool empty() const { return items_.empty(); }

    // Applies `change` to every item, then lays the bounds out again from the changed items.
    template <class Change>
    void change_items(const Change& change) {
        for (T& item : items_) change(item);
        rebuild_bounds();
    }

    // The stored form is the plain list of items; the bounds are rebuilt on reading.
    using Stored = std::vector<T>;
    std::span<const T> stored_view() const { return items_; }
    static BroadCollection from_stored(std::vector<T>&& items) { return BroadCollection(std::move(items)); }

private:
    void rebuild_bounds() {
        std::vector<Sphere> spheres;
        spheres.reserve(items_.size());
        for (const T& item : items_) spheres.push_back(broadphase(item));
        bounds_ = SpheresSoA::from_slice(spheres);
    }

    std::vector<T> items_;
    SpheresSoA bounds_;
};

}  // namespace trelk

// A list of shapes of one kind with the bounding sphere of each item in a sphere set, lane i for
// item i, so that one eight-lane pass can reject a whole group before any exact test.
//
// Lane i is always broadphase(items[i]), computed when the item is added, and computed again for
// every item after the items are transformed (`apply` and the transform functions below), exactly
// as building the collection from the transformed items would: a moved, turned, mapped or scaled
// item never keeps a stale sphere. The stored form is the list of items alone; reading rebuilds the
// spheres.
//
// Growing is all or nothing: room is made for the items and their lanes first, then the items move
// in, which cannot fail. A failed allocation throws std::bad_alloc and leaves the collection (and
// an appended one) exactly as it was.
#pragma once

#include <concepts>
#include <cstddef>
#include <iterator>
#include <span>
#include <type_traits>
#include <utility>
#include <vector>

#include "growth.hpp"
#include "math.hpp"
#include "ops.hpp"
#include "pointcloud/collides.hpp"
#include "soa.hpp"
#include "sphere.hpp"

namespace trelk {

template <class T>
concept HasBoundingSphere = requires(const T& item) {
    { broadphase(item) } -> std::same_as<Sphere>;
};

template <HasBoundingSphere T>
class BroadCollection {
public:
    BroadCollection() = default;
    // Takes the items in order and lays out their spheres in round_up(n, 16) lanes.
    explicit BroadCollection(std::vector<T> items) : items_(std::move(items)) { rebound(); }

    // Room for `more` items beyond size(), and for their lanes; only capacities change.
    void reserve(std::size_t more) {
        make_room(items_, items_.size() + more);
        bounds_.reserve(more);
    }

    void push(T item) {
        static_assert(std::is_nothrow_move_constructible_v<T>);
        reserve(1);
        bounds_.push(broadphase(item));
        items_.push_back(std::move(item));
    }
    // The copies are made aside, then appended.
    template <class Range>
    void extend(const Range& items) {
        append(BroadCollection(std::vector<T>(std::begin(items), std::end(items))));
    }
    // Moves every item of `other`, and its lanes as one block, after this collection's own;
    // `other` is left empty.
    void append(BroadCollection&& other) {
        static_assert(std::is_nothrow_move_constructible_v<T>);
        reserve(other.size());
        bounds_.append(other.bounds_);
        items_.insert(items_.end(), std::make_move_iterator(other.items_.begin()),
                      std::make_move_iterator(other.items_.end()));
        other.items_.clear();
    }

    std::span<const T> items() const { return items_; }
    const SpheresSoA& bounds() const { return bounds_; }
    std::size_t size() const { return items_.size(); }
    bool empty() const { return items_.empty(); }

    // Runs op(item) on every item, then recomputes every lane from the changed items, in place.
    template <class Op>
    void apply(Op&& op) {
        for (T& item : items_) op(item);
        bounds_.rewrite([this](std::size_t i) { return broadphase(items_[i]); });
    }

    // Is some held cloud touching the query? Rejects at once when no lane overlaps the query's
    // bounding sphere; otherwise tests every cloud in order, exactly (the clouds' own lanes are not
    // consulted again). Shapes are tested without the per-cloud tree pre-check.
    template <class U>
        requires std::same_as<T, Pointcloud>
    bool collides(const U& query) const;

    // Stored form: the list of items; reading builds the collection from it.
    using Stored = std::vector<T>;
    std::span<const T> stored_view() const { return items_; }
    static BroadCollection from_stored(std::vector<T>&& items) { return BroadCollection(std::move(items)); }

private:
    void rebound() {
        std::vector<Sphere> spheres;
        spheres.reserve(items_.size());
        for (const T& item : items_) spheres.push_back(broadphase(item));
        bounds_ = SpheresSoA::from_slice(spheres);
    }

    std::vector<T> items_;
    SpheresSoA bounds_;
};

// The collection's items moved, turned, mapped or scaled by their own rules; lanes recomputed.
template <class T>
void translate(BroadCollection<T>& g, Vec3 offset) {
    g.apply([&](T& item) { translate(item, offset); });
}
template <class T>
void rotate_mat(BroadCollection<T>& g, const Mat3& m) {
    g.apply([&](T& item) { rotate_mat(item, m); });
}
template <class T>
void rotate_quat(BroadCollection<T>& g, const Quat& q) {
    g.apply([&](T& item) { rotate_quat(item, q); });
}
template <class T>
void transform(BroadCollection<T>& g, const Affine3A& a) {
    g.apply([&](T& item) { transform(item, a); });
}
template <class T>
void scale(BroadCollection<T>& g, float f) {
    g.apply([&](T& item) { scale(item, f); });
}

// The exact item test of each query kind against one held cloud.
inline bool broad_item_collides(const Pointcloud& cloud, const Sphere& s) { return point_cloud_collides(cloud, s); }
inline bool broad_item_collides(const Pointcloud& cloud, const Pointcloud& query) { return clouds_collide(query, cloud); }
template <class U>
    requires CloudTestable<U>
bool broad_item_collides(const Pointcloud& cloud, const U& query) {
    return point_cloud_collides(cloud, query, Prefilter::done_by_caller);
}

template <HasBoundingSphere T>
template <class U>
    requires std::same_as<T, Pointcloud>
bool BroadCollection<T>::collides(const U& query) const {
    if (bounds_.is_empty() || !bounds_.any_collides_sphere_f32x8(broadphase(query))) return false;
    for (const Pointcloud& cloud : items_)
        if (broad_item_collides(cloud, query)) return true;
    return false;
}

}  // namespace trelk

// Axis-aligned box of a tree leaf, and its stored record: a dict of "lo" and "hi", each a list of
// three floats.
#pragma once

#include <array>
#include <span>
#include <vector>

#include "stored_form.hpp"

namespace trelk::pointcloud {

using Point3 = std::array<float, 3>;

// The record as read: lists of any length, checked when the box is rebuilt.
struct AabbData {
    std::vector<float> lo, hi;
};
// The record as written.
struct AabbView {
    std::span<const float> lo, hi;
};

struct Aabb {
    Point3 lo{}, hi{};
    friend bool operator==(const Aabb&, const Aabb&) = default;

    using Stored = AabbData;
    AabbView stored_view() const { return {lo, hi}; }
    // Throws StoredFormError unless both lists hold three values.
    static Aabb from_stored(AabbData&& data);
};

// Float squared distance ((dx^2 + dy^2) + dz^2) from c to the nearest point of the box, picked by
// selects, not branches. It is at most that of any point in the box, rounding being monotonic.
inline float box_nearest_sq(const Aabb& box, const Point3& c) {
    float d[3];
    for (int a = 0; a < 3; ++a) {
        const float below_hi = c[a] <= box.hi[a] ? c[a] : box.hi[a];
        const float nearest = box.lo[a] <= c[a] ? below_hi : box.lo[a];
        d[a] = (nearest - c[a]) * (nearest - c[a]);
    }
    return (d[0] + d[1]) + d[2];
}

// Does the sphere (c, sqrt(reach_sq)) possibly reach into the box? Written as "not strictly beyond",
// so that a NaN query is never rejected here. Never rejects a box holding a point whose float
// squared distance to c is within reach_sq (see box_nearest_sq).
inline bool box_within_reach(const Aabb& box, const Point3& c, float reach_sq) {
    return !(reach_sq < box_nearest_sq(box, c));
}

template <class V, ReadOrWritten<AabbData, AabbView> Record>
void visit_fields(V& v, Record& r) {
    v.record("AabbData");
    v.field("lo", r.lo);
    v.field("hi", r.hi);
}

}  // namespace trelk::pointcloud

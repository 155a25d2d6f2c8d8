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

template <class V, ReadOrWritten<AabbData, AabbView> Record>
void visit_fields(V& v, Record& r) {
    v.record("AabbData");
    v.field("lo", r.lo);
    v.field("hi", r.hi);
}

}  // namespace trelk::pointcloud

// Collision-affording point tree: a static index over 3-D points that answers "does this sphere
// reach any point?" with a pure-arithmetic descent of a complete binary tree and one short scan.
//
// The tree splits the point set, padded to a power of two with (+inf, +inf, +inf), at the median of
// x, y, z in turn. Each leaf owns one point (its representative) and a run of afforded points: the
// representative plus every point a query landing in the leaf's cell could reach, for query reaches
// within the radius range the tree was built for. Runs are stored in three coordinate planes, each
// run starting on a multiple of 8 and padded with +inf, so a leaf is scanned eight lanes at a time.
//
// Exactness: for a query reach rho = r + r_point with r_range.lo <= rho <= r_range.hi, `collides`
// answers exactly whether some point lies within rho of the centre. Outside that range it may miss
// points (never invent one). Callers that need exact answers for any reach search the cells around
// the centre (capt_near.hpp).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <variant>
#include <vector>

#include "aligned_buffer.hpp"
#include "pointcloud/aabb.hpp"
#include "pointcloud/capt_records.hpp"

namespace trelk::pointcloud {

enum class NewCaptError : std::uint8_t { TooManyPoints = 0, NonFinite = 1, InvalidLaneCount = 2 };

// "TooManyPoints", "NonFinite", "InvalidLaneCount".
std::string_view debug_name(NewCaptError e);

// Smallest and largest query reach (query radius plus point radius) the tree is exact for.
struct RadiusRange {
    float lo = 0.0f, hi = 0.0f;
};

// Eight query spheres as an x row, a y row and a z row of lanes, plus their radii.
using CenterRows8 = std::array<std::array<float, 8>, 3>;
using Radii8 = std::array<float, 8>;

class Capt {
public:
    static constexpr std::uint32_t built_lanes_log2 = 3;

    // The tree of no points: one padding leaf with an empty run.
    Capt();

    // Builds the tree over a copy of `points`. NonFinite when any coordinate is infinite or NaN
    // (checked before anything is allocated); TooManyPoints when the afforded runs outgrow u32.
    static std::variant<Capt, NewCaptError> try_with_point_radius(std::span<const Point3> points,
                                                                  RadiusRange r_range, float r_point);

    // The same, failing with a quorix::Fault "index type I must be able to support all points in
    // CAPT during construction: <error name>".
    static Capt with_point_radius(std::span<const Point3> points, RadiusRange r_range, float r_point);

    // The same tree, or none once its buffers would pass `max_bytes` (the build stops there, having
    // used no more than about that much). Fails like with_point_radius.
    static std::optional<Capt> with_point_radius_within(std::span<const Point3> points, RadiusRange r_range,
                                                        float r_point, std::size_t max_bytes);

    // Bytes held by the tree's tables (node boxes included) and runs.
    std::size_t buffer_bytes() const;
    // What buffer_bytes() will be for n points before any run is stored, and per run entry.
    static std::size_t table_bytes(std::size_t n);
    static constexpr std::size_t entry_bytes = 3 * sizeof(float);

    // Stored form. Reading checks that every table has the size the tree's shape demands before any
    // buffer is made, so that no query can leave its arrays; throws StoredFormError.
    using Stored = CaptData;
    CaptView stored_view() const;
    static Capt from_stored(CaptData&& data);

    // Does the sphere (center, r + r_point) reach any afforded point of the leaf the centre lands in?
    bool collides(const Point3& center, float r) const;

    // Does some afforded point of the leaf `center` lands in, within `reach` of it (squared distance
    // <= reach^2), pass `accept`? The candidates of a query whose reach the tree affords, handed to
    // a finer test.
    template <class Accept>
    bool any_afforded(const Point3& center, float reach, Accept accept) const;

    // Eight queries at once; true when any of them reaches a point. Faults when the tree holds fewer
    // than eight lanes.
    bool collides_simd(const CenterRows8& centers, const Radii8& radii) const;

    std::span<const float> tests() const { return tests_; }
    std::span<const Aabb> aabbs() const { return aabbs_; }
    std::span<const std::uint32_t> starts() const { return starts_; }
    // Box of the points under each inner node (their leaves' own points, the first entry of each
    // non-empty run); lo > hi for a node over padding alone. Derived from the runs, never stored.
    std::span<const Aabb> node_boxes() const { return node_boxes_; }
    const AlignedBuffer& afforded(int axis) const { return afforded_[axis]; }
    float r_point() const { return r_point_; }
    std::uint32_t lanes_log2() const { return lanes_log2_; }

    // Number of leaves (a power of two) and tree depth.
    std::size_t leaf_count() const { return aabbs_.size(); }
    int depth() const;

private:
    static std::variant<Capt, NewCaptError> try_build(std::span<const Point3> points, RadiusRange r_range,
                                                      float r_point, std::size_t max_entries, bool& over);
    std::size_t descend(const Point3& center) const;
    void derive_node_boxes();

    std::vector<float> tests_;
    std::vector<Aabb> aabbs_;
    std::vector<std::uint32_t> starts_;
    std::array<AlignedBuffer, 3> afforded_;
    std::vector<Aabb> node_boxes_;
    float r_point_ = 0.0f;
    std::uint32_t lanes_log2_ = built_lanes_log2;

    friend class CaptBuilder;
};

template <class Accept>
bool Capt::any_afforded(const Point3& c, float reach, Accept accept) const {
    const float rsq = reach * reach;
    const std::size_t z = descend(c);
    const float *xs = afforded_[0].data(), *ys = afforded_[1].data(), *zs = afforded_[2].data();
    for (std::size_t j = starts_[z], end = starts_[z + 1]; j < end; ++j) {
        const float dx = xs[j] - c[0], dy = ys[j] - c[1], dz = zs[j] - c[2];
        if ((dx * dx + dy * dy) + dz * dz <= rsq && accept(Point3{xs[j], ys[j], zs[j]})) return true;
    }
    return false;
}

// Is every coordinate finite? A tree is built only over such points.
bool all_finite(std::span<const Point3> points);

// The split values of the tree over `points` (padded to a power of two with +inf points, as a build
// pads them), and the padded points in leaf order: leaf z's own point is points_in_leaf_order[z].
// The split values are those of every tree over the same points, whatever its radius range.
struct MedianSplits {
    std::vector<float> tests;
    std::vector<Point3> points_in_leaf_order;
};
MedianSplits median_splits(std::span<const Point3> points);

}  // namespace trelk::pointcloud

// Exact search of a point tree for queries of any reach, the way a kd-tree answers a range query.
//
// Every point is the representative of exactly one leaf, stored first in that leaf's run, and lies
// in that leaf's cell: a split value, the rounded mean of the lower half's largest coordinate and
// the upper half's smallest, lies between them (rounding is monotonic; ties may sit on both sides),
// so each point has coordinate <= the split in the lower subtree and >= it in the upper one. That
// holds while the sum cannot overflow, so for points whose coordinates are all within
// kSearchableExtent in magnitude; beyond, a split can be +-inf between finite halves. Whatever the radius range, including one that affords
// nothing, the first eight-lane block of every run holds its representative, so visiting every leaf
// whose cell and box may hold a point within reach and testing those blocks finds every such point.
//
// Pruning compares float squared distances to the nearest cell or box point with reach^2; rounding
// is monotonic, so a point whose float squared distance ((dx^2 + dy^2) + dz^2) is within reach^2
// is never pruned, even where squares underflow.
#pragma once

#include <cmath>
#include <cstddef>
#include <cstdint>

#include "pointcloud/capt.hpp"
#include "simd/f32x4.hpp"

namespace trelk::pointcloud {

// Largest |coordinate| of the points for which any_leaf_near is exact.
inline constexpr float kSearchableExtent = 0x1p126f;

// Calls visit(j) with the index j of the first block of the run of every leaf that may hold a point
// within float squared distance rsq of `c` (its representative), leaves around the centre first,
// until visit returns true; then true, else false. The centre must be finite; a NaN rsq prunes
// nothing (the caller knows it meets nothing).
template <class Visit>
bool any_leaf_near(const Capt& tree, const Point3& c, float rsq, Visit visit) {
    // A node and the squared distances, per axis, from the centre to its cell.
    struct Frame {
        std::size_t node;
        int axis;
        float off[3];
    };
    const float* tests = tree.tests().data();
    const std::size_t inner = tree.tests().size();
    const std::uint32_t* starts = tree.starts().data();
    const Aabb* boxes = tree.aabbs().data();
    Frame stack[64];  // one far child per level, and a tree has fewer than 64 levels
    int top = 0;
    Frame f{0, 0, {0.0f, 0.0f, 0.0f}};
    for (;;) {
        while (f.node < inner) {
            const int k = f.axis;
            const float t = tests[f.node];
            const std::size_t upper = t <= c[k] ? 1 : 0;  // the side a descent takes
            Frame far = f;
            far.node = 2 * f.node + 2 - upper;
            far.axis = k == 2 ? 0 : k + 1;
            far.off[k] = (t - c[k]) * (t - c[k]);
            if (!(rsq < (far.off[0] + far.off[1]) + far.off[2])) stack[top++] = far;
            f.node = 2 * f.node + 1 + upper;
            f.axis = far.axis;
        }
        const std::size_t z = f.node - inner;
        const std::uint32_t j = starts[z];
        if (j < starts[z + 1] && box_within_reach(boxes[z], c, rsq) && visit(std::size_t{j})) return true;
        if (top == 0) return false;
        f = stack[--top];
    }
}

// Is some point of block j (eight entries from j) within float squared distance rsq of `c`?
inline bool block_within(const Capt& tree, std::size_t j, const Point3& c, float rsq) {
    using simd::F32x4;
    const float *xs = tree.afforded(0).data(), *ys = tree.afforded(1).data(), *zs = tree.afforded(2).data();
    const F32x4 limit = F32x4::splat(rsq);
    auto half = [&](std::size_t h) {
        const F32x4 dx = F32x4::load(xs + h) - F32x4::splat(c[0]), dy = F32x4::load(ys + h) - F32x4::splat(c[1]),
                    dz = F32x4::load(zs + h) - F32x4::splat(c[2]);
        return any(le((dx * dx + dy * dy) + dz * dz, limit));
    };
    return half(j) || half(j + 4);
}

// Is some point within r + r_point of `c` (finite)? Exact for every reach.
inline bool reaches_any_reach(const Capt& tree, const Point3& c, float r) {
    const float reach = r + tree.r_point(), rsq = reach * reach;
    if (std::isnan(rsq)) return false;
    return any_leaf_near(tree, c, rsq, [&](std::size_t j) { return block_within(tree, j, c, rsq); });
}

// Does some point within `reach` of `c` (finite) pass `accept`? Every such point is offered, some
// farther ones may be too; the runs' +inf padding never is.
template <class Accept>
bool any_point_near(const Capt& tree, const Point3& c, float reach, Accept accept) {
    const float rsq = reach * reach;
    const float *xs = tree.afforded(0).data(), *ys = tree.afforded(1).data(), *zs = tree.afforded(2).data();
    return any_leaf_near(tree, c, rsq, [&](std::size_t j) {
        for (std::size_t e = j; e < j + 8; ++e) {
            const float dx = xs[e] - c[0], dy = ys[e] - c[1], dz = zs[e] - c[2];
            if (std::isfinite(xs[e]) && (dx * dx + dy * dy) + dz * dz <= rsq && accept(Point3{xs[e], ys[e], zs[e]}))
                return true;
        }
        return false;
    });
}

}  // namespace trelk::pointcloud

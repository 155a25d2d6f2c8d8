// Exact search of a point tree for queries of any reach, the way a kd-tree answers a range query.
//
// Every point is the representative of exactly one leaf and stored first in that leaf's run,
// whatever the radius range (even one that affords nothing), so the first eight-lane block of the
// runs of the leaves under a node holds every point in the node's box (Capt::node_boxes). Visiting
// the nodes whose boxes may reach, and testing the first block of their leaves, finds every point
// within reach; the split values only order the visit (the nearer box first).
//
// Boxes are compared by float squared distances with reach^2. Rounding is monotonic, so a point
// whose float squared distance ((dx^2 + dy^2) + dz^2) is within reach^2 is never pruned, even where
// squares underflow; and a box whose farthest corner is within reach^2 holds only such points.
#pragma once

#include <bit>
#include <cmath>
#include <cstddef>
#include <cstdint>

#include "pointcloud/capt.hpp"
#include "simd/f32x4.hpp"

namespace trelk::pointcloud {

namespace near_detail {

// Float squared distances from c to the nearest and the farthest point of the box.
struct BoxReach {
    float nearest_sq, farthest_sq;
};
inline BoxReach box_reach(const Aabb& box, const Point3& c) {
    float hi[3];
    for (int a = 0; a < 3; ++a) {
        const float to_lo = (box.lo[a] - c[a]) * (box.lo[a] - c[a]), to_hi = (box.hi[a] - c[a]) * (box.hi[a] - c[a]);
        hi[a] = to_lo >= to_hi ? to_lo : to_hi;
    }
    return {box_nearest_sq(box, c), (hi[0] + hi[1]) + hi[2]};
}

// One child pair's verdict: search a, search b, and which first when both.
struct Children {
    bool go_a, go_b, a_first;
};

// The descent both searches share: from the root (whose box passed), `leaf(node)` answers a leaf
// pair below the last inner level; `children(n, a, b)` judges the children of inner node n (and
// may answer true at once through `hit`). Of two children to search, one waits on a stack.
template <class Leaf, class Judge>
bool descend(std::size_t inner, const Aabb* boxes, Leaf leaf, Judge children) {
    std::size_t stack[64];  // one deferred child per level, and a tree has fewer than 64 levels
    int top = 0;
    std::size_t n = 0;  // an inner node to search
    for (;;) {
        const std::size_t a = 2 * n + 1, b = a + 1;
        if (a >= inner) {
            if (leaf(a) || leaf(b)) return true;
        } else {
            // The grandchildren's boxes lie together: ask for them while the children's are compared.
            if (2 * a + 1 < inner) {
                __builtin_prefetch(boxes + 2 * a + 1);
                __builtin_prefetch(boxes + 2 * a + 4);
            }
            bool hit = false;
            const Children c = children(n, a, b, hit);
            if (hit) return true;
            if (c.go_a && c.go_b) {
                stack[top++] = c.a_first ? b : a;
                n = c.a_first ? a : b;
                continue;
            }
            if (c.go_a || c.go_b) {
                n = c.go_a ? a : b;
                continue;
            }
        }
        if (top == 0) return false;
        n = stack[--top];
    }
}

// visit(first block of the leaf's runs) for a leaf with runs.
template <class Visit>
auto leaf_visitor(const Capt& tree, Visit& visit) {
    return [inner = tree.tests().size(), starts = tree.starts().data(), &visit](std::size_t node) {
        const std::size_t z = node - inner;
        return starts[z] < starts[z + 1] && visit(std::size_t{starts[z]});
    };
}

}  // namespace near_detail

// Calls visit(j) with the index j of the first block of the runs of leaves that may hold a point
// within float squared distance rsq of `c` (nearer boxes first), until visit returns true; then
// true, else false. A NaN rsq or centre prunes nothing. With `kWithinAnswers` (visit answers true
// for a block holding a point within rsq), a node whose whole box is within reach is only asked of
// its first leaf, whose own point is in the box (padding fills the last leaves); should that leaf
// not answer (a tree laid out otherwise), the node is searched like any other.
template <bool kWithinAnswers, class Visit>
bool any_leaf_near(const Capt& tree, const Point3& c, float rsq, Visit visit) {
    using near_detail::box_reach;
    const std::size_t inner = tree.tests().size();
    const Aabb* boxes = tree.node_boxes().data();
    const auto leaf = near_detail::leaf_visitor(tree, visit);
    // Within reach: not strictly beyond (NaN passes). Wholly within: a box with points, every corner in.
    auto reaches = [&](float d) { return !(rsq < d); };
    auto inside = [&](const Aabb& b, float far) { return kWithinAnswers && b.lo[0] <= b.hi[0] && far <= rsq; };
    auto first_leaf = [&](std::size_t node) {
        while (node < inner) node = 2 * node + 1;
        return node;
    };
    if (inner == 0) return leaf(0);
    const near_detail::BoxReach root = box_reach(boxes[0], c);
    if (!reaches(root.nearest_sq)) return false;
    if (inside(boxes[0], root.farthest_sq) && leaf(first_leaf(0))) return true;
    return near_detail::descend(inner, boxes, leaf, [&](std::size_t, std::size_t a, std::size_t b, bool& hit) {
        const near_detail::BoxReach ra = box_reach(boxes[a], c), rb = box_reach(boxes[b], c);
        hit = (inside(boxes[a], ra.farthest_sq) && leaf(first_leaf(a))) ||
              (inside(boxes[b], rb.farthest_sq) && leaf(first_leaf(b)));
        return near_detail::Children{reaches(ra.nearest_sq), reaches(rb.nearest_sq), !(rb.nearest_sq < ra.nearest_sq)};
    });
}

// Calls visit(j) with the index j of the first block of the runs of the leaves under every inner
// node whose box, and each of whose ancestors' boxes, passes `may_hold(const Aabb&)` (a node over
// padding alone never does), depth first, until visit returns true; then true, else false. The
// search of any shape: may_hold answers whether a box can hold a point the shape accepts, and
// visit tests the points. Of two children that pass (split along the axis of the node's level: x,
// y, z in turn), the lower is searched first when `lower_first(axis, v)` for v the upper one's
// least coordinate along that axis, else the upper, so that a hit on the side the order points to
// is found early. The order changes no answer.
template <class MayHold, class Visit, class LowerFirst>
bool any_leaf_where(const Capt& tree, MayHold may_hold, Visit visit, LowerFirst lower_first) {
    const std::size_t inner = tree.tests().size();
    const Aabb* boxes = tree.node_boxes().data();
    const auto leaf = near_detail::leaf_visitor(tree, visit);
    auto passes = [&](std::size_t node) { return boxes[node].lo[0] <= boxes[node].hi[0] && may_hold(boxes[node]); };
    if (inner == 0) return leaf(0);
    if (!passes(0)) return false;
    return near_detail::descend(inner, boxes, leaf, [&](std::size_t n, std::size_t a, std::size_t b, bool&) {
        // Both children asked at once, not the second when its turn comes: the two questions then
        // overlap, which keeps misses (asking both anyway) as fast as an unordered search.
        const bool go_a = passes(a), go_b = passes(b);
        const unsigned axis = unsigned(std::bit_width(n + 1) - 1) % 3;
        return near_detail::Children{go_a, go_b, go_a && go_b && lower_first(int(axis), boxes[b].lo[axis])};
    });
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
    return any_leaf_near<true>(tree, c, rsq, [&](std::size_t j) { return block_within(tree, j, c, rsq); });
}

// Does some point within `reach` of `c` (finite) pass `accept`? Every such point is offered, some
// farther ones may be too; the runs' +inf padding never is.
template <class Accept>
bool any_point_near(const Capt& tree, const Point3& c, float reach, Accept accept) {
    const float rsq = reach * reach;
    const float *xs = tree.afforded(0).data(), *ys = tree.afforded(1).data(), *zs = tree.afforded(2).data();
    return any_leaf_near<false>(tree, c, rsq, [&](std::size_t j) {
        for (std::size_t e = j; e < j + 8; ++e) {
            const float dx = xs[e] - c[0], dy = ys[e] - c[1], dz = zs[e] - c[2];
            if (std::isfinite(xs[e]) && (dx * dx + dy * dy) + dz * dz <= rsq && accept(Point3{xs[e], ys[e], zs[e]}))
                return true;
        }
        return false;
    });
}

}  // namespace trelk::pointcloud

#include "pointcloud/capt.hpp"

#include <algorithm>
#include <bit>
#include <cmath>
#include <limits>
#include <memory>
#include <utility>

#include "pointcloud/select_nth.hpp"
#include "simd/f32x4.hpp"
#include "stored_form.hpp"
#include "support/fault.hpp"

namespace trelk::pointcloud {

namespace {

constexpr float kInf = std::numeric_limits<float>::infinity();

// The axis-aligned region of a tree node.
struct Cell {
    Point3 lo{-kInf, -kInf, -kInf};
    Point3 hi{kInf, kInf, kInf};
};

float sq(float x) { return x * x; }

float sum3(float a, float b, float c) { return (a + b) + c; }

// Squared diagonal; NaN (from inf - inf) compares as "too large to prune" by the callers.
float diagonal_sq(const Cell& c) {
    return sum3(sq(c.lo[0] - c.hi[0]), sq(c.lo[1] - c.hi[1]), sq(c.lo[2] - c.hi[2]));
}

// Squared distance from p to the farthest corner of the cell.
float farthest_corner_sq(const Cell& c, const Point3& p) {
    float f[3];
    for (int a = 0; a < 3; ++a) {
        const float lo = sq(c.lo[a] - p[a]), hi = sq(c.hi[a] - p[a]);  // never NaN for a finite p
        f[a] = lo >= hi ? lo : hi;
    }
    return sum3(f[0], f[1], f[2]);
}

}  // namespace

bool all_finite(std::span<const Point3> points) {
    for (const Point3& p : points)
        for (float x : p)
            if (!std::isfinite(x)) return false;
    return true;
}

std::string_view debug_name(NewCaptError e) {
    switch (e) {
        case NewCaptError::TooManyPoints: return "TooManyPoints";
        case NewCaptError::NonFinite: return "NonFinite";
        case NewCaptError::InvalidLaneCount: return "InvalidLaneCount";
    }
    return "?";
}

namespace {

// Candidate lists of the nodes on the current path, as one stack of points: a node's inherited list
// is a range of it, its children's lists are pushed above that range and popped when the node is
// done. Ranges are kept as indices, since the stack may move when it grows.
class PointStack {
public:
    std::size_t size() const { return size_; }
    Point3* data() { return data_.get(); }
    void resize_down(std::size_t n) { size_ = n; }
    // Room for `extra` more points beyond size(); moves the stack when it has to grow.
    void reserve_more(std::size_t extra) {
        if (size_ + extra <= capacity_) return;
        const std::size_t grown = std::max(size_ + extra, 2 * capacity_);
        auto fresh = std::make_unique_for_overwrite<Point3[]>(grown);
        std::copy_n(data_.get(), size_, fresh.get());
        data_ = std::move(fresh);
        capacity_ = grown;
    }

private:
    std::unique_ptr<Point3[]> data_;
    std::size_t size_ = 0, capacity_ = 0;
};

// Copies the points `keep` accepts to `out`, in order, without a branch per point (the answers
// follow no pattern); `out` has room for every point of the range.
template <class Keep>
Point3* copy_kept(const Point3* first, const Point3* last, Point3* out, Keep keep) {
    for (; first != last; ++first) {
        *out = *first;
        out += keep(*first) ? 1 : 0;
    }
    return out;
}

// Moves the lower half of `slice` (by coordinate k) before the upper half and returns the split
// value between them.
float split_at_median(std::span<Point3> slice, int k) {
    const std::size_t m = slice.size(), h = m / 2;
    auto by_axis = [k](const Point3& a, const Point3& b) { return a[k] < b[k]; };
    select::nth_element(slice.data(), slice.data() + h, slice.data() + m, by_axis);
    // Coordinates are finite or +inf here, so this is the usual maximum (first operand on ties).
    float lower_max = slice[0][k];
    for (std::size_t j = 1; j < h; ++j) lower_max = lower_max >= slice[j][k] ? lower_max : slice[j][k];
    return (lower_max + slice[h][k]) * 0.5f;
}

void split_recursively(std::span<Point3> slice, int k, std::size_t i, std::vector<float>& tests) {
    if (slice.size() == 1) return;
    tests[i] = split_at_median(slice, k);
    const int next = k == 2 ? 0 : k + 1;
    split_recursively(slice.first(slice.size() / 2), next, 2 * i + 1, tests);
    split_recursively(slice.subspan(slice.size() / 2), next, 2 * i + 2, tests);
}

std::size_t leaves_for(std::size_t n) { return n < 2 ? 1 : std::bit_ceil(n); }

}  // namespace

MedianSplits median_splits(std::span<const Point3> points) {
    const std::size_t leaves = leaves_for(points.size());
    MedianSplits s{std::vector<float>(leaves - 1, kInf), std::vector<Point3>(leaves, Point3{kInf, kInf, kInf})};
    std::copy(points.begin(), points.end(), s.points_in_leaf_order.begin());
    split_recursively(s.points_in_leaf_order, 0, 0, s.tests);
    return s;
}

// Recursive construction over the working point list; fills the tree's tables in place.
class CaptBuilder {
public:
    CaptBuilder(Capt& tree, RadiusRange r_range, std::size_t max_entries)
        : t_(tree),
          r_range_(r_range),
          r0_sq_(r_range.lo * r_range.lo),
          first_leaf_(tree.aabbs_.size() - 1),
          max_entries_(max_entries) {}

    bool build(std::span<Point3> work) { return node(work, 0, 0, 0, 0, Cell{}); }
    // Did the build stop because the runs passed max_entries?
    bool over() const { return over_; }

private:
    // Builds the subtree of node i over `slice`, splitting on axis k; its candidate list is
    // stack_[from, to).
    bool node(std::span<Point3> slice, int k, std::size_t i, std::size_t from, std::size_t to, const Cell& cell) {
        if (slice.size() == 1) return leaf(slice[0], i, from, to, cell);
        return split(slice, k, i, from, to, cell);
    }

    bool leaf(const Point3& p, std::size_t i, std::size_t from, std::size_t to, const Cell& cell) {
        const std::size_t z = i - first_leaf_;
        Aabb& box = t_.aabbs_[z];
        box = {p, p};
        auto& planes = t_.afforded_;
        if (std::isfinite(p[0])) {
            // A cell entirely within r_range.lo of its representative needs nothing else: any query
            // in it with a reach in range already reaches the representative.
            const bool with_candidates = !(farthest_corner_sq(cell, p) <= r0_sq_);
            const std::size_t count = with_candidates ? 1 + (to - from) : 1;
            const std::size_t padded = (count + 7) / 8 * 8;
            float* out[3];
            for (int a = 0; a < 3; ++a) {
                out[a] = planes[a].extend(padded);
                out[a][0] = p[a];
                std::fill(out[a] + count, out[a] + padded, kInf);
            }
            const Point3* candidates = stack_.data() + from;
            for (std::size_t j = 1; j < count; ++j) {
                const Point3& c = candidates[j - 1];
                for (int a = 0; a < 3; ++a) {
                    out[a][j] = c[a];
                    box.lo[a] = c[a] < box.lo[a] ? c[a] : box.lo[a];
                    box.hi[a] = c[a] > box.hi[a] ? c[a] : box.hi[a];
                }
            }
        }
        const std::size_t len = planes[0].size();
        if (len > max_entries_) {
            over_ = true;
            return false;
        }
        if (len > std::numeric_limits<std::uint32_t>::max()) return false;
        t_.starts_[z + 1] = static_cast<std::uint32_t>(len);
        return true;
    }

    bool split(std::span<Point3> slice, int k, std::size_t i, std::size_t from, std::size_t to, const Cell& cell) {
        const std::size_t m = slice.size(), h = m / 2;
        const float t = split_at_median(slice, k);
        t_.tests_[i] = t;

        Cell lower_cell = cell, upper_cell = cell;
        lower_cell.hi[k] = t;
        upper_cell.lo[k] = t;
        const bool lower_open = !(diagonal_sq(lower_cell) <= r0_sq_);
        const bool upper_open = !(diagonal_sq(upper_cell) <= r0_sq_);

        const float lower_reach = t + r_range_.hi;
        const float upper_reach = t - r_range_.hi;
        auto lower_keeps = [&](const Point3& c) { return c[k] <= lower_reach; };
        auto upper_keeps = [&](const Point3& c) { return c[k] >= upper_reach; };
        auto upper_keeps_finite = [&](const Point3& c) { return std::isfinite(c[k]) && c[k] >= upper_reach; };

        // Children's lists: the surviving inherited candidates in their order, then the new points
        // of the other half in slice order. The upper child drops infinite inherited candidates
        // only when the lower child receives candidates too.
        const std::size_t top = stack_.size();
        stack_.reserve_more(2 * (to - from) + m);
        Point3* base = stack_.data();
        Point3* out = base + top;
        if (lower_open) {
            out = copy_kept(base + from, base + to, out, lower_keeps);
            out = copy_kept(slice.data() + h, slice.data() + m, out, lower_keeps);
        }
        const std::size_t lower_to = std::size_t(out - base);
        if (upper_open) {
            out = lower_open ? copy_kept(base + from, base + to, out, upper_keeps_finite)
                             : copy_kept(base + from, base + to, out, upper_keeps);
            out = copy_kept(slice.data(), slice.data() + h, out, upper_keeps_finite);
        }
        const std::size_t upper_to = std::size_t(out - base);
        stack_.resize_down(upper_to);

        const int next = k == 2 ? 0 : k + 1;
        const bool ok = node(slice.first(h), next, 2 * i + 1, top, lower_to, lower_cell) &&
                        node(slice.subspan(h), next, 2 * i + 2, lower_to, upper_to, upper_cell);
        stack_.resize_down(top);
        return ok;
    }

    Capt& t_;
    RadiusRange r_range_;
    float r0_sq_;
    std::size_t first_leaf_;
    std::size_t max_entries_;
    bool over_ = false;
    PointStack stack_;
};

Capt::Capt() : aabbs_(1, Aabb{{kInf, kInf, kInf}, {kInf, kInf, kInf}}), starts_(2, 0) {}

std::variant<Capt, NewCaptError> Capt::try_with_point_radius(std::span<const Point3> points, RadiusRange r_range,
                                                             float r_point) {
    bool over = false;
    return try_build(points, r_range, r_point, std::numeric_limits<std::size_t>::max(), over);
}

// Every allocation below throws std::bad_alloc when it cannot be had (vectors, the stack's arrays
// and the aligned planes), so a build too large for the memory available unwinds cleanly.
std::variant<Capt, NewCaptError> Capt::try_build(std::span<const Point3> points, RadiusRange r_range, float r_point,
                                                 std::size_t max_entries, bool& over) {
    if (!all_finite(points)) return NewCaptError::NonFinite;
    const std::size_t n = points.size();
    const std::size_t leaves = leaves_for(n);

    Capt tree;
    tree.tests_.assign(leaves - 1, kInf);
    std::vector<Point3> work(leaves, Point3{kInf, kInf, kInf});
    std::copy(points.begin(), points.end(), work.begin());
    // Every real point's leaf holds at least eight entries; the planes grow geometrically beyond that.
    for (auto& plane : tree.afforded_) plane.reserve(std::min(8 * n, max_entries));
    tree.starts_.assign(leaves + 1, 0);
    const Cell root;
    tree.aabbs_.assign(leaves, Aabb{root.lo, root.hi});

    CaptBuilder builder(tree, r_range, max_entries);
    if (!builder.build(work)) {
        over = builder.over();
        return NewCaptError::TooManyPoints;
    }
    for (auto& plane : tree.afforded_) plane.shrink_to_fit();
    tree.derive_node_boxes();
    tree.r_point_ = r_point;
    tree.lanes_log2_ = built_lanes_log2;
    return tree;
}

Capt Capt::with_point_radius(std::span<const Point3> points, RadiusRange r_range, float r_point) {
    auto built = try_with_point_radius(points, r_range, r_point);
    if (auto* e = std::get_if<NewCaptError>(&built))
        throw quorix::Fault("index type I must be able to support all points in CAPT during construction: " +
                            std::string(debug_name(*e)));
    return std::get<Capt>(std::move(built));
}

std::optional<Capt> Capt::with_point_radius_within(std::span<const Point3> points, RadiusRange r_range, float r_point,
                                                   std::size_t max_bytes) {
    const std::size_t tables = table_bytes(points.size());
    if (max_bytes < tables) return std::nullopt;
    bool over = false;
    auto built = try_build(points, r_range, r_point, (max_bytes - tables) / entry_bytes, over);
    if (over) return std::nullopt;
    if (auto* e = std::get_if<NewCaptError>(&built))
        throw quorix::Fault("index type I must be able to support all points in CAPT during construction: " +
                            std::string(debug_name(*e)));
    return std::get<Capt>(std::move(built));
}

std::size_t Capt::table_bytes(std::size_t n) {
    const std::size_t leaves = leaves_for(n);
    return (leaves - 1) * (sizeof(float) + sizeof(Aabb)) + leaves * sizeof(Aabb) +
           (leaves + 1) * sizeof(std::uint32_t);
}

std::size_t Capt::buffer_bytes() const {
    std::size_t bytes = tests_.capacity() * sizeof(float) + aabbs_.capacity() * sizeof(Aabb) +
                        starts_.capacity() * sizeof(std::uint32_t) + node_boxes_.capacity() * sizeof(Aabb);
    for (const AlignedBuffer& plane : afforded_) bytes += plane.capacity() * sizeof(float);
    return bytes;
}

void Capt::derive_node_boxes() {
    const std::size_t inner = tests_.size();
    node_boxes_.assign(inner, Aabb{{kInf, kInf, kInf}, {-kInf, -kInf, -kInf}});
    auto box_of = [&](std::size_t node) {
        if (node < inner) return node_boxes_[node];
        const std::size_t z = node - inner, j = starts_[z];
        if (j == starts_[z + 1]) return Aabb{{kInf, kInf, kInf}, {-kInf, -kInf, -kInf}};
        const Point3 p{afforded_[0][j], afforded_[1][j], afforded_[2][j]};
        return Aabb{p, p};
    };
    for (std::size_t n = inner; n-- > 0;) {
        const Aabb a = box_of(2 * n + 1), b = box_of(2 * n + 2);
        for (int k = 0; k < 3; ++k) {
            node_boxes_[n].lo[k] = std::fmin(a.lo[k], b.lo[k]);
            node_boxes_[n].hi[k] = std::fmax(a.hi[k], b.hi[k]);
        }
    }
}

int Capt::depth() const { return std::countr_one(tests_.size()); }

namespace {

// Leaf reached by one centre; a centre equal to a split value goes to the upper child, and a NaN
// coordinate to the lower one.
//
// Three levels (x, y, z) per step: the node, its two children and its four grandchildren sit at
// places that depend only on the node, so they are loaded and compared together, and the path is
// picked from the comparison bits. No branch depends on a comparison: random centres would
// mispredict half of them, and every misprediction also throws away the loads already in flight.
// Before the last step, near_leaves(node, levels) learns the subtree the leaf will be in.
template <class NearLeaves>
std::size_t descend_one(std::span<const float> tests, const Point3& c, NearLeaves near_leaves) {
    using simd::F32x4;
    const int d = std::countr_one(tests.size());
    const float* t = tests.data();
    const F32x4 cy = F32x4::splat(c[1]), cz = F32x4::splat(c[2]);
    std::size_t n = 0;
    int level = 0;
    for (; level + 3 <= d; level += 3) {
        if (level + 6 > d) near_leaves(n, d - level);
        // Lanes 0-1 are the children, 0-3 the grandchildren; the loads stay below the grandchildren's
        // end, which the depth keeps inside the table.
        const unsigned children = unsigned(movemask(le(F32x4::loadu(t + 2 * n + 1), cy)));
        const unsigned grandchildren = unsigned(movemask(le(F32x4::loadu(t + 4 * n + 3), cz)));
        const std::size_t upper = t[n] <= c[0];
        const std::size_t path = 2 * upper + ((children >> upper) & 1);
        n = 8 * n + 7 + 2 * path + ((grandchildren >> path) & 1);
    }
    // At most two levels remain, on x and then y.
    for (int k = 0; level < d; ++level, ++k) n = 2 * n + 1 + (t[n] <= c[k] ? 1 : 0);
    return n - tests.size();
}

// Leaves reached by eight centres given as coordinate rows. The lanes are interleaved level by
// level, each following its path by plain indexed loads; the other lanes hide their latency.
void descend_eight(std::span<const float> tests, const CenterRows8& c, std::size_t* leaf) {
    const int d = std::countr_one(tests.size());
    const float* t = tests.data();
    std::size_t i[8] = {};
    for (int level = 0, k = 0; level < d; ++level, k = k == 2 ? 0 : k + 1)
        for (int l = 0; l < 8; ++l) i[l] = 2 * i[l] + 1 + (t[i[l]] <= c[k][l] ? 1 : 0);
    for (int l = 0; l < 8; ++l) leaf[l] = i[l] - tests.size();
}

}  // namespace

std::size_t Capt::descend(const Point3& c) const {
    // The leaves under the node of the last step are known before that step: ask for their run
    // bounds and boxes while it runs.
    return descend_one(tests_, c, [this](std::size_t node, int levels) {
        const std::size_t first = (node << levels) + (std::size_t{1} << levels) - 1 - tests_.size();
        __builtin_prefetch(starts_.data() + first);
        __builtin_prefetch(starts_.data() + first + (std::size_t{1} << levels));
        if (levels <= 3)  // eight boxes or fewer, two per line
            for (std::size_t b = 0; b < (std::size_t{1} << levels); b += 2)
                __builtin_prefetch(aabbs_.data() + first + b);
    });
}

bool Capt::collides(const Point3& c, float r) const {
    using simd::F32x4;
    const float reach = r + r_point_;
    const float rsq = reach * reach;
    const std::size_t z = descend(c);
    // The run is only scanned when the leaf box is within reach.
    if (!box_within_reach(aabbs_[z], c, rsq)) return false;

    const float* xs = afforded_[0].data();
    const float* ys = afforded_[1].data();
    const float* zs = afforded_[2].data();
    const F32x4 cx = F32x4::splat(c[0]), cy = F32x4::splat(c[1]), cz = F32x4::splat(c[2]);
    const F32x4 limit = F32x4::splat(rsq);
    auto half_hits = [&](std::size_t j) {
        F32x4 dx = F32x4::load(xs + j) - cx, dy = F32x4::load(ys + j) - cy, dz = F32x4::load(zs + j) - cz;
        return any(~lt(limit, (dx * dx + dy * dy) + dz * dz));
    };
    for (std::size_t j = starts_[z], end = starts_[z + 1]; j < end; j += 8)
        if (half_hits(j) || half_hits(j + 4)) return true;
    return false;
}

bool Capt::collides_simd(const CenterRows8& centers, const Radii8& radii) const {
    using simd::F32x4;
    if ((std::uint32_t{1} << (lanes_log2_ % 32)) < 8)
        throw quorix::Fault("CAPT must be constructed with at least 8 lanes for f32x8 queries");

    float reach[8];
    std::size_t leaf[8];
    descend_eight(tests_, centers, leaf);
    bool passed[8];
    bool any_passed = false;
    for (int l = 0; l < 8; ++l) {
        reach[l] = radii[l] + r_point_;
        // The leaf box inflated by the reach on every side.
        const Aabb& box = aabbs_[leaf[l]];
        bool pass = true;
        for (int a = 0; a < 3; ++a)
            pass = pass && box.lo[a] - reach[l] <= centers[a][l] && centers[a][l] - reach[l] <= box.hi[a];
        passed[l] = pass;
        any_passed = any_passed || pass;
    }
    if (!any_passed) return false;

    const float* xs = afforded_[0].data();
    const float* ys = afforded_[1].data();
    const float* zs = afforded_[2].data();
    // Once the first block of a run has no hit, the first block of the next run to scan is asked
    // for, so that the scans of misses, which go through every run, overlap their memory waits; a
    // hit in a first block, the common way to answer true, asks for nothing more.
    int fetched = 0;
    auto fetch_next = [&] {
        for (; fetched < 8; ++fetched)
            if (passed[fetched]) {
                const std::size_t first = starts_[leaf[fetched]];
                __builtin_prefetch(xs + first);
                __builtin_prefetch(ys + first);
                __builtin_prefetch(zs + first);
                ++fetched;
                return;
            }
    };
    for (int l = 0; l < 8; ++l) {
        if (!passed[l]) continue;
        fetched = std::max(fetched, l + 1);
        const F32x4 cx = F32x4::splat(centers[0][l]), cy = F32x4::splat(centers[1][l]),
                    cz = F32x4::splat(centers[2][l]);
        const F32x4 limit = F32x4::splat(reach[l] * reach[l]);
        auto block_hits = [&](std::size_t j) {
            auto half_hits = [&](std::size_t h) {
                F32x4 dx = F32x4::load(xs + h) - cx, dy = F32x4::load(ys + h) - cy, dz = F32x4::load(zs + h) - cz;
                return any(le((dx * dx + dy * dy) + dz * dz, limit));
            };
            return half_hits(j) || half_hits(j + 4);
        };
        std::size_t j = starts_[leaf[l]];
        const std::size_t end = starts_[leaf[l] + 1];
        if (j < end && block_hits(j)) return true;
        fetch_next();
        for (j += 8; j < end; j += 8)
            if (block_hits(j)) return true;
    }
    return false;
}

}  // namespace trelk::pointcloud

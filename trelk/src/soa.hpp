// A growable set of spheres kept as four float planes (x, y, z, r), so that one query sphere is
// tested against eight stored spheres per step. Each plane is `stride` lanes long, stride 0 or a
// multiple of 16; every lane from `len` up to the stride holds a NaN radius (0x7fc00000), which no
// overlap test accepts, so whole planes are scanned without looking at `len`.
//
// Spare lanes made by construction or growth have centre (0, 0, 0); after `clear` (or after being
// drained by `append`) they keep their old centres. Planes grow by 16 visible lanes when a push
// finds the set full; the storage behind them grows geometrically.
//
// Growing is all or nothing: push and append first make room in every plane and in the block grid,
// then write, which allocates nothing. A failed allocation throws std::bad_alloc and leaves the set
// exactly as it was. The block grid's storage always covers the stride, so that the transforms,
// which refit it, allocate nothing either.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "block_grid.hpp"
#include "math.hpp"
#include "sphere.hpp"
#include "stored_form.hpp"

namespace trelk {

// Stored record of a sphere set, "Helper": the four whole planes as lists, spare lanes included,
// then len. As read (lists checked when the set is rebuilt) and as written (views of the planes).
struct SpheresSoAStored {
    std::vector<float> x, y, z, r;
    std::size_t len = 0;
};
struct SpheresSoAView {
    std::span<const float> x, y, z, r;
    std::size_t len = 0;
};

template <class V, ReadOrWritten<SpheresSoAStored, SpheresSoAView> Record>
void visit_fields(V& v, Record& h) {
    v.record("Helper");
    v.field("x", h.x);
    v.field("y", h.y);
    v.field("z", h.z);
    v.field("r", h.r);
    v.field("len", h.len);
}

class SpheresSoA {
public:
    static constexpr std::size_t lane_block = 16;

    SpheresSoA() = default;

    // Empty set (stride 0) with storage reserved for round_up(n, 16) spheres. Throws
    // std::length_error or std::bad_alloc when that cannot be reserved.
    static SpheresSoA with_capacity(std::size_t n);
    // The spheres in order, stride round_up(n, 16).
    static SpheresSoA from_slice(std::span<const Sphere> spheres);

    std::size_t len() const { return len_; }
    bool is_empty() const { return len_ == 0; }
    std::size_t stride() const { return planes_[0].size(); }

    // Lane i of the four planes; a spare lane (len <= i < stride) gives its NaN-radius sphere.
    // Faults for i >= stride.
    Sphere get(std::size_t i) const;

    // Room for `more` spheres beyond len: storage for round_up(len + more, 16) lanes in every plane
    // and for the block grid over them, so that pushes and appends up to that many allocate
    // nothing. Only capacities change. Throws std::length_error ("capacity overflow") or
    // std::bad_alloc when that cannot be had.
    void reserve(std::size_t more);

    void push(const Sphere& s);
    // Moves every sphere of `other` to the end of this set and leaves `other` cleared. The set is
    // re-laid to round_up(len + other.len, 16) lanes; nothing happens when `other` is empty.
    void append(SpheresSoA& other);
    // Empties the set, keeping the stride and the centres of the lanes.
    void clear();
    // Sets lane i to sphere_of(i) for every i < len and refits the block grid; the stride and the
    // spare lanes stay. Allocates nothing.
    template <class SphereOf>
    void rewrite(const SphereOf& sphere_of) {
        for (std::size_t i = 0; i < len_; ++i) write_lane(i, sphere_of(i));
        regrid();
    }

    // True when some stored sphere overlaps or touches the query. The second form takes the
    // query's box (BallBox(query)) worked out before.
    bool any_collides_sphere_f32x8(const Sphere& query) const { return any_collides_sphere_f32x8(query, BallBox(query)); }
    bool any_collides_sphere_f32x8(const Sphere& query, const BallBox& box) const;

    // Calls visit(k) for the blocks k of eight lanes (8k .. 8k + 7) that may hold a sphere
    // overlapping or touching the ball whose box is given, in increasing order, until a call
    // returns true; returns whether one did. A block left out has no such lane.
    template <class Visit>
    bool any_block_near(const BallBox& ball, const Visit& visit) const {
        return grid_.any_block(ball, stride() / 8, visit);
    }

    // Plane views of `stride` lanes, spare lanes included.
    std::span<const float> x() const { return planes_[0]; }
    std::span<const float> y() const { return planes_[1]; }
    std::span<const float> z() const { return planes_[2]; }
    std::span<const float> r() const { return planes_[3]; }
    std::span<const float> plane(int k) const { return planes_[k]; }

    // Whole-plane transforms over all stride lanes. Rotations and affine maps turn the centres about
    // the world origin and leave the radii as they are; scale multiplies every radius.
    friend void translate(SpheresSoA& s, Vec3 offset);
    friend void rotate_mat(SpheresSoA& s, const Mat3& m);
    friend void rotate_quat(SpheresSoA& s, const Quat& q);
    friend void transform(SpheresSoA& s, const Affine3A& a);
    friend void scale(SpheresSoA& s, float factor);

    // Sphere by sphere over the first len lanes: |a - b| <= epsilon for every coordinate and radius
    // (a NaN fails). Strides and spare lanes are not compared.
    friend bool abs_diff_eq(const SpheresSoA& a, const SpheresSoA& b, float epsilon);

    // Stored form. Reading checks the planes before use: equal lengths, a multiple of 16, len
    // within them, NaN radii past len; throws StoredFormError.
    using Stored = SpheresSoAStored;
    SpheresSoAView stored_view() const { return {planes_[0], planes_[1], planes_[2], planes_[3], len_}; }
    static SpheresSoA from_stored(SpheresSoAStored&& stored);

private:
    void resize_planes(std::size_t stride);
    void write_lane(std::size_t i, const Sphere& s) {
        planes_[0][i] = s.center.x;
        planes_[1][i] = s.center.y;
        planes_[2][i] = s.center.z;
        planes_[3][i] = s.radius;
    }
    void map_centres(const Mat3& m, Vec3 offset);
    BlockGrid::Lanes lanes() const {
        return {planes_[0].data(), planes_[1].data(), planes_[2].data(), planes_[3].data(), len_, stride()};
    }
    void regrid() { grid_.rebuild(lanes()); }

    std::vector<float> planes_[4];
    std::size_t len_ = 0;
    BlockGrid grid_;
};

}  // namespace trelk

// Oriented box and the box routines other kinds call by name.
#pragma once

#include <array>

#include "derived.hpp"
#include "math.hpp"
#include "ops.hpp"
#include "prefilter.hpp"
#include "sphere.hpp"

namespace trelk {

struct Capsule;

struct Cuboid {
    Vec3 center;
    std::array<Vec3, 3> axes = identity_axes;  // expected unit length and orthogonal; never normalised
    Vec3 half_extents;                        // along axes[0], axes[1], axes[2]
    bool axis_aligned = true;                 // derived: axes_aligned(axes)

    static Cuboid make(Vec3 center, const std::array<Vec3, 3>& axes, Vec3 half_extents) {
        return {center, axes, half_extents, axes_aligned(axes)};
    }
    // Identity axes.
    static Cuboid aligned(Vec3 center, Vec3 half_extents) { return {center, identity_axes, half_extents, true}; }
    // The box between two corners; swapped corners give negative half extents.
    static Cuboid from_aabb(Vec3 min, Vec3 max) { return aligned((min + max) * 0.5f, (max - min) * 0.5f); }
    // Axes from the orientation's columns, as given. The flag stays false even for an aligned
    // orientation: such boxes take the general paths.
    static Cuboid oriented(Vec3 center, const Mat3& orientation, Vec3 half_extents) {
        return {center, {orientation.x_axis, orientation.y_axis, orientation.z_axis}, half_extents, false};
    }

    // Corner k has the signs of bits 2, 1, 0 of k on axes 0, 1, 2 (clear: minus): (-,-,-) first,
    // (+,+,+) last.
    std::array<Vec3, 8> corners() const;
    // Inside or on the surface. A NaN offset rejects on no axis.
    bool contains_point(Vec3 p) const;

    // Squared distance from p to the solid box: 0 inside and on the surface.
    float point_dist_sq(Vec3 p) const;
};

inline void translate(Cuboid& b, Vec3 o) { b.center += o; }
template <class Map>
inline void remap(Cuboid& b, const Map& m) {
    b.center = m.point(b.center);
    for (Vec3& a : b.axes) a = m.vector(a);
    b.axis_aligned = axes_aligned(b.axes);
}
inline void scale(Cuboid& b, float f) { b.half_extents *= f; }

// The box a collider keeps for a held box under a map that is not a rotation: the box tests take
// unit, perpendicular axes, which a stretched box no longer has. Axes: the mapped axes made
// orthonormal (in order); extents: the largest reach of the mapped corners along them, so the box
// holds the whole image. Exact for a stretch along the box's own axes, larger for a shear.
Cuboid enclosing_image(const Cuboid& b, const Mat3& linear, Vec3 center);
template <class Map>
inline void remap_enclosing(Cuboid& b, const Map& m) {
    if (m.rigid()) return remap(b, m);
    const Mat3 linear{m.vector({1, 0, 0}), m.vector({0, 1, 0}), m.vector({0, 0, 1})};
    b = enclosing_image(b, linear, m.point(b.center));
}

Sphere broadphase(const Cuboid& b);
inline Cuboid obb(const Cuboid& b) { return b; }
Cuboid aabb(const Cuboid& b);

template <>
struct Collides<Cuboid, Cuboid> {
    static bool test(const Cuboid& a, const Cuboid& b);
};

// The same test; with Prefilter::done_by_caller the bounding-sphere rejection of generally oriented
// boxes is left out.
bool cuboid_cuboid_collides(const Cuboid& a, const Cuboid& b, Prefilter prefilter);

// Capsule against box: exact squared distance from the capsule's core segment to the box, compared
// with the squared radius (touching collides).
bool capsule_cuboid_collides(const Capsule& capsule, const Cuboid& box);

}  // namespace trelk

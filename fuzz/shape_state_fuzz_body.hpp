// What one fuzz input must survive as the stored state of every collision value (the ten shapes,
// the point cloud, the sphere set, the collider): either the reader refuses it (DecodeError), or
// the value it gives can be used: bounded, moved, queried and stored again. A fault raised by a
// query on an inconsistent value (quorix::Fault, which the module reports as PanicException) is
// allowed; a crash, a sanitizer report or another exception is a bug. Shared by the libFuzzer
// target and the replay test.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>

#include "collider.hpp"
#include "decode_paths.hpp"
#include "pickle/record.hpp"
#include "pointcloud/collides.hpp"
#include "pointcloud/stored.hpp"
#include "storage.hpp"
#include "support/fault.hpp"
#include "sweep.hpp"
#include "trelk.hpp"

namespace quorix_fuzz {

[[noreturn]] inline void shape_bug(const char* what) {
    std::fprintf(stderr, "fuzz invariant broken: %s\n", what);
    std::abort();
}

// A few probes every value is tested against: a ball, a box and a segment near the origin.
inline const trelk::Sphere probe_ball{{0.5f, -0.25f, 0.125f}, 0.75f};
inline const trelk::Cuboid probe_box = trelk::Cuboid::aligned({-0.5f, 0.5f, 0.0f}, {0.5f, 0.25f, 1.0f});
inline const trelk::LineSegment probe_segment = trelk::LineSegment::between({-2, 0, 0}, {2, 0.5f, 0.25f});

template <class S>
void use_shape(const S& s) {
    // Unqualified, so that a kind's own overloads (the point cloud's friends) are found too.
    using trelk::aabb, trelk::broadphase, trelk::rotate_quat, trelk::transform;
    (void)trelk::collides(s, probe_ball);
    (void)trelk::collides(probe_box, s);
    (void)trelk::collides(s, probe_segment);
    S moved = s;
    rotate_quat(moved, trelk::Quat{0.0f, 0.0f, 0.38268343f, 0.9238795f});
    transform(moved, trelk::Affine3A{{{2, 0, 0}, {0, 1, 0}, {0, 0, 0.5f}}, {1, 2, 3}});
    (void)trelk::collides(moved, probe_ball);
    if constexpr (trelk::Bounded<S>) (void)broadphase(s), (void)aabb(s);
    if constexpr (trelk::Stretchable<S>) (void)trelk::stretch(s, trelk::Vec3{0.5f, 0.0f, 0.25f});
}

inline void use_value(const trelk::SpheresSoA& set) { (void)set.any_collides_sphere_f32x8(probe_ball); }

inline void use_value(const trelk::Collider<trelk::Pointcloud>& c) {
    (void)trelk::query_collider(probe_ball, c);
    (void)trelk::query_collider(probe_segment, c);
    (void)trelk::collides_other(c, c);
    trelk::Collider<trelk::Pointcloud> moved = c;
    trelk::rotate_quat(moved, trelk::Quat{0.0f, 0.0f, 0.0f, 2.0f});
    (void)trelk::query_collider(probe_box, moved);
}

template <class S>
void use_value(const S& s) {
    use_shape(s);
}

// Reads `bytes` as the stored state of T (both decoding paths agreeing) and uses what it gives.
template <class T>
void check_state(std::span<const std::uint8_t> bytes) {
    T value{};
    if (!decode_agreeing(bytes, value)) return;
    try {
        use_value(value);
    } catch (const quorix::Fault&) {
        // An inconsistent stored value may stop a query with a fault: reported, never a crash.
    }
    const auto written = quorix::pickle::encode_state(value);
    T again{};
    try {
        quorix::pickle::decode_state(written, again);
    } catch (const quorix::pickle::DecodeError&) {
        shape_bug("a stored value does not read back");
    }
}

inline void fuzz_shape_state(std::span<const std::uint8_t> bytes) {
    check_state<trelk::Sphere>(bytes);
    check_state<trelk::Capsule>(bytes);
    check_state<trelk::Cylinder>(bytes);
    check_state<trelk::Cuboid>(bytes);
    check_state<trelk::Line>(bytes);
    check_state<trelk::Ray>(bytes);
    check_state<trelk::LineSegment>(bytes);
    check_state<trelk::Plane>(bytes);
    check_state<trelk::ConvexPolygon>(bytes);
    check_state<trelk::ConvexPolytope>(bytes);
    check_state<trelk::Pointcloud>(bytes);
    check_state<trelk::SpheresSoA>(bytes);
    check_state<trelk::Collider<trelk::Pointcloud>>(bytes);
}

}  // namespace quorix_fuzz

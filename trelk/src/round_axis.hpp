// What capsules and cylinders share: a core segment p1 .. p1 + dir with a radius, and the derived
// rdv and z_aligned fields that follow dir.
#pragma once

#include "derived.hpp"
#include "math.hpp"
#include "util.hpp"

namespace trelk {

template <class S>
inline S make_round_axis(Vec3 p1, Vec3 dir, float radius) {
    return S{p1, dir, radius, inverse_length_sq(dir), is_z_aligned(dir)};
}

template <class S>
inline void translate_round_axis(S& s, Vec3 o) { s.p1 += o; }

// Rotations keep rdv unless the map changed the length of dir; affine maps recompute it.
template <class S, class Map>
inline void remap_round_axis(S& s, const Map& m) {
    s.p1 = m.point(s.p1);
    s.dir = m.vector(s.dir);
    s.rdv = Map::affine ? inverse_length_sq(s.dir) : turned_rdv(s.rdv, s.dir);
    s.z_aligned = is_z_aligned(s.dir);
}

// Resized about p1.
template <class S>
inline void scale_round_axis(S& s, float f) {
    s.dir *= f;
    s.radius *= f;
    s.rdv = inverse_length_sq(s.dir);
}

// The cores of two round-axis shapes within the sum of their radii: the capsule pair's rule.
template <class A, class B>
inline bool cores_within_reach(const A& a, const B& b) {
    const float reach = a.radius + b.radius;
    return clamped_line_segment_dist_sq(a.p1, a.dir, b.p1, b.dir, 0.0f, 1.0f) <= reach * reach;
}

}  // namespace trelk

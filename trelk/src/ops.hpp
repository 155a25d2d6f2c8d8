// The operations every shape kind offers, selected at compile time.
//
//   collides(a, b)              Collides<A, B>::test, specialised per pair of kinds
//   translate(s, offset)        move
//   rotate_mat(s, m), rotate_quat(s, q), transform(s, affine)
//                               through the shape's remap(s, map) with one of the maps below
//   scale(s, f)                 resize (each kind has its own rule)
//   broadphase(s), obb(s), aabb(s)
//                               bounding sphere, oriented box, axis-aligned box
//
// Shapes are plain values; the operations above are free functions overloaded per kind.
#pragma once

#include <concepts>

#include "math.hpp"

namespace trelk {

struct Sphere;
struct Cuboid;

// Specialised for each ordered pair of kinds with `static bool test(const A&, const B&)`.
template <class A, class B>
struct Collides;

template <class A, class B>
concept CollidesWith = requires(const A& a, const B& b) {
    { Collides<A, B>::test(a, b) } -> std::same_as<bool>;
};

template <class A, class B>
    requires CollidesWith<A, B>
inline bool collides(const A& a, const B& b) {
    return Collides<A, B>::test(a, b);
}

// Maps handed to a shape's remap: points get point(), directions vector(). Rotations leave
// lengths to the caller's promise; an affine map also moves, so offsets and rdv follow it.
struct MatMap {
    const Mat3& m;
    static constexpr bool affine = false;
    Vec3 point(Vec3 p) const { return m * p; }
    Vec3 vector(Vec3 v) const { return m * v; }
};

struct QuatMap {
    const Quat& q;
    static constexpr bool affine = false;
    Vec3 point(Vec3 p) const { return q * p; }
    Vec3 vector(Vec3 v) const { return q * v; }
};

struct AffineMap {
    const Affine3A& a;
    static constexpr bool affine = true;
    Vec3 point(Vec3 p) const { return a.transform_point(p); }
    Vec3 vector(Vec3 v) const { return a.transform_vector(v); }
    Vec3 translation() const { return a.translation; }
};

template <class S>
concept Remappable = requires(S& s, const MatMap& m, const QuatMap& q, const AffineMap& a) {
    remap(s, m);
    remap(s, q);
    remap(s, a);
};

// Rotations turn about the world origin, so an off-origin shape moves.
template <Remappable S>
inline void rotate_mat(S& s, const Mat3& m) { remap(s, MatMap{m}); }
template <Remappable S>
inline void rotate_quat(S& s, const Quat& q) { remap(s, QuatMap{q}); }
template <Remappable S>
inline void transform(S& s, const Affine3A& a) { remap(s, AffineMap{a}); }

template <class S>
concept Transformable = Remappable<S> && requires(S& s, Vec3 o, float f) {
    translate(s, o);
    scale(s, f);
};

template <class S>
concept Bounded = requires(const S& s) {
    { broadphase(s) } -> std::same_as<Sphere>;
    { obb(s) } -> std::same_as<Cuboid>;
    { aabb(s) } -> std::same_as<Cuboid>;
};

}  // namespace trelk

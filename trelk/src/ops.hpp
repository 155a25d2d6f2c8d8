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

#include "affine.hpp"
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

// How a map carries plane normals. A rotation turns them like any other vector. Any other linear
// part (a scaling matrix, a non-unit quaternion) takes them by its inverse transpose, so that a
// half-space n . x <= d keeps holding exactly the mapped points of the old one, and shapes with
// derived data (polygon frames, polytope boxes) rebuild it instead of bending it.
struct NormalRule {
    bool rigid;
    Mat3 inverse_transpose;  // identity when rigid

    explicit NormalRule(const Mat3& linear)
        : rigid(is_rotation(linear)), inverse_transpose(rigid ? Mat3{} : transpose(inverse(linear))) {}
};

// Maps handed to a shape's remap: points get point(), directions vector(), plane normals normal().
// An affine map also moves, so offsets and rdv follow it.
struct MatMap {
    const Mat3& m;
    NormalRule normals{m};
    static constexpr bool affine = false;
    bool rigid() const { return normals.rigid; }
    Vec3 point(Vec3 p) const { return m * p; }
    Vec3 vector(Vec3 v) const { return m * v; }
    Vec3 normal(Vec3 n) const { return rigid() ? m * n : normals.inverse_transpose * n; }
};

struct QuatMap {
    const Quat& q;
    NormalRule normals{quat_rule_matrix(q)};
    static constexpr bool affine = false;
    bool rigid() const { return normals.rigid; }
    Vec3 point(Vec3 p) const { return q * p; }
    Vec3 vector(Vec3 v) const { return q * v; }
    Vec3 normal(Vec3 n) const { return rigid() ? q * n : normals.inverse_transpose * n; }
};

struct AffineMap {
    const Affine3A& a;
    NormalRule normals{a.matrix3};
    static constexpr bool affine = true;
    bool rigid() const { return normals.rigid; }
    Vec3 point(Vec3 p) const { return a.transform_point(p); }
    Vec3 vector(Vec3 v) const { return a.transform_vector(v); }
    Vec3 normal(Vec3 n) const { return rigid() ? a.transform_vector(n) : normals.inverse_transpose * n; }
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

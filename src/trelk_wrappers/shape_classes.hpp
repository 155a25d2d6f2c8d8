// The Python classes of the trelk shapes: what each class is called, its constructor's parameters
// and dataclass fields, and the narrowing of double-precision arguments into trelk's floats and
// back. Each class object is defined in the class's own file.
#pragma once

#include <array>
#include <span>

#include "algebra/affine3.hpp"
#include "algebra/mat3.hpp"
#include "algebra/quat.hpp"
#include "algebra/vec.hpp"
#include "binding/method.hpp"
#include "binding/value_object.hpp"
#include "glam_wrappers/classes.hpp"
#include "trelk.hpp"
#include "pointcloud/mod.hpp"

namespace quorix::py {

// True for the eleven shape values, whose results become objects of their own class.
template <class S>
inline constexpr bool is_shape_value = false;

// name, params: the class docstring is name + params; fields: the dataclass field list.
#define QUORIX_SHAPE_CLASS(T, NAME, PARAMS, ...)                                   \
    template <>                                                                    \
    inline constexpr bool is_shape_value<T> = true;                                \
    template <>                                                                    \
    struct ClassOf<T> {                                                            \
        using Value = T;                                                           \
        static constexpr const char* name = NAME;                                  \
        static constexpr const char* params = PARAMS;                              \
        static constexpr std::array<const char*, std::size(std::initializer_list<const char*>{__VA_ARGS__})> \
            fields{__VA_ARGS__};                                                   \
        static LazyType& lazy();                                                   \
    };

QUORIX_SHAPE_CLASS(trelk::Sphere, "Sphere", "(center=None, radius=0.0, *, __pickle_state__=None)", "center", "radius")
QUORIX_SHAPE_CLASS(trelk::Capsule, "Capsule", "(p1=None, p2=None, radius=0.0, *, __pickle_state__=None)", "p1", "p2",
                   "radius")
QUORIX_SHAPE_CLASS(trelk::Cuboid, "Cuboid", "(center=None, axes=None, half_extents=None, *, __pickle_state__=None)",
                   "center", "axes", "half_extents")
QUORIX_SHAPE_CLASS(trelk::Cylinder, "Cylinder", "(p1=None, p2=None, radius=0.0, *, __pickle_state__=None)", "p1",
                   "p2", "radius")
QUORIX_SHAPE_CLASS(trelk::ConvexPolytope, "ConvexPolytope", "(planes=None, vertices=None, *, __pickle_state__=None)",
                   "planes", "vertices")
QUORIX_SHAPE_CLASS(trelk::ConvexPolygon, "ConvexPolygon",
                   "(center=None, normal=None, vertices_2d=None, *, __pickle_state__=None)", "center", "normal",
                   "u_axis", "v_axis", "vertices_2d")
QUORIX_SHAPE_CLASS(trelk::Line, "Line", "(origin=None, dir=None, *, __pickle_state__=None)", "origin", "dir")
QUORIX_SHAPE_CLASS(trelk::Ray, "Ray", "(origin=None, dir=None, *, __pickle_state__=None)", "origin", "dir")
QUORIX_SHAPE_CLASS(trelk::LineSegment, "LineSegment", "(p1=None, p2=None, *, __pickle_state__=None)", "p1", "p2")
QUORIX_SHAPE_CLASS(trelk::Plane, "Plane", "(normal=None, d=0.0, *, __pickle_state__=None)", "normal", "d")

// The point cloud has no dataclass fields.
template <>
inline constexpr bool is_shape_value<trelk::Pointcloud> = true;
template <>
struct ClassOf<trelk::Pointcloud> {
    using Value = trelk::Pointcloud;
    static constexpr const char* name = "Pointcloud";
    static constexpr const char* params = "(points=None, r_range=..., point_radius=0.0, *, __pickle_state__=None)";
    static constexpr std::span<const char* const> fields{};
    static LazyType& lazy();
};

#undef QUORIX_SHAPE_CLASS

// ---- narrowing into trelk's single precision (round to nearest, out of range to infinity) ----

inline float f32(double v) { return static_cast<float>(v); }
inline trelk::Vec3 f32(const DVec3& v) { return {f32(v[0]), f32(v[1]), f32(v[2])}; }
inline trelk::Mat3 f32(const DMat3& m) { return {f32(m.cols[0]), f32(m.cols[1]), f32(m.cols[2])}; }
inline trelk::Quat f32(const DQuat& q) { return {f32(q.x), f32(q.y), f32(q.z), f32(q.w)}; }
inline trelk::Affine3A f32(const DAffine3& a) { return {f32(a.matrix3), f32(a.translation)}; }

// ---- widening back, exactly ----

inline DVec3 f64(trelk::Vec3 v) { return DVec3{{v.x, v.y, v.z}}; }

// A shape result becomes a new object of its class; a trelk vector a new Vec3.
template <class S>
    requires is_shape_value<S>
struct ToPy<S> {
    template <class T>
    static PyObject* convert(T&& v) { return wrap(std::forward<T>(v)); }
};

template <>
struct ToPy<float> {
    static PyObject* convert(float v) { return check(PyFloat_FromDouble(v)).release(); }
};

template <>
struct ToPy<trelk::Vec3> {
    static PyObject* convert(trelk::Vec3 v) { return wrap(f64(v)); }
};

}  // namespace quorix::py

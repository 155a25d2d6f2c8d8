// Quat: the double-precision quaternion class (x, y, z vector part, w scalar part), never
// normalised implicitly.
#include <bit>
#include <cstddef>
#include <tuple>

#include "binding/json_dict.hpp"
#include "glam_wrappers/algebra_args.hpp"
#include "glam_wrappers/product_operators.hpp"

namespace quorix::py {

namespace {

using Q = DQuat;
using P = ValueProtocol<Q>;

// Components converted in the order x, y, z, w (0, 0, 0, 1 when absent); a state replaces them.
Q build(PyObject* const* slots) { return build_from_components<Q>(slots, {0.0, 0.0, 0.0, 1.0}); }

using New = Constructor<Q, &build>;

PyObject* to_numpy(const Q& q) { return numpy_vector(4, stored(q).data()); }

}  // namespace

LazyType& ClassOf<Q>::lazy() { return value_class_type<Q, &build>(); }

namespace {

const ClassGroup protocol(
    ClassOf<Q>::lazy(),
    joined<PyType_Slot>({P::slots(), New::slots(), ProductOperators<Q, DVec3>::slots(),
                         {
                             {Py_tp_repr, reinterpret_cast<void*>(&P::call_text)},
                             {Py_tp_str, reinterpret_cast<void*>(&P::list_text)},
                         }}),
    joined<PyMethodDef>({
        {
            method<Q, "conjugate", "($self)", [](const Q& q) { return q.conjugate(); }>(),
            method<Q, "inverse", "($self)", [](const Q& q) { return q.inverse(); }>(),
            method<Q, "dot", "($self, rhs)", [](const Q& q, const Q& r) { return q.dot(r); }>(),
            method<Q, "length", "($self)", [](const Q& q) { return q.length(); }>(),
            method<Q, "length_squared", "($self)", [](const Q& q) { return q.length_squared(); }>(),
            method<Q, "length_recip", "($self)", [](const Q& q) { return q.length_recip(); }>(),
            method<Q, "normalize", "($self)", [](const Q& q) { return q.normalize(); }>(),
            method<Q, "mul_vec3", "($self, rhs)", [](const Q& q, const DVec3& v) { return q.mul_vec3(v); }>(),
            method<Q, "mul_quat", "($self, rhs)", [](const Q& q, const Q& r) { return q.mul_quat(r); }>(),
            method<Q, "lerp", "($self, end, s)", [](const Q& q, const Q& e, double s) { return q.lerp(e, s); }>(),
            method<Q, "slerp", "($self, end, s)", [](const Q& q, const Q& e, double s) { return q.slerp(e, s); }>(),
            method<Q, "angle_between", "($self, rhs)", [](const Q& q, const Q& r) { return q.angle_between(r); }>(),
            method<Q, "rotate_towards", "($self, rhs, max_angle)",
                   [](const Q& q, const Q& r, double max_angle) { return q.rotate_towards(r, max_angle); }>(),
            method<Q, "to_axis_angle", "($self)", [](const Q& q) { return q.to_axis_angle(); }>(),
            method<Q, "to_scaled_axis", "($self)", [](const Q& q) { return q.to_scaled_axis(); }>(),
            method<Q, "to_euler", "($self, order)",
                   [](const Q& q, EulerRot order) { return angle_tuple(q.to_euler(order)); }>(),
            method<Q, "to_array", "($self)", [](const Q& q) { return float_list(stored(q)); }>(),
            method<Q, "xyz", "($self)", [](const Q& q) { return q.xyz(); }>(),
            method<Q, "is_normalized", "($self)", [](const Q& q) { return q.is_normalized(); }>(),
            method<Q, "is_near_identity", "($self)", [](const Q& q) { return q.is_near_identity(); }>(),
        },
        P::methods(),
        numpy_methods<Q, &to_numpy>(),
    }),
    joined<PyGetSetDef>({double_properties<Q>(), P::properties()}),
    joined<ClassAttribute>({
        P::attributes(),
        {
            constant<Q, "IDENTITY", [] { return Q::identity(); }>(),
            constant<Q, "NAN", [] { return Q::nan(); }>(),
        },
    }));

// Static constructors.
const ClassGroup constructors(
    ClassOf<Q>::lazy(), {},
    {
        method<Q, "from_xyzw", "(x, y, z, w)", [](double x, double y, double z, double w) { return Q{x, y, z, w}; }>(),
        method<Q, "from_array", "(a)", [](const FloatArray<4>& a) { return Q{a.v[0], a.v[1], a.v[2], a.v[3]}; }>(),
        method<Q, "from_numpy", "(array)",
               [](const NumpyVector<4>& a) {
                   if (!a.shape_ok) raise_numpy_shape(ClassOf<Q>::name, {4});
                   return Q{a.v[0], a.v[1], a.v[2], a.v[3]};
               }>(),
        method<Q, "from_axis_angle", "(axis, angle)",
               [](const DVec3& axis, double angle) { return Q::from_axis_angle(axis, angle); }>(),
        method<Q, "from_scaled_axis", "(v)", [](const DVec3& v) { return Q::from_scaled_axis(v); }>(),
        method<Q, "from_rotation_x", "(angle)", [](double angle) { return Q::from_rotation_x(angle); }>(),
        method<Q, "from_rotation_y", "(angle)", [](double angle) { return Q::from_rotation_y(angle); }>(),
        method<Q, "from_rotation_z", "(angle)", [](double angle) { return Q::from_rotation_z(angle); }>(),
        method<Q, "from_euler", "(order, a, b, c)",
               [](EulerRot order, double a, double b, double c) { return Q::from_euler(order, a, b, c); }>(),
        method<Q, "from_rotation_axes", "(x_axis, y_axis, z_axis)",
               [](const DVec3& x, const DVec3& y, const DVec3& z) { return Q::from_rotation_axes(x, y, z); }>(),
        method<Q, "from_mat3", "(mat)", [](const DMat3& m) { return Q::from_mat3(m); }>(),
        method<Q, "from_mat4", "(mat)", [](const DMat4& m) { return Q::from_mat4(m); }>(),
        method<Q, "from_affine3", "(a)", [](const DAffine3& a) { return Q::from_affine3(a); }>(),
        method<Q, "from_rotation_arc", "(from, to)",
               [](const DVec3& from, const DVec3& to) { return Q::from_rotation_arc(from, to); }>(),
        method<Q, "from_rotation_arc_colinear", "(from, to)",
               [](const DVec3& from, const DVec3& to) { return Q::from_rotation_arc_colinear(from, to); }>(),
        method<Q, "from_rotation_arc_2d", "(from, to)",
               [](const DVec2& from, const DVec2& to) { return Q::from_rotation_arc_2d(from, to); }>(),
        method<Q, "look_to_lh", "(dir, up)", [](const DVec3& dir, const DVec3& up) { return Q::look_to_lh(dir, up); }>(),
        method<Q, "look_to_rh", "(dir, up)", [](const DVec3& dir, const DVec3& up) { return Q::look_to_rh(dir, up); }>(),
        method<Q, "look_at_lh", "(eye, center, up)",
               [](const DVec3& eye, const DVec3& center, const DVec3& up) { return Q::look_at_lh(eye, center, up); }>(),
        method<Q, "look_at_rh", "(eye, center, up)",
               [](const DVec3& eye, const DVec3& center, const DVec3& up) { return Q::look_at_rh(eye, center, up); }>(),
    });

// JSON text and plain-data forms: the stored values in storage order.
const ClassGroup forms(ClassOf<Q>::lazy(), {}, json_dict_methods<Q>());

}  // namespace
}  // namespace quorix::py

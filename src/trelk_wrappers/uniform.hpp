// What every shape class shares, declared once over the wrapped trelk value S and instantiated in
// each class file as `const UniformShapeGroups<S> uniform;`. The groups, as they appear on a class:
//   transforms  scaled(factor), translated(offset), rotated_mat(mat), rotated_quat(quat),
//               transformed(mat): a new object of the class; arguments narrowed to 32 bits
//   bounds      broadphase() -> Sphere, obb() -> Cuboid, aabb() -> Cuboid (kinds with a bound)
//   dataclass   __dataclass_fields__ (made once with the class) and the __dict__ property
//   collides    collides(other): any shape, the pair chosen by kind
//   abs_diff_eq abs_diff_eq(rhs, max_abs_diff): rhs by the class's own conversion
//   pickle      __getnewargs_ex__(): the stored form as protocol-3 state bytes
// The computation is trelk's; here are only the conversions.
#pragma once

#include <utility>

#include "binding/dataclass.hpp"
#include "binding/record_state.hpp"
#include "glam_wrappers/algebra_args.hpp"
#include "glam_wrappers/vector_class.hpp"
#include "trelk_wrappers/collides.hpp"
#include "trelk_wrappers/shape_args.hpp"
#include "approx_shapes.hpp"
#include "storage.hpp"

namespace quorix::py {

// trelk's operations by argument-dependent lookup, so that a kind's own overloads (the point
// cloud's are friends of its class) are found beside the generic ones.
namespace shape_ops {
using trelk::aabb, trelk::broadphase, trelk::obb, trelk::rotate_mat, trelk::rotate_quat, trelk::scale,
    trelk::transform, trelk::translate, trelk::abs_diff_eq;
template <class S> void scale_by(S& s, float f) { scale(s, f); }
template <class S> void translate_by(S& s, trelk::Vec3 o) { translate(s, o); }
template <class S> void rotate_by(S& s, const trelk::Mat3& m) { rotate_mat(s, m); }
template <class S> void rotate_by(S& s, const trelk::Quat& q) { rotate_quat(s, q); }
template <class S> void transform_by(S& s, const trelk::Affine3A& a) { transform(s, a); }
template <class S> trelk::Sphere bounding_sphere(const S& s) { return broadphase(s); }
template <class S> trelk::Cuboid oriented_box(const S& s) { return obb(s); }
template <class S> trelk::Cuboid aligned_box(const S& s) { return aabb(s); }
template <class S> bool approx_equal(const S& a, const S& b, float eps) { return abs_diff_eq(a, b, eps); }
}  // namespace shape_ops

// A copy of s changed by `change`.
template <class S, class F>
S changed(const S& s, F&& change) {
    S r = s;
    change(r);
    return r;
}

// The transforms over a value, its arguments narrowed to 32 bits: the shape classes and Collider
// list them under the same names.
template <class S>
struct Transformed {
    static S scaled(const S& s, double factor) {
        return changed(s, [&](S& r) { shape_ops::scale_by(r, f32(factor)); });
    }
    static S translated(const S& s, trelk::Vec3 offset) {
        return changed(s, [&](S& r) { shape_ops::translate_by(r, offset); });
    }
    static S rotated_mat(const S& s, const DMat3& mat) {
        return changed(s, [&](S& r) { shape_ops::rotate_by(r, f32(mat)); });
    }
    static S rotated_quat(const S& s, const DQuat& quat) {
        return changed(s, [&](S& r) { shape_ops::rotate_by(r, f32(quat)); });
    }
    static S transformed(const S& s, const DAffine3& mat) {
        return changed(s, [&](S& r) { shape_ops::transform_by(r, f32(mat)); });
    }
};

template <class S>
struct UniformShape {
    static std::vector<PyMethodDef> transforms() {
        using T = Transformed<S>;
        return {
            method<S, "scaled", "($self, factor)", &T::scaled>(),
            method<S, "translated", "($self, offset)", &T::translated>(),
            method<S, "rotated_mat", "($self, mat)", &T::rotated_mat>(),
            method<S, "rotated_quat", "($self, quat)", &T::rotated_quat>(),
            method<S, "transformed", "($self, mat)", &T::transformed>(),
        };
    }

    static std::vector<PyMethodDef> bounds() {
        if constexpr (trelk::Bounded<S>)
            return {
                method<S, "broadphase", "($self)", [](const S& s) { return shape_ops::bounding_sphere(s); }>(),
                method<S, "obb", "($self)", [](const S& s) { return shape_ops::oriented_box(s); }>(),
                method<S, "aabb", "($self)", [](const S& s) { return shape_ops::aligned_box(s); }>(),
            };
        else
            return {};
    }

    static std::vector<PyMethodDef> collides() {
        return {method<S, "collides", "($self, other)",
                       [](const S& s, const ShapeView& other) { return shape_collides(s, other); }>()};
    }

    static std::vector<PyMethodDef> approx() {
        return {method<S, "abs_diff_eq", "($self, rhs, max_abs_diff)",
                       [](const S& s, const OwnArg<S>& rhs, double max_abs_diff) {
                           return shape_ops::approx_equal(s, shape_of(rhs), f32(max_abs_diff));
                       }>()};
    }

    static std::vector<PyMethodDef> pickle() {
        return {method<S, "__getnewargs_ex__", "($self)", [](const S& s) { return record_newargs(s); }>()};
    }

    static PyObject* dict(PyObject* self, void*) {
        return guard([&] {
            receiver<S>(self);
            return fields_dict(self, ClassOf<S>::fields);
        });
    }

    static std::vector<ClassAttribute> dataclass_fields() {
        return {{"__dataclass_fields__", []() -> PyObject* { return make_dataclass_fields(ClassOf<S>::fields); }}};
    }

    // Destroys the value before the object is freed: polygons, polytopes and clouds own memory.
    static std::vector<PyType_Slot> slots() {
        return {{Py_tp_dealloc, reinterpret_cast<void*>(&dealloc_value<S>)}};
    }
};

// The six groups, registered with S's class in this order.
template <class S>
struct UniformShapeGroups {
    using U = UniformShape<S>;
    ClassGroup transforms{ClassOf<S>::lazy(), U::slots(), U::transforms()};
    ClassGroup bounds{ClassOf<S>::lazy(), {}, U::bounds()};
    ClassGroup dataclass{ClassOf<S>::lazy(), {}, {}, {{"__dict__", &U::dict, nullptr, nullptr, nullptr}},
                         U::dataclass_fields()};
    ClassGroup collides{ClassOf<S>::lazy(), {}, U::collides()};
    ClassGroup approx{ClassOf<S>::lazy(), {}, U::approx()};
    ClassGroup pickle{ClassOf<S>::lazy(), {}, U::pickle()};
};

}  // namespace quorix::py

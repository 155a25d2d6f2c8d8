// Affine3: the affine transform class, a 3x3 linear part followed by a translation. Its only
// operator is the composition with another affine transform.
#include <bit>
#include <string>

#include "binding/json_dict.hpp"
#include "glam_wrappers/algebra_args.hpp"

namespace quorix::py {

namespace {

using A = DAffine3;
using P = ValueProtocol<A>;

// translation, then rotation (a matrix) are converted; then a state decides, or both must be there.
A build(PyObject* const* slots) {
    A a{};
    const bool translation = read_optional_argument(slots[0], "translation", a.translation);
    const bool rotation = read_optional_argument(slots[1], "rotation", a.matrix3);
    if (P::apply_state(slots[2], a)) return a;
    if (!translation || !rotation) raise(PyExc_ValueError, "Affine3 requires translation and rotation arguments");
    return a;
}

using New = Constructor<A, &build>;

// a * o applies o first; only another affine transform is a product of this class.
PyObject* multiply(PyObject* a, PyObject* b) {
    return guard([&]() -> PyObject* {
        A o;
        if (!is_instance<A>(a) || !try_read(b, o)) Py_RETURN_NOTIMPLEMENTED;
        return wrap_in(Py_TYPE(a), value_of<A>(a) * o);
    });
}

// "Affine3(matrix3=DMat3 { x_axis: DVec3(1.0, 0.0, 0.0), ... }, translation=DVec3(0.0, 0.0, 0.0))".
PyObject* repr(PyObject* self) {
    return guard([&] {
        const A& a = value_of<A>(self);
        std::string s = "Affine3(matrix3=";
        append_debug(s, a.matrix3);
        s += ", translation=";
        append_debug(s, a.translation);
        s += ')';
        return ToPy<std::string>::convert(s);
    });
}

// Rows first: the linear part with the translation as fourth column.
PyObject* to_numpy(const A& a) {
    double rows[3][4];
    for (std::size_t r = 0; r < 3; ++r) {
        for (std::size_t c = 0; c < 3; ++c) rows[r][c] = a.matrix3.cols[c].v[r];
        rows[r][3] = a.translation.v[r];
    }
    return numpy_matrix(3, 4, &rows[0][0]);
}

PyObject* to_cols_array_2d(const A& a) {
    Ref list = check(PyList_New(4));
    for (std::size_t c = 0; c < 3; ++c) PyList_SET_ITEM(list.get(), c, float_list(a.matrix3.cols[c].v));
    PyList_SET_ITEM(list.get(), 3, float_list(a.translation.v));
    return list.release();
}

}  // namespace

LazyType& ClassOf<A>::lazy() { return value_class_type<A, &build>(); }

namespace {

const ClassGroup protocol(
    ClassOf<A>::lazy(),
    joined<PyType_Slot>({P::slots(), New::slots(),
                         {
                             {Py_nb_multiply, reinterpret_cast<void*>(&multiply)},
                             {Py_tp_repr, reinterpret_cast<void*>(&repr)},
                         }}),
    joined<PyMethodDef>({
        {
            method<A, "transform_point3", "($self, rhs)", [](const A& a, const DVec3& p) { return a.transform_point3(p); }>(),
            method<A, "transform_vector3", "($self, rhs)", [](const A& a, const DVec3& v) { return a.transform_vector3(v); }>(),
            method<A, "inverse", "($self)", [](const A& a) { return a.inverse(); }>(),
            method<A, "to_scale_rotation_translation", "($self)",
                   [](const A& a) {
                       const auto [scale, rotation, translation] = a.to_scale_rotation_translation();
                       return std::tuple{scale, rotation, translation};
                   }>(),
            method<A, "to_cols_array", "($self)", [](const A& a) { return float_list(stored(a)); }>(),
            method<A, "to_cols_array_2d", "($self)", &to_cols_array_2d>(),
        },
        P::methods(),
        numpy_methods<A, &to_numpy>(),
    }),
    joined<PyGetSetDef>({
        {
            property<A, "matrix3", [](const A& a) { return a.matrix3; }>(),
            property<A, "translation", [](const A& a) { return a.translation; }>(),
        },
        P::properties(),
    }),
    joined<ClassAttribute>({
        P::attributes(),
        {
            constant<A, "IDENTITY", [] { return A::identity(); }>(),
            constant<A, "ZERO", [] { return A::zero(); }>(),
            constant<A, "NAN", [] { return A::nan(); }>(),
        },
    }));

const ClassGroup constructors(
    ClassOf<A>::lazy(), {},
    {
        method<A, "from_cols", "(x_axis, y_axis, z_axis, w_axis)", &A::from_cols>(),
        method<A, "from_cols_array", "(m)", [](const FloatArray<12>& m) { return A::from_cols_array(std::to_array(m.v)); }>(),
        method<A, "from_cols_array_2d", "(m)", [](const FloatGrid<4, 3>& g) { return from_stored<A>(std::bit_cast<Stored<A>>(g)); }>(),
        method<A, "from_numpy", "(array)",
               [](const NumpyMatrix<3, 4>& n) {
                   if (!n.shape_ok) raise_numpy_shape(ClassOf<A>::name, {3, 4});
                   A a{};
                   for (std::size_t r = 0; r < 3; ++r) {
                       for (std::size_t c = 0; c < 3; ++c) a.matrix3.cols[c].v[r] = n.a[r][c];
                       a.translation.v[r] = n.a[r][3];
                   }
                   return a;
               }>(),
        method<A, "from_mat3", "(mat3)", &A::from_mat3>(),
        method<A, "from_mat3_translation", "(mat3, translation)", &A::from_mat3_translation>(),
        method<A, "from_mat4", "(m)", &A::from_mat4>(),
        method<A, "from_quat", "(rotation)", &A::from_quat>(),
        method<A, "from_rotation_translation", "(rotation, translation)", &A::from_rotation_translation>(),
        method<A, "from_scale_rotation_translation", "(scale, rotation, translation)", &A::from_scale_rotation_translation>(),
        method<A, "from_scale", "(scale)", &A::from_scale>(),
        method<A, "from_translation", "(translation)", &A::from_translation>(),
        method<A, "from_axis_angle", "(axis, angle)", &A::from_axis_angle>(),
        method<A, "from_rotation_x", "(angle)", &A::from_rotation_x>(),
        method<A, "from_rotation_y", "(angle)", &A::from_rotation_y>(),
        method<A, "from_rotation_z", "(angle)", &A::from_rotation_z>(),
        method<A, "look_to_lh", "(eye, dir, up)", &A::look_to_lh>(),
        method<A, "look_to_rh", "(eye, dir, up)", &A::look_to_rh>(),
        method<A, "look_at_lh", "(eye, center, up)", &A::look_at_lh>(),
        method<A, "look_at_rh", "(eye, center, up)", &A::look_at_rh>(),
    });

// JSON text and plain-data forms: the stored values in storage order.
const ClassGroup forms(ClassOf<A>::lazy(), {}, json_dict_methods<A>());

}  // namespace
}  // namespace quorix::py

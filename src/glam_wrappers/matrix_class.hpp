// What the matrix classes Mat3 and Mat4 share, written once over the square matrix type M:
// construction from columns, text, operators, the column properties, the class constants and the
// methods whose names do not carry the size. A class file adds its own methods.
#pragma once

#include <bit>
#include <cstddef>
#include <string>
#include <vector>

#include "glam_wrappers/algebra_args.hpp"
#include "glam_wrappers/product_operators.hpp"

namespace quorix::py {

template <class M>
struct MatrixClass {
    static constexpr std::size_t N = M::dim;
    using Col = Vec<N>;
    using Class = ClassOf<M>;
    using P = ValueProtocol<M>;
    using Ops = ProductOperators<M, Col>;

    static constexpr const char* requires_message = N == 3 ? "Mat3 requires x_axis, y_axis, z_axis arguments"
                                                           : "Mat4 requires x_axis, y_axis, z_axis, w_axis arguments";

    // Every given axis is converted first; then a state decides the value, or all axes must be there.
    static M build(PyObject* const* slots) {
        Col axes[N]{};
        bool all_given = true;
        for (std::size_t i = 0; i < N; ++i)
            all_given = read_optional_argument(slots[i], Class::fields[i], axes[i]) && all_given;
        M m{};
        if (P::apply_state(slots[N], m)) return m;
        if (!all_given) raise(PyExc_ValueError, requires_message);
        for (std::size_t i = 0; i < N; ++i) m.cols[i] = axes[i];
        return m;
    }

    // "Mat3([1, 0, 0], [0, 1, 0], [0, 0, 1])": one bracket per column.
    static PyObject* repr(PyObject* self) {
        return guard([&] {
            const M& m = value_of<M>(self);
            std::string s = std::string(Class::name) + '(';
            for (std::size_t c = 0; c < N; ++c) {
                s += c ? ", [" : "[";
                append_plain_list(s, m.cols[c].v);
                s += ']';
            }
            s += ')';
            return ToPy<std::string>::convert(s);
        });
    }

    // Rows first, as the matrix is written on paper.
    static PyObject* to_numpy(const M& m) {
        const Stored<M> rows = stored(m.transpose());
        return numpy_matrix(N, N, rows.data());
    }

    static PyObject* to_cols_array_2d(const M& m) {
        Ref list = check(PyList_New(N));
        for (std::size_t c = 0; c < N; ++c) PyList_SET_ITEM(list.get(), c, float_list(m.cols[c].v));
        return list.release();
    }

    // The class object; ClassOf<M>::lazy() of each class file returns it.
    static LazyType& lazy_type() { return value_class_type<M, &build>(); }

    static std::vector<PyType_Slot> slots() {
        return joined<PyType_Slot>({P::slots(), Ops::slots(), Constructor<M, &build>::slots(),
                                    {{Py_tp_repr, reinterpret_cast<void*>(&repr)}}});
    }

    static std::vector<PyGetSetDef> properties() {
        std::vector<PyGetSetDef> p = {
            property<M, "x_axis", [](const M& m) { return m.cols[0]; }>(),
            property<M, "y_axis", [](const M& m) { return m.cols[1]; }>(),
            property<M, "z_axis", [](const M& m) { return m.cols[2]; }>(),
        };
        if constexpr (N == 4) p.push_back(property<M, "w_axis", [](const M& m) { return m.cols[3]; }>());
        return joined<PyGetSetDef>({p, P::properties()});
    }

    static std::vector<ClassAttribute> attributes() {
        return joined<ClassAttribute>({
            P::attributes(),
            {
                constant<M, "IDENTITY", [] { return M::identity(); }>(),
                constant<M, "ZERO", [] { return M::zero(); }>(),
                constant<M, "NAN", [] { return M::nan(); }>(),
            },
        });
    }

    static PyMethodDef from_cols() {
        if constexpr (N == 3)
            return method<M, "from_cols", "(x_axis, y_axis, z_axis)",
                          [](const Col& x, const Col& y, const Col& z) { return M::from_cols(x, y, z); }>();
        else
            return method<M, "from_cols", "(x_axis, y_axis, z_axis, w_axis)",
                          [](const Col& x, const Col& y, const Col& z, const Col& w) {
                              return M::from_cols(x, y, z, w);
                          }>();
    }

    static std::vector<PyMethodDef> methods() {
        return joined<PyMethodDef>({{
            from_cols(),
            method<M, "from_cols_array", "(m)", [](const FloatArray<N * N>& a) { return M::from_cols_array(std::to_array(a.v)); }>(),
            method<M, "from_cols_array_2d", "(m)",
                   [](const FloatGrid<N, N>& g) { return from_stored<M>(std::bit_cast<Stored<M>>(g)); }>(),
            method<M, "from_numpy", "(array)",
                   [](const NumpyMatrix<N, N>& a) {
                       if (!a.shape_ok) raise_numpy_shape(Class::name, {N, N});
                       return from_stored<M>(std::bit_cast<Stored<M>>(a.a)).transpose();
                   }>(),
            method<M, "from_diagonal", "(diagonal)", [](const Col& d) { return M::from_diagonal(d); }>(),
            method<M, "from_quat", "(rotation)", [](const DQuat& q) { return M::from_quat(q); }>(),
            method<M, "from_axis_angle", "(axis, angle)",
                   [](const DVec3& axis, double angle) { return M::from_axis_angle(axis, angle); }>(),
            method<M, "from_rotation_x", "(angle)", [](double angle) { return M::from_rotation_x(angle); }>(),
            method<M, "from_rotation_y", "(angle)", [](double angle) { return M::from_rotation_y(angle); }>(),
            method<M, "from_rotation_z", "(angle)", [](double angle) { return M::from_rotation_z(angle); }>(),
            method<M, "from_euler", "(order, a, b, c)",
                   [](EulerRot order, double a, double b, double c) { return M::from_euler(order, a, b, c); }>(),
            method<M, "col", "($self, index)",
                   [](const M& m, unsigned long long index) {
                       const auto c = m.checked_col(index);
                       if (!c) raise(PyExc_IndexError, "column index out of range");
                       return *c;
                   }>(),
            method<M, "row", "($self, index)",
                   [](const M& m, unsigned long long index) {
                       const auto r = m.checked_row(index);
                       if (!r) raise(PyExc_IndexError, "row index out of range");
                       return *r;
                   }>(),
            method<M, "diagonal", "($self)", [](const M& m) { return m.diagonal(); }>(),
            method<M, "transpose", "($self)", [](const M& m) { return m.transpose(); }>(),
            method<M, "determinant", "($self)", [](const M& m) { return m.determinant(); }>(),
            method<M, "inverse", "($self)", [](const M& m) { return m.inverse(); }>(),
            method<M, "try_inverse", "($self)", [](const M& m) { return m.try_inverse(); }>(),
            method<M, "inverse_or_zero", "($self)", [](const M& m) { return m.inverse_or_zero(); }>(),
            method<M, "mul_scalar", "($self, rhs)", [](const M& m, double f) { return m.mul_scalar(f); }>(),
            method<M, "div_scalar", "($self, rhs)", [](const M& m, double f) { return m.div_scalar(f); }>(),
            method<M, "mul_diagonal_scale", "($self, scale)", [](const M& m, const Col& s) { return m.mul_diagonal_scale(s); }>(),
            method<M, "abs", "($self)", [](const M& m) { return m.abs(); }>(),
            method<M, "recip", "($self)", [](const M& m) { return m.recip(); }>(),
            method<M, "to_cols_array", "($self)", [](const M& m) { return float_list(stored(m)); }>(),
            method<M, "to_cols_array_2d", "($self)", &to_cols_array_2d>(),
            method<M, "to_euler", "($self, order)", [](const M& m, EulerRot order) { return angle_tuple(m.to_euler(order)); }>(),
        }, P::methods(), numpy_methods<M, &to_numpy>()});
    }
};

// The group of MatrixClass<M> that Mat3 and Mat4 share; a class file defines one of these beside
// its own methods.
template <class M>
struct SharedMatrixGroup {
    using C = MatrixClass<M>;
    ClassGroup protocol{ClassOf<M>::lazy(), C::slots(), C::methods(), C::properties(), C::attributes()};
};

}  // namespace quorix::py

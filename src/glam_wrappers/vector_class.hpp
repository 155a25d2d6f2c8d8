// What the vector classes Vec2, Vec3 and Vec4 share, written once over Vec<N>: the vector-like
// argument rule, construction, the operators and item access, and the methods of the class
// itself. The protocol of every algebra value (state, dataclass view, equality, hash, text) comes
// from ValueProtocol.
#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string>

#include "algebra/vec.hpp"
#include "glam_wrappers/value_class.hpp"

namespace quorix::py {

// Vector-like argument rule: an object of exactly the class; else (Vec3, Vec4, not Vec2) a
// sequence of exactly N numbers, whose failure is discarded; else the attributes x, y, (z, w) by
// the float rule, whose first failure is the rule's error.
template <std::size_t N>
bool read_vector_like(PyObject* o, Vec<N>& out) {
    if (Py_TYPE(o) == ClassOf<Vec<N>>::lazy().created()) {
        out = value_of<Vec<N>>(o);
        return true;
    }
    return read_xyzw(o, out.v, N, N >= 3);
}

template <std::size_t N>
struct Arg<Vec<N>> {
    static bool read(PyObject* o, Vec<N>& out) { return read_vector_like(o, out); }
};

template <std::size_t N>
struct ToPy<Vec<N>> {
    static PyObject* convert(const Vec<N>& v) { return wrap(v); }
};

template <std::size_t N>
struct VectorClass {
    using V = Vec<N>;
    using P = ValueProtocol<V>;
    static constexpr const char* name = ClassOf<V>::name;

    static V build(PyObject* const* slots) { return build_from_components<V>(slots, {}); }

    // The class object; ClassOf<Vec<N>>::lazy() of each class file returns it.
    static LazyType& lazy_type() { return value_class_type<V, &build>(); }

    // ---- operators ----

    enum class Op { add, sub, mul, div, rem };

    template <Op op>
    static V apply(const V& a, const V& b) {
        if constexpr (op == Op::add) return a + b;
        else if constexpr (op == Op::sub) return a - b;
        else if constexpr (op == Op::mul) return a * b;
        else if constexpr (op == Op::div) return a / b;
        else return fmod(a, b);
    }
    template <Op op>
    static V apply(const V& a, double s) {
        if constexpr (op == Op::add) return a + s;
        else if constexpr (op == Op::sub) return a - s;
        else if constexpr (op == Op::mul) return a * s;
        else if constexpr (op == Op::div) return a / s;
        else return fmod(a, s);
    }
    template <Op op>
    static V apply(double s, const V& a) {  // the scalar on the left
        if constexpr (op == Op::add) return a + s;
        else if constexpr (op == Op::sub) return s - a;
        else if constexpr (op == Op::mul) return a * s;
        else return s / a;
    }

    // One slot for both operand orders. The vector reading of the other operand is tried first,
    // the float rule second; when both fail the operator raises at once.
    template <Op op>
    static PyObject* binary(PyObject* a, PyObject* b) {
        return guard([&]() -> PyObject* {
            const bool left = is_instance<V>(a);
            if (!left && op == Op::rem) Py_RETURN_NOTIMPLEMENTED;
            PyObject* self = left ? a : b;
            PyObject* other = left ? b : a;
            PyTypeObject* type = Py_TYPE(self);  // the class itself: it has no subclasses
            const V& v = value_of<V>(self);
            // Exact floats and ints have neither items nor attributes x, y: go straight to the float rule.
            if (!PyFloat_CheckExact(other) && !PyLong_CheckExact(other)) {
                V o;
                if (read_vector_like(other, o)) return wrap_in(type, left ? apply<op>(v, o) : apply<op>(o, v));
                if (!discard_ordinary_error()) throw PythonError{};
            }
            double s;
            if (read_float(other, s)) return wrap_in(type, left ? apply<op>(v, s) : apply<op>(s, v));
            if (!discard_ordinary_error()) throw PythonError{};
            static constexpr const char symbol[] = {"+-*/%"[static_cast<int>(op)], 0};
            raise(PyExc_TypeError, (std::string("unsupported operand type for ") + symbol).c_str());
        });
    }

    static PyObject* negative(PyObject* self) {
        return guard([&] { return wrap_in(Py_TYPE(self), -value_of<V>(self)); });
    }
    static PyObject* positive(PyObject* self) {
        return guard([&] { return wrap_in(Py_TYPE(self), value_of<V>(self)); });
    }

    // ---- length and items ----

    static Py_ssize_t length(PyObject*) { return static_cast<Py_ssize_t>(N); }

    static PyObject* component(PyObject* self, Py_ssize_t i) {
        if (i < 0 || i >= static_cast<Py_ssize_t>(N)) raise(PyExc_IndexError, "index out of range");
        return ToPy<double>::convert(value_of<V>(self)[static_cast<std::size_t>(i)]);
    }

    static PyObject* subscript(PyObject* self, PyObject* key) {
        return guard([&] {
            Py_ssize_t i;
            if (!read_index(key, i)) {
                rename_argument_error("idx");
                throw PythonError{};
            }
            if (i < 0) i += static_cast<Py_ssize_t>(N);
            return component(self, i);
        });
    }

    // The sequence protocol's item slot: the interpreter has already added the length to a
    // negative index, so it is not added again.
    static PyObject* item(PyObject* self, Py_ssize_t i) { return guard([&] { return component(self, i); }); }

    // ---- methods ----

    static PyObject* to_list(const V& v) { return float_list(v.v); }

    static PyObject* to_numpy(const V& v) { return numpy_vector(N, v.v); }

    template <std::size_t I>
    static V with(const V& v, double c) {
        return v.with(I, c);
    }

    static std::vector<PyMethodDef> methods() {
        std::vector<PyMethodDef> m = {
            method<V, "with_x", "($self, x)", &with<0>>(),
            method<V, "with_y", "($self, y)", &with<1>>(),
        };
        if constexpr (N >= 3) m.push_back(method<V, "with_z", "($self, z)", &with<2>>());
        if constexpr (N >= 4) m.push_back(method<V, "with_w", "($self, w)", &with<3>>());
        std::vector<PyMethodDef> rest = {
            method<V, "to_list", "($self)", &to_list>(),
            method<V, "to_array", "($self)", &to_list>(),
            method<V, "splat", "(v)", [](double s) { return V::splat(s); }>(),
            method<V, "from_array", "(a)", [](const FloatArray<N>& a) { return V::from_array(std::to_array(a.v)); }>(),
            method<V, "from_numpy", "(array)",
                   [](const NumpyVector<N>& a) {
                       if (!a.shape_ok) raise_numpy_shape(name, {N});
                       return V::from_array(std::to_array(a.v));
                   }>(),
        };
        return joined<PyMethodDef>({m, rest, P::methods(), numpy_methods<V, &to_numpy>()});
    }

    static std::vector<PyGetSetDef> properties() {
        return joined<PyGetSetDef>({double_properties<V>(), P::properties()});
    }
    static std::vector<ClassAttribute> attributes() { return P::attributes(); }

    // ---- slots ----

    static std::vector<PyType_Slot> slots() {
        return joined<PyType_Slot>({P::slots(), {
            {Py_tp_new, reinterpret_cast<void*>(&Constructor<V, &build>::tp_new)},
            {Py_tp_repr, reinterpret_cast<void*>(&P::call_text)},
            {Py_tp_str, reinterpret_cast<void*>(&P::list_text)},
            {Py_nb_add, reinterpret_cast<void*>(&binary<Op::add>)},
            {Py_nb_subtract, reinterpret_cast<void*>(&binary<Op::sub>)},
            {Py_nb_multiply, reinterpret_cast<void*>(&binary<Op::mul>)},
            {Py_nb_true_divide, reinterpret_cast<void*>(&binary<Op::div>)},
            {Py_nb_remainder, reinterpret_cast<void*>(&binary<Op::rem>)},
            {Py_nb_negative, reinterpret_cast<void*>(&negative)},
            {Py_nb_positive, reinterpret_cast<void*>(&positive)},
            {Py_mp_length, reinterpret_cast<void*>(&length)},
            {Py_mp_subscript, reinterpret_cast<void*>(&subscript)},
            {Py_sq_length, reinterpret_cast<void*>(&length)},
            {Py_sq_item, reinterpret_cast<void*>(&item)},
        }});
    }
};

}  // namespace quorix::py

// What the vector classes Vec2, Vec3 and Vec4 share, written once over Vec<N>: the vector-like
// argument rule, construction, the Python protocols (text, hash, equality, operators, item
// access), the pickle state, the dataclass view and the methods of the class itself. A class
// file instantiates VectorClass<N> and adds its own constants.
#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string>

#include "algebra/components.hpp"
#include "algebra/vec.hpp"
#include "binding/convert.hpp"
#include "binding/dataclass.hpp"
#include "binding/errors.hpp"
#include "binding/method.hpp"
#include "binding/numpy_api.hpp"
#include "binding/pickle_state.hpp"
#include "binding/siphash.hpp"
#include "glam_wrappers/classes.hpp"
#include "support/float_text.hpp"

#if PY_VERSION_HEX < 0x030C0000
#include <structmember.h>
#endif

namespace quorix::py {

#if PY_VERSION_HEX >= 0x030C0000
inline constexpr int member_double = Py_T_DOUBLE;
inline constexpr int member_readonly = Py_READONLY;
#else
inline constexpr int member_double = T_DOUBLE;
inline constexpr int member_readonly = READONLY;
#endif

template <std::size_t N>
struct VectorSpec {
    static constexpr const char* fields[] = {"x", "y", "z", "w"};
    static constexpr std::span<const char* const> field_list() { return {fields, N}; }
    // Vec2 takes no plain sequence; Vec3 and Vec4 take one of exactly N numbers.
    static constexpr bool sequence_step = N >= 3;
    static constexpr const char* params = N == 2   ? "(x=0.0, y=0.0, *, __pickle_state__=None)"
                                          : N == 3 ? "(x=0.0, y=0.0, z=0.0, *, __pickle_state__=None)"
                                                   : "(x=0.0, y=0.0, z=0.0, w=0.0, *, __pickle_state__=None)";
    static constexpr const char* text_signature = N == 2   ? "Vec2(x=0.0, y=0.0, *, __pickle_state__=None)"
                                                  : N == 3 ? "Vec3(x=0.0, y=0.0, z=0.0, *, __pickle_state__=None)"
                                                           : "Vec4(x=0.0, y=0.0, z=0.0, w=0.0, *, __pickle_state__=None)";
    static constexpr const char* expected_state = N == 2   ? "a sequence of 2 f64 values"
                                                  : N == 3 ? "a sequence of 3 f64 values"
                                                           : "a sequence of 4 f64 values";
};

// The attribute names x, y, z, w as interned strings, made once.
PyObject* const* component_names();

// Vector-like argument rule: an object of exactly the class; else (Vec3, Vec4) a sequence of
// exactly N numbers, whose failure is discarded; else the attributes x, y, (z, w) by the float
// rule, whose first failure is the rule's error.
template <std::size_t N>
bool read_vector_like(PyObject* o, Vec<N>& out) {
    if (Py_TYPE(o) == ClassOf<Vec<N>>::lazy().created()) {
        out = value_of<Vec<N>>(o);
        return true;
    }
    if constexpr (VectorSpec<N>::sequence_step) {
        if (read_float_sequence(o, out.v, N)) return true;
        if (!discard_ordinary_error()) return false;
    }
    PyObject* const* names = component_names();
    for (std::size_t i = 0; i < N; ++i) {
        PyObject* attr = PyObject_GetAttr(o, names[i]);
        if (!attr) return false;
        bool ok = read_float(attr, out.v[i]);
        Py_DECREF(attr);
        if (!ok) return false;
    }
    return true;
}

template <std::size_t N>
struct Arg<Vec<N>> {
    static bool read(PyObject* o, Vec<N>& out) { return read_vector_like(o, out); }
};

template <std::size_t N>
struct ToPy<Vec<N>> {
    static PyObject* convert(const Vec<N>& v) { return wrap(v); }
};

// Exactly N numbers by the fixed-length sequence rule, its errors raised (from_array).
template <std::size_t N>
struct FloatArray {
    double v[N];
};

template <std::size_t N>
struct Arg<FloatArray<N>> {
    static bool read(PyObject* o, FloatArray<N>& out) { return read_float_sequence(o, out.v, N); }
};

// A one-dimensional float64 array-like of N elements (from_numpy); NumPy's conversion errors are
// the argument's, a different shape is reported by the method.
template <std::size_t N>
struct NumpyVector {
    bool shape_ok = false;
    double v[N];
};

template <std::size_t N>
struct Arg<NumpyVector<N>> {
    static bool read(PyObject* o, NumpyVector<N>& out) {
        try {
            Float64Array a(o);
            out.shape_ok = a.ndim() == 1 && a.dim(0) == static_cast<Py_ssize_t>(N);
            if (out.shape_ok)
                for (std::size_t i = 0; i < N; ++i) out.v[i] = a.at(static_cast<Py_ssize_t>(i));
            return true;
        } catch (const PythonError&) {
            return false;
        }
    }
};

// A class attribute holding one value of the class.
template <class V, Text Name, auto Make>
ClassAttribute constant() {
    return {Name.s, []() -> PyObject* { return wrap(Make()); }};
}

template <std::size_t N>
struct VectorClass {
    using V = Vec<N>;
    using Spec = VectorSpec<N>;
    static constexpr const char* name = ClassOf<V>::name;

    // The class object's description; ClassOf<Vec<N>>::lazy() of each class file returns it.
    static LazyType& lazy_type() {
        static LazyType type({name, Spec::text_signature, sizeof(ValueObject<V>), 0, &vectorcall});
        return type;
    }

    // ---- text ----

    static void append_components(std::string& s, const V& v) {
        for (std::size_t i = 0; i < N; ++i) {
            if (i) s += ", ";
            append_plain(s, v[i]);
        }
    }

    static PyObject* repr(PyObject* self) {
        return guard([&] {
            std::string s;
            s.reserve(64);
            s += name;
            s += '(';
            append_components(s, value_of<V>(self));
            s += ')';
            return ToPy<std::string>::convert(s);
        });
    }

    static PyObject* str(PyObject* self) {
        return guard([&] {
            std::string s;
            s.reserve(64);
            s += '[';
            append_components(s, value_of<V>(self));
            s += ']';
            return ToPy<std::string>::convert(s);
        });
    }

    // ---- hash and equality ----

    static Py_hash_t hash(PyObject* self) { return hash_doubles(value_of<V>(self).v, N); }

    static PyObject* richcompare(PyObject* self, PyObject* other, int op) {
        return guard([&]() -> PyObject* {
            if (op != Py_EQ && op != Py_NE) Py_RETURN_NOTIMPLEMENTED;
            if (Py_TYPE(other) == Py_TYPE(self)) {
                bool equal = value_of<V>(self) == value_of<V>(other);
                return Py_NewRef((op == Py_EQ) == equal ? Py_True : Py_False);
            }
            if (!is_instance<V>(self)) Py_RETURN_NOTIMPLEMENTED;
            V o;
            if (!read_vector_like(other, o)) {
                if (!discard_ordinary_error()) throw PythonError{};
                Py_RETURN_NOTIMPLEMENTED;
            }
            bool equal = value_of<V>(self) == o;
            return ToPy<bool>::convert(op == Py_EQ ? equal : !equal);
        });
    }

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

    // ---- construction ----

    static PyObject* construct(PyTypeObject* type, PyObject* const* slots) {
        V v{};
        for (std::size_t i = 0; i < N; ++i) {
            if (slots[i] && !read_float(slots[i], v.v[i])) {
                rename_argument_error(Spec::fields[i]);
                throw PythonError{};
            }
        }
        PickleState state;
        if (read_pickle_state(slots[N], state)) decode_float_state(state, v.v, Spec::expected_state);
        auto* o = PyObject_New(ValueObject<V>, type);
        if (!o) throw PythonError{};
        o->value = v;
        return reinterpret_cast<PyObject*>(o);
    }

    static const Signature& constructor_signature() {
        static const Signature sig(name, "__new__", Spec::params);
        return sig;
    }

    static PyObject* vectorcall(PyObject* type, PyObject* const* args, size_t nargsf, PyObject* kwnames) {
        return guard([&] {
            PyObject* slots[N + 1];
            constructor_signature().parse(args, PyVectorcall_NARGS(nargsf), kwnames, slots);
            return construct(reinterpret_cast<PyTypeObject*>(type), slots);
        });
    }

    static PyObject* tp_new(PyTypeObject* type, PyObject* args, PyObject* kwargs) {
        return guard([&] {
            PyObject* slots[N + 1];
            constructor_signature().parse_tuple(args, kwargs, slots);
            return construct(type, slots);
        });
    }

    // ---- properties ----

    static PyObject* dict(PyObject* self, void*) {
        return guard([&] { return fields_dict(self, Spec::field_list()); });
    }

    static std::vector<PyGetSetDef> properties() { return {{"__dict__", &dict, nullptr, nullptr, nullptr}}; }

    // x, y, z, w: read-only float members read straight from the stored value.
    static PyMemberDef* components() {
        static PyMemberDef members[N + 1] = {};
        for (std::size_t i = 0; i < N; ++i) {
            const auto offset = static_cast<Py_ssize_t>(offsetof(ValueObject<V>, value) + i * sizeof(double));
            members[i] = PyMemberDef{Spec::fields[i], member_double, offset, member_readonly, nullptr};
        }
        return members;
    }

    // ---- methods ----

    static PyObject* to_list(const V& v) {
        Ref list = check(PyList_New(N));
        for (std::size_t i = 0; i < N; ++i) PyList_SET_ITEM(list.get(), i, ToPy<double>::convert(v[i]));
        return list.release();
    }

    static PyObject* to_numpy(const V& v) {
        const Py_ssize_t shape[1] = {static_cast<Py_ssize_t>(N)};
        return numpy_array(shape, v.v);
    }

    // NumPy's array protocol: a new float64 array, cast when a dtype is asked for. The value holds
    // no array, so a request never to copy cannot be met.
    static PyObject* array_protocol(const V& v, std::optional<PyObject*> dtype, std::optional<PyObject*> copy) {
        if (copy) {
            int wanted = PyObject_IsTrue(*copy);
            if (wanted < 0) throw PythonError{};
            if (wanted == 0) raise(PyExc_ValueError, "Unable to avoid copy while creating an array as requested.");
        }
        Ref array(to_numpy(v));
        if (!dtype) return array.release();
        return PyObject_CallMethod(array.get(), "astype", "O", *dtype);
    }

    template <std::size_t I>
    static V with(const V& v, double c) {
        V r = v;
        r[I] = c;
        return r;
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
            method<V, "to_numpy", "($self)", &to_numpy>(),
            method<V, "__array__", "($self, dtype=None, copy=None)", &array_protocol>(),
            method<V, "is_finite", "($self)", [](const V& v) { return all_finite(v.v); }>(),
            method<V, "is_nan", "($self)", [](const V& v) { return any_nan(v.v); }>(),
            method<V, "abs_diff_eq", "($self, rhs, max_abs_diff)",
                   [](const V& v, const V& rhs, double max_abs_diff) {
                       return quorix::abs_diff_eq(v.v, rhs.v, max_abs_diff);
                   }>(),
            method<V, "__getnewargs_ex__", "($self)", [](const V& v) { return float_tuple_newargs(v.v); }>(),
            method<V, "splat", "(v)", [](double s) { return V::splat(s); }>(),
            method<V, "from_array", "(a)",
                   [](const FloatArray<N>& a) {
                       V r;
                       for (std::size_t i = 0; i < N; ++i) r[i] = a.v[i];
                       return r;
                   }>(),
            method<V, "from_numpy", "(array)",
                   [](const NumpyVector<N>& a) {
                       if (!a.shape_ok) {
                           std::string msg = std::string(name) + ".from_numpy expected shape (" + std::to_string(N) + ",)";
                           raise(PyExc_ValueError, msg.c_str());
                       }
                       V r;
                       for (std::size_t i = 0; i < N; ++i) r[i] = a.v[i];
                       return r;
                   }>(),
        };
        m.insert(m.end(), rest.begin(), rest.end());
        return m;
    }

    static std::vector<ClassAttribute> attributes() {
        return {{"__dataclass_fields__", []() -> PyObject* { return make_dataclass_fields(Spec::field_list()); }}};
    }

    // ---- slots ----

    static std::vector<PyType_Slot> slots() {
        return {
            {Py_tp_dealloc, reinterpret_cast<void*>(&dealloc_value<V>)},
            {Py_tp_members, components()},
            {Py_tp_new, reinterpret_cast<void*>(&tp_new)},
            {Py_tp_repr, reinterpret_cast<void*>(&repr)},
            {Py_tp_str, reinterpret_cast<void*>(&str)},
            {Py_tp_hash, reinterpret_cast<void*>(&hash)},
            {Py_tp_richcompare, reinterpret_cast<void*>(&richcompare)},
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
        };
    }
};

}  // namespace quorix::py

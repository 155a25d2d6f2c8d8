// What every algebra class shares, written once over "a value stored as K doubles in a fixed
// order": the pickle state, the dataclass view, exact equality and hashing, approximate equality,
// the finiteness tests, class constants and the constructor's calling conventions. A class
// supplies its argument rule as Arg<V> and its field list through ClassOf<V>.
#pragma once

#include <array>
#include <bit>
#include <cstddef>
#include <initializer_list>
#include <iterator>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "algebra/components.hpp"
#include "binding/convert.hpp"
#include "binding/dataclass.hpp"
#include "binding/errors.hpp"
#include "binding/method.hpp"
#include "binding/pickle_state.hpp"
#include "binding/siphash.hpp"
#include "glam_wrappers/array_args.hpp"
#include "glam_wrappers/classes.hpp"
#include "support/fault.hpp"

namespace quorix::py {

// ---- the stored doubles, in storage order ----

template <class V>
inline constexpr std::size_t stored_count = sizeof(V) / sizeof(double);

template <class V>
using Stored = std::array<double, stored_count<V>>;

template <class V>
constexpr Stored<V> stored(const V& v) {
    return std::bit_cast<Stored<V>>(v);
}

template <class V>
constexpr V from_stored(const Stored<V>& s) {
    return std::bit_cast<V>(s);
}

// ---- small shared conversions ----

// Reads `o` by T's rule; a failure that is an ordinary exception is discarded (false), anything
// else (KeyboardInterrupt, MemoryError, ...) is raised.
template <class T>
bool try_read(PyObject* o, T& out) {
    if (Arg<T>::read(o, out)) return true;
    if (!discard_ordinary_error()) throw PythonError{};
    return false;
}

// The parts of a class declaration, one after the other.
template <class T>
std::vector<T> joined(std::initializer_list<std::vector<T>> parts) {
    std::vector<T> all;
    for (const std::vector<T>& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
}

// An argument whose default is None: false when absent or None, else read as above.
template <class T>
bool read_optional_argument(PyObject* o, const char* name, T& out) {
    if (!o || o == Py_None) return false;
    read_argument(o, name, out);
    return true;
}

// "a, b, c" with every number in the plain number text.
void append_plain_list(std::string& out, std::span<const double> values);

// A new list of floats.
PyObject* float_list(std::span<const double> values);

// NumPy's array protocol over a freshly made float64 array: cast when a dtype is asked for. The
// values live in the object, not in an array, so a request never to copy cannot be met.
PyObject* array_protocol(PyObject* fresh_array, std::optional<PyObject*> dtype, std::optional<PyObject*> copy);

// Read-only float properties x, y, (z, w) over the first stored doubles of V: getters only, so
// assigning one raises the interpreter's "attribute 'x' of 'Vec3' objects is not writable".
template <class V, std::size_t I>
PyObject* stored_double(PyObject* self, void*) {
    return PyFloat_FromDouble(stored(value_of<V>(self))[I]);
}

template <class V, std::size_t... I>
std::vector<PyGetSetDef> double_properties(std::index_sequence<I...>) {
    return {PyGetSetDef{ClassOf<V>::fields[I], &stored_double<V, I>, nullptr, nullptr, nullptr}...};
}

template <class V>
std::vector<PyGetSetDef> double_properties() {
    return double_properties<V>(std::make_index_sequence<std::size(ClassOf<V>::fields)>{});
}

// The attribute names x, y, z, w as interned strings, made once.
PyObject* const* component_names();

// The components of an object that is not of the class itself: when `sequence_step`, a sequence
// of exactly n numbers (its failure discarded); else the attributes x, y, (z, w) by the float
// rule, whose first failure is the error.
bool read_xyzw(PyObject* o, double* out, std::size_t n, bool sequence_step);

// to_numpy() and NumPy's __array__ over a function making a new array of the value.
template <class V, auto ToNumpy>
std::vector<PyMethodDef> numpy_methods() {
    return {
        method<V, "to_numpy", "($self)", ToNumpy>(),
        method<V, "__array__", "($self, dtype=None, copy=None)",
               [](const V& v, std::optional<PyObject*> dtype, std::optional<PyObject*> copy) {
                   return array_protocol(ToNumpy(v), dtype, copy);
               }>(),
    };
}

// A class attribute holding one value of the class.
template <class V, Text Name, auto Make>
ClassAttribute constant() {
    return {Name.s, []() -> PyObject* { return wrap(Make()); }};
}

// ---- the protocol over the stored doubles ----

template <class V>
struct ValueProtocol {
    using Class = ClassOf<V>;
    static constexpr std::size_t count = stored_count<V>;
    static_assert(sizeof(V) == count * sizeof(double), "an algebra value is a plain run of doubles");

    static constexpr std::span<const char* const> field_list() { return Class::fields; }

    static Py_hash_t hash(PyObject* self) {
        const Stored<V> s = stored(value_of<V>(self));
        return hash_doubles(s.data(), count);
    }

    // == and != convert the other operand by the class's argument rule; a failure, or any other
    // comparison, is NotImplemented.
    static PyObject* richcompare(PyObject* self, PyObject* other, int op) {
        return guard([&]() -> PyObject* {
            if ((op != Py_EQ && op != Py_NE) || !is_instance<V>(self)) Py_RETURN_NOTIMPLEMENTED;
            bool equal;
            if (Py_TYPE(other) == Py_TYPE(self)) {
                equal = value_of<V>(self) == value_of<V>(other);
            } else {
                V o;
                if (!try_read(other, o)) Py_RETURN_NOTIMPLEMENTED;
                equal = value_of<V>(self) == o;
            }
            return ToPy<bool>::convert((op == Py_EQ) == equal);
        });
    }

    static PyObject* dict(PyObject* self, void*) {
        return guard([&] { return fields_dict(self, field_list()); });
    }

    // When a state is given, replaces `v` by its decoded value and returns true.
    static bool apply_state(PyObject* arg, V& v) {
        PickleState state;
        if (!read_pickle_state(arg, state)) return false;
        Stored<V> s{};
        decode_float_state(state, s, Class::expected_state);
        v = from_stored<V>(s);
        return true;
    }

    // "Quat(0, 0, 0, 1)" and "[0, 0, 0, 1]": the stored values in the plain number text.
    static PyObject* call_text(PyObject* self) {
        return guard([&] {
            std::string s = std::string(Class::name) + '(';
            append_plain_list(s, stored(value_of<V>(self)));
            s += ')';
            return ToPy<std::string>::convert(s);
        });
    }
    static PyObject* list_text(PyObject* self) {
        return guard([&] {
            std::string s = "[";
            append_plain_list(s, stored(value_of<V>(self)));
            s += ']';
            return ToPy<std::string>::convert(s);
        });
    }

    static std::vector<PyType_Slot> slots() {
        return {
            {Py_tp_dealloc, reinterpret_cast<void*>(&dealloc_value<V>)},
            {Py_tp_hash, reinterpret_cast<void*>(&hash)},
            {Py_tp_richcompare, reinterpret_cast<void*>(&richcompare)},
        };
    }

    static std::vector<PyGetSetDef> properties() { return {{"__dict__", &dict, nullptr, nullptr, nullptr}}; }

    static std::vector<ClassAttribute> attributes() {
        return {{"__dataclass_fields__", []() -> PyObject* { return make_dataclass_fields(field_list()); }}};
    }

    static std::vector<PyMethodDef> methods() {
        return {
            method<V, "is_finite", "($self)", [](const V& v) { return all_finite(stored(v)); }>(),
            method<V, "is_nan", "($self)", [](const V& v) { return any_nan(stored(v)); }>(),
            method<V, "abs_diff_eq", "($self, rhs, max_abs_diff)",
                   [](const V& v, const V& rhs, double max_abs_diff) {
                       return quorix::abs_diff_eq(stored(v), stored(rhs), max_abs_diff);
                   }>(),
            method<V, "__getnewargs_ex__", "($self)", [](const V& v) { return float_tuple_newargs(stored(v)); }>(),
        };
    }
};

// ---- construction ----

// The constructor of V's class, both calling conventions, over `Build(slots)`, which converts the
// parsed arguments (absent ones null) into the value.
template <class V, auto Build>
struct Constructor {
    static constexpr std::size_t max_params = 8;

    static const Signature& signature() {
        static const Signature sig = [] {
            Signature s(ClassOf<V>::name, "__new__", ClassOf<V>::params);
            // The parser writes one slot per parameter into arrays of max_params.
            if (s.size() > max_params) throw Fault(std::string(ClassOf<V>::name) + " has too many parameters");
            return s;
        }();
        return sig;
    }

    static PyObject* vectorcall(PyObject* type, PyObject* const* args, size_t nargsf, PyObject* kwnames) {
        return guard([&] {
            PyObject* slots[max_params] = {};
            signature().parse(args, PyVectorcall_NARGS(nargsf), kwnames, slots);
            return wrap_in(reinterpret_cast<PyTypeObject*>(type), Build(static_cast<PyObject* const*>(slots)));
        });
    }

    static PyObject* tp_new(PyTypeObject* type, PyObject* args, PyObject* kwargs) {
        return guard([&] {
            PyObject* slots[max_params] = {};
            signature().parse_tuple(args, kwargs, slots);
            return wrap_in(type, Build(static_cast<PyObject* const*>(slots)));
        });
    }

    static std::vector<PyType_Slot> slots() { return {{Py_tp_new, reinterpret_cast<void*>(&tp_new)}}; }
};

// The class object of V, built by `Build`; its docstring is the class name and the constructor's
// parameters.
template <class V, auto Build>
LazyType& value_class_type() {
    static const std::string text_signature = std::string(ClassOf<V>::name) + ClassOf<V>::params;
    static LazyType type({ClassOf<V>::name, text_signature.c_str(), sizeof(ValueObject<V>), 0,
                          &Constructor<V, Build>::vectorcall});
    return type;
}

// Construction from the stored components themselves (vectors, Quat): each given one by the float
// rule, in storage order, the absent ones from `defaults`; a state then replaces them all.
template <class V>
V build_from_components(PyObject* const* slots, Stored<V> defaults) {
    for (std::size_t i = 0; i < stored_count<V>; ++i)
        if (slots[i]) read_argument(slots[i], ClassOf<V>::fields[i], defaults[i]);
    V v = from_stored<V>(defaults);
    ValueProtocol<V>::apply_state(slots[stored_count<V>], v);
    return v;
}

}  // namespace quorix::py

// Methods as declarations: a name, a text signature and a short function over plain values.
// The templates here parse the arguments against the signature, convert each by the rule its
// C++ type names (Arg<T>), call the function inside the entry guard and convert the result
// (ToPy<T>). A class file lists its methods as
//     method<DVec3, "with_x", "($self, x)", [](const DVec3& v, double x) { ... }>()
#pragma once

#include <algorithm>
#include <cstddef>
#include <optional>
#include <string>
#include <tuple>
#include <type_traits>
#include <utility>

#include "binding/convert.hpp"
#include "binding/errors.hpp"
#include "binding/signature.hpp"
#include "binding/value_object.hpp"
#include "support/fault.hpp"

namespace quorix::py {

// A string usable as a template argument.
template <std::size_t N>
struct Text {
    char s[N];
    constexpr Text(const char (&a)[N]) { std::copy_n(a, N, s); }
    constexpr bool starts_with(const char* p) const {
        for (std::size_t i = 0; p[i]; ++i)
            if (i >= N || s[i] != p[i]) return false;
        return true;
    }
};

// ---- argument conversion: Arg<T>::read(obj, out) -> false with a Python error set ----

template <class T>
struct Arg;

template <>
struct Arg<double> {
    static bool read(PyObject* o, double& out) { return read_float(o, out); }
};

template <>
struct Arg<Py_ssize_t> {
    static bool read(PyObject* o, Py_ssize_t& out) { return read_index(o, out); }
};

template <>
struct Arg<unsigned long long> {
    static bool read(PyObject* o, unsigned long long& out) { return read_unsigned(o, out); }
};

// The object itself, borrowed from the call.
template <>
struct Arg<PyObject*> {
    static bool read(PyObject* o, PyObject*& out) {
        out = o;
        return true;
    }
};

// A given argument read by T's rule; a TypeError is renamed after the parameter.
template <class T>
void read_argument(PyObject* o, const char* name, T& out) {
    if (!Arg<T>::read(o, out)) {
        rename_argument_error(name);
        throw PythonError{};
    }
}

// A parameter with a value default ("point_radius=0.033"): absent gives no value, while an explicit
// None is converted like any other object, so T's rule refuses it.
template <class T>
struct Defaulted {
    std::optional<T> given;
    T value_or(T fallback) const { return given.value_or(fallback); }
};

// ---- result conversion: ToPy<T>::convert(value) -> new reference, throws on failure ----

template <class T>
struct ToPy;

template <>
struct ToPy<double> {
    static PyObject* convert(double v) { return check(PyFloat_FromDouble(v)).release(); }
};

template <>
struct ToPy<std::size_t> {
    static PyObject* convert(std::size_t v) { return check(PyLong_FromSize_t(v)).release(); }
};

template <>
struct ToPy<bool> {
    static PyObject* convert(bool v) { return Py_NewRef(v ? Py_True : Py_False); }
};

// A new reference made by the function itself; null means its Python error is set.
template <>
struct ToPy<PyObject*> {
    static PyObject* convert(PyObject* v) { return check(v).release(); }
};

template <>
struct ToPy<std::string> {
    static PyObject* convert(const std::string& v) {
        return check(PyUnicode_FromStringAndSize(v.data(), static_cast<Py_ssize_t>(v.size()))).release();
    }
};

template <class T>
struct ToPy<std::optional<T>> {
    static PyObject* convert(const std::optional<T>& v) { return v ? ToPy<T>::convert(*v) : Py_NewRef(Py_None); }
};

template <class... T>
struct ToPy<std::tuple<T...>> {
    static PyObject* convert(const std::tuple<T...>& v) {
        Ref tuple = check(PyTuple_New(sizeof...(T)));
        fill(tuple.get(), v, std::index_sequence_for<T...>{});
        return tuple.release();
    }
    template <std::size_t... I>
    static void fill(PyObject* tuple, const std::tuple<T...>& v, std::index_sequence<I...>) {
        (PyTuple_SET_ITEM(tuple, I, ToPy<T>::convert(std::get<I>(v))), ...);
    }
};

template <class A, class B>
struct ToPy<std::pair<A, B>> {
    static PyObject* convert(const std::pair<A, B>& v) { return ToPy<std::tuple<A, B>>::convert(v); }
};

template <class T>
PyObject* to_python(T&& v) {
    return ToPy<std::remove_cvref_t<T>>::convert(std::forward<T>(v));
}

// ---- method trampolines ----

namespace detail {

template <class R, class... A>
struct FnSignature {
    using Ret = R;
    using Args = std::tuple<std::remove_cvref_t<A>...>;
    static constexpr std::size_t arity = sizeof...(A);
};
template <class F>
struct FnTraits : FnTraits<decltype(&F::operator())> {};
template <class R, class... A>
struct FnTraits<R (*)(A...)> : FnSignature<R, A...> {};
template <class C, class R, class... A>
struct FnTraits<R (C::*)(A...) const> : FnSignature<R, A...> {};

template <class T>
struct IsOptional : std::false_type {};
template <class T>
struct IsOptional<std::optional<T>> : std::true_type {};
template <class T>
struct IsDefaulted : std::false_type {};
template <class T>
struct IsDefaulted<Defaulted<T>> : std::true_type {};

// Converts one parsed argument; an absent optional parameter gives std::nullopt.
template <class T>
T convert_argument(PyObject* o, const Signature& sig, std::size_t i) {
    if constexpr (IsOptional<T>::value) {
        if (!o || o == Py_None) return std::nullopt;
        typename T::value_type v;
        read_argument(o, sig.name(i), v);
        return T(std::move(v));
    } else if constexpr (IsDefaulted<T>::value) {
        T d;
        if (o) read_argument(o, sig.name(i), d.given.emplace());
        return d;
    } else {
        if (!o) throw Fault(std::string("no value for the optional parameter '") + sig.name(i) + "'");
        T v;
        read_argument(o, sig.name(i), v);
        return v;
    }
}

template <class Tuple, std::size_t Skip, std::size_t... I>
auto convert_all(PyObject* const* slots, const Signature& sig, std::index_sequence<I...>) {
    // Braced initialisation converts in parameter order; the first failure ends the call.
    return std::tuple<std::tuple_element_t<Skip + I, Tuple>...>{
        convert_argument<std::tuple_element_t<Skip + I, Tuple>>(slots[I], sig, I)...};
}

// The parsed signature of a method of Class's class, made once; a text whose parameter count is
// not the function's is an internal fault.
template <class Class, Text Name, Text Params, std::size_t N>
const Signature& method_signature() {
    static const Signature sig = [] {
        Signature s(ClassOf<Class>::name, Name.s, Params.s);
        if (s.size() != N) throw Fault(std::string("signature of ") + Name.s + " does not match its function");
        return s;
    }();
    return sig;
}

using FastCall = PyObject* (*)(PyObject*, PyObject* const*, Py_ssize_t, PyObject*);

// The method table entry: every method takes the fast call with keywords, so that surplus or
// unknown arguments get the same messages whether or not the method has parameters.
template <Text Name, Text Params>
PyMethodDef method_entry(FastCall fastcall, int extra_flags) {
    static const std::string doc = std::string(Name.s) + Params.s + "\n--\n\n";
    return {Name.s, reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(fastcall)),
            METH_FASTCALL | METH_KEYWORDS | extra_flags, doc.c_str()};
}

template <class R, class Call>
PyObject* invoke_and_convert(Call&& call) {
    if constexpr (std::is_void_v<R>) {
        call();
        return Py_NewRef(Py_None);
    } else {
        return to_python(call());
    }
}

}  // namespace detail

template <class V, Text Name, Text Params, auto Fn>
struct Method {
    using Traits = detail::FnTraits<decltype(Fn)>;
    static constexpr bool has_self = Params.starts_with("($self");
    static constexpr std::size_t n_params = Traits::arity - (has_self ? 1 : 0);

    static const Signature& signature() { return detail::method_signature<V, Name, Params, n_params>(); }

    // `sig` is read only where there are arguments to convert.
    static PyObject* run(PyObject* self, PyObject* const* slots, const Signature* sig) {
        using Args = typename Traits::Args;
        constexpr std::size_t skip = has_self ? 1 : 0;
        auto args = [&] {
            if constexpr (n_params == 0)
                return std::tuple<>{};
            else
                return detail::convert_all<Args, skip>(slots, *sig, std::make_index_sequence<n_params>{});
        }();
        return detail::invoke_and_convert<typename Traits::Ret>([&]() -> decltype(auto) {
            if constexpr (has_self)
                return std::apply([&](auto&... a) { return Fn(receiver<V>(self), a...); }, args);
            else
                return std::apply([&](auto&... a) { return Fn(a...); }, args);
        });
    }

    static PyObject* fastcall(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
        return guard([&] {
            if constexpr (n_params == 0) {
                // A call without arguments to a method without parameters needs no parsing; any
                // argument gets the parser's message.
                if (nargs != 0 || kwnames) signature().parse(args, nargs, kwnames, nullptr);
                return run(self, nullptr, nullptr);
            } else {
                const Signature& sig = signature();
                PyObject* slots[n_params];
                sig.parse(args, nargs, kwnames, slots);
                return run(self, slots, &sig);
            }
        });
    }
};

// The method table entry; a method without a receiver is static.
template <class V, Text Name, Text Params, auto Fn>
PyMethodDef method() {
    using M = Method<V, Name, Params, Fn>;
    return detail::method_entry<Name, Params>(&M::fastcall, M::has_self ? 0 : METH_STATIC);
}

// A read-only property computed from the value.
template <class V, auto Fn>
PyObject* property_getter(PyObject* self, void*) {
    return guard([&] { return to_python(Fn(receiver<V>(self))); });
}

template <class V, Text Name, auto Fn>
PyGetSetDef property() {
    return {Name.s, &property_getter<V, Fn>, nullptr, nullptr, nullptr};
}

}  // namespace quorix::py

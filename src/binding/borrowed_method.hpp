// Methods, slots and arguments of the mutable classes, whose objects hold a Guarded<V> (the value
// and its borrow flag). Each call parses its arguments, checks the receiver's class, takes the
// receiver's shared or exclusive borrow and only then converts the arguments, so Python code that a
// conversion runs (a duck-typed shape's property, an iterator) finds the receiver held. Every
// borrow is released on every exit, an error included. A class file lists its methods as
//     borrowed_method<V, "add", "($self, shape)", Access::exclusive, [](V& v, AnyShape s) { ... }>()
// where the function gets `const V&` for a shared borrow and `V&` for an exclusive one.
#pragma once

#include <cstddef>
#include <string>
#include <type_traits>
#include <utility>

#include "binding/borrow.hpp"
#include "binding/method.hpp"

namespace quorix::py {

enum class Access { shared, exclusive };

template <Access A>
using BorrowOf = std::conditional_t<A == Access::shared, SharedBorrow, ExclusiveBorrow>;

// The receiver check of a mutable class: "'{}' object is not an instance of '{}'" otherwise.
template <class V>
Guarded<V>& guarded_receiver(PyObject* self) {
    if (!is_instance<Guarded<V>>(self)) raise_not_instance(self, ClassOf<Guarded<V>>::name);
    return reinterpret_cast<ValueObject<Guarded<V>>*>(self)->value;
}

template <class V, Text Name, Text Params, Access A, auto Fn>
struct BorrowedMethod {
    using Traits = detail::FnTraits<decltype(Fn)>;
    static_assert(Params.starts_with("($self"), "a borrowed method has a receiver");
    static constexpr std::size_t n_params = Traits::arity - 1;

    static const Signature& signature() { return detail::method_signature<Guarded<V>, Name, Params, n_params>(); }

    static PyObject* fastcall(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
        return guard([&] {
            const Signature& sig = signature();
            PyObject* slots[n_params > 0 ? n_params : 1];
            if (n_params > 0 || nargs != 0 || kwnames) sig.parse(args, nargs, kwnames, slots);
            Guarded<V>& held = guarded_receiver<V>(self);
            BorrowOf<A> borrow(held.flag);
            // Declared after the borrow: argument values holding borrows of their own go first.
            auto converted = detail::convert_all<typename Traits::Args, 1>(slots, sig, std::make_index_sequence<n_params>{});
            std::conditional_t<A == Access::shared, const V&, V&> value = held.value;
            return detail::invoke_and_convert<typename Traits::Ret>(
                [&]() -> decltype(auto) { return std::apply([&](auto&... a) { return Fn(value, a...); }, converted); });
        });
    }
};

template <class V, Text Name, Text Params, Access A, auto Fn>
PyMethodDef borrowed_method() {
    return detail::method_entry<Name, Params>(&BorrowedMethod<V, Name, Params, A, Fn>::fastcall, 0);
}

// ---- slots, all under a shared borrow ----

template <class V, auto Fn>
PyObject* shared_slot(PyObject* self) {
    return guard([&] {
        Guarded<V>& held = guarded_receiver<V>(self);
        SharedBorrow borrow(held.flag);
        return to_python(Fn(std::as_const(held.value)));
    });
}

// __repr__ over `Text(const V&) -> std::string`.
template <class V, auto Text>
PyType_Slot shared_repr() {
    return {Py_tp_repr, reinterpret_cast<void*>(&shared_slot<V, Text>)};
}

template <class V, auto Len>
Py_ssize_t shared_length(PyObject* self) {
    return guard_value<Py_ssize_t>(-1, [&] {
        Guarded<V>& held = guarded_receiver<V>(self);
        SharedBorrow borrow(held.flag);
        return static_cast<Py_ssize_t>(Len(std::as_const(held.value)));
    });
}

// len(obj) over `Len(const V&) -> std::size_t`.
template <class V, auto Len>
std::vector<PyType_Slot> shared_len() {
    return {{Py_sq_length, reinterpret_cast<void*>(&shared_length<V, Len>)},
            {Py_mp_length, reinterpret_cast<void*>(&shared_length<V, Len>)}};
}

// ---- another object of a mutable class as an argument ----

// The object's value, read under its shared borrow until the call ends. Anything but an object of
// V's class is the type-mismatch TypeError ("'None' is not an instance of '{}'" for None); an
// object held exclusively raises "Already mutably borrowed".
template <class V>
class Borrowed {
public:
    Borrowed() = default;
    Borrowed(Borrowed&& o) noexcept : held_(std::exchange(o.held_, nullptr)) {}
    Borrowed& operator=(Borrowed&& o) noexcept {
        std::swap(held_, o.held_);
        return *this;
    }
    ~Borrowed() {
        if (held_) held_->flag.release_shared();
    }

    const V& operator*() const { return held_->value; }
    const V* operator->() const { return &held_->value; }

    bool take(PyObject* o) {
        if (o == Py_None) {
            PyErr_Format(PyExc_TypeError, "'None' is not an instance of '%s'", ClassOf<Guarded<V>>::name);
            return false;
        }
        if (!is_instance<Guarded<V>>(o)) {
            set_not_instance(o, ClassOf<Guarded<V>>::name);
            return false;
        }
        Guarded<V>& held = reinterpret_cast<ValueObject<Guarded<V>>*>(o)->value;
        held.flag.acquire_shared();
        if (held_) held_->flag.release_shared();
        held_ = &held;
        return true;
    }

private:
    Guarded<V>* held_ = nullptr;
};

template <class V>
struct Arg<Borrowed<V>> {
    static bool read(PyObject* o, Borrowed<V>& out) { return out.take(o); }
};

// Values whose results become new objects of their mutable class.
template <class V>
inline constexpr bool has_guarded_class = false;

template <class V>
    requires has_guarded_class<V>
struct ToPy<V> {
    static PyObject* convert(V&& v) { return wrap(Guarded<V>(std::move(v))); }
    static PyObject* convert(const V& v) { return wrap(Guarded<V>(V(v))); }
};

}  // namespace quorix::py

// Python objects that hold one plain value inline, and the map from a value type to its class.
#pragma once

#include <atomic>
#include <new>
#include <type_traits>
#include <utility>

#include "binding/errors.hpp"
#include "binding/lazy_type.hpp"

namespace quorix::py {

// ClassOf<V> describes the Python class wrapping the value type V:
//   using Value = V;  static constexpr const char* name;  static LazyType& lazy();
template <class V>
struct ClassOf;

template <class V>
struct ValueObject {
    PyObject_HEAD
    V value;
};

// A new object of the given class (V's class) holding `v`, copied or moved in.
template <class T>
PyObject* wrap_in(PyTypeObject* type, T&& v) {
    using V = std::remove_cvref_t<T>;
    auto* o = PyObject_New(ValueObject<V>, type);
    if (!o) throw PythonError{};
    try {
        new (&o->value) V(std::forward<T>(v));
    } catch (...) {
        // Nothing was constructed: free the bare object without running the value's destructor.
        PyObject_Free(o);
        Py_DECREF(type);
        throw;
    }
    return reinterpret_cast<PyObject*>(o);
}

// V's complete class object once some call has seen it complete: hot paths test this pointer
// before asking the class's get-or-create.
template <class V>
inline std::atomic<PyTypeObject*> known_type{nullptr};

// V's class object, for making new objects inside a method.
template <class V>
PyTypeObject* class_object() {
    if (PyTypeObject* known = known_type<V>.load(std::memory_order_acquire)) return known;
    LazyType& lazy = ClassOf<V>::lazy();
    PyTypeObject* type = lazy.ready();
    if (type)
        known_type<V>.store(type, std::memory_order_release);
    else
        type = lazy.get_or_fault();
    return type;
}

// A new object of V's class holding `v`.
template <class T>
PyObject* wrap(T&& v) {
    return wrap_in(class_object<std::remove_cvref_t<T>>(), std::forward<T>(v));
}

// True when `o` is an instance of V's class (the classes are not subclassable, so this is a
// type identity test once the class exists).
template <class V>
bool is_instance(PyObject* o) {
    if (Py_TYPE(o) == known_type<V>.load(std::memory_order_acquire)) return true;
    PyTypeObject* type = ClassOf<V>::lazy().created();
    return type && (Py_TYPE(o) == type || PyType_IsSubtype(Py_TYPE(o), type));
}

template <class V>
const V& value_of(PyObject* o) {
    return reinterpret_cast<ValueObject<V>*>(o)->value;
}

// The receiver check of instance methods: TypeError "'{}' object is not an instance of '{}'".
template <class V>
const V& receiver(PyObject* self) {
    if (!is_instance<V>(self)) raise_not_instance(self, ClassOf<V>::name);
    return value_of<V>(self);
}

// Frees through the type's own tp_free: a Python subclass of a subclassable class allocates its
// instances with the garbage collector, which PyObject_Free must not release. Values that own
// memory (lists, buffers) are destroyed first.
template <class V>
void dealloc_value(PyObject* self) {
    if constexpr (!std::is_trivially_destructible_v<V>) reinterpret_cast<ValueObject<V>*>(self)->value.~V();
    PyTypeObject* type = Py_TYPE(self);
    type->tp_free(self);
    Py_DECREF(type);
}

}  // namespace quorix::py

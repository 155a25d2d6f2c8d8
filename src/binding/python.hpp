// The CPython C API as the binding layer uses it: owned references and the C++ signal that a
// Python exception is already set.
#pragma once

#define PY_SSIZE_T_CLEAN
#include <Python.h>

#include <string_view>
#include <utility>

namespace quorix::py {

// Thrown after a Python exception has been set; the entry guard just returns the error marker.
struct PythonError {};

// Owned reference, released on scope exit.
class Ref {
public:
    Ref() = default;
    explicit Ref(PyObject* owned) : p_(owned) {}
    Ref(const Ref&) = delete;
    Ref& operator=(const Ref&) = delete;
    Ref(Ref&& o) noexcept : p_(o.p_) { o.p_ = nullptr; }
    Ref& operator=(Ref&& o) noexcept { std::swap(p_, o.p_); return *this; }
    ~Ref() { Py_XDECREF(p_); }

    static Ref borrow(PyObject* o) { Py_XINCREF(o); return Ref(o); }

    PyObject* get() const { return p_; }
    PyObject* release() { PyObject* r = p_; p_ = nullptr; return r; }
    explicit operator bool() const { return p_ != nullptr; }

private:
    PyObject* p_ = nullptr;
};

// Takes a new reference returned by the C API; a null result means a Python error is set.
inline Ref check(PyObject* owned) {
    if (!owned) throw PythonError{};
    return Ref(owned);
}
inline void check(int rc) {
    if (rc < 0) throw PythonError{};
}

// The whole message, NUL bytes included; it must be UTF-8.
[[noreturn]] inline void raise(PyObject* type, std::string_view message) {
    if (PyObject* text = PyUnicode_FromStringAndSize(message.data(), static_cast<Py_ssize_t>(message.size()))) {
        PyErr_SetObject(type, text);
        Py_DECREF(text);
    }
    throw PythonError{};
}

}  // namespace quorix::py

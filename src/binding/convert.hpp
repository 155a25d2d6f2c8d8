// The conversion rules for plain arguments. Each returns false with a Python exception set when
// the object does not fit, so callers that try alternatives can discard the failure cheaply.
#pragma once

#include <cstddef>

#include "binding/python.hpp"

namespace quorix::py {

// Float rule: an exact float directly, anything else through the interpreter's float conversion
// (__float__, or __index__ for integers).
inline bool read_float(PyObject* o, double& out) {
    if (PyFloat_CheckExact(o)) {
        out = PyFloat_AS_DOUBLE(o);
        return true;
    }
    double v = PyFloat_AsDouble(o);
    if (v == -1.0 && PyErr_Occurred()) return false;
    out = v;
    return true;
}

// collections.abc.Sequence (a borrowed reference, kept for the life of the process): an instance
// of it counts as a sequence even when it fails the interpreter's sequence check.
PyObject* sequence_abc();

// Any sequence but a str, as list arguments and sequence states take them: TypeError "Can't
// extract `str` to `Vec`" for a str, "'{}' object is not an instance of 'Sequence'" for an object
// that is neither a sequence nor an instance of collections.abc.Sequence.
bool check_list_like(PyObject* o);

// Integer through the interpreter's index conversion.
bool read_index(PyObject* o, Py_ssize_t& out);

// Non-negative integer through the index conversion; a negative or too large value is the
// conversion's OverflowError.
bool read_unsigned(PyObject* o, unsigned long long& out);

// Fixed-length sequence rule: the interpreter's sequence check, then exactly n items read by
// item access, each by the float rule. Failures: TypeError "'{}' object is not an instance of
// 'Sequence'", ValueError "expected a sequence of length {} (got {})", or the item's error.
bool read_float_sequence(PyObject* o, double* out, std::size_t n);

}  // namespace quorix::py

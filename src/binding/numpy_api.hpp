// NumPy through its C API, loaded on first use so that the module imports without NumPy.
#pragma once

#include <cstddef>
#include <span>

#include "binding/python.hpp"

namespace quorix::py {

// A new float64 array of the given shape (one or two dimensions) owning a copy of `row_major`.
PyObject* numpy_array(std::span<const Py_ssize_t> shape, const double* row_major);

// A float64 view of an array-like: the object itself when it already is a float64 array,
// otherwise numpy.asarray(obj, dtype=float64). Raises (PythonError) when NumPy cannot convert it.
class Float64Array {
public:
    explicit Float64Array(PyObject* obj);
    int ndim() const;
    Py_ssize_t dim(int axis) const;
    double at(Py_ssize_t i) const;                  // one dimension, strides honoured
    double at(Py_ssize_t row, Py_ssize_t col) const;  // two dimensions

private:
    Ref array_;
};

}  // namespace quorix::py

// Array-shaped arguments of the algebra classes: flat and nested sequences of numbers
// (from_array, from_cols_array, from_cols_array_2d) and NumPy array-likes (from_numpy).
#pragma once

#include <cstddef>
#include <initializer_list>
#include <optional>

#include "binding/convert.hpp"
#include "binding/method.hpp"
#include "binding/numpy_api.hpp"

namespace quorix::py {

// Exactly N numbers by the fixed-length sequence rule, its errors raised.
template <std::size_t N>
struct FloatArray {
    double v[N];
};

template <std::size_t N>
struct Arg<FloatArray<N>> {
    static bool read(PyObject* o, FloatArray<N>& out) { return read_float_sequence(o, out.v, N); }
};

// A sequence of exactly R sequences of exactly C numbers, the sequence rule's errors raised.
template <std::size_t R, std::size_t C>
struct FloatGrid {
    double v[R][C];
};

bool read_float_grid(PyObject* o, double* out, std::size_t rows, std::size_t cols);

template <std::size_t R, std::size_t C>
struct Arg<FloatGrid<R, C>> {
    static bool read(PyObject* o, FloatGrid<R, C>& out) { return read_float_grid(o, &out.v[0][0], R, C); }
};

// A one-dimensional float64 array-like of N elements. NumPy's conversion errors are the
// argument's; another shape is left for the method to report.
template <std::size_t N>
struct NumpyVector {
    bool shape_ok = false;
    double v[N];
};

bool read_numpy_vector(PyObject* o, double* out, std::size_t n, bool& shape_ok);

template <std::size_t N>
struct Arg<NumpyVector<N>> {
    static bool read(PyObject* o, NumpyVector<N>& out) { return read_numpy_vector(o, out.v, N, out.shape_ok); }
};

// A two-dimensional float64 array-like of any size, held for reading in place through its strides.
// NumPy's conversion errors are the argument's; its dimensions are left for the method to check.
struct NumpyGrid {
    std::optional<Float64Array> array;
};

template <>
struct Arg<NumpyGrid> {
    static bool read(PyObject* o, NumpyGrid& out);
};

// The same for a table of points, one per row: an array of another number of dimensions is refused
// with the number found and the (N, 3) shape expected; the column count is left for the method.
struct NumpyPointRows : NumpyGrid {};

template <>
struct Arg<NumpyPointRows> {
    static bool read(PyObject* o, NumpyPointRows& out);
};

// A two-dimensional float64 array-like, rows first. Anything NumPy cannot make into a
// two-dimensional array fails; another shape is left for the method to report.
template <std::size_t R, std::size_t C>
struct NumpyMatrix {
    bool shape_ok = false;
    double a[R][C];
};

bool read_numpy_matrix(PyObject* o, double* out, std::size_t rows, std::size_t cols, bool& shape_ok);

template <std::size_t R, std::size_t C>
struct Arg<NumpyMatrix<R, C>> {
    static bool read(PyObject* o, NumpyMatrix<R, C>& out) {
        return read_numpy_matrix(o, &out.a[0][0], R, C, out.shape_ok);
    }
};

// ValueError "{class}.from_numpy expected shape (3,)" / "(3, 4)".
[[noreturn]] void raise_numpy_shape(const char* class_name, std::initializer_list<std::size_t> dims);

// New float64 arrays of shape (n,) and (rows, cols) holding a copy of a row-major buffer.
PyObject* numpy_vector(std::size_t n, const double* values);
PyObject* numpy_matrix(std::size_t rows, std::size_t cols, const double* row_major);

}  // namespace quorix::py

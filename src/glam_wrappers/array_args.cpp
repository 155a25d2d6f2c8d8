#include "glam_wrappers/array_args.hpp"

#include <string>

#include "binding/errors.hpp"
#include "binding/numpy_api.hpp"

namespace quorix::py {

bool read_float_grid(PyObject* o, double* out, std::size_t rows, std::size_t cols) {
    if (!PySequence_Check(o)) {
        set_not_instance(o, "Sequence");
        return false;
    }
    const Py_ssize_t len = PySequence_Size(o);
    if (len < 0) return false;
    if (static_cast<std::size_t>(len) != rows) {
        PyErr_Format(PyExc_ValueError, "expected a sequence of length %zu (got %zd)", rows, len);
        return false;
    }
    for (std::size_t r = 0; r < rows; ++r) {
        Ref item(PySequence_GetItem(o, static_cast<Py_ssize_t>(r)));
        if (!item || !read_float_sequence(item.get(), out + r * cols, cols)) return false;
    }
    return true;
}

bool read_numpy_vector(PyObject* o, double* out, std::size_t n, bool& shape_ok) {
    try {
        Float64Array a(o);
        shape_ok = a.ndim() == 1 && a.dim(0) == static_cast<Py_ssize_t>(n);
        if (shape_ok)
            for (std::size_t i = 0; i < n; ++i) out[i] = a.at(static_cast<Py_ssize_t>(i));
        return true;
    } catch (const PythonError&) {
        return false;
    }
}

namespace {

// Converts `o` into out.array; false with NumPy's error set when it cannot.
bool convert_array(PyObject* o, NumpyGrid& out) {
    try {
        out.array.emplace(o);
        return true;
    } catch (const PythonError&) {
        return false;
    }
}

}  // namespace

bool Arg<NumpyGrid>::read(PyObject* o, NumpyGrid& out) {
    if (!convert_array(o, out)) return false;
    if (out.array->ndim() != 2) {
        PyErr_SetString(PyExc_TypeError, "'ndarray' object is not an instance of 'ndarray'");
        return false;
    }
    return true;
}

bool Arg<NumpyPointRows>::read(PyObject* o, NumpyPointRows& out) {
    if (!convert_array(o, out)) return false;
    const int ndim = out.array->ndim();
    if (ndim != 2) {
        PyErr_Format(PyExc_TypeError, "expected a 2-dimensional array of shape (N, 3), got %d dimension%s", ndim,
                     ndim == 1 ? "" : "s");
        return false;
    }
    return true;
}

bool read_numpy_matrix(PyObject* o, double* out, std::size_t rows, std::size_t cols, bool& shape_ok) {
    NumpyGrid grid;
    if (!Arg<NumpyGrid>::read(o, grid)) return false;
    const Float64Array& a = *grid.array;
    shape_ok = a.dim(0) == static_cast<Py_ssize_t>(rows) && a.dim(1) == static_cast<Py_ssize_t>(cols);
    if (shape_ok)
        for (std::size_t r = 0; r < rows; ++r)
            for (std::size_t c = 0; c < cols; ++c)
                out[r * cols + c] = a.at(static_cast<Py_ssize_t>(r), static_cast<Py_ssize_t>(c));
    return true;
}

void raise_numpy_shape(const char* class_name, std::initializer_list<std::size_t> dims) {
    std::string msg = std::string(class_name) + ".from_numpy expected shape (";
    std::size_t i = 0;
    for (std::size_t d : dims) {
        if (i++) msg += ", ";
        msg += std::to_string(d);
    }
    msg += dims.size() == 1 ? ",)" : ")";
    raise(PyExc_ValueError, msg.c_str());
}

PyObject* numpy_vector(std::size_t n, const double* values) {
    const Py_ssize_t shape[1] = {static_cast<Py_ssize_t>(n)};
    return numpy_array(shape, values);
}

PyObject* numpy_matrix(std::size_t rows, std::size_t cols, const double* row_major) {
    const Py_ssize_t shape[2] = {static_cast<Py_ssize_t>(rows), static_cast<Py_ssize_t>(cols)};
    return numpy_array(shape, row_major);
}

}  // namespace quorix::py

#define NPY_NO_DEPRECATED_API NPY_1_7_API_VERSION
#define PY_ARRAY_UNIQUE_SYMBOL quorix_numpy_api
#include "binding/numpy_api.hpp"

#include <atomic>
#include <cstring>
#include <mutex>
#include <string>

// NumPy 1 headers define an import helper this file does not use (it loads the table itself).
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#include <numpy/arrayobject.h>
#pragma GCC diagnostic pop

#include "binding/errors.hpp"
#include "binding/lazy_type.hpp"
#include "support/fault.hpp"

namespace quorix::py {
namespace {

std::atomic<bool> loaded{false};

// Imports the C API table from numpy._core.multiarray (NumPy 2) or numpy.core.multiarray.
void import_numpy_api() {
    PyObject* module = PyImport_ImportModule("numpy._core.multiarray");
    if (!module && PyErr_ExceptionMatches(PyExc_ModuleNotFoundError)) {
        PyErr_Clear();
        module = PyImport_ImportModule("numpy.core.multiarray");
    }
    Ref multiarray = check(module);
    Ref capsule = check(PyObject_GetAttrString(multiarray.get(), "_ARRAY_API"));
    if (!PyCapsule_CheckExact(capsule.get())) raise(PyExc_RuntimeError, "_ARRAY_API is not PyCapsule object");
    auto** table = static_cast<void**>(PyCapsule_GetPointer(capsule.get(), nullptr));
    if (!table) throw PythonError{};
    PyArray_API = table;
    if (NPY_VERSION < PyArray_GetNDArrayCVersion()) {
        PyErr_Format(PyExc_RuntimeError, "module compiled against ABI version 0x%x but this version of numpy is 0x%x",
                     int(NPY_VERSION), int(PyArray_GetNDArrayCVersion()));
        throw PythonError{};
    }
    const int runtime_version = int(PyArray_GetNDArrayCFeatureVersion());
#if NPY_ABI_VERSION >= 0x02000000
    // NumPy 2 headers pick between the layouts of both majors through this variable; built
    // against NumPy 1 headers the module runs on NumPy 1 only, which the check above ensures.
    PyArray_RUNTIME_VERSION = runtime_version;
#endif
    if (NPY_FEATURE_VERSION > runtime_version) {
        PyErr_Format(PyExc_RuntimeError, "module needs NumPy C-API version 0x%x but the running NumPy has 0x%x",
                     int(NPY_FEATURE_VERSION), runtime_version);
        throw PythonError{};
    }
}

// Text of the pending Python error, which is cleared.
std::string take_error_text() {
    PyObject *type, *value, *traceback;
    PyErr_Fetch(&type, &value, &traceback);
    PyErr_NormalizeException(&type, &value, &traceback);
    std::string text = type_name(value ? value : Py_None);
    if (PyObject* s = value ? PyObject_Str(value) : nullptr) {
        if (const char* utf8 = PyUnicode_AsUTF8(s)) text += std::string(": ") + utf8;
        Py_DECREF(s);
    }
    PyErr_Clear();
    Py_XDECREF(type);
    Py_XDECREF(value);
    Py_XDECREF(traceback);
    return text;
}

// A NumPy that cannot be loaded is an internal fault of the array forms, not an argument error.
void load_numpy() {
    if (loaded.load(std::memory_order_acquire)) return;
    // One thread fills NumPy's table pointer; the others wait for it, detached from the
    // interpreter so the loading thread can run.
    static std::mutex loading;
    auto lock = lock_detached(loading);
    if (loaded.load(std::memory_order_acquire)) return;
    try {
        import_numpy_api();
    } catch (const PythonError&) {
        throw Fault("Failed to access NumPy array API capsule: " + take_error_text());
    }
    loaded.store(true, std::memory_order_release);
}

PyArrayObject* arr(const Ref& r) { return reinterpret_cast<PyArrayObject*>(r.get()); }

}  // namespace

PyObject* numpy_array(std::span<const Py_ssize_t> shape, const double* row_major) {
    load_numpy();
    npy_intp dims[2] = {0, 0};
    std::size_t count = 1;
    for (std::size_t i = 0; i < shape.size(); ++i) {
        dims[i] = shape[i];
        count *= static_cast<std::size_t>(shape[i]);
    }
    PyObject* a = PyArray_SimpleNew(int(shape.size()), dims, NPY_DOUBLE);
    if (!a) throw PythonError{};
    std::memcpy(PyArray_DATA(reinterpret_cast<PyArrayObject*>(a)), row_major, count * sizeof(double));
    return a;
}

Float64Array::Float64Array(PyObject* obj) {
    load_numpy();
    if (PyArray_Check(obj) && PyArray_TYPE(reinterpret_cast<PyArrayObject*>(obj)) == NPY_DOUBLE &&
        PyArray_ISNOTSWAPPED(reinterpret_cast<PyArrayObject*>(obj))) {
        array_ = Ref::borrow(obj);
        return;
    }
    array_ = check(PyArray_FromAny(obj, PyArray_DescrFromType(NPY_DOUBLE), 0, 0, NPY_ARRAY_FORCECAST, nullptr));
}

int Float64Array::ndim() const { return PyArray_NDIM(arr(array_)); }

Py_ssize_t Float64Array::dim(int axis) const { return PyArray_DIM(arr(array_), axis); }

double Float64Array::at(Py_ssize_t i) const {
    const char* base = static_cast<const char*>(PyArray_DATA(arr(array_)));
    double v;
    std::memcpy(&v, base + i * PyArray_STRIDE(arr(array_), 0), sizeof v);
    return v;
}

double Float64Array::at(Py_ssize_t row, Py_ssize_t col) const {
    const char* base = static_cast<const char*>(PyArray_DATA(arr(array_)));
    double v;
    std::memcpy(&v, base + row * PyArray_STRIDE(arr(array_), 0) + col * PyArray_STRIDE(arr(array_), 1), sizeof v);
    return v;
}

}  // namespace quorix::py

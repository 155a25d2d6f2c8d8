#include "binding/convert.hpp"

#include <atomic>

#include "binding/errors.hpp"

namespace quorix::py {

// collections.abc.Sequence, imported on first use and kept for the life of the process. Threads
// that race here import the same object; the loser drops its reference.
PyObject* sequence_abc() {
    static std::atomic<PyObject*> cached{nullptr};
    if (PyObject* t = cached.load(std::memory_order_acquire)) return t;
    Ref module = check(PyImport_ImportModule("collections.abc"));
    PyObject* made = check(PyObject_GetAttrString(module.get(), "Sequence")).release();
    PyObject* expected = nullptr;
    if (!cached.compare_exchange_strong(expected, made, std::memory_order_acq_rel)) {
        Py_DECREF(made);
        return expected;
    }
    return made;
}


bool check_list_like(PyObject* o) {
    if (PyUnicode_Check(o)) {
        PyErr_SetString(PyExc_TypeError, "Can't extract `str` to `Vec`");
        return false;
    }
    if (PySequence_Check(o)) return true;
    const int r = PyObject_IsInstance(o, sequence_abc());
    if (r < 0) return false;
    if (r == 0) set_not_instance(o, "Sequence");
    return r == 1;
}

bool read_index(PyObject* o, Py_ssize_t& out) {
    static_assert(sizeof(long) == sizeof(Py_ssize_t), "indices are read as C long");
    // PyLong_AsLong calls __index__ itself; an int beyond 64 bits raises its OverflowError
    // "Python int too large to convert to C long".
    long v = PyLong_AsLong(o);
    if (v == -1 && PyErr_Occurred()) return false;
    out = static_cast<Py_ssize_t>(v);
    return true;
}

bool read_unsigned(PyObject* o, unsigned long long& out) {
    Ref i(PyLong_CheckExact(o) ? Py_NewRef(o) : PyNumber_Index(o));
    if (!i) return false;
    out = PyLong_AsUnsignedLongLong(i.get());
    return !(out == static_cast<unsigned long long>(-1) && PyErr_Occurred());
}

bool read_float_sequence(PyObject* o, double* out, std::size_t n) {
    // Lists and tuples are read in place; their item access is plain indexing.
    if (PyList_CheckExact(o) || PyTuple_CheckExact(o)) {
        Py_ssize_t len = PyList_CheckExact(o) ? PyList_GET_SIZE(o) : PyTuple_GET_SIZE(o);
        if (static_cast<std::size_t>(len) != n) {
            PyErr_Format(PyExc_ValueError, "expected a sequence of length %zu (got %zd)", n, len);
            return false;
        }
        for (std::size_t i = 0; i < n; ++i) {
            // A list item may be replaced during a float conversion: hold it while converting.
            PyObject* item = PyList_CheckExact(o) ? PyList_GetItem(o, Py_ssize_t(i)) : PyTuple_GET_ITEM(o, i);
            if (!item) return false;
            Py_INCREF(item);
            bool ok = read_float(item, out[i]);
            Py_DECREF(item);
            if (!ok) return false;
        }
        return true;
    }
    if (!PySequence_Check(o)) {
        set_not_instance(o, "Sequence");
        return false;
    }
    Py_ssize_t len = PySequence_Size(o);
    if (len < 0) return false;
    if (static_cast<std::size_t>(len) != n) {
        PyErr_Format(PyExc_ValueError, "expected a sequence of length %zu (got %zd)", n, len);
        return false;
    }
    for (std::size_t i = 0; i < n; ++i) {
        PyObject* item = PySequence_GetItem(o, Py_ssize_t(i));
        if (!item) return false;
        bool ok = read_float(item, out[i]);
        Py_DECREF(item);
        if (!ok) return false;
    }
    return true;
}

}  // namespace quorix::py

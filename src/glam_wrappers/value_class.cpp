#include "glam_wrappers/value_class.hpp"

#include <atomic>

#include "support/float_text.hpp"

namespace quorix::py {

void append_plain_list(std::string& out, std::span<const double> values) {
    for (std::size_t i = 0; i < values.size(); ++i) {
        if (i) out += ", ";
        append_plain(out, values[i]);
    }
}

PyObject* float_list(std::span<const double> values) {
    Ref list = check(PyList_New(static_cast<Py_ssize_t>(values.size())));
    for (std::size_t i = 0; i < values.size(); ++i)
        PyList_SET_ITEM(list.get(), static_cast<Py_ssize_t>(i), ToPy<double>::convert(values[i]));
    return list.release();
}

PyObject* array_protocol(PyObject* fresh_array, std::optional<PyObject*> dtype, std::optional<PyObject*> copy) {
    Ref array(fresh_array);
    if (copy) {
        int wanted = PyObject_IsTrue(*copy);
        if (wanted < 0) throw PythonError{};
        if (wanted == 0) raise(PyExc_ValueError, "Unable to avoid copy while creating an array as requested.");
    }
    if (!dtype) return array.release();
    return PyObject_CallMethod(array.get(), "astype", "O", *dtype);
}

PyObject* const* component_names() {
    // Published once; a thread that loses the race drops its own strings. No lock is held while
    // the interpreter runs.
    static std::atomic<PyObject**> published{nullptr};
    if (PyObject** names = published.load(std::memory_order_acquire)) return names;
    auto* made = new PyObject*[4];
    const char* text[4] = {"x", "y", "z", "w"};
    for (int i = 0; i < 4; ++i) {
        made[i] = PyUnicode_InternFromString(text[i]);
        if (!made[i]) {
            for (int j = 0; j < i; ++j) Py_DECREF(made[j]);
            delete[] made;
            throw PythonError{};
        }
    }
    PyObject** expected = nullptr;
    if (!published.compare_exchange_strong(expected, made, std::memory_order_acq_rel)) {
        for (int i = 0; i < 4; ++i) Py_DECREF(made[i]);
        delete[] made;
        return expected;
    }
    return made;
}

bool read_xyzw(PyObject* o, double* out, std::size_t n, bool sequence_step) {
    if (sequence_step) {
        if (read_float_sequence(o, out, n)) return true;
        if (!discard_ordinary_error()) return false;
    }
    PyObject* const* names = component_names();
    for (std::size_t i = 0; i < n; ++i) {
        Ref attr(PyObject_GetAttr(o, names[i]));
        if (!attr || !read_float(attr.get(), out[i])) return false;
    }
    return true;
}

}  // namespace quorix::py

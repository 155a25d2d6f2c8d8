#include "binding/json_dict.hpp"

#include <string>

#include "binding/convert.hpp"
#include "binding/errors.hpp"
#include "support/debug_string.hpp"

namespace quorix::py {
namespace {

// A list or tuple, or an instance of collections.abc.Sequence. A failing instance test is
// reported as unraisable and counts as "no".
bool is_plain_sequence(PyObject* obj) {
    if (PyList_Check(obj) || PyTuple_Check(obj)) return true;
    int r = -1;
    try {
        r = PyObject_IsInstance(obj, sequence_abc());
    } catch (const PythonError&) {
    }
    if (r < 0) {
        PyErr_WriteUnraisable(obj);
        return false;
    }
    return r == 1;
}

bool fail_value(const std::string& message) {
    PyErr_SetString(PyExc_ValueError, message.c_str());
    return false;
}

// Turns a pending ordinary error into a ValueError with the same message (and the original as
// its cause); anything else passes unchanged.
bool as_value_error() {
    if (PyErr_ExceptionMatches(PyExc_Exception) && !PyErr_ExceptionMatches(PyExc_MemoryError)) {
        PyObject *type, *value, *tb;
        PyErr_Fetch(&type, &value, &tb);
        PyErr_NormalizeException(&type, &value, &tb);
        Ref text(value ? PyObject_Str(value) : nullptr);
        const char* s = text ? PyUnicode_AsUTF8(text.get()) : nullptr;
        std::string message = s ? s : "";
        PyErr_Clear();  // a failure of str() itself
        PyErr_Restore(type, value, tb);
        chain_error(PyExc_ValueError, message);
    }
    return false;
}

// What a message calls a value that is not a number.
std::string describe(PyObject* item) {
    if (item == Py_None) return "invalid type: unit value";
    if (PyBool_Check(item)) return item == Py_True ? "invalid type: boolean `true`" : "invalid type: boolean `false`";
    if (PyUnicode_Check(item)) {
        Py_ssize_t n = 0;
        const char* s = PyUnicode_AsUTF8AndSize(item, &n);
        if (!s) {
            PyErr_Clear();
            return "invalid type: string";
        }
        return "invalid type: string " + debug_quoted(std::string_view(s, static_cast<std::size_t>(n)));
    }
    if (PyBytes_Check(item) || PyByteArray_Check(item)) return "invalid type: byte array";
    if (PyDict_Check(item)) return "invalid type: map";
    if (PyAnySet_Check(item) || PyList_Check(item) || PyTuple_Check(item)) return "invalid type: sequence";
    return "unsupported type " + type_name(item);
}

bool read_number(PyObject* item, double& out) {
    if (PyFloat_Check(item)) {
        out = PyFloat_AS_DOUBLE(item);
        return true;
    }
    if (PyLong_Check(item) && !PyBool_Check(item)) {
        out = PyLong_AsDouble(item);
        if (out == -1.0 && PyErr_Occurred()) return as_value_error();  // beyond the float range
        return true;
    }
    std::string message = describe(item);
    if (message.starts_with("invalid type")) message += ", expected f64";
    return fail_value(message);
}

}  // namespace

bool Arg<JsonText>::read(PyObject* o, JsonText& out) {
    if (!PyUnicode_Check(o)) {
        set_not_instance(o, "str");
        return false;
    }
    Py_ssize_t n = 0;
    const char* s = PyUnicode_AsUTF8AndSize(o, &n);
    if (!s) return false;
    out.text = std::string_view(s, static_cast<std::size_t>(n));
    return true;
}

bool parse_json_floats(std::string_view text, std::span<double> out, std::string_view expected, bool quiet) {
    try {
        json::read_json_array(text, out, expected);
        return true;
    } catch (const json::JsonError& e) {
        if (quiet) return false;
        raise(PyExc_ValueError, e.what());
    }
}

bool read_plain_floats(PyObject* obj, std::span<double> out) {
    if (!is_plain_sequence(obj)) {
        if (PyErr_Occurred()) return false;
        PyErr_Format(PyExc_ValueError, "'%s' object is not an instance of 'Sequence'", type_name(obj).c_str());
        return false;
    }
    const Py_ssize_t len = PyObject_Size(obj);
    if (len < 0) return as_value_error();
    if (static_cast<std::size_t>(len) != out.size()) {
        PyErr_Format(PyExc_ValueError, "expected sequence of length %zu, got %zd", out.size(), len);
        return false;
    }
    for (std::size_t i = 0; i < out.size(); ++i) {
        Ref item(PySequence_GetItem(obj, static_cast<Py_ssize_t>(i)));
        if (!item) return as_value_error();
        if (!read_number(item.get(), out[i])) return false;
    }
    return true;
}

PyObject* float_tuple(std::span<const double> values) {
    Ref tuple = check(PyTuple_New(static_cast<Py_ssize_t>(values.size())));
    for (std::size_t i = 0; i < values.size(); ++i)
        PyTuple_SET_ITEM(tuple.get(), static_cast<Py_ssize_t>(i), ToPy<double>::convert(values[i]));
    return tuple.release();
}

}  // namespace quorix::py

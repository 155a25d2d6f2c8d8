#include "glam_wrappers/value_class.hpp"

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

}  // namespace quorix::py

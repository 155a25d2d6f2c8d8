#include "binding/dataclass.hpp"

#include <string>

#include "binding/errors.hpp"

namespace quorix::py {

PyObject* make_dataclass_fields(std::span<const char* const> names) {
    Ref module = check(PyImport_ImportModule("dataclasses"));
    Ref make = check(PyObject_GetAttrString(module.get(), "make_dataclass"));
    Ref list = check(PyList_New(0));
    for (const char* n : names) {
        Ref s = check(PyUnicode_FromString(n));
        check(PyList_Append(list.get(), s.get()));
    }
    Ref cls = check(PyObject_CallFunction(make.get(), "sO", "_QuorixpyDataclassShape", list.get()));
    Ref fields = check(PyObject_GetAttrString(cls.get(), "__dataclass_fields__"));
    if (!PyDict_Check(fields.get())) {
        std::string msg = "make_dataclass did not expose __dataclass_fields__: '" + type_name(fields.get()) +
                          "' object is not an instance of 'dict'";
        raise(PyExc_RuntimeError, msg.c_str());
    }
    return fields.release();
}

PyObject* fields_dict(PyObject* obj, std::span<const char* const> names) {
    Ref dict = check(PyDict_New());
    for (const char* n : names) {
        Ref value = check(PyObject_GetAttrString(obj, n));
        check(PyDict_SetItemString(dict.get(), n, value.get()));
    }
    return dict.release();
}

}  // namespace quorix::py

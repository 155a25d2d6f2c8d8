// The dataclass view of the classes: `__dataclass_fields__` made by dataclasses.make_dataclass
// from a field list, and the `__dict__` property built from the same names.
#pragma once

#include <span>

#include "binding/python.hpp"

namespace quorix::py {

// make_dataclass("_QuorixpyDataclassShape", names).__dataclass_fields__ (a new dictionary per call).
PyObject* make_dataclass_fields(std::span<const char* const> names);

// {name: getattr(obj, name) for name in names}, a new dictionary on every call.
PyObject* fields_dict(PyObject* obj, std::span<const char* const> names);

}  // namespace quorix::py

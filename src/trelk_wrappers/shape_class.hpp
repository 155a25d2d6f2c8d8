// The pieces a shape class file declares its class with: the class object over a constructor,
// the text form slot and the checks every constructor shares.
#pragma once

#include <string>

#include "glam_wrappers/value_class.hpp"
#include "support/float_text.hpp"
#include "trelk_wrappers/shape_union.hpp"
#include "trelk_wrappers/uniform.hpp"

namespace quorix::py {

// The class object of S, made by `Build(slots)` from the parsed constructor arguments (absent ones
// null); its docstring is the class name and the constructor's parameters.
template <class S, auto Build>
LazyType& shape_class_type() {
    LazyType& type = value_class_type<S, Build>();
    static const ClassGroup constructor(type, Constructor<S, Build>::slots(), {});
    return type;
}

// "Sphere requires center argument": a constructor without a state and without its shape.
[[noreturn]] inline void raise_requires(const char* message) { raise(PyExc_ValueError, message); }

// The __repr__ slot over `Text(value) -> std::string`.
template <class S, auto Text>
PyObject* repr_slot(PyObject* self) {
    return guard([&] { return ToPy<std::string>::convert(Text(value_of<S>(self))); });
}

template <class S, auto Text>
PyType_Slot repr() {
    return {Py_tp_repr, reinterpret_cast<void*>(&repr_slot<S, Text>)};
}

// Numbers of the text forms: 32-bit values in the shortest decimal that reads back the same.
inline std::string plain(float v) {
    std::string s;
    append_plain(s, v);
    return s;
}

inline std::string plain3(trelk::Vec3 v) { return "[" + plain(v.x) + ", " + plain(v.y) + ", " + plain(v.z) + "]"; }

}  // namespace quorix::py

// The argument rules of the rotation and matrix classes, by which every parameter and operand of
// type Quat, Mat3, Mat4, Affine3 or EulerRot is read, and the conversions of those values back
// into Python objects.
#pragma once

#include <cstddef>

#include "binding/borrow.hpp"
#include "glam_wrappers/value_class.hpp"
#include "glam_wrappers/vector_class.hpp"

namespace quorix::py {

// ---- EulerRot members ----

struct EulerRotObject {
    PyObject_HEAD
    EulerRot order;
    BorrowFlag borrow;  // only ever borrowed shared: nothing changes a member
};

// The order of a member, read under a shared borrow.
EulerRot member_order(PyObject* member);

// Exactly an EulerRot member; anything else is TypeError "'{}' object is not an instance of
// 'EulerRot'" ("'None' is not an instance of 'EulerRot'" for None).
template <>
struct Arg<EulerRot> {
    static bool read(PyObject* o, EulerRot& out);
};

// ---- the rules over the stored components ----

// A tuple (or a subclass) of exactly n items, else TypeError "'{}' object is not an instance of
// 'tuple'" or ValueError "expected tuple of length {}, but got tuple of length {}".
bool check_tuple(PyObject* t, std::size_t n);

// A tuple (or a subclass) of exactly n items by check_tuple, each by the float rule.
bool read_float_tuple(PyObject* t, double* out, std::size_t n);

// The columns of `o.to_cols_array_2d()`, which must be a tuple of n tuples of n numbers.
bool read_cols_tuple(PyObject* o, double* out, std::size_t n);

// Quat rule: a Quat; else four numbers as a sequence; else the attributes x, y, z, w.
template <>
struct Arg<DQuat> {
    static bool read(PyObject* o, DQuat& out) {
        if (Py_TYPE(o) == ClassOf<DQuat>::lazy().created()) {
            out = value_of<DQuat>(o);
            return true;
        }
        Stored<DQuat> s;
        if (!read_xyzw(o, s.data(), 4, true)) return false;
        out = from_stored<DQuat>(s);
        return true;
    }
};

// Matrix rule (Mat3, Mat4): the class itself; else the tuple form of `to_cols_array_2d()`.
template <class M>
bool read_matrix_like(PyObject* o, M& out) {
    if (Py_TYPE(o) == ClassOf<M>::lazy().created()) {
        out = value_of<M>(o);
        return true;
    }
    Stored<M> s;
    if (!read_cols_tuple(o, s.data(), M::dim)) return false;
    out = from_stored<M>(s);
    return true;
}

template <>
struct Arg<DMat3> {
    static bool read(PyObject* o, DMat3& out) { return read_matrix_like(o, out); }
};

template <>
struct Arg<DMat4> {
    static bool read(PyObject* o, DMat4& out) { return read_matrix_like(o, out); }
};

// Affine3 rule: an Affine3; else the attribute matrix3 by the Mat3 rule, then translation by the
// Vec3 rule.
template <>
struct Arg<DAffine3> {
    static bool read(PyObject* o, DAffine3& out);
};

// ---- results ----

template <class V>
struct WrapInClass {
    static PyObject* convert(const V& v) { return wrap(v); }
};

template <> struct ToPy<DQuat> : WrapInClass<DQuat> {};
template <> struct ToPy<DMat3> : WrapInClass<DMat3> {};
template <> struct ToPy<DMat4> : WrapInClass<DMat4> {};
template <> struct ToPy<DAffine3> : WrapInClass<DAffine3> {};

// Euler angles as a tuple of three floats.
inline std::tuple<double, double, double> angle_tuple(const std::array<double, 3>& a) { return {a[0], a[1], a[2]}; }

}  // namespace quorix::py

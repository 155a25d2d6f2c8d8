#include "glam_wrappers/algebra_args.hpp"

namespace quorix::py {

EulerRot member_order(PyObject* member) {
    auto* o = reinterpret_cast<EulerRotObject*>(member);
    SharedBorrow borrow(o->borrow);
    return o->order;
}

bool Arg<EulerRot>::read(PyObject* o, EulerRot& out) {
    PyTypeObject* type = ClassOf<EulerRot>::lazy().created();
    if (type && Py_TYPE(o) == type) {
        out = member_order(o);
        return true;
    }
    if (o == Py_None)
        PyErr_SetString(PyExc_TypeError, "'None' is not an instance of 'EulerRot'");
    else
        set_not_instance(o, "EulerRot");
    return false;
}

bool check_tuple(PyObject* t, std::size_t n) {
    if (!PyTuple_Check(t)) {
        set_not_instance(t, "tuple");
        return false;
    }
    const Py_ssize_t len = PyTuple_GET_SIZE(t);
    if (static_cast<std::size_t>(len) != n) {
        PyErr_Format(PyExc_ValueError, "expected tuple of length %zu, but got tuple of length %zd", n, len);
        return false;
    }
    return true;
}

bool read_float_tuple(PyObject* t, double* out, std::size_t n) {
    if (!check_tuple(t, n)) return false;
    for (std::size_t i = 0; i < n; ++i)
        if (!read_float(PyTuple_GET_ITEM(t, i), out[i])) return false;
    return true;
}

bool read_cols_tuple(PyObject* o, double* out, std::size_t n) {
    Ref cols(PyObject_CallMethod(o, "to_cols_array_2d", nullptr));
    if (!cols || !check_tuple(cols.get(), n)) return false;
    for (std::size_t c = 0; c < n; ++c)
        if (!read_float_tuple(PyTuple_GET_ITEM(cols.get(), c), out + n * c, n)) return false;
    return true;
}

bool Arg<DAffine3>::read(PyObject* o, DAffine3& out) {
    if (Py_TYPE(o) == ClassOf<DAffine3>::lazy().created()) {
        out = value_of<DAffine3>(o);
        return true;
    }
    Ref matrix(PyObject_GetAttrString(o, "matrix3"));
    if (!matrix || !read_matrix_like(matrix.get(), out.matrix3)) return false;
    Ref translation(PyObject_GetAttrString(o, "translation"));
    return translation && read_vector_like(translation.get(), out.translation);
}

}  // namespace quorix::py

// The operators of Quat, Mat3 and Mat4: + and - with another value of the class, * with a value
// of the class, a vector or a number, / by a number, and unary minus. + - / answer NotImplemented
// for an unusable operand; * raises TypeError "unsupported operand type for *", in both orders.
#pragma once

#include <vector>

#include "glam_wrappers/algebra_args.hpp"

namespace quorix::py {

// V is the class's value type, Vector the vector type it multiplies (Vec3 for Quat and Mat3,
// Vec4 for Mat4).
template <class V, class Vector>
struct ProductOperators {
    // An exact float or int has neither items nor attributes: only the float rule can take it.
    static bool plain_number(PyObject* o) { return PyFloat_CheckExact(o) || PyLong_CheckExact(o); }

    template <class F>
    static PyObject* entrywise(PyObject* a, PyObject* b, F f) {
        return guard([&]() -> PyObject* {
            V o;
            if (!is_instance<V>(a) || !try_read(b, o)) Py_RETURN_NOTIMPLEMENTED;
            return wrap_in(Py_TYPE(a), f(value_of<V>(a), o));
        });
    }

    static PyObject* add(PyObject* a, PyObject* b) {
        return entrywise(a, b, [](const V& x, const V& y) { return x + y; });
    }
    static PyObject* subtract(PyObject* a, PyObject* b) {
        return entrywise(a, b, [](const V& x, const V& y) { return x - y; });
    }

    // v * o tries o as a value of the class, then as a vector, then as a number; f * v only as a
    // number. The vector class itself can never pass the class's own rule, so it skips that try.
    static PyObject* multiply(PyObject* a, PyObject* b) {
        return guard([&]() -> PyObject* {
            if (is_instance<V>(a)) {
                const V& v = value_of<V>(a);
                if (!plain_number(b)) {
                    V o;
                    if (Py_TYPE(b) != ClassOf<Vector>::lazy().created() && try_read(b, o))
                        return wrap_in(Py_TYPE(a), v * o);
                    Vector w;
                    if (try_read(b, w)) return wrap(v * w);
                }
                double f;
                if (try_read(b, f)) return wrap_in(Py_TYPE(a), v * f);
            } else {
                double f;
                if (try_read(a, f)) return wrap_in(Py_TYPE(b), f * value_of<V>(b));
            }
            raise(PyExc_TypeError, "unsupported operand type for *");
        });
    }

    static PyObject* divide(PyObject* a, PyObject* b) {
        return guard([&]() -> PyObject* {
            double f;
            if (!is_instance<V>(a) || !try_read(b, f)) Py_RETURN_NOTIMPLEMENTED;
            return wrap_in(Py_TYPE(a), value_of<V>(a) / f);
        });
    }

    static PyObject* negative(PyObject* self) {
        return guard([&] { return wrap_in(Py_TYPE(self), -value_of<V>(self)); });
    }

    static std::vector<PyType_Slot> slots() {
        return {
            {Py_nb_add, reinterpret_cast<void*>(&add)},
            {Py_nb_subtract, reinterpret_cast<void*>(&subtract)},
            {Py_nb_multiply, reinterpret_cast<void*>(&multiply)},
            {Py_nb_true_divide, reinterpret_cast<void*>(&divide)},
            {Py_nb_negative, reinterpret_cast<void*>(&negative)},
        };
    }
};

}  // namespace quorix::py

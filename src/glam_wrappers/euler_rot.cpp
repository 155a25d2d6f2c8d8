// EulerRot: the 24 Euler-angle orders as class attributes. Members are the only instances (the
// class cannot be called), compare equal to themselves and to their integer value, convert to int
// and are not hashable.
#include <atomic>
#include <cstddef>
#include <new>
#include <string>
#include <utility>
#include <vector>

#include "glam_wrappers/algebra_args.hpp"

namespace quorix::py {

LazyType& ClassOf<EulerRot>::lazy() {
    static LazyType type({name, nullptr, sizeof(EulerRotObject), Py_TPFLAGS_DISALLOW_INSTANTIATION, nullptr});
    return type;
}

namespace {

// The member of value I, made once; every later request returns the same object.
template <std::size_t I>
PyObject* member() {
    static std::atomic<PyObject*> cell{nullptr};
    if (PyObject* o = cell.load(std::memory_order_acquire)) return Py_NewRef(o);
    LazyType& lazy = ClassOf<EulerRot>::lazy();
    PyTypeObject* type = lazy.ready();
    if (!type) type = lazy.get();
    auto* made = PyObject_New(EulerRotObject, type);
    if (!made) throw PythonError{};
    made->order = static_cast<EulerRot>(I);
    new (&made->borrow) BorrowFlag();
    PyObject* expected = nullptr;
    if (!cell.compare_exchange_strong(expected, reinterpret_cast<PyObject*>(made), std::memory_order_acq_rel)) {
        Py_DECREF(made);  // another thread was first: its object is the member
        return Py_NewRef(expected);
    }
    return Py_NewRef(reinterpret_cast<PyObject*>(made));  // the cell keeps the first reference
}

template <std::size_t... I>
std::vector<ClassAttribute> members(std::index_sequence<I...>) {
    return {ClassAttribute{euler_rot_names[I].data(), &member<I>}...};
}

void dealloc(PyObject* self) {
    PyTypeObject* type = Py_TYPE(self);
    PyObject_Free(self);
    Py_DECREF(type);
}

PyObject* repr(PyObject* self) {
    return guard([&] {
        return ToPy<std::string>::convert("EulerRot." + std::string(euler_rot_name(member_order(self))));
    });
}

PyObject* to_int(PyObject* self) {
    return guard([&] { return check(PyLong_FromLong(static_cast<long>(member_order(self)))).release(); });
}

// Equal to the same member and to its value as an integer (int, bool, __index__); anything else,
// and every ordering, is NotImplemented.
PyObject* richcompare(PyObject* self, PyObject* other, int op) {
    return guard([&]() -> PyObject* {
        if (op != Py_EQ && op != Py_NE) Py_RETURN_NOTIMPLEMENTED;
        const long long mine = static_cast<long long>(member_order(self));
        long long theirs = 0;
        if (Py_TYPE(other) == Py_TYPE(self)) {
            theirs = static_cast<long long>(member_order(other));
        } else {
            Ref index(PyNumber_Index(other));
            if (index) theirs = PyLong_AsLongLong(index.get());
            if (!index || (theirs == -1 && PyErr_Occurred())) {
                if (!discard_ordinary_error()) throw PythonError{};
                Py_RETURN_NOTIMPLEMENTED;
            }
        }
        return ToPy<bool>::convert((op == Py_EQ) == (mine == theirs));
    });
}

const ClassGroup protocol(ClassOf<EulerRot>::lazy(),
                          {
                              {Py_tp_dealloc, reinterpret_cast<void*>(&dealloc)},
                              {Py_tp_repr, reinterpret_cast<void*>(&repr)},
                              {Py_tp_richcompare, reinterpret_cast<void*>(&richcompare)},
                              {Py_tp_hash, reinterpret_cast<void*>(&PyObject_HashNotImplemented)},
                              {Py_nb_int, reinterpret_cast<void*>(&to_int)},
                          },
                          {}, {}, members(std::make_index_sequence<euler_rot_count>{}));

}  // namespace
}  // namespace quorix::py

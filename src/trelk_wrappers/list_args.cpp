#include "trelk_wrappers/list_args.hpp"

#include <array>

#include "binding/errors.hpp"

namespace quorix::py {

namespace {

template <std::size_t N>
bool read_floats(PyObject* o, std::array<float, N>& out) {
    double d[N];
    if (!read_float_sequence(o, d, N)) return false;
    for (std::size_t i = 0; i < N; ++i) out[i] = f32(d[i]);
    return true;
}

bool read_item(PyObject* o, trelk::Vec2f& out) { return read_floats(o, out); }

bool read_item(PyObject* o, trelk::Vec3& out) {
    std::array<float, 3> a;
    if (!read_floats(o, a)) return false;
    out = {a[0], a[1], a[2]};
    return true;
}

bool read_item(PyObject* o, trelk::Plane& out) {
    if (!PyTuple_Check(o)) {
        set_not_instance(o, "tuple");
        return false;
    }
    if (PyTuple_GET_SIZE(o) != 2) {
        PyErr_Format(PyExc_ValueError, "expected tuple of length 2, but got tuple of length %zd", PyTuple_GET_SIZE(o));
        return false;
    }
    double d;
    if (!read_item(PyTuple_GET_ITEM(o, 0), out.normal) || !read_float(PyTuple_GET_ITEM(o, 1), d)) return false;
    out.d = f32(d);
    return true;
}

// Any sequence but a str: the sequence protocol, or an instance of collections.abc.Sequence.
bool is_list_like(PyObject* o) {
    if (PyUnicode_Check(o)) {
        PyErr_SetString(PyExc_TypeError, "Can't extract `str` to `Vec`");
        return false;
    }
    if (PySequence_Check(o)) return true;
    const int r = PyObject_IsInstance(o, sequence_abc());
    if (r < 0) return false;
    if (r == 0) set_not_instance(o, "Sequence");
    return r == 1;
}

}  // namespace

template <class Item>
bool Arg<ListArg<Item>>::read(PyObject* o, ListArg<Item>& out) {
    if (!is_list_like(o)) return false;
    out.items.clear();
    // Only a list's or tuple's length is its true item count; another sequence's __len__ may claim
    // anything, so its items are simply appended as they come.
    if (PyList_CheckExact(o) || PyTuple_CheckExact(o)) out.items.reserve(static_cast<std::size_t>(Py_SIZE(o)));
    Ref iter(PyObject_GetIter(o));
    if (!iter) return false;
    while (PyObject* raw = PyIter_Next(iter.get())) {
        Ref item(raw);
        if (!read_item(item.get(), out.items.emplace_back())) return false;
    }
    return !PyErr_Occurred();
}

template struct Arg<ListArg<trelk::Vec2f>>;
template struct Arg<ListArg<trelk::Vec3>>;
template struct Arg<ListArg<trelk::Plane>>;

namespace {

template <std::size_t N>
PyObject* float_row(const float* v) {
    Ref row = check(PyList_New(N));
    for (std::size_t i = 0; i < N; ++i) PyList_SET_ITEM(row.get(), i, ToPy<float>::convert(v[i]));
    return row.release();
}

template <class T, class F>
PyObject* list_of(std::span<const T> items, F&& item) {
    Ref list = check(PyList_New(static_cast<Py_ssize_t>(items.size())));
    for (std::size_t i = 0; i < items.size(); ++i) PyList_SET_ITEM(list.get(), i, item(items[i]));
    return list.release();
}

PyObject* vec3_row(const trelk::Vec3& v) {
    const float a[3] = {v.x, v.y, v.z};
    return float_row<3>(a);
}

}  // namespace

PyObject* rows_list(std::span<const trelk::Vec2f> rows) {
    return list_of(rows, [](const trelk::Vec2f& v) { return float_row<2>(v.data()); });
}

PyObject* rows_list(std::span<const trelk::Vec3> rows) { return list_of(rows, vec3_row); }

PyObject* planes_list(std::span<const trelk::Plane> planes) {
    return list_of(planes, [](const trelk::Plane& p) {
        Ref normal(vec3_row(p.normal));
        Ref d(ToPy<float>::convert(p.d));
        return check(PyTuple_Pack(2, normal.get(), d.get())).release();
    });
}

}  // namespace quorix::py

#include "trelk_wrappers/shape_args.hpp"

#include "binding/errors.hpp"
#include "glam_wrappers/algebra_args.hpp"
#include "glam_wrappers/value_class.hpp"
#include "glam_wrappers/vector_class.hpp"
#include "trelk_wrappers/collider_classes.hpp"
#include "trelk_wrappers/shape_union.hpp"

namespace quorix::py {

namespace {

// The attribute names the solid forms read, interned once.
enum Name { center, radius, p1, p2, half_extents, axes, name_count };

PyObject* name(Name n) {
    static PyObject* const* names = [] {
        static const char* const texts[name_count] = {"center", "radius", "p1", "p2", "half_extents", "axes"};
        static PyObject* made[name_count];
        for (int i = 0; i < name_count; ++i) made[i] = PyUnicode_InternFromString(texts[i]);
        return made;
    }();
    if (!names[n]) throw Fault("could not make an attribute name");
    return names[n];
}

bool read_vec3_attribute(PyObject* o, Name n, trelk::Vec3& out) {
    Ref attr(PyObject_GetAttr(o, name(n)));
    return attr && extract_f32_vec3(attr.get(), out);
}

bool read_float_attribute(PyObject* o, Name n, float& out) {
    Ref attr(PyObject_GetAttr(o, name(n)));
    double v;
    if (!attr || !read_float(attr.get(), v)) return false;
    out = f32(v);
    return true;
}

bool read_float_triple(PyObject* t, trelk::Vec3& out) {
    double v[3];
    if (!read_float_tuple(t, v, 3)) return false;
    out = {f32(v[0]), f32(v[1]), f32(v[2])};
    return true;
}

// The segment p1 .. p2 with a radius, read from attributes, derived fields computed.
template <class S>
bool read_round_axis_attributes(PyObject* o, S& out) {
    trelk::Vec3 a, b;
    float r;
    if (!read_vec3_attribute(o, p1, a) || !read_vec3_attribute(o, p2, b) || !read_float_attribute(o, radius, r))
        return false;
    out = S::make(a, b - a, r);
    return true;
}

template <class S>
bool is_exactly(PyObject* o) {
    return Py_TYPE(o) == ClassOf<S>::lazy().created();
}

template <class S>
bool copy_exact(PyObject* o, S& out) {
    if (!is_exactly<S>(o)) return false;
    out = value_of<S>(o);
    return true;
}

// The view of one shape value: the small kinds copied, the others borrowed.
template <class S>
ShapeView view_of_value(const S& s) {
    if constexpr (std::is_trivially_copyable_v<S>)
        return s;
    else
        return &s;
}

template <class S>
bool exact_view(PyObject* o, ShapeView& out) {
    if (!is_exactly<S>(o)) return false;
    out = view_of_value(value_of<S>(o));
    return true;
}

template <std::size_t... K>
bool exact_view_any(PyObject* o, ShapeView& out, std::index_sequence<K...>) {
    return (exact_view<std::variant_alternative_t<K, AnyShape>>(o, out) || ...);
}

template <class S>
bool attribute_view(PyObject* o, ShapeView& out) {
    S s;
    if (!try_read(o, s)) return false;
    out = s;
    return true;
}

}  // namespace

bool extract_f32_vec3(PyObject* o, trelk::Vec3& out) {
    DVec3 v;
    if (!read_vector_like(o, v)) return false;
    out = f32(v);
    return true;
}

bool Arg<trelk::Vec3>::read(PyObject* o, trelk::Vec3& out) { return extract_f32_vec3(o, out); }

bool Arg<trelk::Sphere>::read(PyObject* o, trelk::Sphere& out) {
    if (copy_exact(o, out)) return true;
    return read_vec3_attribute(o, center, out.center) && read_float_attribute(o, radius, out.radius);
}

bool Arg<trelk::Capsule>::read(PyObject* o, trelk::Capsule& out) {
    return copy_exact(o, out) || read_round_axis_attributes(o, out);
}

bool Arg<trelk::Cylinder>::read(PyObject* o, trelk::Cylinder& out) {
    return copy_exact(o, out) || read_round_axis_attributes(o, out);
}

bool Arg<trelk::Cuboid>::read(PyObject* o, trelk::Cuboid& out) {
    if (copy_exact(o, out)) return true;
    trelk::Vec3 c, h;
    std::array<trelk::Vec3, 3> a;
    if (!read_vec3_attribute(o, center, c)) return false;
    Ref half(PyObject_GetAttr(o, name(half_extents)));
    if (!half || !read_float_triple(half.get(), h)) return false;
    Ref axes_attr(PyObject_GetAttr(o, name(axes)));
    if (!axes_attr || !check_tuple(axes_attr.get(), 3)) return false;
    for (int i = 0; i < 3; ++i)
        if (!read_float_triple(PyTuple_GET_ITEM(axes_attr.get(), i), a[i])) return false;
    out = trelk::Cuboid::make(c, a, h);
    return true;
}

AnyShape to_owned(const ShapeView& v) {
    return visit_shape(v, [](const auto& s) { return AnyShape(s); });
}

ShapeView view_of(const AnyShape& s) {
    return std::visit([](const auto& x) { return view_of_value(x); }, s);
}

bool Arg<ShapeView>::read(PyObject* o, ShapeView& out) {
    if (exact_view_any(o, out, std::make_index_sequence<std::variant_size_v<AnyShape>>{})) return true;
    if (const AnyShape* held = held_shape(o)) {
        out = view_of(*held);
        return true;
    }
    if (attribute_view<trelk::Sphere>(o, out) || attribute_view<trelk::Capsule>(o, out) ||
        attribute_view<trelk::Cuboid>(o, out) || attribute_view<trelk::Cylinder>(o, out))
        return true;
    PyErr_SetString(PyExc_TypeError, "expected a Shape (Sphere, Cuboid, Cylinder, etc.)");
    return false;
}

bool Arg<AnyShape>::read(PyObject* o, AnyShape& out) {
    ShapeView v;
    if (!Arg<ShapeView>::read(o, v)) return false;
    out = to_owned(v);
    return true;
}

void push_into(ColliderValue& c, AnyShape&& shape) {
    std::visit([&](auto&& s) { trelk::add(c, std::move(s)); }, std::move(shape));
}

namespace {

// Ordinary failures are dropped; anything else (KeyboardInterrupt, MemoryError) goes on.
void drop_failure() {
    if (!discard_ordinary_error()) throw PythonError{};
}

// obj.name(), or null when the method is missing or raises an ordinary exception.
Ref call_quietly(PyObject* o, const char* name) {
    Ref r(PyObject_CallMethod(o, name, nullptr));
    if (!r) drop_failure();
    return r;
}

template <class T>
void push_all(ColliderValue& c, std::vector<T>& items) {
    for (T& item : items) trelk::add(c, std::move(item));
}

// A list all of whose items convert by T's rule, else nothing.
template <class T>
void gather_all_or_nothing(ColliderValue& c, PyObject* o, const char* method) {
    Ref result = call_quietly(o, method);
    if (!result) return;
    ItemsOf<T> list;
    if (try_read(result.get(), list)) push_all(c, list.items);
}

// spheres(): a SphereCollection not held exclusively, else a sequence of spheres, else whatever
// items of a sized, indexable object convert.
void gather_spheres(ColliderValue& c, PyObject* o) {
    Ref result = call_quietly(o, "spheres");
    if (!result) return;
    PyObject* r = result.get();
    if (is_instance<PySphereCollection>(r)) {
        PySphereCollection& held = reinterpret_cast<ValueObject<PySphereCollection>*>(r)->value;
        try {
            SharedBorrow borrow(held.flag);
            for (std::size_t i = 0; i < held.value.len(); ++i) trelk::add(c, held.value.get(i));
        } catch (const BorrowError&) {
            // Held by a push or clear: it cannot be read, so it gives nothing.
        }
        return;
    }
    ItemsOf<trelk::Sphere> list;
    if (try_read(r, list)) return push_all(c, list.items);
    const Py_ssize_t n = PyObject_Size(r);
    if (n < 0) return drop_failure();
    for (Py_ssize_t i = 0; i < n; ++i) {
        Ref index = check(PyLong_FromSsize_t(i));
        Ref item(PyObject_GetItem(r, index.get()));
        trelk::Sphere s;
        if (item && Arg<trelk::Sphere>::read(item.get(), s))
            trelk::add(c, s);
        else
            drop_failure();
    }
}

// Every shape of an iterable; false (nothing gathered, no error) when it yields none.
bool gather_iterable(ColliderValue& c, PyObject* iter) {
    bool any = false;
    while (PyObject* raw = PyIter_Next(iter)) {
        Ref item(raw);
        AnyShape s;
        if (!try_read(item.get(), s)) raise(PyExc_TypeError, "PyCollider: sequence item is not a Shape");
        push_into(c, std::move(s));
        any = true;
    }
    if (PyErr_Occurred()) throw PythonError{};
    return any;
}

}  // namespace

bool Arg<ColliderLike>::read(PyObject* o, ColliderLike& out) {
    ColliderValue& c = out.value;
    if (is_exactly<PyCollider>(o)) {
        PyCollider& held = reinterpret_cast<ValueObject<PyCollider>*>(o)->value;
        SharedBorrow borrow(held.flag);
        c = held.value;
        return true;
    }
    if (o == Py_None) return true;
    AnyShape shape;
    if (try_read(o, shape)) {
        push_into(c, std::move(shape));
        return true;
    }
    try {
        if (Ref iter{PyObject_GetIter(o)}) {
            if (gather_iterable(c, iter.get())) return true;
        } else {
            drop_failure();
        }
    } catch (const PythonError&) {
        return false;
    }
    gather_spheres(c, o);
    gather_all_or_nothing<trelk::Cuboid>(c, o, "cuboids");
    gather_all_or_nothing<trelk::Cylinder>(c, o, "cylinders");
    gather_all_or_nothing<trelk::Capsule>(c, o, "capsules");
    return true;
}

}  // namespace quorix::py

// SphereCollection: a growable list of spheres kept as trelk's sphere set, with a borrow flag.
// push and clear borrow it exclusively, every other method shares it; the constructor, the static
// builders and __dict__ take no borrow. The set's own rules (16-lane growth, NaN spare radii, the
// eight-lane test, the stored form and its checks) are trelk's.
#include <stdexcept>

#include "binding/borrowed_method.hpp"
#include "trelk_wrappers/collider_classes.hpp"
#include "trelk_wrappers/shape_class.hpp"

namespace quorix::py {

namespace {

using V = trelk::SpheresSoA;
using P = PySphereCollection;
constexpr Access shared = Access::shared;
constexpr Access exclusive = Access::exclusive;

// A reservation beyond what can be had is a MemoryError, never the end of the process.
V with_capacity(unsigned long long cap) {
    try {
        return V::with_capacity(cap);
    } catch (const std::length_error&) {
        throw std::bad_alloc();
    }
}

[[noreturn]] void out_of_range() { raise(PyExc_IndexError, "SphereCollection index out of range"); }

trelk::Sphere at(const V& s, unsigned long long i) {
    if (i >= s.len()) out_of_range();
    return s.get(i);
}

// sc[i]: a negative index counts from the end.
trelk::Sphere at_signed(const V& s, Py_ssize_t i) {
    const Py_ssize_t n = static_cast<Py_ssize_t>(s.len());
    if (i < 0) i += n;
    if (i < 0) out_of_range();
    return at(s, static_cast<unsigned long long>(i));
}

PyObject* subscript(PyObject* self, PyObject* key) {
    return guard([&] {
        P& held = guarded_receiver<V>(self);
        SharedBorrow borrow(held.flag);
        Py_ssize_t i;
        if (!read_index(key, i)) throw PythonError{};
        return to_python(at_signed(held.value, i));
    });
}

PyObject* item(PyObject* self, Py_ssize_t i) {
    return guard([&] {
        P& held = guarded_receiver<V>(self);
        SharedBorrow borrow(held.flag);
        return to_python(at_signed(held.value, i));
    });
}

std::size_t count(const V& s) { return s.len(); }

std::string text(const V& s) { return "SphereCollection(len=" + std::to_string(s.len()) + ")"; }

const ClassGroup own(
    ClassOf<P>::lazy(),
    joined<PyType_Slot>({
        {{Py_tp_dealloc, reinterpret_cast<void*>(&dealloc_value<P>)},
         shared_repr<V, &text>(),
         {Py_mp_subscript, reinterpret_cast<void*>(&subscript)},
         {Py_sq_item, reinterpret_cast<void*>(&item)}},
        shared_len<V, &count>(),
    }),
    {
        method<P, "with_capacity", "(cap)", [](unsigned long long cap) { return with_capacity(cap); }>(),
        method<P, "from_slice", "(spheres)",
               [](const ItemsOf<trelk::Sphere>& spheres) { return V::from_slice(spheres.items); }>(),
        borrowed_method<V, "len", "($self)", shared, [](const V& s) { return count(s); }>(),
        borrowed_method<V, "is_empty", "($self)", shared, [](const V& s) { return s.is_empty(); }>(),
        borrowed_method<V, "push", "($self, sphere)", exclusive, [](V& s, trelk::Sphere sphere) { s.push(sphere); }>(),
        borrowed_method<V, "get", "($self, index)", shared, [](const V& s, unsigned long long i) { return at(s, i); }>(),
        borrowed_method<V, "clear", "($self)", exclusive, [](V& s) { s.clear(); }>(),
        borrowed_method<V, "any_collides_sphere", "($self, sphere)", shared,
                        [](const V& s, const Instance<trelk::Sphere>& sphere) {
                            return !s.is_empty() && s.any_collides_sphere_f32x8(*sphere);
                        }>(),
        borrowed_method<V, "abs_diff_eq", "($self, rhs, max_abs_diff)", shared,
                        [](const V& s, const Borrowed<V>& rhs, double max_abs_diff) {
                            return abs_diff_eq(s, *rhs, f32(max_abs_diff));
                        }>(),
        borrowed_method<V, "__getnewargs_ex__", "($self)", shared, [](const V& s) { return record_newargs(s); }>(),
    },
    NoDataclassFields<V>::getsets(), NoDataclassFields<V>::attributes());

}  // namespace

LazyType& ClassOf<PySphereCollection>::lazy() { return shape_class_type<P, &build_empty_or_stored<V>>(); }

}  // namespace quorix::py

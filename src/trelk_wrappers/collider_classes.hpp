// The two mutable classes of the collision side: `SphereCollection` over a trelk sphere set and
// `Collider` over a trelk collider that may hold point clouds. Each object holds its value and a
// borrow flag (binding/borrowed_method.hpp); the class objects are defined in sphere_collection.cpp
// and collider.cpp.
#pragma once

#include <vector>

#include "binding/borrowed_method.hpp"
#include "binding/dataclass.hpp"
#include "binding/record_state.hpp"
#include "collider.hpp"
#include "pointcloud/mod.hpp"
#include "soa.hpp"

namespace quorix::py {

using ColliderValue = trelk::Collider<trelk::Pointcloud>;
using PyCollider = Guarded<ColliderValue>;
using PySphereCollection = Guarded<trelk::SpheresSoA>;

template <>
inline constexpr bool has_guarded_class<ColliderValue> = true;
template <>
inline constexpr bool has_guarded_class<trelk::SpheresSoA> = true;

template <>
struct ClassOf<PySphereCollection> {
    using Value = PySphereCollection;
    static constexpr const char* name = "SphereCollection";
    static constexpr const char* params = "(*, __pickle_state__=None)";
    static LazyType& lazy();
};

template <>
struct ClassOf<PyCollider> {
    using Value = PyCollider;
    static constexpr const char* name = "Collider";
    static constexpr const char* params = "(*, __pickle_state__=None)";
    static LazyType& lazy();
};

// The constructor of both, "(*, __pickle_state__=None)": an empty value, or the decoded state.
template <class V>
Guarded<V> build_empty_or_stored(PyObject* const* slots) {
    V v;
    apply_record_state(slots[0], v);
    return Guarded<V>(std::move(v));
}

// The dataclass view of both, which have no fields: `__dict__` is a new empty dictionary (after
// the receiver check, without a borrow), `__dataclass_fields__` is made from no names.
template <class V>
struct NoDataclassFields {
    static PyObject* dict(PyObject* self, void*) {
        return guard([&] {
            guarded_receiver<V>(self);
            return check(PyDict_New()).release();
        });
    }
    static std::vector<PyGetSetDef> getsets() { return {{"__dict__", &dict, nullptr, nullptr, nullptr}}; }
    static std::vector<ClassAttribute> attributes() {
        return {{"__dataclass_fields__", []() -> PyObject* { return make_dataclass_fields({}); }}};
    }
};

}  // namespace quorix::py

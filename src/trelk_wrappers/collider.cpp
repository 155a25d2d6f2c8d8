// Collider: the mutable container of shapes of every kind over trelk's collider, with a borrow flag.
// add, include and refine_bounding borrow it exclusively; the getters, queries, transforms and
// bounds share it; the constructor and __dict__ take no borrow. Adding, merging, the mask and the
// bound, transforms, the refined bound, the sweep and every query are trelk's (collider.hpp); the
// collider-like argument of include is read by Arg<ColliderLike> (shape_args.hpp).
#include <cstdio>
#include <span>

#include "binding/borrowed_method.hpp"
#include "trelk_wrappers/collider_classes.hpp"
#include "trelk_wrappers/list_args.hpp"
#include "trelk_wrappers/shape_class.hpp"

namespace quorix::py {

namespace {

using V = ColliderValue;
using P = PyCollider;
constexpr Access shared = Access::shared;
constexpr Access exclusive = Access::exclusive;

template <class S>
std::span<const S> items_of(const std::vector<S>& list) {
    return list;
}
template <class S>
std::span<const S> items_of(const trelk::BroadCollection<S>& group) {
    return group.items();
}

bool collides(const V& c, const ShapeView& shape) {
    return visit_shape(shape, [&](const auto& s) -> bool {
        using S = std::remove_cvref_t<decltype(s)>;
        if constexpr (std::is_same_v<S, trelk::Pointcloud>)
            raise(PyExc_ValueError, "Pointcloud cannot query a Collider<Pointcloud>; use individual shape queries instead");
        else
            return trelk::query_collider(s, c);
    });
}

PyObject* try_stretch(const V& c, trelk::Vec3 t) {
    std::optional<trelk::Collider<trelk::NoPcl>> swept = trelk::try_stretch(c, t);
    if (!swept) return Py_NewRef(Py_None);
    return to_python(trelk::with_cloud_kind<trelk::Pointcloud>(std::move(*swept)));
}

std::string text(const V& c) {
    char s[32];
    std::snprintf(s, sizeof s, "Collider(mask=0x%04x)", unsigned(c.mask));
    return s;
}

template <Text Name, auto Group>
PyMethodDef getter() {
    return borrowed_method<V, Name, "($self)", shared, [](const V& c) { return list_of(items_of(c.*Group)); }>();
}

const ClassGroup own(
    ClassOf<P>::lazy(), {{Py_tp_dealloc, reinterpret_cast<void*>(&dealloc_value<P>)}, shared_repr<V, &text>()},
    {
        borrowed_method<V, "add", "($self, shape)", exclusive, [](V& c, AnyShape& s) { push_into(c, std::move(s)); }>(),
        borrowed_method<V, "include", "($self, other)", exclusive,
                        [](V& c, ColliderLike& other) { trelk::include(c, std::move(other.value)); }>(),
        getter<"capsules", &V::capsules>(),
        getter<"cuboids", &V::cuboids>(),
        getter<"cylinders", &V::cylinders>(),
        getter<"planes", &V::planes>(),
        getter<"polygons", &V::polygons>(),
        getter<"polytopes", &V::polytopes>(),
        getter<"lines", &V::lines>(),
        getter<"rays", &V::rays>(),
        getter<"segments", &V::segments>(),
        getter<"pointclouds", &V::pointclouds>(),
        borrowed_method<V, "spheres", "($self)", shared, [](const V& c) { return c.spheres; }>(),
        borrowed_method<V, "mask", "($self)", shared, [](const V& c) { return std::size_t{c.mask}; }>(),
        borrowed_method<V, "__getnewargs_ex__", "($self)", shared, [](const V& c) { return record_newargs(c); }>(),
        // transforms: a changed copy, the receiver untouched
        borrowed_method<V, "scaled", "($self, factor)", shared, &Transformed<V>::scaled>(),
        borrowed_method<V, "translated", "($self, offset)", shared, &Transformed<V>::translated>(),
        borrowed_method<V, "rotated_mat", "($self, mat)", shared, &Transformed<V>::rotated_mat>(),
        borrowed_method<V, "rotated_quat", "($self, quat)", shared, &Transformed<V>::rotated_quat>(),
        borrowed_method<V, "transformed", "($self, mat)", shared, &Transformed<V>::transformed>(),
        // bounds, all from the collider's bounding sphere
        borrowed_method<V, "obb", "($self)", shared, [](const V& c) { return trelk::box_around(c.bounding_sphere); }>(),
        borrowed_method<V, "aabb", "($self)", shared, [](const V& c) { return trelk::box_around(c.bounding_sphere); }>(),
        borrowed_method<V, "broadphase", "($self)", shared, [](const V& c) { return c.bounding_sphere; }>(),
        borrowed_method<V, "refine_bounding", "($self)", exclusive, [](V& c) { trelk::refine_bounding(c); }>(),
        // queries
        borrowed_method<V, "collides", "($self, shape)", shared, &collides>(),
        borrowed_method<V, "collides_other", "($self, other)", shared,
                        [](const V& c, const Borrowed<V>& other) { return trelk::collides_other(c, *other); }>(),
        borrowed_method<V, "try_stretch_d", "($self, translation)", shared, &try_stretch>(),
    },
    NoDataclassFields<V>::getsets(), NoDataclassFields<V>::attributes());

}  // namespace

LazyType& ClassOf<PyCollider>::lazy() { return shape_class_type<P, &build_empty_or_stored<V>>(); }

}  // namespace quorix::py

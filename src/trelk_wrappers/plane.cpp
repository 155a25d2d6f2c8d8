// Plane: the solid half-space normal . x <= d, the normal kept as given. The members every shape
// shares (no bounds: it has none) come from UniformShapeGroups (uniform.hpp); here are its
// constructor, getters, builder from a point and a normal, sweep and text form.
#include "trelk_wrappers/shape_class.hpp"

namespace quorix::py {

namespace {

using S = trelk::Plane;

// Plane(normal=None, d=0.0, *, __pickle_state__=None)
S build(PyObject* const* slots) {
    S s;
    DVec3 normal;
    const bool has_normal = read_optional_argument(slots[0], "normal", normal);
    double d = 0.0;
    if (slots[1]) read_argument(slots[1], "d", d);
    if (apply_record_state(slots[2], s)) return s;
    if (!has_normal) raise_requires("Plane requires normal argument");
    return S{f32(normal), f32(d)};
}

std::string text(const S& p) { return "Plane(normal: " + plain3(p.normal) + ", d: " + plain(p.d) + ")"; }

const UniformShapeGroups<S> uniform;

const ClassGroup own(
    ClassOf<S>::lazy(), {repr<S, &text>()},
    {
        method<S, "from_point_normal", "(point, normal)",
               [](trelk::Vec3 point, trelk::Vec3 normal) { return S::from_point_normal(point, normal); }>(),
        method<S, "stretch", "($self, translation)", [](const S& p, trelk::Vec3 t) { return trelk::stretch(p, t); }>(),
    },
    {
        property<S, "normal", [](const S& p) { return p.normal; }>(),
        property<S, "d", [](const S& p) { return p.d; }>(),
    });

}  // namespace

LazyType& ClassOf<S>::lazy() { return shape_class_type<S, &build>(); }

}  // namespace quorix::py

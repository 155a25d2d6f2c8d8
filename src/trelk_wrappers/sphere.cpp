// Sphere: the solid ball, and the result class of every bounding sphere. The members all shapes
// share come from UniformShapeGroups (uniform.hpp); here are its constructor, getters, sweep and
// text form.
#include "trelk_wrappers/shape_class.hpp"

namespace quorix::py {

namespace {

using S = trelk::Sphere;

// Sphere(center=None, radius=0.0, *, __pickle_state__=None)
S build(PyObject* const* slots) {
    S s;
    DVec3 center;
    const bool has_center = read_optional_argument(slots[0], "center", center);
    double radius = 0.0;
    if (slots[1]) read_argument(slots[1], "radius", radius);
    if (apply_record_state(slots[2], s)) return s;
    if (!has_center) raise_requires("Sphere requires center argument");
    return S{f32(center), f32(radius)};
}

std::string text(const S& s) { return "Sphere(center: " + plain3(s.center) + ", radius: " + plain(s.radius) + ")"; }

const UniformShapeGroups<S> uniform;

const ClassGroup own(
    ClassOf<S>::lazy(), {repr<S, &text>()},
    {
        method<S, "stretch", "($self, translation)", [](const S& s, trelk::Vec3 t) { return trelk::stretch(s, t); }>(),
    },
    {
        property<S, "center", [](const S& s) { return s.center; }>(),
        property<S, "radius", [](const S& s) { return s.radius; }>(),
    });

}  // namespace

LazyType& ClassOf<trelk::Sphere>::lazy() { return shape_class_type<S, &build>(); }

}  // namespace quorix::py

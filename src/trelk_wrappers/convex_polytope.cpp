// ConvexPolytope: a convex solid given by its bounding planes and its corners, with a box around
// the corners. The members all shapes share come from UniformShapeGroups (uniform.hpp); here are
// its constructor, the builder with a given box, getters, sweep and text form.
#include "trelk_wrappers/list_args.hpp"
#include "trelk_wrappers/shape_class.hpp"

namespace quorix::py {

namespace {

using S = trelk::ConvexPolytope;

// ConvexPolytope(planes=None, vertices=None, *, __pickle_state__=None)
S build(PyObject* const* slots) {
    PlaneList planes;
    VertexList vertices;
    const bool has_planes = read_optional_argument(slots[0], "planes", planes);
    const bool has_vertices = read_optional_argument(slots[1], "vertices", vertices);
    S s;
    if (apply_record_state(slots[2], s)) return s;
    if (!has_planes || !has_vertices) raise_requires("ConvexPolytope requires planes, vertices arguments");
    return S::make(std::move(planes.items), std::move(vertices.items));
}

std::string text(const S& s) {
    return "ConvexPolytope(planes: " + std::to_string(s.planes.size()) +
           ", vertices: " + std::to_string(s.vertices.size()) + ")";
}

const UniformShapeGroups<S> uniform;

const ClassGroup own(
    ClassOf<S>::lazy(), {repr<S, &text>()},
    {
        method<S, "with_obb", "(planes, vertices, obb)",
               [](PlaneList& planes, VertexList& vertices, const trelk::Cuboid& obb) {
                   return S{std::move(planes.items), std::move(vertices.items), obb};
               }>(),
        method<S, "stretch", "($self, translation)", [](const S& s, trelk::Vec3 t) { return trelk::stretch(s, t); }>(),
    },
    {
        property<S, "planes", [](const S& s) { return planes_list(s.planes); }>(),
        property<S, "vertices", [](const S& s) { return rows_list(s.vertices); }>(),
    });

}  // namespace

LazyType& ClassOf<S>::lazy() { return shape_class_type<S, &build>(); }

}  // namespace quorix::py

// ConvexPolygon: a flat convex polygon in its own 2-D frame. The members all shapes share come
// from UniformShapeGroups (uniform.hpp); here are its constructor, the builder with given axes,
// getters, sweep and text form.
#include "stored_form.hpp"
#include "trelk_wrappers/list_args.hpp"
#include "trelk_wrappers/shape_class.hpp"

namespace quorix::py {

namespace {

using S = trelk::ConvexPolygon;

// The pair tests walk the derived lists side by side: a state whose lists differ is refused.
void refuse_mismatched_lists(const S& s) {
    try {
        trelk::check_stored_lists(s);
    } catch (const trelk::StoredFormError& e) {
        raise_decode_failed(std::string("decoding error: ") + e.what());
    }
}

// ConvexPolygon(center=None, normal=None, vertices_2d=None, *, __pickle_state__=None)
S build(PyObject* const* slots) {
    trelk::Vec3 center, normal;
    Vertex2dList vertices;
    const bool has_center = read_optional_argument(slots[0], "center", center);
    const bool has_normal = read_optional_argument(slots[1], "normal", normal);
    const bool has_vertices = read_optional_argument(slots[2], "vertices_2d", vertices);
    S s;
    if (apply_record_state(slots[3], s)) {
        refuse_mismatched_lists(s);
        return s;
    }
    if (!has_center || !has_normal || !has_vertices)
        raise_requires("ConvexPolygon requires center, normal, vertices_2d arguments");
    return S::make(center, normal, std::move(vertices.items));
}

std::string text(const S& s) {
    return "ConvexPolygon(center: " + plain3(s.center) + ", normal: " + plain3(s.normal) +
           ", vertices: " + std::to_string(s.vertices_2d.size()) + ")";
}

const UniformShapeGroups<S> uniform;

const ClassGroup own(
    ClassOf<S>::lazy(), {repr<S, &text>()},
    {
        method<S, "with_axes", "(center, normal, u_axis, v_axis, vertices_2d)",
               [](trelk::Vec3 center, trelk::Vec3 normal, trelk::Vec3 u_axis, trelk::Vec3 v_axis,
                  Vertex2dList& vertices) {
                   return S::with_axes(center, normal, u_axis, v_axis, std::move(vertices.items));
               }>(),
        method<S, "stretch", "($self, translation)", [](const S& s, trelk::Vec3 t) { return trelk::stretch(s, t); }>(),
    },
    {
        property<S, "center", [](const S& s) { return s.center; }>(),
        property<S, "normal", [](const S& s) { return s.normal; }>(),
        property<S, "u_axis", [](const S& s) { return s.u_axis; }>(),
        property<S, "v_axis", [](const S& s) { return s.v_axis; }>(),
        property<S, "vertices_2d", [](const S& s) { return rows_list(s.vertices_2d); }>(),
    });

}  // namespace

LazyType& ClassOf<S>::lazy() { return shape_class_type<S, &build>(); }

}  // namespace quorix::py

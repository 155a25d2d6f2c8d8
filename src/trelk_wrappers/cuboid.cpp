// Cuboid: the solid box of any orientation, and the result class of every obb and aabb. The
// members all shapes share come from UniformShapeGroups (uniform.hpp); here are its constructor,
// getters, point queries, builders, sweep and text form.
#include "algebra/vec_elementwise.hpp"
#include "glam_wrappers/array_args.hpp"
#include "trelk_wrappers/list_args.hpp"
#include "trelk_wrappers/shape_class.hpp"

namespace quorix::py {

namespace {

using S = trelk::Cuboid;

// Cuboid(center=None, axes=None, half_extents=None, *, __pickle_state__=None)
S build(PyObject* const* slots) {
    S s;
    DVec3 center;
    FloatGrid<3, 3> axes;
    FloatArray<3> half;
    const bool has_center = read_optional_argument(slots[0], "center", center);
    const bool has_axes = read_optional_argument(slots[1], "axes", axes);
    const bool has_half = read_optional_argument(slots[2], "half_extents", half);
    if (apply_record_state(slots[3], s)) return s;
    if (!has_center || !has_axes || !has_half) raise_requires("Cuboid requires center, axes, half_extents arguments");
    std::array<trelk::Vec3, 3> a;
    for (int i = 0; i < 3; ++i) a[i] = {f32(axes.v[i][0]), f32(axes.v[i][1]), f32(axes.v[i][2])};
    return S::make(f32(center), a, {f32(half.v[0]), f32(half.v[1]), f32(half.v[2])});
}

std::string text(const S& s) {
    return "Cuboid(center: " + plain3(s.center) + ", half_extents: " + plain3(s.half_extents) + ")";
}

// Widened exactly; `scale` doubles in double precision, where 2 * 3e38 stays finite.
PyObject* widened_list(trelk::Vec3 v, double scale = 1.0) {
    const double values[3] = {v.x * scale, v.y * scale, v.z * scale};
    return float_list(values);
}

// The box of the size's magnitudes: half of each is taken before narrowing.
S from_center_size_orientation(trelk::Vec3 center, const FloatTuple<3>& size, const DMat3& orientation) {
    return S::oriented(center, f32(orientation), f32(abs(DVec3::from_array(size.v)) * 0.5));
}

const UniformShapeGroups<S> uniform;

const ClassGroup own(
    ClassOf<S>::lazy(), {repr<S, &text>()},
    {
        method<S, "corners", "($self)", [](const S& s) { return list_of(s.corners()); }>(),
        method<S, "contains_point", "($self, point)", [](const S& s, trelk::Vec3 p) { return s.contains_point(p); }>(),
        method<S, "bounding_sphere_radius", "($self)", [](const S& s) { return trelk::broadphase(s).radius; }>(),
        method<S, "from_aabb", "(min, max)", [](trelk::Vec3 lo, trelk::Vec3 hi) { return S::from_aabb(lo, hi); }>(),
        method<S, "from_center_size_orientation", "(center, size, orientation)", &from_center_size_orientation>(),
        method<S, "stretch", "($self, translation)", [](const S& s, trelk::Vec3 t) { return trelk::stretch(s, t); }>(),
    },
    {
        property<S, "center", [](const S& s) { return s.center; }>(),
        property<S, "axes", [](const S& s) { return rows_list(s.axes); }>(),
        property<S, "half_extents", [](const S& s) { return widened_list(s.half_extents); }>(),
        property<S, "full_extents", [](const S& s) { return widened_list(s.half_extents, 2.0); }>(),
        property<S, "axis_aligned", [](const S& s) { return s.axis_aligned; }>(),
    });

}  // namespace

LazyType& ClassOf<S>::lazy() { return shape_class_type<S, &build>(); }

}  // namespace quorix::py

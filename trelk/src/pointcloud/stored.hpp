// Stored record of a point cloud: the tree's and the sphere set's records, the point radius, the
// radius range as a 2-tuple and the optional motion as a 12-tuple (matrix columns, then the
// translation), or None.
#pragma once

#include <optional>
#include <utility>

#include "math.hpp"
#include "pointcloud/capt.hpp"
#include "soa.hpp"
#include "stored_form.hpp"

namespace trelk {

template <class V>
void visit_items(V& v, Affine3A& a) {
    v.tuple("a sequence of 12 f32 values");
    for (Vec3* col : {&a.matrix3.x_axis, &a.matrix3.y_axis, &a.matrix3.z_axis, &a.translation}) {
        v.item(col->x);
        v.item(col->y);
        v.item(col->z);
    }
}

// As read: the parts are checked by their own readers, then together by Pointcloud::from_stored.
struct PointcloudData {
    pointcloud::Capt tree;
    SpheresSoA spheres;
    float point_radius = 0.0f;
    std::pair<float, float> r_range{};
    std::optional<Affine3A> inverse_transform;
};

// As written: views of the cloud's own parts.
struct PointcloudView {
    pointcloud::CaptView tree;
    SpheresSoAView spheres;
    float point_radius = 0.0f;
    std::pair<float, float> r_range{};
    std::optional<Affine3A> inverse_transform;
};

template <class V, ReadOrWritten<PointcloudData, PointcloudView> Record>
void visit_fields(V& v, Record& r) {
    v.record("Pointcloud");
    v.field("tree", r.tree);
    v.field("spheres", r.spheres);
    v.field("point_radius", r.point_radius);
    v.field("r_range", r.r_range);
    v.field("inverse_transform", r.inverse_transform);
}

}  // namespace trelk

// Borrowed view of a ConvexPolygon's fields, for tests on polygons held in lists or made for one
// call. It must not outlive the polygon it was made from.
#pragma once

#include <span>

#include "plane/convex.hpp"

namespace trelk {

struct RefConvexPolygon {
    Vec3 center;
    Vec3 normal;
    Vec3 u_axis;
    Vec3 v_axis;
    std::span<const Vec2f> vertices_2d;
    std::span<const Vec3> vertices_3d;
    std::span<const Vec2f> edge_normals_2d;
    std::span<const float> edge_offsets_2d;
    float bounding_radius = 0.0f;

    static RefConvexPolygon of(const ConvexPolygon& p) {
        return {p.center,      p.normal,          p.u_axis,          p.v_axis,       p.vertices_2d,
                p.vertices_3d, p.edge_normals_2d, p.edge_offsets_2d, p.bounding_radius};
    }
};

}  // namespace trelk

// Flat convex polygon (zero thickness) in 3-D, described in its own 2-D frame.
#pragma once

#include <array>
#include <vector>

#include "math.hpp"
#include "ops.hpp"
#include "sphere.hpp"

namespace trelk {

using Vec2f = std::array<float, 2>;

struct ConvexPolygon {
    Vec3 center;  // origin of the 2-D frame
    Vec3 normal;  // as given, not normalised
    Vec3 u_axis;  // 3-D direction of the 2-D x axis
    Vec3 v_axis;  // 3-D direction of the 2-D y axis
    std::vector<Vec2f> vertices_2d;  // counter-clockwise after building
    // Derived by recompute_3d and recompute_edges; copied verbatim otherwise.
    std::vector<Vec3> vertices_3d;
    std::vector<Vec2f> edge_normals_2d;  // outward unit normal of edge i (vertex i to i + 1)
    std::vector<float> edge_offsets_2d;  // p is inside edge i when normal_i . p <= offset_i
    float bounding_radius = 0.0f;        // largest vertex distance from center in the 2-D frame

    // Frame axes chosen from the normal, then as with_axes.
    static ConvexPolygon make(Vec3 center, Vec3 normal, std::vector<Vec2f> vertices_2d);
    // The frame used as given; a clockwise vertex list is reversed.
    static ConvexPolygon with_axes(Vec3 center, Vec3 normal, Vec3 u_axis, Vec3 v_axis,
                                   std::vector<Vec2f> vertices_2d);

    void recompute_edges();
    void recompute_3d();
};

// A polygon read from a stored record keeps its derived lists as stored; the pair tests walk them
// side by side, so a record whose lists differ in length is refused (StoredFormError).
void check_stored_lists(const ConvexPolygon& p);

void translate(ConvexPolygon& p, Vec3 o);
// In-plane axes for a normal: u = normalize(normal x h), v = u x normal, h the y axis unless the
// normal leans towards it (|normal.y| >= 0.9, or NaN), then the x axis.
std::array<Vec3, 2> polygon_axes(Vec3 normal);

// After a map that is not a rotation: center and vertices_3d hold the mapped points and
// plane_normal is normal to their plane. Rebuilds the frame from plane_normal (the stored normal
// keeps its old length) and the 2-D data from the mapped vertices, so the polygon lies on them.
void refit_to_vertices(ConvexPolygon& p, Vec3 plane_normal);

template <class Map>
inline void remap(ConvexPolygon& p, const Map& m) {
    p.center = m.point(p.center);
    for (Vec3& v : p.vertices_3d) v = m.point(v);
    if (!m.rigid()) return refit_to_vertices(p, m.normal(p.normal));
    p.normal = m.vector(p.normal);
    p.u_axis = m.vector(p.u_axis);
    p.v_axis = m.vector(p.v_axis);
}
// Resized about center.
void scale(ConvexPolygon& p, float f);

// Radius about center of a sphere that holds the 3-D outline. bounding_radius is measured in the
// 2-D frame; frame axes longer than one unit (a polygon built from a non-unit normal, a scaling
// map) carry the vertices farther out, so it is widened by the frame's largest stretch. Frames
// within rounding of unit length keep the stored radius as it is.
float enclosing_radius(Vec3 u_axis, Vec3 v_axis, float bounding_radius);

// Centred at center with the enclosing radius: the stored radius for unit frames.
Sphere broadphase(const ConvexPolygon& p);
Cuboid obb(const ConvexPolygon& p);
Cuboid aabb(const ConvexPolygon& p);

}  // namespace trelk

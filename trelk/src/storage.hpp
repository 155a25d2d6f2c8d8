// Stored layouts of the shape values. Each value names its fields once, in declared order, derived
// fields included, and the one description serves writing and reading alike. The visitor V supplies
// record(name) and field(name, member[, Form{}]) for a keyed record, tuple(expected) and
// item(value) for a fixed group stored as a tuple; a Form names a stored form other than the
// member type's own. Reading restores every field as stored: derived fields are never recomputed
// and nothing is checked against anything else, so code that indexes one polygon list by another's
// positions must check the index (checked_index.hpp).
#pragma once

#include "capsule.hpp"
#include "convex_polytope/heap.hpp"
#include "cuboid.hpp"
#include "cylinder.hpp"
#include "line/line.hpp"
#include "line/ray.hpp"
#include "line/segment.hpp"
#include "plane/convex.hpp"
#include "plane/infinite.hpp"
#include "sphere.hpp"
#include "stored_vec3.hpp"

namespace trelk {

// Three floats kept as a vector but stored as a plain array (a box's half extents).
struct StoredAsArray3 {
    template <class V>
    static void visit_items(V& v, Vec3& p) {
        v.tuple("an array of length 3");
        v.item(p.x);
        v.item(p.y);
        v.item(p.z);
    }
};

// A plane as the pair (normal, d): the form a polytope keeps its planes in, while a plane on its own
// is a record.
struct StoredAsNormalOffset {
    template <class V>
    static void visit_items(V& v, Plane& p) {
        v.tuple("a tuple of size 2");
        v.item(p.normal);
        v.item(p.d);
    }
};

template <class V>
void visit_fields(V& v, Sphere& s) {
    v.record("Sphere");
    v.field("center", s.center);
    v.field("radius", s.radius);
}

template <class V, class S>
void visit_round_axis_fields(V& v, S& s) {
    v.field("p1", s.p1);
    v.field("dir", s.dir);
    v.field("radius", s.radius);
    v.field("rdv", s.rdv);
    v.field("z_aligned", s.z_aligned);
}
template <class V>
void visit_fields(V& v, Capsule& c) {
    v.record("Capsule");
    visit_round_axis_fields(v, c);
}
template <class V>
void visit_fields(V& v, Cylinder& c) {
    v.record("Cylinder");
    visit_round_axis_fields(v, c);
}

template <class V>
void visit_fields(V& v, Cuboid& b) {
    v.record("Cuboid");
    v.field("center", b.center);
    v.field("axes", b.axes);
    v.field("half_extents", b.half_extents, StoredAsArray3{});
    v.field("axis_aligned", b.axis_aligned);
}

// Lines and rays store the same fields under the same keys: their records are interchangeable.
template <class V, class S>
void visit_origin_dir_fields(V& v, S& s) {
    v.field("origin", s.origin);
    v.field("dir", s.dir);
    v.field("rdv", s.rdv);
}
template <class V>
void visit_fields(V& v, Line& l) {
    v.record("Line");
    visit_origin_dir_fields(v, l);
}
template <class V>
void visit_fields(V& v, Ray& r) {
    v.record("Ray");
    visit_origin_dir_fields(v, r);
}

template <class V>
void visit_fields(V& v, LineSegment& s) {
    v.record("LineSegment");
    v.field("p1", s.p1);
    v.field("dir", s.dir);
    v.field("rdv", s.rdv);
}

template <class V>
void visit_fields(V& v, Plane& p) {
    v.record("Plane");
    v.field("normal", p.normal);
    v.field("d", p.d);
}

template <class V>
void visit_fields(V& v, ConvexPolygon& p) {
    v.record("ConvexPolygon");
    v.field("center", p.center);
    v.field("normal", p.normal);
    v.field("u_axis", p.u_axis);
    v.field("v_axis", p.v_axis);
    v.field("vertices_2d", p.vertices_2d);
    v.field("vertices_3d", p.vertices_3d);
    v.field("edge_normals_2d", p.edge_normals_2d);
    v.field("edge_offsets_2d", p.edge_offsets_2d);
    v.field("bounding_radius", p.bounding_radius);
}

template <class V>
void visit_fields(V& v, ConvexPolytope& p) {
    v.record("ConvexPolytope");
    v.field("planes", p.planes, StoredAsNormalOffset{});
    v.field("vertices", p.vertices);
    v.field("obb", p.obb);
}

}  // namespace trelk

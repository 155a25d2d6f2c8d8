#include "shape_pairs.hpp"

#include "convex_polytope/face_planes.hpp"
#include "convex_polytope/polytope_collides.hpp"
#include "cylinder_collides.hpp"
#include "plane/polygon_collides.hpp"
#include "plane/ref_convex.hpp"

namespace trelk {

namespace {

namespace lf = lane_formulas;

lanes::V3<float> v3(Vec3 v) { return {v.x, v.y, v.z}; }

// Squared distance from q to the capsule's core. An upright core (z_aligned) is measured from its
// closest point, whose axis parameter takes the z offsets alone.
float core_dist_sq(const Capsule& c, Vec3 q) {
    if (!c.z_aligned) return lf::param_dist_sq<lf::Span::segment>(v3(q), c.p1, c.dir, c.rdv);
    return length_sq(q - c.closest_point_to(q));
}

// A polytope's box reaches the ball: the cheap step before its planes.
bool box_reaches(const ConvexPolytope& t, const Sphere& s) {
    return t.obb.point_dist_sq(s.center) <= s.radius * s.radius;
}

}  // namespace

bool Collides<Sphere, Sphere>::test(const Sphere& a, const Sphere& b) {
    const float reach = a.radius + b.radius;
    return length_sq(a.center - b.center) <= reach * reach;
}

bool Collides<Sphere, Capsule>::test(const Sphere& s, const Capsule& c) {
    const float reach = s.radius + c.radius;
    return core_dist_sq(c, s.center) <= reach * reach;
}

bool Collides<Sphere, Cuboid>::test(const Sphere& s, const Cuboid& b) {
    return b.point_dist_sq(s.center) <= s.radius * s.radius;
}

bool Collides<Sphere, Cylinder>::test(const Sphere& s, const Cylinder& c) {
    return lf::ball_cylinder(v3(s.center), s.radius, c);
}

bool Collides<Sphere, ConvexPolytope>::test(const Sphere& s, const ConvexPolytope& t) {
    return box_reaches(t, s) && ball_within_planes(s, RefConvexPolytope::of(t));
}

bool Collides<Sphere, ConvexPolygon>::test(const Sphere& s, const ConvexPolygon& p) {
    return !apart(s, broadphase(p)) && point_dist_sq(RefConvexPolygon::of(p), s.center) <= s.radius * s.radius;
}

bool Collides<Sphere, Plane>::test(const Sphere& s, const Plane& h) {
    return dot(h.normal, s.center) - h.d <= s.radius;
}

bool Collides<Capsule, Capsule>::test(const Capsule& a, const Capsule& b) {
    return !apart(broadphase(a), broadphase(b)) && cores_within_reach(a, b);
}

bool Collides<Capsule, Cuboid>::test(const Capsule& c, const Cuboid& b) {
    return !apart(broadphase(c), broadphase(b)) && capsule_cuboid_collides(c, b);
}

bool Collides<Capsule, Cylinder>::test(const Capsule& c, const Cylinder& y) {
    return !apart(broadphase(c), broadphase(y)) && cylinder_capsule_collides(y, c);
}

bool Collides<Capsule, ConvexPolytope>::test(const Capsule& c, const ConvexPolytope& t) {
    return box_reaches(t, broadphase(c)) && collides_capsule(RefConvexPolytope::of(t), c);
}

bool Collides<Capsule, ConvexPolygon>::test(const Capsule& c, const ConvexPolygon& p) {
    return !apart(broadphase(c), broadphase(p)) &&
           segment_dist_sq(RefConvexPolygon::of(p), c.p1, c.dir) <= c.radius * c.radius;
}

bool Collides<Capsule, Plane>::test(const Capsule& c, const Plane& h) { return half_space_capsule_collides(h, c); }

bool Collides<Cylinder, Cuboid>::test(const Cylinder& y, const Cuboid& b) {
    return !apart(broadphase(y), broadphase(b)) && cylinder_cuboid_collides(y, b);
}

bool Collides<Cylinder, Cylinder>::test(const Cylinder& a, const Cylinder& b) {
    return !apart(broadphase(a), broadphase(b)) && cylinder_cylinder_collides(a, b);
}

bool Collides<Cylinder, Plane>::test(const Cylinder& y, const Plane& h) { return half_space_cylinder_collides(h, y); }

bool Collides<Cuboid, Plane>::test(const Cuboid& b, const Plane& h) { return half_space_cuboid_collides(h, b); }

bool Collides<ConvexPolytope, ConvexPolytope>::test(const ConvexPolytope& a, const ConvexPolytope& b) {
    return cuboid_cuboid_collides(a.obb, b.obb, Prefilter::bounds) &&
           polytope_planes_collide(RefConvexPolytope::of(a), RefConvexPolytope::of(b));
}

bool Collides<ConvexPolytope, Plane>::test(const ConvexPolytope& t, const Plane& h) {
    return half_space_polytope_collides(h, RefConvexPolytope::of(t));
}

bool Collides<Plane, Plane>::test(const Plane& a, const Plane& b) {
    // Only opposite normals (dot at or below -0.999999, bits 0xbf7fffef) with a gap between the
    // boundaries keep two half-spaces apart. Unlike half_spaces_collide, which a collider's
    // planes answer by, a NaN offset sum opens no gap here.
    return !(a.d + b.d < 0.0f) || dot(a.normal, b.normal) > -0.999999f;
}

}  // namespace trelk

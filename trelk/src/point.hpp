// A bare point: a collider keeps the points it holds as these (bounding sphere of radius 0).
#pragma once

#include "math.hpp"
#include "ops.hpp"
#include "sphere.hpp"

namespace trelk::point {

struct Point {
    Vec3 p;
    friend bool operator==(const Point&, const Point&) = default;
};

inline Sphere broadphase(const Point& q) { return {q.p, 0.0f}; }
inline void translate(Point& q, Vec3 o) { q.p += o; }
template <class Map>
inline void remap(Point& q, const Map& m) { q.p = m.point(q.p); }
// A point has no size.
inline void scale(Point&, float) {}

// Stored as its vector: the tuple (x, y, z).
template <class V>
void visit_items(V& v, Point& q) {
    v.tuple("a sequence of 3 f32 values");
    v.item(q.p.x);
    v.item(q.p.y);
    v.item(q.p.z);
}

}  // namespace trelk::point

namespace trelk {
using point::Point;
}  // namespace trelk

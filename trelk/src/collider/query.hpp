// Does one shape collide with anything a collider holds? One overload per shape kind (point clouds
// excepted). Pure: no allocation, no change to the collider; an empty collider answers false.
// Touching counts as colliding.
#pragma once

#include <concepts>

#include "collider/collider.hpp"

namespace trelk {

template <class PCL> bool query_collider(const Sphere& q, const Collider<PCL>& c);
template <class PCL> bool query_collider(const Capsule& q, const Collider<PCL>& c);
template <class PCL> bool query_collider(const Cuboid& q, const Collider<PCL>& c);
template <class PCL> bool query_collider(const Cylinder& q, const Collider<PCL>& c);
template <class PCL> bool query_collider(const ConvexPolytope& q, const Collider<PCL>& c);
template <class PCL> bool query_collider(const ConvexPolygon& q, const Collider<PCL>& c);
template <class PCL> bool query_collider(const LineSegment& q, const Collider<PCL>& c);
template <class PCL> bool query_collider(const Line& q, const Collider<PCL>& c);
template <class PCL> bool query_collider(const Ray& q, const Collider<PCL>& c);
template <class PCL> bool query_collider(const Plane& q, const Collider<PCL>& c);

template <class Shape, class PCL>
concept ColliderQuery = requires(const Shape& s, const Collider<PCL>& c) {
    { query_collider(s, c) } -> std::same_as<bool>;
};

}  // namespace trelk

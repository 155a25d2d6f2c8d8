// The volume a whole collider covers while it moves in a straight line by a translation: every
// held shape swept (a ball becomes a capsule, a point a segment, ...) and filed into the group of
// its result's kind, in a new collider whose mask and bounding sphere are settled afresh. Point
// clouds have no sweep: a collider holding one gives none.
#pragma once

#include <optional>
#include <utility>

#include "collider/collider.hpp"

namespace trelk {

template <class PCL>
std::optional<Collider<NoPcl>> try_stretch(const Collider<PCL>& c, Vec3 t);

// The same collider as one that may hold clouds: every group moved over, no clouds, mask,
// bounding sphere and reach grid as they are.
template <class PCL>
Collider<PCL> with_cloud_kind(Collider<NoPcl>&& c) {
    Collider<PCL> out;
    out.capsules = std::move(c.capsules);
    out.cuboids = std::move(c.cuboids);
    out.cylinders = std::move(c.cylinders);
    out.planes = std::move(c.planes);
    out.polygons = std::move(c.polygons);
    out.polytopes = std::move(c.polytopes);
    out.points = std::move(c.points);
    out.spheres = std::move(c.spheres);
    out.lines = std::move(c.lines);
    out.rays = std::move(c.rays);
    out.segments = std::move(c.segments);
    out.bounding_sphere = c.bounding_sphere;
    out.mask = c.mask;
    out.reach = std::move(c.reach);
    return out;
}

}  // namespace trelk

// Moving, turning, mapping and resizing a whole collider in place. Every held shape changes by its
// own rule; point clouds record the motion in their inverse transform instead of moving their
// points (and are not resized by scale).
//
// Afterwards every bounding-sphere lane is built again from its changed item, so it encloses the
// item whatever the map did to lengths. The collider's own bound keeps its meaning too: under a
// motion its centre follows the map and it is then grown over any item that pokes out (only maps
// that are not rigid can make one); under scale it is folded afresh from the items. A radius of
// +inf stays.
//
// Lanes and the reach grid are rewritten in place, allocating nothing that can fail. Only polygons
// allocate, when a map that is not a rotation (or scale) refits them; should that fail, the
// collider is left part changed, so a caller that must keep it whole changes a copy, as the Python
// class does.
#pragma once

#include "collider/collider.hpp"
#include "math.hpp"

namespace trelk {

template <class PCL> void translate(Collider<PCL>& c, Vec3 offset);
template <class PCL> void rotate_mat(Collider<PCL>& c, const Mat3& m);
template <class PCL> void rotate_quat(Collider<PCL>& c, const Quat& q);
template <class PCL> void transform(Collider<PCL>& c, const Affine3A& a);
// Resizes every shape about its own reference point (balls, boxes and polygons about their
// centres; capsules, cylinders and line kinds about their start; polytopes and planes about the
// origin). Points and point clouds stay as they are.
template <class PCL> void scale(Collider<PCL>& c, float factor);

}  // namespace trelk

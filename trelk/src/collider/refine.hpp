// A tighter bounding sphere for a collider: an approximate smallest sphere around every stored
// bounding sphere, found by moving from their centroid towards the farthest sphere with shrinking
// steps; its radius then reaches the farthest sphere, so it encloses them all.
#pragma once

#include "collider/collider.hpp"

namespace trelk {

// Replaces the collider's bounding sphere: (0, 0, 0, +inf) while a plane, line or ray is held, all
// zero when nothing bounded is held, else the refined sphere. Groups and mask are left alone.
template <class PCL>
void refine_bounding(Collider<PCL>& c);

}  // namespace trelk

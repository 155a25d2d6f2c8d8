// Does anything held by `other` touch anything held by `receiver`? Cheap rejections first (empty
// masks, the two bounding spheres, then each collider's lanes against the other's bound when a mask
// has several groups), then every item of `other` is asked of the receiver group by group: balls,
// points (as balls of radius 0), the shapes through their collider queries, and point clouds
// through their own tests against each receiver group.
#pragma once

#include "collider/collider.hpp"

namespace trelk {

template <class PCL>
bool collides_other(const Collider<PCL>& receiver, const Collider<PCL>& other);

}  // namespace trelk

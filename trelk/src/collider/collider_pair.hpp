// Does anything held by `other` touch anything held by `receiver`? Cheap rejections first (empty
// masks, the two bounding spheres, then each collider's lanes against the other's bound when a mask
// has several groups). Then the bounded items of `other` (balls, points as balls of radius 0, the
// shapes) are asked of the receiver through their collider queries: only those whose bounding
// spheres a grid of the receiver's item spheres (the one it keeps, else one built for the call)
// says may reach one of them, or every one while the receiver holds a plane, line or ray. Last the planes, lines and rays of `other`, and its point
// clouds through their own tests against each receiver group. The answer is whether any of these
// queries hits; the order only decides how soon.
#pragma once

#include "collider/collider.hpp"

namespace trelk {

template <class PCL>
bool collides_other(const Collider<PCL>& receiver, const Collider<PCL>& other);

}  // namespace trelk

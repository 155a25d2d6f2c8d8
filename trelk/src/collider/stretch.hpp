// The volume a whole collider covers while it moves in a straight line by a translation: every
// held shape swept (a ball becomes a capsule, a point a segment, ...) and filed into the group of
// its result's kind, in a new collider whose mask and bounding sphere are settled afresh. Point
// clouds have no sweep: a collider holding one gives none.
#pragma once

#include <optional>

#include "collider/collider.hpp"

namespace trelk {

template <class PCL>
std::optional<Collider<NoPcl>> try_stretch(const Collider<PCL>& c, Vec3 t);

}  // namespace trelk

// Several pair routines come twice: the shape classes call them with their own bounding rejection
// first, the collider queries without it because their broad phase has already run.
#pragma once

namespace trelk {

enum class Prefilter {
    bounds,          // reject by bounding spheres or boxes before the exact work
    done_by_caller,  // the caller's broad phase already did
};

}  // namespace trelk

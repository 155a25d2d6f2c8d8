// The collider's own bounding sphere: grown item by item, so that it keeps enclosing the bounding
// sphere of every bounded item it has seen.
#pragma once

#include "cuboid.hpp"
#include "sphere.hpp"

namespace trelk {

// Merges an item's sphere (c', r') into the bound (c, r): unchanged when the item lies inside
// (r' + |c' - c| <= r, or a NaN anywhere); the item's sphere when it encloses the bound; otherwise
// the smallest sphere around both, R = (r + r' + d) / 2, its centre moved towards c' unless the
// centres lie within EPS of each other (the bound may then fall short by less than EPS). A radius
// of +inf never changes.
void grow_bounding_sphere(Sphere& bound, const Sphere& item);

// The axis-aligned box around a bound (c, r): from lo = c - r to hi = r + c, centre (lo + hi) / 2 and
// half extents (hi - lo) / 2. An infinite radius gives infinite half extents (and a NaN centre).
Cuboid box_around(const Sphere& bound);

// A bound holding a NaN counts as none yet, so one item with a NaN sphere does not spoil the bound
// of the items after it.
inline bool has_nan(const Sphere& s) {
    return s.center.x != s.center.x || s.center.y != s.center.y || s.center.z != s.center.z ||
           s.radius != s.radius;
}

// Folds item spheres into one bound: the first becomes it, later ones grow it.
class BoundFold {
public:
    void take(const Sphere& item) {
        if (empty_ || has_nan(bound_)) {
            bound_ = item;
            empty_ = false;
        } else {
            grow_bounding_sphere(bound_, item);
        }
    }
    bool empty() const { return empty_; }
    // All zero when nothing was taken.
    Sphere bound() const { return bound_; }

private:
    Sphere bound_;
    bool empty_ = true;
};

}  // namespace trelk

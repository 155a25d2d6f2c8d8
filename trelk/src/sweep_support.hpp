// Helpers that the sweeps of several kinds share.
#pragma once

#include <limits>
#include <span>

#include "math.hpp"
#include "plane/convex.hpp"
#include "plane/infinite.hpp"

namespace trelk::sweep_detail {

// Squared cross-product lengths below this count as parallel (a value of exactly 1e-10 does not).
inline constexpr float kParallel = 1e-10f;
// Far end of an unbounded shape's sweep: the single-precision value of 1e12.
inline constexpr float kFar = 999999995904.0f;

inline bool parallel(Vec3 a, Vec3 t) { return length_sq(cross(a, t)) < kParallel; }

// Largest and smallest projection of the points on n; NaN projections are ignored.
struct Extent {
    float lo = std::numeric_limits<float>::infinity();
    float hi = -std::numeric_limits<float>::infinity();
};
inline Extent extent(Vec3 n, std::span<const Vec3> points) {
    Extent e;
    for (Vec3 p : points) {
        float x = dot(n, p);
        e.lo = min_num(e.lo, x);
        e.hi = max_num(e.hi, x);
    }
    return e;
}

// The plane of normal n through the outermost of the points, so none of them lies outside.
inline Plane outer_plane(Vec3 n, std::span<const Vec3> points) { return {n, extent(n, points).hi}; }

// The flat polygon through the given 3-D corners, in the frame ConvexPolygon::make would choose for
// the unit normal n, centred at c. A clockwise corner list comes out reversed.
ConvexPolygon polygon_through(Vec3 c, Vec3 n, std::span<const Vec3> corners);

}  // namespace trelk::sweep_detail

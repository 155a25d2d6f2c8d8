// Rules for the derived fields every builder and transform recomputes the same way.
#pragma once

#include <array>

#include "math.hpp"

namespace trelk {

// 1 / (dir . dir) for a usable direction; 0 for a (near) zero or NaN one.
inline float inverse_length_sq(Vec3 dir) {
    float l2 = dot(dir, dir);
    return l2 > EPS ? 1.0f / l2 : 0.0f;
}

// rdv after a turn: the carried-over value where it matches the new direction within a relative
// 1e-6 (a true rotation, whose stored bytes stay as they were), else the value for the new
// direction (a scaling matrix or a non-unit quaternion changed its length).
inline float turned_rdv(float carried, Vec3 new_dir) {
    const float fresh = inverse_length_sq(new_dir);
    return std::fabs(carried - fresh) <= 1e-6f * fresh ? carried : fresh;
}

// The direction points straight along z (-0.0 counts as 0).
inline bool is_z_aligned(Vec3 dir) { return dir.x == 0.0f && dir.y == 0.0f; }

// Each box axis has no component off its own slot; the diagonal is not looked at.
inline bool axes_aligned(const std::array<Vec3, 3>& axes) {
    return axes[0].y == 0.0f && axes[0].z == 0.0f && axes[1].x == 0.0f && axes[1].z == 0.0f &&
           axes[2].x == 0.0f && axes[2].y == 0.0f;
}

inline constexpr std::array<Vec3, 3> identity_axes{{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}};

}  // namespace trelk

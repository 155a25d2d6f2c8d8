// Decomposition of a transform into scale, rotation and translation, shared by DMat4 and DAffine3.
#pragma once

#include <cstddef>

#include "algebra/quat.hpp"
#include "algebra/vec.hpp"
#include "algebra/vec_elementwise.hpp"
#include "algebra/vec_geometry.hpp"

namespace quorix {

struct ScaleRotationTranslation {
    DVec3 scale;
    DQuat rotation;
    DVec3 translation;
};

// The scales are the lengths of the whole columns (three or four components); only x carries the
// sign of the determinant. The rotation is read from the first three components of each column
// divided by its scale through a reciprocal. Zero columns give infinities and a NaN rotation.
template <std::size_t N>
ScaleRotationTranslation decompose_columns(const Vec<N>& x, const Vec<N>& y, const Vec<N>& z, double det,
                                           const DVec3& translation) {
    const DVec3 scale{{length(x) * signum(det), length(y), length(z)}};
    const DVec3 inv = 1.0 / scale;
    auto xyz = [](const Vec<N>& c) { return DVec3{{c.v[0], c.v[1], c.v[2]}}; };
    const DQuat rotation =
        DQuat::from_rotation_axes(xyz(x) * inv.x(), xyz(y) * inv.y(), xyz(z) * inv.z());
    return {scale, rotation, translation};
}

}  // namespace quorix

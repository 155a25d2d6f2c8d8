// Operations of three-component vectors only: cross product, rotations, slerp, angles, orthogonal
// companions and homogeneous coordinates.
#pragma once

#include "algebra/vec.hpp"
#include "algebra/vec_geometry.hpp"

namespace quorix {

constexpr DVec3 cross(const DVec3& a, const DVec3& b) {
    return {{a.y() * b.z() - b.y() * a.z(), a.z() * b.x() - b.z() * a.x(), a.x() * b.y() - b.x() * a.y()}};
}

}  // namespace quorix

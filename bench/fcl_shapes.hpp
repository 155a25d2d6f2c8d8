// The same solids as FCL geometry: each trelk shape becomes an FCL shape in double precision with
// the pose that puts it where the trelk shape is. FCL's round shapes stand on their local z axis,
// centred on the origin; its boxes are given by full side lengths.
#pragma once

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

#include <fcl/fcl.h>

#include "trelk.hpp"

namespace bench {

struct FclShape {
    std::shared_ptr<fcl::CollisionGeometryd> geometry;
    fcl::Transform3d pose = fcl::Transform3d::Identity();
};

inline Eigen::Vector3d to_eigen(trelk::Vec3 v) { return {v.x, v.y, v.z}; }

// A rotation taking the local z axis onto `dir` (any rotation about it will do for round shapes).
inline Eigen::Matrix3d frame_along(const Eigen::Vector3d& dir) {
    Eigen::Vector3d z = dir.normalized();
    Eigen::Vector3d helper = std::fabs(z.x()) < 0.9 ? Eigen::Vector3d::UnitX() : Eigen::Vector3d::UnitY();
    Eigen::Vector3d x = helper.cross(z).normalized();
    Eigen::Matrix3d r;
    r.col(0) = x;
    r.col(1) = z.cross(x);
    r.col(2) = z;
    return r;
}

inline FclShape to_fcl(const trelk::Sphere& s) {
    FclShape out{std::make_shared<fcl::Sphered>(s.radius)};
    out.pose.translation() = to_eigen(s.center);
    return out;
}

template <class Geometry, class RoundAxis>
FclShape round_axis_to_fcl(const RoundAxis& c) {
    Eigen::Vector3d dir = to_eigen(c.dir);
    FclShape out{std::make_shared<Geometry>(c.radius, dir.norm())};
    out.pose.linear() = frame_along(dir);
    out.pose.translation() = to_eigen(c.p1) + dir * 0.5;
    return out;
}
inline FclShape to_fcl(const trelk::Capsule& c) { return round_axis_to_fcl<fcl::Capsuled>(c); }
inline FclShape to_fcl(const trelk::Cylinder& c) { return round_axis_to_fcl<fcl::Cylinderd>(c); }

inline FclShape to_fcl(const trelk::Cuboid& b) {
    FclShape out{std::make_shared<fcl::Boxd>(2.0 * to_eigen(b.half_extents))};
    for (int i = 0; i < 3; ++i) out.pose.linear().col(i) = to_eigen(b.axes[i]);
    out.pose.translation() = to_eigen(b.center);
    return out;
}

// The polytope's own corner points in world coordinates; each face lists the corners on its plane,
// counter-clockwise seen from outside.
inline FclShape to_fcl(const trelk::ConvexPolytope& p) {
    auto vertices = std::make_shared<std::vector<Eigen::Vector3d>>();
    for (trelk::Vec3 v : p.vertices) vertices->push_back(to_eigen(v));
    auto faces = std::make_shared<std::vector<int>>();
    int face_count = 0;
    for (const trelk::Plane& plane : p.planes) {
        Eigen::Vector3d n = to_eigen(plane.normal).normalized();
        std::vector<int> on;
        Eigen::Vector3d mid = Eigen::Vector3d::Zero();
        for (int i = 0; i < int(vertices->size()); ++i)
            if (std::fabs(to_eigen(plane.normal).dot((*vertices)[i]) - plane.d) < 1e-4) {
                on.push_back(i);
                mid += (*vertices)[i];
            }
        if (on.size() < 3) continue;
        mid /= double(on.size());
        Eigen::Matrix3d f = frame_along(n);
        auto angle = [&](int i) {
            Eigen::Vector3d w = (*vertices)[i] - mid;
            return std::atan2(w.dot(f.col(1)), w.dot(f.col(0)));
        };
        std::sort(on.begin(), on.end(), [&](int a, int b) { return angle(a) < angle(b); });
        faces->push_back(int(on.size()));
        faces->insert(faces->end(), on.begin(), on.end());
        ++face_count;
    }
    return {std::make_shared<fcl::Convexd>(vertices, face_count, faces)};
}

}  // namespace bench

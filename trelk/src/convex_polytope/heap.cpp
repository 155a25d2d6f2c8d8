#include "convex_polytope/heap.hpp"

#include <cmath>

#include "bounds.hpp"

namespace trelk {

namespace {

// Symmetric 3x3 matrix diagonalised by plane rotations; `axes` collects the rotations so that
// axes[i] ends as the eigenvector of the i-th diagonal entry.
struct Jacobi {
    float a[3][3];
    std::array<Vec3, 3> axes = identity_axes;

    void rotate(int p, int q) {
        float theta = 0.5f * std::atan2(2.0f * a[p][q], a[p][p] - a[q][q]);
        float c = std::cos(theta), s = std::sin(theta);
        for (int k = 0; k < 3; ++k) {
            float kp = a[k][p], kq = a[k][q];
            a[k][p] = c * kp + s * kq;
            a[k][q] = c * kq - s * kp;
        }
        for (int k = 0; k < 3; ++k) {
            float pk = a[p][k], qk = a[q][k];
            a[p][k] = c * pk + s * qk;
            a[q][k] = c * qk - s * pk;
        }
        Vec3 ep = axes[p], eq = axes[q];
        axes[p] = ep * c + eq * s;
        axes[q] = eq * c - ep * s;
    }

    void run() {
        for (int iteration = 0; iteration < 50; ++iteration) {
            float a01 = std::fabs(a[0][1]), a02 = std::fabs(a[0][2]), a12 = std::fabs(a[1][2]);
            int p = 0, q = 1;
            float largest = a01;
            if (a12 > max_num(a01, a02)) {
                p = 1, q = 2, largest = a12;
            } else if (a02 > a01) {
                p = 0, q = 2, largest = a02;
            }
            if (largest < 1e-10f) break;  // a NaN keeps going until the count runs out
            rotate(p, q);
        }
    }
};

}  // namespace

Cuboid ConvexPolytope::fit_obb(const std::vector<Vec3>& vertices) {
    if (vertices.empty()) return Cuboid::aligned({}, {});
    const float n = float(vertices.size());
    Vec3 sum;
    for (const Vec3& v : vertices) sum += v;
    Vec3 mean = sum / n;

    // Population covariance, each entry summed in vertex order.
    Jacobi jacobi{};
    for (int i = 0; i < 3; ++i) {
        for (int j = i; j < 3; ++j) {
            float acc = 0.0f;
            for (const Vec3& v : vertices) {
                Vec3 d = v - mean;
                acc += d[i] * d[j];
            }
            jacobi.a[i][j] = jacobi.a[j][i] = acc / n;
        }
    }
    jacobi.run();

    std::array<Vec3, 3> axes;
    Vec3 lo, hi;
    for (int i = 0; i < 3; ++i) {
        axes[i] = normalize_or_zero(jacobi.axes[i]);
        float top = -INFINITY, bottom = INFINITY;
        for (const Vec3& v : vertices) {
            float x = dot(v, axes[i]);
            top = max_num(top, x);
            bottom = min_num(bottom, x);
        }
        lo[i] = bottom;
        hi[i] = top;
    }
    Vec3 center = (axes[0] * (lo[0] + hi[0]) * 0.5f + axes[1] * (lo[1] + hi[1]) * 0.5f) +
                  axes[2] * (lo[2] + hi[2]) * 0.5f;
    return Cuboid::make(center, axes, (hi - lo) * 0.5f);
}

ConvexPolytope ConvexPolytope::make(std::vector<Plane> planes, std::vector<Vec3> vertices) {
    Cuboid box = fit_obb(vertices);
    return {std::move(planes), std::move(vertices), box};
}

void translate(ConvexPolytope& p, Vec3 o) {
    for (Plane& pl : p.planes) translate(pl, o);
    for (Vec3& v : p.vertices) v += o;
    p.obb.center += o;
}

void scale(ConvexPolytope& p, float f) {
    for (Plane& pl : p.planes) pl.d *= f;
    for (Vec3& v : p.vertices) v *= f;
    p.obb.center *= f;
    p.obb.half_extents *= f;
}

Sphere broadphase(const ConvexPolytope& p) { return {p.obb.center, length(p.obb.half_extents)}; }
Cuboid aabb(const ConvexPolytope& p) { return p.obb.axis_aligned ? p.obb : box_aabb(p.obb); }

}  // namespace trelk

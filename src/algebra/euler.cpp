#include "algebra/euler.hpp"

#include <cmath>

#include "algebra/mat3.hpp"
#include "algebra/quat.hpp"

namespace quorix {

namespace {

// Below this the first and last axes coincide (gimbal lock): 16 machine epsilons.
constexpr double gimbal_threshold = 3.552713678800501e-15;

struct OrderedAngles {
    double ti, tj, th;
};

// The angles in the order of the axes i, j, k: extrinsic orders run from the last letter.
OrderedAngles ordered(const EulerAxes& e, double a, double b, double c) {
    if (e.extrinsic) return {c, b, a};
    return {a, b, c};
}

}  // namespace

std::array<double, 3> to_euler_angles(const DMat3& m, EulerRot order) {
    const EulerAxes e = euler_axes(order);
    auto C = [&m](int col, int row) { return m.cols[col].v[row]; };
    const int i = e.i, j = e.j, k = e.k;
    double x, y, z;
    if (e.repeated) {
        const double s = std::sqrt(C(i, j) * C(i, j) + C(i, k) * C(i, k));
        if (s > gimbal_threshold) {
            x = std::atan2(C(i, j), C(i, k));
            y = std::atan2(s, C(i, i));
            z = std::atan2(C(j, i), -C(k, i));
        } else {
            x = std::atan2(-C(j, k), C(j, j));
            y = std::atan2(s, C(i, i));
            z = 0.0;
        }
    } else {
        const double s = std::sqrt(C(i, i) * C(i, i) + C(j, i) * C(j, i));
        if (s > gimbal_threshold) {
            x = std::atan2(C(k, j), C(k, k));
            y = std::atan2(-C(k, i), s);
            z = std::atan2(C(j, i), C(i, i));
        } else {
            x = std::atan2(-C(j, k), C(j, j));
            y = std::atan2(-C(k, i), s);
            z = 0.0;
        }
    }
    if (e.even) {
        x = -x;
        y = -y;
        z = -z;
    }
    if (e.extrinsic) return {z, y, x};
    return {x, y, z};
}

DMat3 from_euler_angles(EulerRot order, double a, double b, double c) {
    const EulerAxes e = euler_axes(order);
    auto [ti, tj, th] = ordered(e, a, b, c);
    if (e.even) {
        ti = -ti;
        tj = -tj;
        th = -th;
    }
    const double si = std::sin(ti), ci = std::cos(ti);
    const double sj = std::sin(tj), cj = std::cos(tj);
    const double sh = std::sin(th), ch = std::cos(th);
    const double cc = ci * ch, cs = ci * sh, sc = si * ch, ss = si * sh;

    DMat3 m{};
    auto set = [&m](int col, int row, double v) { m.cols[col].v[row] = v; };
    const int i = e.i, j = e.j, k = e.k;
    if (e.repeated) {
        set(i, i, cj), set(i, j, sj * si), set(i, k, sj * ci);
        set(j, i, sj * sh), set(j, j, cc - cj * ss), set(j, k, -(cj * cs) - sc);
        set(k, i, -(sj * ch)), set(k, j, cs + cj * sc), set(k, k, cj * cc - ss);
    } else {
        set(i, i, cj * ch), set(i, j, sj * sc - cs), set(i, k, sj * cc + ss);
        set(j, i, cj * sh), set(j, j, sj * ss + cc), set(j, k, sj * cs - sc);
        set(k, i, -sj), set(k, j, cj * si), set(k, k, cj * ci);
    }
    return m;
}

DQuat quat_from_euler_angles(EulerRot order, double a, double b, double c) {
    const EulerAxes e = euler_axes(order);
    auto [ti, tj, th] = ordered(e, a, b, c);
    double parity = 1.0;
    if (e.even) {
        tj = -tj;
        parity = -1.0;
    }
    const double si = std::sin(ti * 0.5), ci = std::cos(ti * 0.5);
    const double sj = std::sin(tj * 0.5), cj = std::cos(tj * 0.5);
    const double sh = std::sin(th * 0.5), ch = std::cos(th * 0.5);
    const double cc = ci * ch, cs = ci * sh, sc = si * ch, ss = si * sh;

    double qi, qj, qk, w;
    if (e.repeated) {
        qi = (cs + sc) * cj;
        qj = (cc + ss) * sj;
        qk = (cs - sc) * sj;
        w = (cc - ss) * cj;
    } else {
        qi = sc * cj - cs * sj;
        qj = ss * cj + cc * sj;
        qk = cs * cj - sc * sj;
        w = cc * cj + ss * sj;
    }
    double v[3];
    v[e.i] = qi;
    v[e.j] = parity * qj;
    v[e.k] = qk;
    return {v[0], v[1], v[2], w};
}

std::array<double, 3> DQuat::to_euler(EulerRot order) const {
    return to_euler_angles(DMat3::from_quat(*this), order);
}

DQuat DQuat::from_euler(EulerRot order, double a, double b, double c) {
    return quat_from_euler_angles(order, a, b, c);
}

}  // namespace quorix

#include "algebra/quat.hpp"

namespace quorix {

namespace {

// (1 - s)*a + s*b per component, the common step of the interpolations.
DVec4 blend(const DVec4& a, const DVec4& b, double s) {
    const double t = 1.0 - s;
    return a.zip(b, [t, s](double p, double q) { return t * p + s * q; });
}

}  // namespace

DQuat DQuat::lerp(const DQuat& end, double s) const {
    // A negative (or NaN) dot product flips end so the shorter arc is taken.
    const double bias = dot(end) >= 0.0 ? 1.0 : -1.0;
    const DVec4 e = end.to_vec4().map([bias](double c) { return c * bias; });
    return from_vec4(quorix::normalize(blend(to_vec4(), e, s)));
}

DQuat DQuat::slerp(const DQuat& end_in, double s) const {
    DVec4 end = end_in.to_vec4();
    double d = dot(end_in);
    if (d < 0.0) {
        end = -end;
        d = -d;
    }
    // Nearly parallel: the sine below would lose all precision, so interpolate linearly.
    if (d > 0.9999999999999998) return from_vec4(quorix::normalize(blend(to_vec4(), end, s)));
    if (d < -1.0) d = -1.0;
    const double theta = std::acos(d);
    const double s1 = std::sin((1.0 - s) * theta);
    const double s2 = std::sin(s * theta);
    const double k = 1.0 / std::sin(theta);
    return from_vec4(to_vec4().zip(end, [=](double p, double q) { return k * (p * s1 + q * s2); }));
}

DQuat DQuat::rotate_towards(const DQuat& r, double max_angle) const {
    const double a = angle_between(r);
    if (a <= 1e-4) return r;
    double t = max_angle / a;
    if (t < -1.0) t = -1.0;
    if (t > 1.0) t = 1.0;
    return slerp(r, t);
}

std::pair<DVec3, double> DQuat::to_axis_angle() const {
    const DVec3 v = xyz();
    const double len = quorix::length(v);
    if (len >= 1e-8) {
        const double half = std::atan2(len, w);
        return {v / len, half + half};
    }
    return {DVec3::axis(0), 0.0};
}

DVec3 DQuat::to_scaled_axis() const {
    auto [axis, angle] = to_axis_angle();
    return axis * angle;
}

DQuat DQuat::from_rotation_axes(const DVec3& x_axis, const DVec3& y_axis, const DVec3& z_axis) {
    const double m00 = x_axis.x(), m01 = x_axis.y(), m02 = x_axis.z();
    const double m10 = y_axis.x(), m11 = y_axis.y(), m12 = y_axis.z();
    const double m20 = z_axis.x(), m21 = z_axis.y(), m22 = z_axis.z();
    // Branch on the largest of the four candidates so the square root stays well away from zero.
    if (m22 <= 0.0) {
        const double d = m11 - m00;
        if (d <= 0.0) {
            const double f = (1.0 - m22) - d;
            const double k = 0.5 / std::sqrt(f);
            return {f * k, (m01 + m10) * k, (m02 + m20) * k, (m12 - m21) * k};
        }
        const double f = d + (1.0 - m22);
        const double k = 0.5 / std::sqrt(f);
        return {(m01 + m10) * k, f * k, (m12 + m21) * k, (m20 - m02) * k};
    }
    const double e = m00 + m11;
    if (e <= 0.0) {
        const double f = (m22 + 1.0) - e;
        const double k = 0.5 / std::sqrt(f);
        return {(m02 + m20) * k, (m12 + m21) * k, f * k, (m01 - m10) * k};
    }
    const double f = e + (m22 + 1.0);
    const double k = 0.5 / std::sqrt(f);
    return {(m12 - m21) * k, (m20 - m02) * k, (m01 - m10) * k, f * k};
}

// Unit inputs are expected: the thresholds test the raw dot product.
DQuat DQuat::from_rotation_arc(const DVec3& from, const DVec3& to) {
    const double d = quorix::dot(from, to);
    if (d > 0.9999999999999996) return identity();
    if (d < -0.9999999999999996) return from_axis_angle(any_orthonormal_vector(from), kPi);
    const DVec3 c = cross(from, to);
    return DQuat{c.x(), c.y(), c.z(), d + 1.0}.normalize();
}

DQuat DQuat::from_rotation_arc_colinear(const DVec3& from, const DVec3& to) {
    if (quorix::dot(from, to) < 0.0) return from_rotation_arc(from, -to);
    return from_rotation_arc(from, to);
}

DQuat DQuat::from_rotation_arc_2d(const DVec2& from, const DVec2& to) {
    const double d = quorix::dot(from, to);
    if (d > 0.9999999999999996) return identity();
    if (d < -0.9999999999999996) return {0.0, 0.0, 1.0, 0.0};
    const double zc = perp_dot(from, to);
    const double wc = d + 1.0;
    const double k = 1.0 / std::sqrt(zc * zc + wc * wc);
    return {0.0, 0.0, zc * k, wc * k};
}

}  // namespace quorix

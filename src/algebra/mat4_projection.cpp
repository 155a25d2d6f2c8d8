// Projection and view matrices, built column by column from the arguments without validation:
// degenerate input gives infinities and NaNs.
#include <cmath>

#include "algebra/mat4.hpp"
#include "algebra/vec3_ops.hpp"

namespace quorix {

namespace {

// Focal factor cos/sin of half the field of view, from one sine-cosine pair.
double focal_from_sin_cos(double fov_y_radians) {
    const double h = fov_y_radians * 0.5;
    const double s = std::sin(h), c = std::cos(h);
    return c / s;
}

// Focal factor 1/tan of half the field of view (differs from cos/sin in the last bits).
double focal_from_tan(double fov_y_radians) { return 1.0 / std::tan(fov_y_radians * 0.5); }

}  // namespace

DMat4 DMat4::perspective_lh(double fov_y_radians, double aspect_ratio, double z_near, double z_far) {
    const double h = focal_from_sin_cos(fov_y_radians);
    const double xs = h / aspect_ratio;
    const double r = z_far / (z_far - z_near);
    return from_cols({{xs, 0, 0, 0}}, {{0, h, 0, 0}}, {{0, 0, r, 1}}, {{0, 0, -(r * z_near), 0}});
}

DMat4 DMat4::perspective_rh(double fov_y_radians, double aspect_ratio, double z_near, double z_far) {
    const double h = focal_from_sin_cos(fov_y_radians);
    const double xs = h / aspect_ratio;
    const double r = z_far / (z_near - z_far);
    return from_cols({{xs, 0, 0, 0}}, {{0, h, 0, 0}}, {{0, 0, r, -1}}, {{0, 0, r * z_near, 0}});
}

DMat4 DMat4::perspective_rh_gl(double fov_y_radians, double aspect_ratio, double z_near, double z_far) {
    const double k = 1.0 / (z_near - z_far);
    const double g = focal_from_tan(fov_y_radians);
    const double xs = g / aspect_ratio;
    return from_cols({{xs, 0, 0, 0}}, {{0, g, 0, 0}}, {{0, 0, (z_near + z_far) * k, -1}},
                {{0, 0, ((z_near + z_near) * z_far) * k, 0}});
}

DMat4 DMat4::perspective_infinite_lh(double fov_y_radians, double aspect_ratio, double z_near) {
    const double h = focal_from_sin_cos(fov_y_radians);
    const double xs = h / aspect_ratio;
    return from_cols({{xs, 0, 0, 0}}, {{0, h, 0, 0}}, {{0, 0, 1, 1}}, {{0, 0, -z_near, 0}});
}

DMat4 DMat4::perspective_infinite_rh(double fov_y_radians, double aspect_ratio, double z_near) {
    const double g = focal_from_tan(fov_y_radians);
    const double xs = g / aspect_ratio;
    return from_cols({{xs, 0, 0, 0}}, {{0, g, 0, 0}}, {{0, 0, -1, -1}}, {{0, 0, -z_near, 0}});
}

DMat4 DMat4::perspective_infinite_reverse_lh(double fov_y_radians, double aspect_ratio, double z_near) {
    const double h = focal_from_sin_cos(fov_y_radians);
    const double xs = h / aspect_ratio;
    return from_cols({{xs, 0, 0, 0}}, {{0, h, 0, 0}}, {{0, 0, 0, 1}}, {{0, 0, z_near, 0}});
}

DMat4 DMat4::perspective_infinite_reverse_rh(double fov_y_radians, double aspect_ratio, double z_near) {
    const double g = focal_from_tan(fov_y_radians);
    const double xs = g / aspect_ratio;
    return from_cols({{xs, 0, 0, 0}}, {{0, g, 0, 0}}, {{0, 0, 0, -1}}, {{0, 0, z_near, 0}});
}

DMat4 DMat4::orthographic_lh(double left, double right, double bottom, double top, double near, double far) {
    const double p = 1.0 / (right - left);
    const double q = 1.0 / (top - bottom);
    const double d = 1.0 / (far - near);
    return from_cols({{p + p, 0, 0, 0}}, {{0, q + q, 0, 0}}, {{0, 0, d, 0}},
                {{-((left + right) * p), -((bottom + top) * q), -(d * near), 1}});
}

DMat4 DMat4::orthographic_rh(double left, double right, double bottom, double top, double near, double far) {
    const double p = 1.0 / (right - left);
    const double q = 1.0 / (top - bottom);
    const double d = 1.0 / (near - far);
    return from_cols({{p + p, 0, 0, 0}}, {{0, q + q, 0, 0}}, {{0, 0, d, 0}},
                {{-((left + right) * p), -((bottom + top) * q), near * d, 1}});
}

DMat4 DMat4::orthographic_rh_gl(double left, double right, double bottom, double top, double near, double far) {
    const double w = right - left, h = top - bottom, depth = far - near;
    return from_cols({{2.0 / w, 0, 0, 0}}, {{0, 2.0 / h, 0, 0}}, {{0, 0, -2.0 / depth, 0}},
                {{-(left + right) / w, -(bottom + top) / h, -(near + far) / depth, 1}});
}

// With w = +z the off-centre shift enters with the opposite sign to the right-handed forms, so that
// the window [left, right] x [bottom, top] on the near plane maps onto [-1, 1] (not its mirror image).
// Written as (-left - right) so a centred frustum keeps +0.0 there.
DMat4 DMat4::frustum_lh(double left, double right, double bottom, double top, double z_near, double z_far) {
    const double p = 1.0 / (right - left), q = 1.0 / (top - bottom), d = 1.0 / (z_far - z_near);
    return from_cols({{p * (z_near + z_near), 0, 0, 0}}, {{0, q * (z_near + z_near), 0, 0}},
                     {{(-left - right) * p, (-bottom - top) * q, z_far * d, 1}},
                     {{0, 0, (-(z_near * z_far)) * d, 0}});
}

DMat4 DMat4::frustum_rh(double left, double right, double bottom, double top, double z_near, double z_far) {
    const double p = 1.0 / (right - left), q = 1.0 / (top - bottom), d = 1.0 / (z_far - z_near);
    return from_cols({{p * (z_near + z_near), 0, 0, 0}}, {{0, q * (z_near + z_near), 0, 0}},
                {{(left + right) * p, (bottom + top) * q, -(z_far * d), -1}}, {{0, 0, (-(z_near * z_far)) * d, 0}});
}

DMat4 DMat4::frustum_rh_gl(double left, double right, double bottom, double top, double z_near, double z_far) {
    const double p = 1.0 / (right - left), q = 1.0 / (top - bottom), d = 1.0 / (z_far - z_near);
    return from_cols({{p * (z_near + z_near), 0, 0, 0}}, {{0, (z_near + z_near) * q, 0, 0}},
                {{(left + right) * p, (bottom + top) * q, -((z_near + z_far) * d), -1}},
                {{0, 0, (-(z_near * (z_far + z_far))) * d, 0}});
}

DMat4 DMat4::look_to_rh(const DVec3& eye, const DVec3& dir, const DVec3& up) {
    const DVec3& f = dir;
    const DVec3 s = normalize(cross(f, up));
    const DVec3 u = cross(s, f);
    return from_cols({{s.x(), u.x(), -f.x(), 0}}, {{s.y(), u.y(), -f.y(), 0}}, {{s.z(), u.z(), -f.z(), 0}},
                {{-dot(eye, s), -dot(eye, u), dot(eye, f), 1}});
}

DMat4 DMat4::look_to_lh(const DVec3& eye, const DVec3& dir, const DVec3& up) { return look_to_rh(eye, -dir, up); }

DMat4 DMat4::look_at_rh(const DVec3& eye, const DVec3& center, const DVec3& up) {
    return look_to_rh(eye, normalize(center - eye), up);
}

DMat4 DMat4::look_at_lh(const DVec3& eye, const DVec3& center, const DVec3& up) {
    const DVec3 d = center - eye;
    return look_to_rh(eye, d * (-1.0 / std::sqrt(dot(d, d))), up);
}

}  // namespace quorix

// Single-precision vector, matrix, quaternion and affine values of trelk. Each formula keeps the
// operation order that the collision routines rely on for bit-exact results.
#pragma once

#include <cfloat>
#include <cmath>

namespace trelk {

// Single-precision machine epsilon, 2^-23.
inline constexpr float EPS = FLT_EPSILON;

// max and min of two numbers where a NaN operand yields the other one.
inline float max_num(float a, float b) { return std::fmax(a, b); }
inline float min_num(float a, float b) { return std::fmin(a, b); }

// x clamped to [0, 1]; NaN stays NaN.
inline float clamp01(float x) {
    if (x < 0.0f) x = 0.0f;
    if (x > 1.0f) x = 1.0f;
    return x;
}

struct Vec3 {
    float x = 0.0f, y = 0.0f, z = 0.0f;

    float operator[](int i) const { return i == 0 ? x : i == 1 ? y : z; }
    float& operator[](int i) { return i == 0 ? x : i == 1 ? y : z; }

    friend Vec3 operator+(Vec3 a, Vec3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
    friend Vec3 operator-(Vec3 a, Vec3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
    friend Vec3 operator-(Vec3 a) { return {-a.x, -a.y, -a.z}; }
    friend Vec3 operator*(Vec3 a, float s) { return {a.x * s, a.y * s, a.z * s}; }
    friend Vec3 operator*(float s, Vec3 a) { return {s * a.x, s * a.y, s * a.z}; }
    friend Vec3 operator/(Vec3 a, float s) { return {a.x / s, a.y / s, a.z / s}; }
    Vec3& operator+=(Vec3 b) { return *this = *this + b; }
    Vec3& operator-=(Vec3 b) { return *this = *this - b; }
    Vec3& operator*=(float s) { return *this = *this * s; }
    friend bool operator==(Vec3 a, Vec3 b) { return a.x == b.x && a.y == b.y && a.z == b.z; }
};

inline float dot(Vec3 a, Vec3 b) { return (a.x * b.x + a.y * b.y) + a.z * b.z; }
inline Vec3 cross(Vec3 a, Vec3 b) {
    return {a.y * b.z - b.y * a.z, a.z * b.x - b.z * a.x, a.x * b.y - b.x * a.y};
}
inline float length_sq(Vec3 a) { return dot(a, a); }
inline float length(Vec3 a) { return std::sqrt(dot(a, a)); }
inline Vec3 abs(Vec3 a) { return {std::fabs(a.x), std::fabs(a.y), std::fabs(a.z)}; }
// The largest |coordinate|, by fmax.
inline float max_abs(Vec3 a) { return std::fmax(std::fabs(a.x), std::fmax(std::fabs(a.y), std::fabs(a.z))); }
inline Vec3 min_num(Vec3 a, Vec3 b) { return {min_num(a.x, b.x), min_num(a.y, b.y), min_num(a.z, b.z)}; }
inline Vec3 max_num(Vec3 a, Vec3 b) { return {max_num(a.x, b.x), max_num(a.y, b.y), max_num(a.z, b.z)}; }
// Multiplies by 1 / length with no zero test.
inline Vec3 normalize(Vec3 a) { return a * (1.0f / length(a)); }
// Multiplies by r = 1 / length when r is finite and positive, else gives the zero vector.
inline Vec3 normalize_or_zero(Vec3 a) {
    float r = 1.0f / length(a);
    return std::isfinite(r) && r > 0.0f ? a * r : Vec3{};
}

// 3x3 matrix by columns: the images of the world axes.
struct Mat3 {
    Vec3 x_axis{1, 0, 0}, y_axis{0, 1, 0}, z_axis{0, 0, 1};

    Vec3 operator*(Vec3 v) const { return (x_axis * v.x + y_axis * v.y) + z_axis * v.z; }
};

// Quaternion (x, y, z, w), w the scalar part; used as given, never normalised.
struct Quat {
    float x = 0.0f, y = 0.0f, z = 0.0f, w = 1.0f;

    // The rotation of v for a unit quaternion; a non-unit one also scales.
    Vec3 operator*(Vec3 v) const {
        Vec3 b{x, y, z};
        return (v * (w * w - dot(b, b)) + b * (dot(v, b) * 2.0f)) + cross(b, v) * (w + w);
    }
};

// Affine map x -> M x + T.
struct Affine3A {
    Mat3 matrix3;
    Vec3 translation;

    Vec3 transform_point(Vec3 p) const { return matrix3 * p + translation; }
    Vec3 transform_vector(Vec3 v) const { return matrix3 * v; }
};

}  // namespace trelk

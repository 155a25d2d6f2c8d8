// A double-precision 3-vector for the slow references, so that their own rounding stays far below
// what the single-precision library is checked against.
#pragma once

#include <cmath>

#include "math.hpp"

namespace dvec {

struct D3 {
    double x = 0, y = 0, z = 0;
    D3() = default;
    D3(double x_, double y_, double z_) : x(x_), y(y_), z(z_) {}
    D3(trelk::Vec3 v) : x(v.x), y(v.y), z(v.z) {}
    double operator[](int i) const { return i == 0 ? x : i == 1 ? y : z; }
    friend D3 operator+(D3 a, D3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
    friend D3 operator-(D3 a, D3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
    friend D3 operator-(D3 a) { return {-a.x, -a.y, -a.z}; }
    friend D3 operator*(D3 a, double s) { return {a.x * s, a.y * s, a.z * s}; }
};
inline double dot(D3 a, D3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
inline double norm(D3 a) { return std::sqrt(dot(a, a)); }
inline D3 cross(D3 a, D3 b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }

}  // namespace dvec

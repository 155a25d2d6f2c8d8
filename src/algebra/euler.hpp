// The 24 Euler-angle orders and the conversions between three angles and a rotation.
// One parametrised procedure covers every order: each order names an initial axis i, the next
// axis j, the remaining axis k, a parity, whether the first axis repeats, and the frame.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace quorix {

struct DMat3;
struct DQuat;

enum class EulerRot : std::uint8_t {
    ZYX, ZXY, YXZ, YZX, XYZ, XZY, ZYZ, ZXZ, YXY, YZY, XYX, XZX,
    ZYXEx, ZXYEx, YXZEx, YZXEx, XYZEx, XZYEx, ZYZEx, ZXZEx, YXYEx, YZYEx, XYXEx, XZXEx,
};

inline constexpr std::size_t euler_rot_count = 24;

// Member names in value order: "ZYX" .. "XZXEx".
inline constexpr std::array<std::string_view, euler_rot_count> euler_rot_names = {
    "ZYX",   "ZXY",   "YXZ",   "YZX",   "XYZ",   "XZY",   "ZYZ",   "ZXZ",
    "YXY",   "YZY",   "XYX",   "XZX",   "ZYXEx", "ZXYEx", "YXZEx", "YZXEx",
    "XYZEx", "XZYEx", "ZYZEx", "ZXZEx", "YXYEx", "YZYEx", "XYXEx", "XZXEx",
};

constexpr std::string_view euler_rot_name(EulerRot order) {
    return euler_rot_names[static_cast<std::size_t>(order)];
}

// Descriptor of one order; axes are 0 = X, 1 = Y, 2 = Z.
struct EulerAxes {
    int i, j, k;
    bool even;       // j follows i cyclically
    bool repeated;   // proper Euler order: first and last letters agree
    bool extrinsic;  // name ends in "Ex"; angles then run from the last letter
};

// Derived from the member's name so that the table above is the single source of truth.
constexpr EulerAxes euler_axes(EulerRot order) {
    std::string_view name = euler_rot_name(order);
    auto axis = [](char c) { return c - 'X'; };
    bool extrinsic = name.size() == 5;
    int first = axis(name[0]), middle = axis(name[1]), last = axis(name[2]);
    int i = extrinsic ? last : first;
    int j = middle;
    return EulerAxes{i, j, 3 - i - j, j == (i + 1) % 3, first == last, extrinsic};
}

// Angles (first, second, third) of the order's letters for the rotation matrix m.
std::array<double, 3> to_euler_angles(const DMat3& m, EulerRot order);
// Rotation matrix of the angles a, b, c belonging to the order's letters.
DMat3 from_euler_angles(EulerRot order, double a, double b, double c);
// Quaternion of the same rotation, built from half angles (not normalised again).
DQuat quat_from_euler_angles(EulerRot order, double a, double b, double c);

}  // namespace quorix

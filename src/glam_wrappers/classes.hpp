// The Python classes of the algebra value types: name and class object of each, and for the
// classes stored as a run of doubles their field list and the decoder's name of that run.
#pragma once

#include <cstddef>
#include <span>

#include "algebra/affine3.hpp"
#include "algebra/euler.hpp"
#include "algebra/mat3.hpp"
#include "algebra/mat4.hpp"
#include "algebra/quat.hpp"
#include "algebra/vec.hpp"
#include "binding/value_object.hpp"

namespace quorix::py {

template <std::size_t N>
struct ClassOf<Vec<N>> {
    using Value = Vec<N>;
    static constexpr const char* name = N == 2 ? "Vec2" : N == 3 ? "Vec3" : "Vec4";
    static LazyType& lazy();  // defined in the class's own file
};

template <> LazyType& ClassOf<Vec<2>>::lazy();
template <> LazyType& ClassOf<Vec<3>>::lazy();
template <> LazyType& ClassOf<Vec<4>>::lazy();

template <>
struct ClassOf<DQuat> {
    using Value = DQuat;
    static constexpr const char* name = "Quat";
    static constexpr const char* fields[] = {"x", "y", "z", "w"};
    static constexpr const char* expected_state = "a sequence of 4 f64 values";
    static LazyType& lazy();
};

template <>
struct ClassOf<DMat3> {
    using Value = DMat3;
    static constexpr const char* name = "Mat3";
    static constexpr const char* fields[] = {"x_axis", "y_axis", "z_axis"};
    static constexpr const char* expected_state = "a sequence of 9 f64values";
    static LazyType& lazy();
};

template <>
struct ClassOf<DMat4> {
    using Value = DMat4;
    static constexpr const char* name = "Mat4";
    static constexpr const char* fields[] = {"x_axis", "y_axis", "z_axis", "w_axis"};
    static constexpr const char* expected_state = "a sequence of 16 f64values";
    static LazyType& lazy();
};

template <>
struct ClassOf<DAffine3> {
    using Value = DAffine3;
    static constexpr const char* name = "Affine3";
    static constexpr const char* fields[] = {"matrix3", "translation"};
    static constexpr const char* expected_state = "a sequence of 12 f64values";
    static LazyType& lazy();
};

template <>
struct ClassOf<EulerRot> {
    static constexpr const char* name = "EulerRot";
    static LazyType& lazy();
};

}  // namespace quorix::py

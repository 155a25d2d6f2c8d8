// The Python classes of the algebra value types: what each class is called and stores, and its
// class object.
#pragma once

#include <array>
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

// name: the class name; params: the constructor's parameters; fields: the dataclass field list;
// expected_state: the decoder's name of the stored run of doubles; lazy(): the class object,
// defined in the class's own file.
template <std::size_t N>
struct ClassOf<Vec<N>> {
    using Value = Vec<N>;
    static constexpr const char* name = N == 2 ? "Vec2" : N == 3 ? "Vec3" : "Vec4";
    static constexpr const char* params = N == 2   ? "(x=0.0, y=0.0, *, __pickle_state__=None)"
                                          : N == 3 ? "(x=0.0, y=0.0, z=0.0, *, __pickle_state__=None)"
                                                   : "(x=0.0, y=0.0, z=0.0, w=0.0, *, __pickle_state__=None)";
    static constexpr std::array<const char*, N> fields = [] {
        constexpr const char* all[] = {"x", "y", "z", "w"};
        std::array<const char*, N> f{};
        for (std::size_t i = 0; i < N; ++i) f[i] = all[i];
        return f;
    }();
    static constexpr const char* expected_state = N == 2   ? "a sequence of 2 f64 values"
                                                  : N == 3 ? "a sequence of 3 f64 values"
                                                           : "a sequence of 4 f64 values";
    static LazyType& lazy();
};

template <> LazyType& ClassOf<Vec<2>>::lazy();
template <> LazyType& ClassOf<Vec<3>>::lazy();
template <> LazyType& ClassOf<Vec<4>>::lazy();

template <>
struct ClassOf<DQuat> {
    using Value = DQuat;
    static constexpr const char* name = "Quat";
    static constexpr const char* params = "(x=0.0, y=0.0, z=0.0, w=1.0, *, __pickle_state__=None)";
    static constexpr const char* fields[] = {"x", "y", "z", "w"};
    static constexpr const char* expected_state = "a sequence of 4 f64 values";
    static LazyType& lazy();
};

template <>
struct ClassOf<DMat3> {
    using Value = DMat3;
    static constexpr const char* name = "Mat3";
    static constexpr const char* params = "(x_axis=None, y_axis=None, z_axis=None, *, __pickle_state__=None)";
    static constexpr const char* fields[] = {"x_axis", "y_axis", "z_axis"};
    static constexpr const char* expected_state = "a sequence of 9 f64values";
    static LazyType& lazy();
};

template <>
struct ClassOf<DMat4> {
    using Value = DMat4;
    static constexpr const char* name = "Mat4";
    static constexpr const char* params = "(x_axis=None, y_axis=None, z_axis=None, w_axis=None, *, __pickle_state__=None)";
    static constexpr const char* fields[] = {"x_axis", "y_axis", "z_axis", "w_axis"};
    static constexpr const char* expected_state = "a sequence of 16 f64values";
    static LazyType& lazy();
};

template <>
struct ClassOf<DAffine3> {
    using Value = DAffine3;
    static constexpr const char* name = "Affine3";
    static constexpr const char* params = "(translation=None, rotation=None, *, __pickle_state__=None)";
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

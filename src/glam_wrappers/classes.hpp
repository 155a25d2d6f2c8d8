// The Python classes of the algebra value types: name and class object of each.
#pragma once

#include <cstddef>

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

}  // namespace quorix::py

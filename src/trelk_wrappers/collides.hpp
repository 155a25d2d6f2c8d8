// `collides(other)` of every shape class: the pair test is chosen at compile time from the kinds
// of the receiver and of the argument; two point clouds are refused.
#pragma once

#include <type_traits>

#include "trelk_wrappers/shape_args.hpp"

namespace quorix::py {

template <class S>
bool shape_collides(const S& self, const ShapeView& other) {
    return visit_shape(other, [&](const auto& o) -> bool {
        using O = std::remove_cvref_t<decltype(o)>;
        if constexpr (std::is_same_v<S, trelk::Pointcloud> && std::is_same_v<O, trelk::Pointcloud>)
            raise(PyExc_ValueError, "Pointcloud-Pointcloud collision is not supported");
        else
            return trelk::collides(self, o);
    });
}

}  // namespace quorix::py

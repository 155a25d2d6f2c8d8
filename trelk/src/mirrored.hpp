// A pair of kinds answered by the test of the other argument order.
#pragma once

#include "ops.hpp"

namespace trelk {

template <class A, class B>
struct MirroredCollides {
    static bool test(const A& a, const B& b) { return Collides<B, A>::test(b, a); }
};

}  // namespace trelk

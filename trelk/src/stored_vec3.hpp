// Stored form of a vector: the tuple (x, y, z). The visitor V supplies tuple(expected) and
// item(value); the storage format is its business.
#pragma once

#include "math.hpp"

namespace trelk {

template <class V>
void visit_items(V& v, Vec3& p) {
    v.tuple("a sequence of 3 f32 values");
    v.item(p.x);
    v.item(p.y);
    v.item(p.z);
}

}  // namespace trelk

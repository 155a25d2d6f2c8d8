// Vec4: the four-component vector class. What the vector classes share comes from
// SharedVectorGroups<4>; truncate is the one method of Vec4 alone.
#include "glam_wrappers/vector_methods.hpp"

namespace quorix::py {

template <>
LazyType& ClassOf<DVec4>::lazy() {
    return VectorClass<4>::lazy_type();
}

namespace {

using V = DVec4;

const SharedVectorGroups<4> shared;

const ClassGroup own(ClassOf<V>::lazy(), {}, {method<V, "truncate", "($self)", [](const V& v) { return truncate(v); }>()});

}  // namespace
}  // namespace quorix::py

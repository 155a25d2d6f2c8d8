// Vec2: the 2-component vector class, the shared vector protocol of VectorClass<2>.
#include "glam_wrappers/vector_class.hpp"

namespace quorix::py {

template <>
LazyType& ClassOf<DVec2>::lazy() {
    static LazyType type({name, VectorSpec<2>::text_signature, sizeof(ValueObject<DVec2>), 0, &VectorClass<2>::vectorcall});
    return type;
}

namespace {

const ClassGroup protocol(ClassOf<DVec2>::lazy(), VectorClass<2>::slots(), VectorClass<2>::methods(),
                          VectorClass<2>::properties(), VectorClass<2>::attributes());

}  // namespace
}  // namespace quorix::py

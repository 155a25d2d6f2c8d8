// Vec4: the 4-component vector class, the shared vector protocol of VectorClass<4>.
#include "glam_wrappers/vector_class.hpp"

namespace quorix::py {

template <>
LazyType& ClassOf<DVec4>::lazy() {
    static LazyType type({name, VectorSpec<4>::text_signature, sizeof(ValueObject<DVec4>), 0, &VectorClass<4>::vectorcall});
    return type;
}

namespace {

const ClassGroup protocol(ClassOf<DVec4>::lazy(), VectorClass<4>::slots(), VectorClass<4>::methods(),
                          VectorClass<4>::properties(), VectorClass<4>::attributes());

}  // namespace
}  // namespace quorix::py

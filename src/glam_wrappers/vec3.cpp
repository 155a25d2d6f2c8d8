// Vec3: the three-component vector class. The shared vector protocol comes from VectorClass<3>;
// further method groups join the class by declaring another ClassGroup on ClassOf<DVec3>::lazy().
#include <bit>
#include <limits>

#include "glam_wrappers/vector_class.hpp"

namespace quorix::py {

using C3 = VectorClass<3>;

template <>
LazyType& ClassOf<DVec3>::lazy() {
    static LazyType type({name, VectorSpec<3>::text_signature, sizeof(ValueObject<DVec3>), 0, &C3::vectorcall});
    return type;
}

namespace {

constexpr double inf = std::numeric_limits<double>::infinity();

const ClassGroup protocol(ClassOf<DVec3>::lazy(), C3::slots(), C3::methods(), C3::properties(), C3::attributes());

const ClassGroup constants(ClassOf<DVec3>::lazy(), {}, {}, {},
                           {
                               constant<DVec3, "ZERO", [] { return DVec3{0, 0, 0}; }>(),
                               constant<DVec3, "ONE", [] { return DVec3{1, 1, 1}; }>(),
                               constant<DVec3, "NEG_ONE", [] { return DVec3{-1, -1, -1}; }>(),
                               constant<DVec3, "X", [] { return DVec3{1, 0, 0}; }>(),
                               constant<DVec3, "Y", [] { return DVec3{0, 1, 0}; }>(),
                               constant<DVec3, "Z", [] { return DVec3{0, 0, 1}; }>(),
                               constant<DVec3, "NEG_X", [] { return DVec3{-1, 0, 0}; }>(),
                               constant<DVec3, "NEG_Y", [] { return DVec3{0, -1, 0}; }>(),
                               constant<DVec3, "NEG_Z", [] { return DVec3{0, 0, -1}; }>(),
                               constant<DVec3, "INFINITY", [] { return DVec3::splat(inf); }>(),
                               constant<DVec3, "NEG_INFINITY", [] { return DVec3::splat(-inf); }>(),
                               constant<DVec3, "NAN", [] { return DVec3::splat(std::bit_cast<double>(0x7FF8000000000000ULL)); }>(),
                           });

}  // namespace
}  // namespace quorix::py

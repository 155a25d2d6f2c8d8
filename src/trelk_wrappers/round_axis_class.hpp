// What the Capsule and Cylinder classes share: the same fields (a core p1 .. p2 and a radius), so
// the same constructor, getters, builder, sweep and text form. Each class file instantiates
// `const RoundAxisGroups<S> round_axis;` beside the uniform members and adds its own queries.
#pragma once

#include <string>
#include <tuple>

#include "trelk_wrappers/shape_class.hpp"

namespace quorix::py {

template <class S>
struct RoundAxisClass {
    // Capsule(p1=None, p2=None, radius=0.0, *, __pickle_state__=None)
    static S build(PyObject* const* slots) {
        S s;
        trelk::Vec3 p1, p2;
        const bool has_p1 = read_optional_argument(slots[0], "p1", p1);
        const bool has_p2 = read_optional_argument(slots[1], "p2", p2);
        double radius = 0.0;
        if (slots[2]) read_argument(slots[2], "radius", radius);
        if (apply_record_state(slots[3], s)) return s;
        if (!has_p1 || !has_p2) {
            static const std::string message = std::string(ClassOf<S>::name) + " requires p1, p2 arguments";
            raise_requires(message.c_str());
        }
        return S::make(p1, p2 - p1, f32(radius));
    }

    static std::string text(const S& s) {
        return std::string(ClassOf<S>::name) + "(p1: " + plain3(s.p1) + ", p2: " + plain3(s.p2()) +
               ", radius: " + plain(s.radius) + ")";
    }

    // The ends at center -/+ orientation * (0, radius / 2, 0), in double precision before
    // narrowing. `length` becomes the radius and `radius` the core's length: the parameters are
    // published under these names and kept so.
    static S from_center_orientation(const DVec3& center, const DMat3& orientation, double length, double radius) {
        const DVec3 h = orientation * DVec3{{0.0, radius * 0.5, 0.0}};
        const trelk::Vec3 p1 = f32(center - h), p2 = f32(center + h);
        return S::make(p1, p2 - p1, f32(length));
    }

    static std::tuple<trelk::Vec3, float> bounding_sphere(const S& s) {
        const trelk::Sphere b = trelk::broadphase(s);
        return {b.center, b.radius};
    }
};

template <class S>
struct RoundAxisGroups {
    using C = RoundAxisClass<S>;
    ClassGroup shared{
        ClassOf<S>::lazy(),
        {repr<S, &C::text>()},
        {
            method<S, "length", "($self)", [](const S& s) { return trelk::length(s.dir); }>(),
            method<S, "bounding_sphere", "($self)", &C::bounding_sphere>(),
            method<S, "from_center_orientation", "(center, orientation, length, radius)", &C::from_center_orientation>(),
            method<S, "stretch", "($self, translation)", [](const S& s, trelk::Vec3 t) { return trelk::stretch(s, t); }>(),
        },
        {
            property<S, "p1", [](const S& s) { return s.p1; }>(),
            property<S, "p2", [](const S& s) { return s.p2(); }>(),
            property<S, "radius", [](const S& s) { return s.radius; }>(),
        }};
};

}  // namespace quorix::py

// What Line, Ray and LineSegment share besides the uniform members: a constructor over a start
// point and a second vector (the direction, or a segment's end point), the two getters of those
// vectors, the text form showing them, and the sweep. A class file instantiates
// `const LinearClass<S, "first", "second", Make, SecondOf> linear;` and adds its own extras.
//   Make(start, second) -> S    the value built from the two narrowed constructor vectors
//   SecondOf(s) -> Vec3         what the second getter and the text form show
#pragma once

#include <string>

#include "line/line_part.hpp"
#include "trelk_wrappers/shape_class.hpp"

namespace quorix::py {

template <class S, Text First, Text Second, auto Make, auto SecondOf>
struct LinearClass {
    static trelk::Vec3 start(const S& s) { return trelk::line_part(s).origin; }

    // S(first=None, second=None, *, __pickle_state__=None); None counts as not given.
    static S build(PyObject* const* slots) {
        DVec3 first, second;
        const bool has_first = read_optional_argument(slots[0], First.s, first);
        const bool has_second = read_optional_argument(slots[1], Second.s, second);
        S s;
        if (apply_record_state(slots[2], s)) return s;
        if (!has_first || !has_second) raise_requires(requires_text().c_str());
        return Make(f32(first), f32(second));
    }

    // "Line requires origin, dir arguments"
    static const std::string& requires_text() {
        static const std::string text =
            std::string(ClassOf<S>::name) + " requires " + First.s + ", " + Second.s + " arguments";
        return text;
    }

    // "Line(origin: [0, 0, 0], dir: [1, 0, 0])"
    static std::string text(const S& s) {
        return std::string(ClassOf<S>::name) + "(" + First.s + ": " + plain3(start(s)) + ", " + Second.s + ": " +
               plain3(SecondOf(s)) + ")";
    }

    const UniformShapeGroups<S> uniform;
    const ClassGroup own{
        ClassOf<S>::lazy(),
        {repr<S, &text>()},
        {
            method<S, "stretch", "($self, translation)", [](const S& s, trelk::Vec3 t) { return trelk::stretch(s, t); }>(),
        },
        {
            property<S, First, &start>(),
            property<S, Second, SecondOf>(),
        }};
};

// Line and Ray: built from origin and dir as given.
template <class S>
using OriginDirClass = LinearClass<S, "origin", "dir", &S::make, [](const S& s) { return s.dir; }>;

}  // namespace quorix::py

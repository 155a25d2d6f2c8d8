// The element-wise and geometric methods every vector class has, declared once over Vec<N>.
// Vector parameters are read by the class's own vector-like rule (Arg<Vec<N>>), floats by the
// float rule; the computation is the value-level function of the same name.
#pragma once

#include <cstddef>
#include <vector>

#include "algebra/vec_elementwise.hpp"
#include "algebra/vec_geometry.hpp"
#include "glam_wrappers/vector_class.hpp"

namespace quorix::py {

template <std::size_t N>
struct VectorMethods {
    using V = Vec<N>;

    static std::vector<PyMethodDef> elementwise() {
        return {
            method<V, "abs", "($self)", [](const V& v) { return quorix::abs(v); }>(),
            method<V, "signum", "($self)", [](const V& v) { return quorix::signum(v); }>(),
            method<V, "floor", "($self)", [](const V& v) { return quorix::floor(v); }>(),
            method<V, "ceil", "($self)", [](const V& v) { return quorix::ceil(v); }>(),
            method<V, "round", "($self)", [](const V& v) { return quorix::round(v); }>(),
            method<V, "trunc", "($self)", [](const V& v) { return quorix::trunc(v); }>(),
            method<V, "fract", "($self)", [](const V& v) { return quorix::fract(v); }>(),
            method<V, "fract_gl", "($self)", [](const V& v) { return quorix::fract_gl(v); }>(),
            method<V, "exp", "($self)", [](const V& v) { return quorix::exp(v); }>(),
            method<V, "exp2", "($self)", [](const V& v) { return quorix::exp2(v); }>(),
            method<V, "ln", "($self)", [](const V& v) { return quorix::ln(v); }>(),
            method<V, "log2", "($self)", [](const V& v) { return quorix::log2(v); }>(),
            method<V, "sqrt", "($self)", [](const V& v) { return quorix::sqrt(v); }>(),
            method<V, "recip", "($self)", [](const V& v) { return quorix::recip(v); }>(),
            method<V, "sin", "($self)", [](const V& v) { return quorix::sin(v); }>(),
            method<V, "cos", "($self)", [](const V& v) { return quorix::cos(v); }>(),
            method<V, "sin_cos", "($self)", [](const V& v) { return quorix::sin_cos(v); }>(),
            method<V, "saturate", "($self)", [](const V& v) { return quorix::saturate(v); }>(),
            method<V, "powf", "($self, n)", [](const V& v, double n) { return quorix::powf(v, n); }>(),
            method<V, "copysign", "($self, rhs)", [](const V& v, const V& rhs) { return quorix::copysign(v, rhs); }>(),
            method<V, "mul_add", "($self, a, b)",
                   [](const V& v, const V& a, const V& b) { return quorix::mul_add(v, a, b); }>(),
            method<V, "step", "($self, rhs)", [](const V& v, const V& rhs) { return quorix::step(v, rhs); }>(),
            method<V, "div_euclid", "($self, rhs)", [](const V& v, const V& rhs) { return quorix::div_euclid(v, rhs); }>(),
            method<V, "rem_euclid", "($self, rhs)", [](const V& v, const V& rhs) { return quorix::rem_euclid(v, rhs); }>(),
            method<V, "min", "($self, rhs)", [](const V& v, const V& rhs) { return quorix::min(v, rhs); }>(),
            method<V, "max", "($self, rhs)", [](const V& v, const V& rhs) { return quorix::max(v, rhs); }>(),
            method<V, "clamp", "($self, min, max)",
                   [](const V& v, const V& lo, const V& hi) { return quorix::clamp(v, lo, hi); }>(),
            method<V, "min_element", "($self)", [](const V& v) { return quorix::min_element(v); }>(),
            method<V, "max_element", "($self)", [](const V& v) { return quorix::max_element(v); }>(),
            method<V, "min_position", "($self)", [](const V& v) { return quorix::min_position(v); }>(),
            method<V, "max_position", "($self)", [](const V& v) { return quorix::max_position(v); }>(),
            method<V, "element_sum", "($self)", [](const V& v) { return quorix::element_sum(v); }>(),
            method<V, "element_product", "($self)", [](const V& v) { return quorix::element_product(v); }>(),
        };
    }

    static std::vector<PyMethodDef> geometric() {
        return {
            method<V, "dot", "($self, rhs)", [](const V& v, const V& rhs) { return quorix::dot(v, rhs); }>(),
            method<V, "length", "($self)", [](const V& v) { return quorix::length(v); }>(),
            method<V, "length_squared", "($self)", [](const V& v) { return quorix::length_squared(v); }>(),
            method<V, "length_recip", "($self)", [](const V& v) { return quorix::length_recip(v); }>(),
            method<V, "distance", "($self, rhs)", [](const V& v, const V& rhs) { return quorix::distance(v, rhs); }>(),
            method<V, "distance_squared", "($self, rhs)",
                   [](const V& v, const V& rhs) { return quorix::distance_squared(v, rhs); }>(),
            method<V, "normalize", "($self)", [](const V& v) { return quorix::normalize(v); }>(),
            method<V, "try_normalize", "($self)", [](const V& v) { return quorix::try_normalize(v); }>(),
            method<V, "normalize_or", "($self, fallback)",
                   [](const V& v, const V& fallback) { return quorix::normalize_or(v, fallback); }>(),
            method<V, "normalize_or_zero", "($self)", [](const V& v) { return quorix::normalize_or_zero(v); }>(),
            method<V, "normalize_and_length", "($self)", [](const V& v) { return quorix::normalize_and_length(v); }>(),
            method<V, "is_normalized", "($self)", [](const V& v) { return quorix::is_normalized(v); }>(),
            method<V, "clamp_length", "($self, min, max)",
                   [](const V& v, double lo, double hi) { return quorix::clamp_length(v, lo, hi); }>(),
            method<V, "clamp_length_max", "($self, max)", [](const V& v, double hi) { return quorix::clamp_length_max(v, hi); }>(),
            method<V, "clamp_length_min", "($self, min)", [](const V& v, double lo) { return quorix::clamp_length_min(v, lo); }>(),
            method<V, "lerp", "($self, rhs, s)", [](const V& v, const V& rhs, double s) { return quorix::lerp(v, rhs, s); }>(),
            method<V, "move_towards", "($self, rhs, d)",
                   [](const V& v, const V& rhs, double d) { return quorix::move_towards(v, rhs, d); }>(),
            method<V, "midpoint", "($self, rhs)", [](const V& v, const V& rhs) { return quorix::midpoint(v, rhs); }>(),
            method<V, "project_onto", "($self, rhs)", [](const V& v, const V& rhs) { return quorix::project_onto(v, rhs); }>(),
            method<V, "reject_from", "($self, rhs)", [](const V& v, const V& rhs) { return quorix::reject_from(v, rhs); }>(),
            method<V, "project_onto_normalized", "($self, rhs)",
                   [](const V& v, const V& rhs) { return quorix::project_onto_normalized(v, rhs); }>(),
            method<V, "reject_from_normalized", "($self, rhs)",
                   [](const V& v, const V& rhs) { return quorix::reject_from_normalized(v, rhs); }>(),
            method<V, "reflect", "($self, normal)", [](const V& v, const V& normal) { return quorix::reflect(v, normal); }>(),
            method<V, "refract", "($self, normal, eta)",
                   [](const V& v, const V& normal, double eta) { return quorix::refract(v, normal, eta); }>(),
        };
    }
};

// Every group the three vector classes share: the protocol of VectorClass<N>, the class constants
// and the two method families. A class file defines one of these beside its own methods.
template <std::size_t N>
struct SharedVectorGroups {
    template <std::size_t I>
    static PyObject* make_constant() {
        return wrap(vec_constants<N>()[I].value);
    }
    template <std::size_t... I>
    static std::vector<ClassAttribute> constants(std::index_sequence<I...>) {
        return {ClassAttribute{vec_constants<N>()[I].name, &make_constant<I>}...};
    }

    using C = VectorClass<N>;
    static LazyType& lazy() { return ClassOf<Vec<N>>::lazy(); }

    ClassGroup protocol{lazy(), C::slots(), C::methods(), C::properties(), C::attributes()};
    ClassGroup constant_values{lazy(), {}, {}, {}, constants(std::make_index_sequence<vec_constants<N>().size()>{})};
    ClassGroup elementwise{lazy(), {}, VectorMethods<N>::elementwise()};
    ClassGroup geometric{lazy(), {}, VectorMethods<N>::geometric()};
};

}  // namespace quorix::py

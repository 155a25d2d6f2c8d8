// The JSON text and plain-data forms of an algebra value: both are the flat run of its stored
// floats in storage order. A class gets all six methods (to_json, from_json, try_from_json,
// to_dict, from_dict, try_from_dict) from one group:
//
//     const ClassGroup json(ClassOf<DQuat>::lazy(), {}, json_dict_methods<DQuat>());
//
// V needs V::component_count, v.to_array() (std::array<double, component_count>) and
// V::from_array(array), and a ToPy<V>; ClassOf<V>::expected_state names the value in the readers'
// messages, as it does in the pickle state decoder's.
#pragma once

#include <array>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "binding/method.hpp"
#include "json/json.hpp"

namespace quorix::py {

// A `str` argument as UTF-8. Anything else fails with TypeError "'{}' object is not an instance of 'str'".
struct JsonText {
    std::string_view text;
};

template <>
struct Arg<JsonText> {
    static bool read(PyObject* o, JsonText& out);
};

// Reads a JSON array of exactly out.size() numbers. A refused text raises ValueError with the
// reader's message, or, when `quiet`, returns false with nothing raised.
bool parse_json_floats(std::string_view text, std::span<double> out, std::string_view expected, bool quiet);

// Reads a list, a tuple or an instance of collections.abc.Sequence holding exactly out.size()
// floats or ints. False with a ValueError set otherwise (other error types, such as
// KeyboardInterrupt raised by an item access, are left as they are).
bool read_plain_floats(PyObject* obj, std::span<double> out);

// A new tuple of Python floats.
PyObject* float_tuple(std::span<const double> values);

template <class V>
std::vector<PyMethodDef> json_dict_methods() {
    using Array = std::array<double, V::component_count>;
    return {
        method<V, "to_json", "($self)", [](const V& v) {
            const Array a = v.to_array();
            return json::write_json_array(a);
        }>(),
        method<V, "from_json", "(json)", [](const JsonText& json) {
            Array a;
            parse_json_floats(json.text, a, ClassOf<V>::expected_state, false);
            return V::from_array(a);
        }>(),
        method<V, "try_from_json", "(json)", [](const JsonText& json) -> std::optional<V> {
            Array a;
            if (!parse_json_floats(json.text, a, ClassOf<V>::expected_state, true)) return std::nullopt;
            return V::from_array(a);
        }>(),
        method<V, "to_dict", "($self)", [](const V& v) {
            const Array a = v.to_array();
            return float_tuple(a);
        }>(),
        method<V, "from_dict", "(obj)", [](PyObject* obj) {
            Array a;
            if (!read_plain_floats(obj, a)) throw PythonError{};
            return V::from_array(a);
        }>(),
        method<V, "try_from_dict", "(obj)", [](PyObject* obj) -> std::optional<V> {
            Array a;
            if (read_plain_floats(obj, a)) return V::from_array(a);
            if (!discard_ordinary_error()) throw PythonError{};
            return std::nullopt;
        }>(),
    };
}

}  // namespace quorix::py

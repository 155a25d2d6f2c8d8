// List arguments: any sequence but a str, each item read into a T by the rule Arg<Rule> (T's own by
// default), in order. What is
// reserved up front is only the length of a list or tuple, the one length that cannot lie; other
// sequences' items are appended as they come. The first item that fails gives its own error.
#pragma once

#include <array>
#include <cstddef>
#include <vector>

#include "binding/convert.hpp"
#include "binding/method.hpp"

namespace quorix::py {

template <class T, class Rule = T>
struct ItemsOf {
    std::vector<T> items;
};

template <class T, class Rule>
struct Arg<ItemsOf<T, Rule>> {
    static bool read(PyObject* o, ItemsOf<T, Rule>& out) {
        if (!check_list_like(o)) return false;
        out.items.clear();
        if (PyList_CheckExact(o) || PyTuple_CheckExact(o)) out.items.reserve(static_cast<std::size_t>(Py_SIZE(o)));
        Ref iter(PyObject_GetIter(o));
        if (!iter) return false;
        while (PyObject* raw = PyIter_Next(iter.get())) {
            Ref item(raw);
            if (!Arg<Rule>::read(item.get(), out.items.emplace_back())) return false;
        }
        return !PyErr_Occurred();
    }
};

// Exactly N numbers by the fixed-length sequence rule, narrowed to single precision.
template <std::size_t N>
struct Arg<std::array<float, N>> {
    static bool read(PyObject* o, std::array<float, N>& out) {
        double d[N];
        if (!read_float_sequence(o, d, N)) return false;
        for (std::size_t i = 0; i < N; ++i) out[i] = static_cast<float>(d[i]);
        return true;
    }
};

}  // namespace quorix::py

// The pickle-state protocol for values stored as records (the shapes, sphere sets, colliders):
// `__getnewargs_ex__` writes the value's stored form, a constructor given a state reads it back.
#pragma once

#include <cstdint>
#include <span>

#include "binding/pickle_state.hpp"
#include "pickle/record.hpp"

namespace quorix::py {

// The state is counted first and then written once, into the bytes object itself.
template <class T>
PyObject* record_newargs(const T& value) {
    return state_newargs(pickle::state_size(value), [&](std::span<std::uint8_t> out) { pickle::write_state(value, out); });
}

// When a state is given, replaces `out` by the decoded value and returns true; an undecodable state
// raises ValueError "pickle decode failed: {}".
template <class T>
bool apply_record_state(PyObject* arg, T& out) {
    PickleState state;
    if (!read_pickle_state(arg, state)) return false;
    try {
        pickle::decode_state(state.bytes, out);
    } catch (const pickle::DecodeError& e) {
        raise_decode_failed(e.message());
    }
    return true;
}

}  // namespace quorix::py

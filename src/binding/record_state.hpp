// The pickle-state protocol for values stored as records (the shapes, sphere sets, colliders):
// `__getnewargs_ex__` writes the value's stored form, a constructor given a state reads it back.
#pragma once

#include <vector>

#include "binding/pickle_state.hpp"
#include "pickle/record.hpp"

namespace quorix::py {

template <class T>
PyObject* record_newargs(const T& value) {
    const std::vector<std::uint8_t> state = pickle::encode_state(value);
    return state_newargs(state);
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
        raise_decode_failed(e.what());
    }
    return true;
}

}  // namespace quorix::py

// Pickle streams written by hand in the C++ tests of the codec.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "pickle/writer.hpp"

namespace hand_streams {

using Bytes = std::vector<std::uint8_t>;

// A complete protocol-3 stream whose value `body` writes.
inline Bytes stream(const std::function<void(quorix::pickle::Writer&)>& body) {
    Bytes out;
    quorix::pickle::Writer w(out);
    w.proto3();
    body(w);
    w.stop();
    return out;
}

}  // namespace hand_streams

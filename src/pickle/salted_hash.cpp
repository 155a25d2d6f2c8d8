#include "pickle/salted_hash.hpp"

#include <chrono>
#include <random>

namespace quorix::pickle {

namespace {

SipKey draw_key() {
    std::uint64_t words[2] = {0, 0};
    try {
        std::random_device source;
        for (std::uint64_t& w : words) w = (std::uint64_t{source()} << 32) ^ source();
    } catch (...) {
        // No random source: the clock and where this process placed its stack still differ from
        // run to run, and are not in the stream's hands.
        const auto now = static_cast<std::uint64_t>(std::chrono::high_resolution_clock::now().time_since_epoch().count());
        words[0] = now ^ reinterpret_cast<std::uintptr_t>(&words);
        words[1] = SaltedHasher(SipKey{now, ~now}).add(words[0]).finish();
    }
    return {words[0], words[1]};
}

}  // namespace

const SipKey& process_sip_key() {
    static const SipKey key = draw_key();
    return key;
}

}  // namespace quorix::pickle

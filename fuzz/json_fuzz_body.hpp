// What one fuzz input must survive: the JSON array reader on arbitrary text. A refusal is a
// JsonError whose message ends in a position; an accepted array must write a text that reads
// back bit for bit. Shared by the libFuzzer target and the replay test.
#pragma once

#include <bit>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>
#include <string_view>
#include <vector>

#include "json/json.hpp"

namespace quorix_fuzz {

inline void fuzz_json_input(std::string_view text) {
    for (std::size_t n : {1u, 3u, 12u}) {
        std::vector<double> out(n);
        try {
            quorix::json::read_json_array(text, out, "a sequence of n f64 values");
        } catch (const quorix::json::JsonError& e) {
            if (std::string_view(e.what()).find(" at line ") == std::string_view::npos) {
                std::fprintf(stderr, "message without position: %s\n", e.what());
                std::abort();
            }
            continue;
        }
        std::vector<double> back(n);
        quorix::json::read_json_array(quorix::json::write_json_array(out), back, "x");
        for (std::size_t i = 0; i < n; ++i)
            if (std::bit_cast<std::uint64_t>(out[i]) != std::bit_cast<std::uint64_t>(back[i])) std::abort();
    }
}

}  // namespace quorix_fuzz

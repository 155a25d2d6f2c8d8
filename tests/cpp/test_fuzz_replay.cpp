// The fuzz harness without a fuzzer: the seed corpus, then a fixed number of seeded random
// mutations of it, through the same bodies the libFuzzer targets run. A broken invariant aborts.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "../../fuzz/json_fuzz_body.hpp"
#include "../../fuzz/pickle_fuzz_body.hpp"
#include "../../fuzz/shape_state_fuzz_body.hpp"

namespace {

using Bytes = std::vector<std::uint8_t>;

std::vector<Bytes> corpus(const char* kind) {
    const auto dir = std::filesystem::path(__FILE__).parent_path() / ".." / ".." / "fuzz" / "corpus" / kind;
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::directory_iterator(dir)) files.push_back(entry.path());
    std::sort(files.begin(), files.end());  // a fixed order keeps the mutations reproducible
    std::vector<Bytes> out;
    for (const auto& f : files) {
        std::ifstream in(f, std::ios::binary);
        out.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    return out;
}

// Byte-level mutations of the kind a fuzzer makes: flips, interesting bytes, inserts, deletes,
// truncation, duplicated runs and splices of two seeds.
Bytes mutate(const std::vector<Bytes>& seeds, std::mt19937_64& rng) {
    auto pick = [&](std::size_t n) { return n == 0 ? 0 : static_cast<std::size_t>(rng() % n); };
    Bytes b = seeds[pick(seeds.size())];
    static constexpr std::uint8_t interesting[] = {0x00, 0x01, 0x7F, 0x80, 0xFF, '(', ')', '.', 'e', 'u', 't',
                                                   ']', '}', 'h', 'q', 0x94, 0x95, 0x8a, 0x8b, 'X', 'G'};
    const int steps = 1 + static_cast<int>(pick(4));
    for (int s = 0; s < steps; ++s) {
        switch (pick(7)) {
            case 0:
                if (!b.empty()) b[pick(b.size())] ^= static_cast<std::uint8_t>(1u << pick(8));
                break;
            case 1:
                if (!b.empty()) b[pick(b.size())] = interesting[pick(std::size(interesting))];
                break;
            case 2: b.insert(b.begin() + static_cast<std::ptrdiff_t>(pick(b.size() + 1)), interesting[pick(std::size(interesting))]); break;
            case 3:
                if (!b.empty()) b.erase(b.begin() + static_cast<std::ptrdiff_t>(pick(b.size())));
                break;
            case 4: b.resize(pick(b.size() + 1)); break;
            case 5:
                if (!b.empty()) {
                    const std::size_t from = pick(b.size()), len = 1 + pick(std::min<std::size_t>(16, b.size() - from));
                    const Bytes run(b.begin() + static_cast<std::ptrdiff_t>(from),
                                    b.begin() + static_cast<std::ptrdiff_t>(from + len));
                    b.insert(b.begin() + static_cast<std::ptrdiff_t>(pick(b.size() + 1)), run.begin(), run.end());
                }
                break;
            default: {
                const Bytes& other = seeds[pick(seeds.size())];
                const std::size_t cut = pick(b.size() + 1), from = pick(other.size() + 1);
                b.resize(cut);
                b.insert(b.end(), other.begin() + static_cast<std::ptrdiff_t>(from), other.end());
            }
        }
    }
    return b;
}

constexpr int mutations = 20000;

}  // namespace

TEST(FuzzReplay, PickleReaders) {
    const auto seeds = corpus("pickle");
    ASSERT_GT(seeds.size(), 20u);
    for (const Bytes& s : seeds) quorix_fuzz::fuzz_pickle_input(s);
    std::mt19937_64 rng(1234567);
    for (int i = 0; i < mutations; ++i) quorix_fuzz::fuzz_pickle_input(mutate(seeds, rng));
}

TEST(FuzzReplay, JsonReader) {
    const auto seeds = corpus("json");
    ASSERT_GT(seeds.size(), 5u);
    auto text = [](const Bytes& b) { return std::string_view(reinterpret_cast<const char*>(b.data()), b.size()); };
    for (const Bytes& s : seeds) quorix_fuzz::fuzz_json_input(text(s));
    std::mt19937_64 rng(7654321);
    for (int i = 0; i < mutations; ++i) quorix_fuzz::fuzz_json_input(text(mutate(seeds, rng)));
}

TEST(FuzzReplay, ShapeStates) {
    const auto seeds = corpus("shapes");
    ASSERT_GT(seeds.size(), 12u);
    for (const Bytes& s : seeds) quorix_fuzz::fuzz_shape_state(s);
    std::mt19937_64 rng(24681357);
    for (int i = 0; i < mutations / 4; ++i) quorix_fuzz::fuzz_shape_state(mutate(seeds, rng));
}

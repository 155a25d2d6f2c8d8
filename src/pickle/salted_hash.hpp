// Hashes that a stream cannot aim at. The decoder keys tables by values the input chooses (memo
// indices, set members); with a plain hash, values picked to share a bucket make every lookup walk
// one long chain. SipHash-1-3 under a key drawn once per process spreads any choice of values.
#pragma once

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <utility>
#include <unordered_map>
#include <vector>

namespace quorix::pickle {

struct SipKey {
    std::uint64_t k0, k1;
};

// Drawn from the system's random source at first use.
const SipKey& process_sip_key();

// SipHash-1-3 over a sequence of 64-bit words. Byte strings enter as their length, then their
// bytes in little-endian words, the last one padded with zeros.
class SaltedHasher {
public:
    SaltedHasher() : SaltedHasher(process_sip_key()) {}
    explicit SaltedHasher(const SipKey& key)
        : v0_(key.k0 ^ 0x736f6d6570736575u), v1_(key.k1 ^ 0x646f72616e646f6du),
          v2_(key.k0 ^ 0x6c7967656e657261u), v3_(key.k1 ^ 0x7465646279746573u) {}

    SaltedHasher& add(std::uint64_t word) {
        v3_ ^= word;
        round();
        v0_ ^= word;
        ++words_;
        return *this;
    }
    SaltedHasher& add_bytes(std::string_view bytes) {
        add(bytes.size());
        std::size_t i = 0;
        for (; i + 8 <= bytes.size(); i += 8) add(load_word(bytes.data() + i, 8));
        if (i < bytes.size()) add(load_word(bytes.data() + i, bytes.size() - i));
        return *this;
    }
    std::uint64_t finish() {
        const std::uint64_t last = words_ << 56;
        v3_ ^= last;
        round();
        v0_ ^= last;
        v2_ ^= 0xff;
        round();
        round();
        round();
        return v0_ ^ v1_ ^ v2_ ^ v3_;
    }

private:
    static std::uint64_t load_word(const char* p, std::size_t n) {
        std::uint64_t w = 0;
        for (std::size_t i = n; i-- > 0;) w = (w << 8) | static_cast<unsigned char>(p[i]);
        return w;
    }
    void round() {
        v0_ += v1_;
        v1_ = std::rotl(v1_, 13) ^ v0_;
        v0_ = std::rotl(v0_, 32);
        v2_ += v3_;
        v3_ = std::rotl(v3_, 16) ^ v2_;
        v0_ += v3_;
        v3_ = std::rotl(v3_, 21) ^ v0_;
        v2_ += v1_;
        v1_ = std::rotl(v1_, 17) ^ v2_;
        v2_ = std::rotl(v2_, 32);
    }

    std::uint64_t v0_, v1_, v2_, v3_;
    std::uint64_t words_ = 0;
};

// The hasher of the decoder's tables keyed by integers the input chooses.
struct SaltedHash {
    std::size_t operator()(std::uint64_t key) const noexcept { return SaltedHasher().add(key).finish(); }
};

// A map keyed by integers the input chooses.
template <class V>
using SaltedMap = std::unordered_map<std::uint64_t, V, SaltedHash>;

// An open-addressing set of words, which the caller places by a hash from SaltedHasher so that the
// input cannot aim at one run of slots; `place(word)` gives that hash again when the table grows.
// All ones marks a free slot and is never stored. The table doubles before it would pass
// `max_eighths` eighths full: half by default, more where its memory matters more than its probes.
template <class Place, class Word = std::uint64_t, unsigned max_eighths = 4>
class SaltedWords {
public:
    explicit SaltedWords(Place place = {}) : place_(place) {}

    // The first stored word w under `hash` with same(w), or else `word`, stored now; and whether it
    // was stored now.
    template <class Same>
    std::pair<Word, bool> find_or_add(std::uint64_t hash, Word word, Same same) {
        if (full()) grow();
        Word& slot = slots_[probe(hash, same)];
        if (slot != free) return {slot, false};
        slot = word;
        ++used_;
        return {word, true};
    }

    // The first stored word under `hash` with same(w), or null.
    template <class Same>
    const Word* find(std::uint64_t hash, Same same) const {
        if (used_ == 0) return nullptr;
        const Word& slot = slots_[probe(hash, same)];
        return slot != free ? &slot : nullptr;
    }

    std::size_t bytes() const { return slots_.capacity() * sizeof(Word); }
    // The bytes of the larger table that adding one more word would allocate (the current one stays
    // alive while its words move), or 0 when it fits.
    std::size_t growth_bytes() const { return full() ? grown_size() * sizeof(Word) : 0; }

private:
    static constexpr Word free = ~Word{0};

    // The slot of the first word under `hash` with same(word), or the free slot that ends its run.
    template <class Same>
    std::size_t probe(std::uint64_t hash, Same same) const {
        const std::size_t mask = slots_.size() - 1;
        std::size_t i = hash & mask;
        while (slots_[i] != free && !same(slots_[i])) i = (i + 1) & mask;
        return i;
    }

    // One more word would take the table past its fullest.
    bool full() const { return 8 * (used_ + 1) > max_eighths * slots_.size(); }
    std::size_t grown_size() const { return std::max<std::size_t>(16, 2 * slots_.size()); }

    void grow() {
        std::vector<Word> old(grown_size(), free);
        old.swap(slots_);
        for (const Word w : old)
            if (w != free) slots_[probe(place_(w), [](Word) { return false; })] = w;
    }

    Place place_;
    std::vector<Word> slots_;
    std::size_t used_ = 0;
};

}  // namespace quorix::pickle

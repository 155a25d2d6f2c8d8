// The members of the sets a stream builds, each kept once as Python's set keeps it: an item equal to
// a member the set holds already, or to an earlier item of the same batch, is dropped, and the
// first one stays.
//
// Equality is Python's for the hashable plain values: numbers by value across bool, int and float
// (1 == 1.0 == True, 0 == 0.0 == -0.0), text and bytes by content, tuples item by item, frozensets
// as sets. An object always equals itself, so one NaN named twice through the memo is one member,
// while two NaNs are two.
//
// What it keeps: every value met as an item gets a class, the first node met that equals it, found
// through one table for the whole stream; a class first met as a long integer keeps that integer's
// magnitude, so that later equal members are not compared against its digits again. A set being
// built is sifted through marks on classes that the next set reuses, so it leaves nothing behind.
// The set that ADDITEMS extends holds its members' classes as bits, cleared when another set is
// extended; only a set extended again after that keeps a record of its members, for the batches to
// come. Before any of this grows, `claim` is given the bytes it is about to take; it throws when
// the bookkeeping would pass its allowance.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <vector>

#include "pickle/document.hpp"
#include "pickle/salted_hash.hpp"

namespace quorix::pickle {

class SetMembers {
public:
    using Claim = std::function<void(std::size_t bytes)>;

    SetMembers(const Document& doc, Claim claim) : doc_(doc), claim_(std::move(claim)) {}

    // Which of `items` (all hashable) become members, in order: of a set built from them
    // (new_members), or of the mutable `set` that ADDITEMS extends by them (added_members). Valid
    // until the next call.
    std::span<const NodeId> new_members(std::span<const NodeId> items);
    std::span<const NodeId> added_members(NodeId set, std::span<const NodeId> items);

    // The memory the bookkeeping holds now.
    std::size_t bytes() const;

private:
    // A value as equality sees it; only numbers need more than their form.
    enum class Form : std::uint8_t { none, integer, fraction, str, bytes, tuple, frozenset, alone };
    struct Seen {
        Form form;
        bool negative = false;             // integer
        std::uint64_t bits = 0;            // fraction: the float's bits
        std::vector<std::uint64_t> limbs;  // integer: magnitude, little-endian, no leading zero
    };
    // An integer class's magnitude as kept for it.
    struct KeptInteger {
        bool negative;
        std::span<const std::uint64_t> limbs;
    };

    // Every item's class settled; gives the size of a table by class that reaches them all.
    std::size_t settle_classes(std::span<const NodeId> items);
    // The items of a class no earlier item has and admit(class) takes, their classes settled.
    template <class Admit>
    std::span<const NodeId> sift(std::span<const NodeId> items, Admit admit);
    // The items of a class the held set lacks, each class added to it.
    std::span<const NodeId> sift_into_held(std::span<const NodeId> items);
    // Makes `set` the held set, its members' classes set in held_, the previous one's cleared.
    void hold(NodeId set);
    // The node's class: the first node met that equals it.
    NodeId class_of(NodeId n) { return n < class_.size() && class_[n] < waiting ? class_[n] : classify(n); }
    NodeId classify(NodeId n);
    // The class of a node whose items have theirs.
    NodeId settle(NodeId n);
    NodeId copied_from(NodeId n) const;
    void see(NodeId n, Seen& out);
    void see_number(NodeId n, Seen& out);
    std::uint64_t hash(NodeId n, const Seen& s) const;
    bool equal(NodeId a, const Seen& sa, NodeId b);
    bool same_items(NodeId a, NodeId b) const;
    bool same_members(NodeId a, NodeId b);
    // A mark no class carries yet.
    std::uint32_t fresh_mark();
    // The member classes of a set extended again after another one was: 32-bit words in a table of
    // the set's own, filled up to seven eighths, so that a record takes less than the members'
    // share of the document, however often a memo reference repeats them.
    struct ClassPlace {
        std::uint64_t operator()(NodeId c) const { return SaltedHash{}(c); }
    };
    using Record = SaltedWords<ClassPlace, NodeId, 7>;
    // The record of `set`, made from its members when first asked.
    Record& record_of(NodeId set);
    // Notes a member of this class in the record; false if it held one already.
    bool record(Record& r, NodeId member_class);
    // Keeps the magnitude of a new class first met as a long integer; finds it again.
    void keep_integer(NodeId n, const Seen& s);
    KeptInteger kept_integer(NodeId n) const;

    // Growth, claimed first.
    template <class T>
    void reserve(std::vector<T>& v, std::size_t n);
    template <class T>
    void size_at_least(std::vector<T>& v, std::size_t n, T fill);
    void push(std::vector<NodeId>& v, NodeId n);
    template <class Table>
    void make_room_for_one(const Table& table);
    // Bit i of a bit set: set_bit grows the set to reach it, the others expect it reached.
    void set_bit(std::vector<std::uint64_t>& bits, std::size_t i);
    static bool bit(const std::vector<std::uint64_t>& bits, std::size_t i) {
        return i / 64 < bits.size() && (bits[i / 64] >> (i % 64) & 1) != 0;
    }
    static void turn_bit(std::vector<std::uint64_t>& bits, std::size_t i, bool on) {
        const std::uint64_t mask = std::uint64_t{1} << (i % 64);
        bits[i / 64] = on ? bits[i / 64] | mask : bits[i / 64] & ~mask;
    }

    static constexpr NodeId waiting = 0xFFFFFFFEu;  // in class_: its items are being settled first
    static constexpr NodeId no_set = 0xFFFFFFFFu;

    const Document& doc_;
    Claim claim_;
    std::vector<NodeId> class_;          // by node; `unknown` until asked
    std::vector<NodeId> pending_;        // nodes whose class waits for their items'
    std::vector<std::uint32_t> marks_;   // by class: the last sifting or comparison that met it
    std::uint32_t last_mark_ = 0;
    // The first node of each class, as the high half of its hash above the node.
    struct ByHashHalf {
        std::uint64_t operator()(std::uint64_t word) const { return word >> 32; }
    };
    SaltedWords<ByHashHalf> classes_;
    // A 32-bit index kept for each of a few nodes: the node above the index in one word.
    class NodeIndex {
    public:
        std::optional<std::uint32_t> find(NodeId n) const {
            const std::uint64_t* word = words_.find(SaltedHash{}(n), [&](std::uint64_t w) { return w >> 32 == n; });
            if (!word) return std::nullopt;
            return static_cast<std::uint32_t>(*word);
        }
        void add(NodeId n, std::uint32_t index) {  // n has none yet
            words_.find_or_add(SaltedHash{}(n), std::uint64_t{n} << 32 | index, [](std::uint64_t) { return false; });
        }
        std::size_t bytes() const { return words_.bytes(); }
        std::size_t growth_bytes() const { return words_.growth_bytes(); }

    private:
        struct ByNode {
            std::uint64_t operator()(std::uint64_t word) const { return SaltedHash{}(word >> 32); }
        };
        SaltedWords<ByNode> words_;
    };
    // The classes first met as long integers, by the offset of their magnitude in integer_limbs_,
    // which holds each as its limb count and sign (count << 1 | negative), then the limbs. No offset
    // reaches 2^32: a long integer takes more input bytes than limbs.
    NodeIndex integers_;
    std::vector<std::uint64_t> integer_limbs_;
    NodeId held_set_ = no_set;           // the set ADDITEMS extended last
    std::vector<std::uint64_t> held_;    // by class: a member of held_set_
    std::vector<std::uint64_t> ever_held_;  // by set: was the held set once
    NodeIndex record_at_;  // a set extended again after another, by its index in records_
    std::vector<Record> records_;
    std::size_t record_bytes_ = 0;  // what the tables of records_ hold together
    std::vector<NodeId> kept_;
    Seen seen_, other_;
};

}  // namespace quorix::pickle

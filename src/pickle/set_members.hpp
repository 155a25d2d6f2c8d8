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
// through one table for the whole stream. A set being built is sifted through marks on classes that
// the next set reuses, so it leaves nothing behind; only a mutable set that ADDITEMS extends keeps a
// record of its members' classes, for the batches to come. Before any of this grows, `claim` is
// given the bytes it is about to take; it throws when the decoder's memory would pass its bound.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
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

    // Every item's class settled, then the items of a class no earlier item has and admit(class) takes.
    template <class Admit>
    std::span<const NodeId> sift(std::span<const NodeId> items, Admit admit);
    // The node's class: the first node met that equals it.
    NodeId class_of(NodeId n) { return n < class_.size() && class_[n] < waiting ? class_[n] : classify(n); }
    NodeId classify(NodeId n);
    // The class of a node whose items have theirs.
    NodeId settle(NodeId n);
    NodeId copied_from(NodeId n) const;
    void see(NodeId n, Seen& out) const;
    void see_number(NodeId n, Seen& out) const;
    std::uint64_t hash(NodeId n, const Seen& s) const;
    bool equal(NodeId a, const Seen& sa, NodeId b);
    bool same_items(NodeId a, NodeId b) const;
    bool same_members(NodeId a, NodeId b);
    // A mark no class carries yet.
    std::uint32_t fresh_mark();
    // Notes that `set` holds a member of this class; false if it did already.
    bool record(NodeId set, NodeId member_class);

    // Growth, claimed first.
    template <class T>
    void reserve(std::vector<T>& v, std::size_t n);
    template <class T>
    void size_at_least(std::vector<T>& v, std::size_t n, T fill);
    void push(std::vector<NodeId>& v, NodeId n);
    template <class Table>
    void make_room_for_one(const Table& table);

    static constexpr NodeId waiting = 0xFFFFFFFEu;  // in class_: its items are being settled first

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
    SaltedWords<SaltedHash> recorded_;  // the member classes of the sets ADDITEMS extends
    std::vector<NodeId> kept_;
    Seen seen_, other_;
};

}  // namespace quorix::pickle

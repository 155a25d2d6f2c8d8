// The members of the sets a stream builds, each kept once as Python's set keeps it: an item equal to
// a member the set holds already, or to an earlier item of the same batch, is dropped, and the
// first one stays.
//
// Equality is Python's for the hashable plain values: numbers by value across bool, int and float
// (1 == 1.0 == True, 0 == 0.0 == -0.0), text and bytes by content, tuples item by item, frozensets
// as sets. An object always equals itself, so one NaN named twice through the memo is one member,
// while two NaNs are two.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "pickle/document.hpp"
#include "pickle/salted_hash.hpp"

namespace quorix::pickle {

class SetMembers {
public:
    explicit SetMembers(const Document& doc) : doc_(doc) {}

    // Which of `items` (all hashable) become members of `set`, in order. Valid until the next call.
    std::span<const NodeId> new_members(NodeId set, std::span<const NodeId> items);

private:
    // A value as equality sees it.
    enum class Form : std::uint8_t { none, integer, fraction, str, bytes, tuple, frozenset, alone };
    struct Seen {
        Form form;
        bool negative = false;           // integer
        std::uint64_t bits = 0;          // fraction: the float's bits
        std::vector<std::uint64_t> limbs;  // integer: magnitude, little-endian, no leading zero
        std::vector<NodeId> classes;       // tuple: the items' classes
    };

    // The node's class: the first node met that equals it.
    NodeId class_of(NodeId n);
    // The class of a node whose items have theirs.
    NodeId settle(NodeId n);
    NodeId copied_from(NodeId n) const;
    void see(NodeId n, Seen& out) const;
    void see_number(NodeId n, Seen& out) const;
    std::uint64_t hash(NodeId n, const Seen& s) const;
    bool equal(NodeId a, const Seen& sa, NodeId b);
    bool has_member(NodeId set, NodeId member_class) const;

    const Document& doc_;
    std::vector<NodeId> class_;    // by node; `unknown` until asked
    std::vector<NodeId> pending_;  // nodes whose class waits for their items'
    // The first node of each class, as the high half of its hash above the node.
    struct ByHashHalf {
        std::uint64_t operator()(std::uint64_t word) const { return word >> 32; }
    };
    SaltedWords<ByHashHalf> classes_;
    SaltedWords<SaltedHash> members_;  // which classes each set holds
    std::vector<NodeId> kept_;
    Seen seen_, other_;
};

}  // namespace quorix::pickle

#include "pickle/set_members.hpp"

#include <algorithm>
#include <bit>
#include <cmath>

#include "pickle/text_forms.hpp"

namespace quorix::pickle {

namespace {

constexpr NodeId unknown = 0xFFFFFFFFu;

// Python reads no integer of more digits than this from text (its default int_max_str_digits), so
// a longer one has no Python value to agree with; it stays apart from every other member.
constexpr std::size_t max_decimal_digits = 4300;

bool is_composite(Kind k) { return k == Kind::Tuple || k == Kind::FrozenSet; }

void strip_leading_zeros(std::vector<std::uint64_t>& limbs) {
    while (!limbs.empty() && limbs.back() == 0) limbs.pop_back();
}

void multiply_add(std::vector<std::uint64_t>& limbs, std::uint64_t factor, std::uint64_t addend) {
    unsigned __int128 carry = addend;
    for (std::uint64_t& limb : limbs) {
        carry += static_cast<unsigned __int128>(limb) * factor;
        limb = static_cast<std::uint64_t>(carry);
        carry >>= 64;
    }
    if (carry != 0) limbs.push_back(static_cast<std::uint64_t>(carry));
}

// Without the trailing bytes that only extend the sign: the fill above the rest restores them.
std::string_view without_sign_fill(std::string_view bytes, bool negative) {
    const char fill = negative ? '\xff' : '\0';
    while (!bytes.empty() && bytes.back() == fill) bytes.remove_suffix(1);
    return bytes;
}

// The magnitude of a little-endian two's complement integer, its sign fill stripped: one limb more
// than the bytes fill holds the sign.
void magnitude_of_le(std::string_view bytes, bool negative, std::vector<std::uint64_t>& limbs) {
    const std::uint64_t fill = negative ? 0xFF : 0;
    limbs.assign(bytes.size() / 8 + 1, 0);
    for (std::size_t i = 0; i < limbs.size() * 8; ++i) {
        const std::uint64_t byte = i < bytes.size() ? static_cast<unsigned char>(bytes[i]) : fill;
        limbs[i / 8] |= byte << (8 * (i % 8));
    }
    if (negative) {
        bool carry = true;
        for (std::uint64_t& limb : limbs) {
            limb = ~limb + (carry ? 1 : 0);
            carry = carry && limb == 0;
        }
    }
    strip_leading_zeros(limbs);
}

// False for a decimal too long to convert (see max_decimal_digits).
bool magnitude_of_decimal(std::string_view digits, std::vector<std::uint64_t>& limbs) {
    if (digits.size() > max_decimal_digits) return false;
    limbs.clear();
    while (!digits.empty()) {
        const std::size_t n = std::min<std::size_t>(digits.size(), 19);  // 10^19 < 2^64
        std::uint64_t chunk = 0, scale = 1;
        for (std::size_t i = 0; i < n; ++i) {
            chunk = chunk * 10 + static_cast<std::uint64_t>(digits[i] - '0');
            scale *= 10;
        }
        multiply_add(limbs, scale, chunk);
        digits.remove_prefix(n);
    }
    strip_leading_zeros(limbs);
    return true;
}

// The magnitude of a float that holds an integer.
void magnitude_of_float(double a, std::vector<std::uint64_t>& limbs) {
    limbs.clear();
    if (a < 18446744073709551616.0) {
        if (a != 0) limbs.push_back(static_cast<std::uint64_t>(a));
        return;
    }
    int exponent = 0;
    const double fraction = std::frexp(a, &exponent);  // a = fraction * 2^exponent, exponent > 64
    const auto mantissa = static_cast<std::uint64_t>(std::ldexp(fraction, 53));
    const auto shift = static_cast<std::size_t>(exponent - 53);
    limbs.assign(shift / 64 + 2, 0);
    limbs[shift / 64] = mantissa << (shift % 64);
    if (shift % 64 != 0) limbs[shift / 64 + 1] = mantissa >> (64 - shift % 64);
    strip_leading_zeros(limbs);
}

}  // namespace

std::span<const NodeId> SetMembers::new_members(std::span<const NodeId> items) {
    return sift(items, [](NodeId) { return true; });
}

// Python writes a set as batches of ADDITEMS, one set after another: the set being extended holds
// its classes as bits. A set extended again after another one was needs a record instead, or
// extending two sets in turn would set and clear their bits again and again.
std::span<const NodeId> SetMembers::added_members(NodeId set, std::span<const NodeId> items) {
    if (set != held_set_ && !bit(ever_held_, set)) hold(set);
    if (set == held_set_) return sift_into_held(items);
    Record& r = record_of(set);
    return sift(items, [&](NodeId c) { return record(r, c); });
}

SetMembers::Record& SetMembers::record_of(NodeId set) {
    if (const auto at = record_at_.find(set)) return records_[*at];
    make_room_for_one(record_at_);
    reserve(records_, records_.size() + 1);
    record_at_.add(set, static_cast<std::uint32_t>(records_.size()));
    Record& r = records_.emplace_back();
    for (auto c = doc_.items(set); !c.done();) record(r, class_[c.next()]);
    return r;
}

bool SetMembers::record(Record& r, NodeId member_class) {
    make_room_for_one(r);
    record_bytes_ -= r.bytes();
    const bool added = r.find_or_add(SaltedHash{}(member_class), member_class, [&](NodeId c) { return c == member_class; }).second;
    record_bytes_ += r.bytes();
    return added;
}

void SetMembers::hold(NodeId set) {
    if (held_set_ != no_set)
        for (auto c = doc_.items(held_set_); !c.done();) turn_bit(held_, class_[c.next()], false);
    held_set_ = set;
    set_bit(ever_held_, set);
    for (auto c = doc_.items(set); !c.done();) set_bit(held_, class_[c.next()]);
}

std::size_t SetMembers::settle_classes(std::span<const NodeId> items) {
    std::size_t classes_met = 0;
    for (const NodeId item : items) classes_met = std::max<std::size_t>(classes_met, class_of(item) + std::size_t{1});
    return classes_met;
}

std::span<const NodeId> SetMembers::sift_into_held(std::span<const NodeId> items) {
    size_at_least(held_, (settle_classes(items) + 63) / 64, std::uint64_t{0});
    reserve(kept_, items.size());
    kept_.clear();
    for (const NodeId item : items) {
        const NodeId c = class_[item];
        if (bit(held_, c)) continue;
        turn_bit(held_, c, true);
        kept_.push_back(item);
    }
    return kept_;
}

template <class Admit>
std::span<const NodeId> SetMembers::sift(std::span<const NodeId> items, Admit admit) {
    // Every class settled before the marks below are set: settling compares frozensets through them.
    size_at_least(marks_, settle_classes(items), std::uint32_t{0});
    reserve(kept_, items.size());
    const std::uint32_t mark = fresh_mark();
    kept_.clear();
    for (const NodeId item : items) {
        const NodeId c = class_[item];
        if (marks_[c] == mark || !admit(c)) continue;
        marks_[c] = mark;
        kept_.push_back(item);
    }
    return kept_;
}

std::uint32_t SetMembers::fresh_mark() {
    if (++last_mark_ == 0) {  // every mark used: start again from unmarked classes
        std::fill(marks_.begin(), marks_.end(), 0);
        last_mark_ = 1;
    }
    return last_mark_;
}

// Text that bytes() or bytearray() copied is of its original's class, found without reading it.
NodeId SetMembers::copied_from(NodeId n) const {
    const Kind k = doc_.kind(n);
    return k == Kind::Str || k == Kind::Bytes ? doc_.text_origin(n) : n;
}

// Depth first without recursion: a chain of nested tuples may be as long as the stream allows. A
// node's items and original come before it in the document, so class_ need reach no further than n.
NodeId SetMembers::classify(NodeId n) {
    size_at_least(class_, std::size_t{n} + 1, unknown);
    if (class_[n] < waiting) return class_[n];
    push(pending_, n);
    while (!pending_.empty()) {
        const NodeId t = pending_.back();
        if (class_[t] == unknown) {
            // Settled once what it holds is: a composite's items, a copy's original text.
            const std::size_t before = pending_.size();
            if (is_composite(doc_.kind(t))) {
                for (auto c = doc_.items(t); !c.done();)
                    if (const NodeId item = c.next(); class_[item] == unknown) push(pending_, item);
            } else if (const NodeId original = copied_from(t); original != t && class_[original] == unknown) {
                push(pending_, original);
            }
            if (pending_.size() != before) {
                class_[t] = waiting;
                continue;
            }
        }
        pending_.pop_back();
        if (class_[t] >= waiting) class_[t] = settle(t);
    }
    return class_[n];
}

NodeId SetMembers::settle(NodeId n) {
    if (const NodeId original = copied_from(n); original != n) return class_[original];
    see(n, seen_);
    if (seen_.form == Form::alone) return n;
    const std::uint64_t half = hash(n, seen_) >> 32;
    const auto same = [&](std::uint64_t w) { return w >> 32 == half && equal(n, seen_, static_cast<NodeId>(w)); };
    make_room_for_one(classes_);
    const auto [word, added] = classes_.find_or_add(half, half << 32 | n, same);
    if (added && doc_.kind(n) == Kind::BigInt) keep_integer(n, seen_);
    return static_cast<NodeId>(word);
}

void SetMembers::keep_integer(NodeId n, const Seen& s) {
    make_room_for_one(integers_);
    reserve(integer_limbs_, integer_limbs_.size() + 1 + s.limbs.size());
    integers_.add(n, static_cast<std::uint32_t>(integer_limbs_.size()));
    integer_limbs_.push_back(s.limbs.size() << 1 | (s.negative ? 1 : 0));
    integer_limbs_.insert(integer_limbs_.end(), s.limbs.begin(), s.limbs.end());
}

SetMembers::KeptInteger SetMembers::kept_integer(NodeId n) const {
    const std::uint64_t* at = integer_limbs_.data() + *integers_.find(n);
    return {(*at & 1) != 0, {at + 1, static_cast<std::size_t>(*at >> 1)}};
}

void SetMembers::see(NodeId n, Seen& out) {
    switch (doc_.kind(n)) {
        case Kind::None: out.form = Form::none; return;
        case Kind::Str: out.form = Form::str; return;
        case Kind::Bytes: out.form = Form::bytes; return;
        case Kind::Tuple: out.form = Form::tuple; return;
        case Kind::FrozenSet: out.form = Form::frozenset; return;
        default: see_number(n, out);
    }
}

void SetMembers::see_number(NodeId n, Seen& out) {
    out.form = Form::integer;
    out.negative = false;
    out.limbs.clear();
    reserve(out.limbs, 17);  // the most a float's magnitude takes
    switch (doc_.kind(n)) {
        case Kind::Bool:
            if (doc_.boolean(n)) out.limbs.push_back(1);
            return;
        case Kind::Int: {
            const std::uint64_t bits = doc_.int_bits(n);
            out.negative = !doc_.int_is_unsigned(n) && doc_.int_signed(n) < 0;
            if (bits != 0) out.limbs.push_back(out.negative ? ~bits + 1 : bits);
            return;
        }
        case Kind::BigInt: {
            out.negative = doc_.bigint_negative(n);
            const auto [decimal, digits] = doc_.bigint_digits(n);
            if (!decimal) {
                const std::string_view bytes = without_sign_fill(digits, out.negative);
                reserve(out.limbs, bytes.size() / 8 + 1);
                magnitude_of_le(bytes, out.negative, out.limbs);
                return;
            }
            std::string_view d = text_forms::trim(digits);
            if (d.front() == '+' || d.front() == '-') d.remove_prefix(1);
            reserve(out.limbs, std::min(d.size(), max_decimal_digits) / 19 + 2);  // 10^19 per limb at least
            if (!magnitude_of_decimal(d, out.limbs)) out.form = Form::alone;
            return;
        }
        case Kind::Float: {
            const double v = doc_.float_value(n);
            if (std::isnan(v)) {
                out.form = Form::alone;
            } else if (std::isinf(v) || v != std::trunc(v)) {
                out.form = Form::fraction;
                out.bits = std::bit_cast<std::uint64_t>(v);
            } else {
                out.negative = v < 0;
                magnitude_of_float(std::fabs(v), out.limbs);
            }
            return;
        }
        default: out.form = Form::alone;  // never asked: only hashable values become members
    }
}

std::uint64_t SetMembers::hash(NodeId n, const Seen& s) const {
    SaltedHasher h;
    h.add(static_cast<std::uint64_t>(s.form));
    switch (s.form) {
        case Form::integer:
            h.add(s.negative).add(s.limbs.size());
            for (const std::uint64_t limb : s.limbs) h.add(limb);
            break;
        case Form::fraction: h.add(s.bits); break;
        case Form::str:
        case Form::bytes: h.add_bytes(doc_.text(n)); break;
        case Form::tuple:
            h.add(doc_.count(n));
            for (auto c = doc_.items(n); !c.done();) h.add(class_[c.next()]);
            break;
        case Form::frozenset: {
            // In any order: a sum of the members' salted hashes.
            std::uint64_t sum = 0;
            for (auto c = doc_.items(n); !c.done();) sum += SaltedHash{}(class_[c.next()]);
            h.add(doc_.count(n)).add(sum);
            break;
        }
        case Form::none:
        case Form::alone: break;
    }
    return h.finish();
}

bool SetMembers::equal(NodeId a, const Seen& sa, NodeId b) {
    if (doc_.kind(b) == Kind::BigInt) {
        const KeptInteger k = kept_integer(b);
        return sa.form == Form::integer && sa.negative == k.negative && std::ranges::equal(sa.limbs, k.limbs);
    }
    see(b, other_);
    if (sa.form != other_.form) return false;
    switch (sa.form) {
        case Form::integer: return sa.negative == other_.negative && sa.limbs == other_.limbs;
        case Form::fraction: return sa.bits == other_.bits;
        case Form::str:
        case Form::bytes: return doc_.text(a) == doc_.text(b);
        case Form::tuple: return same_items(a, b);
        case Form::frozenset: return same_members(a, b);
        case Form::none: return true;
        case Form::alone: return false;
    }
    return false;
}

bool SetMembers::same_items(NodeId a, NodeId b) const {
    if (doc_.count(a) != doc_.count(b)) return false;
    for (auto i = doc_.items(a), j = doc_.items(b); !i.done();)
        if (class_[i.next()] != class_[j.next()]) return false;
    return true;
}

// A frozenset's members are distinct classes (it was sifted), so two of as many members, each of a's
// among b's, are equal.
bool SetMembers::same_members(NodeId a, NodeId b) {
    if (doc_.count(a) != doc_.count(b)) return false;
    const std::uint32_t mark = fresh_mark();
    for (auto i = doc_.items(b); !i.done();) {
        const NodeId c = class_[i.next()];
        size_at_least(marks_, std::size_t{c} + 1, std::uint32_t{0});
        marks_[c] = mark;
    }
    for (auto i = doc_.items(a); !i.done();)
        if (const NodeId c = class_[i.next()]; c >= marks_.size() || marks_[c] != mark) return false;
    return true;
}

std::size_t SetMembers::bytes() const {
    return (class_.capacity() + pending_.capacity() + kept_.capacity()) * sizeof(NodeId) +
           marks_.capacity() * sizeof(std::uint32_t) + classes_.bytes() + integers_.bytes() + record_at_.bytes() +
           records_.capacity() * sizeof(Record) + record_bytes_ +
           (integer_limbs_.capacity() + held_.capacity() + ever_held_.capacity() + seen_.limbs.capacity() +
            other_.limbs.capacity()) * sizeof(std::uint64_t);
}

template <class T>
void SetMembers::reserve(std::vector<T>& v, std::size_t n) {
    if (n <= v.capacity()) return;
    const std::size_t capacity = std::max(n, 2 * v.capacity());
    claim_(capacity * sizeof(T));
    v.reserve(capacity);
}

template <class T>
void SetMembers::size_at_least(std::vector<T>& v, std::size_t n, T fill) {
    reserve(v, n);
    if (n > v.size()) v.resize(n, fill);
}

void SetMembers::push(std::vector<NodeId>& v, NodeId n) {
    reserve(v, v.size() + 1);
    v.push_back(n);
}

void SetMembers::set_bit(std::vector<std::uint64_t>& bits, std::size_t i) {
    size_at_least(bits, i / 64 + 1, std::uint64_t{0});
    turn_bit(bits, i, true);
}

template <class Table>
void SetMembers::make_room_for_one(const Table& table) {
    if (const std::size_t bytes = table.growth_bytes()) claim_(bytes);
}

}  // namespace quorix::pickle

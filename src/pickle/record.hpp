// Stored records: a type describes its fields once and is both written and read as pickle data.
//
// Record types. A struct T that is stored as a dict of its fields provides, found by
// argument-dependent lookup in T's namespace:
//
//     template <class V> void visit_fields(V& v, Capsule& c) {
//         v.record("Capsule");            // name in messages: "struct Capsule", "struct Capsule with 5 elements"
//         v.field("p1", c.p1);            // every field, in declared order
//         v.field("dir", c.dir);
//         ...
//     }
//
//   written: EMPTY_DICT, MARK, per field its key (BINUNICODE) and value, SETITEMS;
//   read:    from a dict (keys in stored order; unknown keys skipped unread; a repeated key is
//            "duplicate field `{}`"; afterwards the first absent field in declared order is
//            "missing field `{}`", except std::optional fields, which read as empty) or from a
//            sequence of the field values in declared order (too few: "invalid length {}, expected
//            struct Capsule with 5 elements"; more are ignored).
//
// Tuple-like types. A small fixed group of values stored as a tuple (a vector, a plane) provides:
//
//     template <class V> void visit_items(V& v, Vec3& p) {
//         v.tuple("a sequence of 3 f32 values");   // the expected text of its messages
//         v.item(p.x); v.item(p.y); v.item(p.z);
//     }
//
//   written: MARK, the items, TUPLE; read: from any sequence of at least that many items.
//
// Types stored through another form (a sphere set as lists, a tree through its plain data) provide
//     using Stored = ...;                               // a readable type
//     auto stored_view() const;                         // any writable value, e.g. a record of spans
//     static T from_stored(Stored&& stored);            // may throw std::invalid_argument
//
// Field types besides those: bool; float (written as the exactly widened double) and double;
// unsigned integers ("u8", "u16", "u32", "usize" in messages) written as BININT below 2^31, else as
// LONG1 of their width plus a zero byte; signed integers; std::optional<U> (None when empty);
// std::vector<U> and, for writing, std::span<const U> (lists, APPENDS after every 1000 items);
// other growable float buffers (a FloatBuffer: value_type, clear, reserve, push_back) for reading;
// std::array<U, N> ("an array of length N") and std::pair<A, B> ("a tuple of size 2") as tuples.
//
// Both visitors only call v.record/v.field or v.tuple/v.item: the writer never modifies the value.
// A std::invalid_argument thrown while reading (by from_stored) reaches the caller as
// DecodeError "decoding error: {what}". Nothing here allocates per value except the containers
// being filled.
//
// Writing counts the bytes first and then fills one buffer of exactly that size (state_size,
// write_state). Reading runs the same visitors over one of two sources: the StreamReader, straight
// from the bytes for the forms writers make, and, when it gives up, the Document of the whole
// stream with the Reader, which holds every rule and message of the codec (decode_state).
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <functional>
#include <limits>
#include <optional>
#include <ranges>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

#include "pickle/document.hpp"
#include "pickle/errors.hpp"
#include "pickle/pickle.hpp"
#include "pickle/reader.hpp"
#include "pickle/stream_reader.hpp"
#include "pickle/writer.hpp"

namespace quorix::pickle {

namespace detail {

struct ProbeVisitor {
    void record(std::string_view);
    template <class U>
    void field(std::string_view, U&);
    template <class U, class Form>
    void field(std::string_view, U&, Form);
    void tuple(std::string_view);
    template <class U>
    void item(U&);
};

template <class T> struct is_optional : std::false_type {};
template <class U> struct is_optional<std::optional<U>> : std::true_type {};
template <class T> struct is_vector : std::false_type {};
template <class U, class A> struct is_vector<std::vector<U, A>> : std::true_type {};
template <class T> struct is_span : std::false_type {};
template <class U, std::size_t E> struct is_span<std::span<U, E>> : std::true_type {};
template <class T> struct is_array : std::false_type {};
template <class U, std::size_t N> struct is_array<std::array<U, N>> : std::true_type {};
template <class T> struct is_pair : std::false_type {};
template <class A, class B> struct is_pair<std::pair<A, B>> : std::true_type {};

template <class T> inline constexpr bool always_false = false;

template <class T>
std::string_view unsigned_name() {
    if constexpr (sizeof(T) == 1) return "u8";
    else if constexpr (sizeof(T) == 2) return "u16";
    else if constexpr (sizeof(T) == 4) return "u32";
    else return "usize";
}
template <class T>
std::string_view signed_name() {
    if constexpr (sizeof(T) == 1) return "i8";
    else if constexpr (sizeof(T) == 2) return "i16";
    else if constexpr (sizeof(T) == 4) return "i32";
    else return "i64";
}
template <std::size_t N>
std::string_view array_text() {
    static const std::string text = N == 0 ? "an empty array" : "an array of length " + std::to_string(N);
    return text;
}

}  // namespace detail

template <class T>
concept RecordType = requires(detail::ProbeVisitor& v, T& t) { visit_fields(v, t); };
template <class T>
concept TupleType = requires(detail::ProbeVisitor& v, T& t) { visit_items(v, t); };
template <class T>
concept StoredType = requires(const T& t) {
    typename T::Stored;
    t.stored_view();
};
// A growable buffer of floats read from a list of numbers (std::vector<float>, an aligned buffer).
template <class T>
concept FloatBuffer = std::is_floating_point_v<typename T::value_type> &&
                      requires(T& t, typename T::value_type v) {
                          t.clear();
                          t.reserve(std::size_t{});
                          t.push_back(v);
                      };

template <class W, class T>
void write_value(W& w, const T& value);
template <class Src, class T>
void read_value(Src& r, typename Src::Value n, T& out);

// A value stored in another form than its type's own, named by a field as `v.field(name, member,
// Form{})`: a member that is a std::vector has each item stored through Form, any other member
// itself. Form provides `template <class V> static void visit_items(V&, T&)` in the tuple-like
// protocol (a box's half extents kept in a vector type but stored as "an array of length 3", a
// polytope's planes stored as (normal, d) tuples although a plane on its own is a record).
template <class Form, class T>
struct Formed {
    T* target;
};
template <class V, class Form, class T>
void visit_items(V& v, Formed<Form, T>& f) {
    Form::visit_items(v, *f.target);
}
template <class Form, class W, class M>
void write_formed(W& w, const M& member);
template <class Form, class Src, class M>
void read_formed(Src& r, typename Src::Value n, M& member);

// Visitor that writes a record's fields as dict entries.
template <class W>
class RecordWriter {
public:
    explicit RecordWriter(W& w) : w_(w) {}
    void record(std::string_view) {}
    template <class M>
    void field(std::string_view name, const M& member) {
        w_.text(name);
        write_value(w_, member);
    }
    template <class M, class Form>
    void field(std::string_view name, const M& member, Form) {
        w_.text(name);
        write_formed<Form>(w_, member);
    }

private:
    W& w_;
};

// Visitor that writes a tuple-like value's items.
template <class W>
class ItemWriter {
public:
    explicit ItemWriter(W& w) : w_(w) {}
    void tuple(std::string_view) { w_.mark(); }
    template <class U>
    void item(const U& value) { write_value(w_, value); }

private:
    W& w_;
};

// Visitor that gathers where each field goes; the record is then read in stored order.
template <class Src>
class RecordReader {
public:
    static constexpr std::size_t max_fields = 32;

    void record(std::string_view name) { name_ = name; }
    template <class M>
    void field(std::string_view name, M& member) {
        void (*absent)(void*) = nullptr;
        if constexpr (detail::is_optional<M>::value) absent = [](void* p) { static_cast<M*>(p)->reset(); };
        add({name, [](Src& r, typename Src::Value n, void* p) { read_value(r, n, *static_cast<M*>(p)); }, absent,
             &member});
    }
    template <class M, class Form>
    void field(std::string_view name, M& member, Form) {
        add({name, [](Src& r, typename Src::Value n, void* p) { read_formed<Form>(r, n, *static_cast<M*>(p)); },
             nullptr, &member});
    }
    void read(Src& r, typename Src::Value n) const { r.read_record(n, name_, std::span(slots_.data(), count_)); }

private:
    void add(const FieldSlot<Src>& slot) {
        if (count_ == max_fields) throw std::length_error("record has too many fields");
        slots_[count_++] = slot;
    }

    std::string_view name_;
    std::array<FieldSlot<Src>, max_fields> slots_{};
    std::size_t count_ = 0;
};

// Visitor that reads a tuple-like value's items, in order.
template <class Src>
class ItemReader {
public:
    ItemReader(Src& r, typename Src::Value n) : r_(r), node_(n) {}
    void tuple(std::string_view expected) {
        expected_ = expected;
        cursor_.emplace(r_.tuple_items(node_, expected));
    }
    template <class U>
    void item(U& value) {
        if (cursor_->done()) Reader::invalid_length(index_, expected_);
        read_value(r_, cursor_->next(), value);
        ++index_;
    }
    void finish() { r_.finish_items(*cursor_); }

private:
    using Cursor = decltype(std::declval<Src&>().tuple_items(std::declval<typename Src::Value>(), {}));
    Src& r_;
    typename Src::Value node_;
    std::optional<Cursor> cursor_;
    std::string_view expected_;
    std::size_t index_ = 0;
};

// The items as a list; `as` gives what is written for each (the item itself by default).
template <class W, class Range, class As = std::identity>
void write_list(W& w, const Range& items, As as = {}) {
    w.empty_list();
    if (std::empty(items)) return;
    w.mark();
    using Item = std::ranges::range_value_t<Range>;
    if constexpr (std::is_floating_point_v<Item> && std::ranges::contiguous_range<Range> &&
                  std::is_same_v<As, std::identity>) {
        // Floats go in batches of BINFLOATs.
        const std::span<const Item> all(std::ranges::data(items), std::ranges::size(items));
        std::size_t i = 0;
        for (; all.size() - i >= 1000; i += 1000) {
            w.floats(all.subspan(i, 1000));
            w.appends();
            w.mark();
        }
        w.floats(all.subspan(i));
    } else {
        std::size_t k = 0;
        for (const auto& item : items) {
            write_value(w, as(item));
            if (++k % 1000 == 0) {
                w.appends();
                w.mark();
            }
        }
    }
    w.appends();
}

template <class W, class T>
void write_value(W& w, const T& value) {
    if constexpr (std::is_same_v<T, bool>) {
        w.boolean(value);
    } else if constexpr (std::is_floating_point_v<T>) {
        w.float64(static_cast<double>(value));
    } else if constexpr (std::is_integral_v<T> && std::is_unsigned_v<T>) {
        w.unsigned_int(value, sizeof(T));
    } else if constexpr (std::is_integral_v<T>) {
        w.signed_int(value);
    } else if constexpr (detail::is_optional<T>::value) {
        if (value)
            write_value(w, *value);
        else
            w.none();
    } else if constexpr (detail::is_vector<T>::value || detail::is_span<T>::value) {
        write_list(w, value);
    } else if constexpr (FloatBuffer<T>) {
        write_list(w, std::span<const typename T::value_type>(value.data(), value.size()));
    } else if constexpr (detail::is_array<T>::value) {
        w.mark();
        for (const auto& item : value) write_value(w, item);
        w.tuple();
    } else if constexpr (detail::is_pair<T>::value) {
        w.mark();
        write_value(w, value.first);
        write_value(w, value.second);
        w.tuple();
    } else if constexpr (StoredType<T>) {
        write_value(w, value.stored_view());
    } else if constexpr (RecordType<T>) {
        w.empty_dict();
        w.mark();
        RecordWriter v(w);
        visit_fields(v, const_cast<T&>(value));
        w.setitems();
    } else if constexpr (TupleType<T>) {
        ItemWriter v(w);
        visit_items(v, const_cast<T&>(value));
        w.tuple();
    } else {
        static_assert(detail::always_false<T>, "type has no stored form");
    }
}

template <class Src, class T>
void read_value(Src& r, typename Src::Value n, T& out) {
    if constexpr (std::is_same_v<T, bool>) {
        out = r.read_bool(n);
    } else if constexpr (std::is_same_v<T, float>) {
        out = r.read_f32(n);
    } else if constexpr (std::is_same_v<T, double>) {
        out = r.read_f64(n);
    } else if constexpr (std::is_integral_v<T> && std::is_unsigned_v<T>) {
        out = static_cast<T>(r.read_unsigned(n, std::numeric_limits<T>::max(), detail::unsigned_name<T>()));
    } else if constexpr (std::is_integral_v<T>) {
        out = static_cast<T>(
            r.read_signed(n, std::numeric_limits<T>::min(), std::numeric_limits<T>::max(), detail::signed_name<T>()));
    } else if constexpr (detail::is_optional<T>::value) {
        if (r.is_none(n)) {
            out.reset();
        } else {
            out.emplace();
            read_value(r, n, *out);
        }
    } else if constexpr (FloatBuffer<T>) {
        r.read_floats(n, out);
    } else if constexpr (detail::is_vector<T>::value) {
        auto c = r.sequence(n, "a sequence");
        out.clear();
        out.reserve(std::min<std::size_t>(c.left(), 4096));  // a bad first item fails before much is reserved
        while (!c.done()) read_value(r, c.next(), out.emplace_back());
    } else if constexpr (detail::is_array<T>::value) {
        const std::string_view expected = detail::array_text<std::tuple_size_v<T>>();
        auto c = r.tuple_items(n, expected);
        for (std::size_t i = 0; i < out.size(); ++i) {
            if (c.done()) Reader::invalid_length(i, expected);
            read_value(r, c.next(), out[i]);
        }
        r.finish_items(c);
    } else if constexpr (detail::is_pair<T>::value) {
        auto c = r.tuple_items(n, "a tuple of size 2");
        if (c.done()) Reader::invalid_length(0, "a tuple of size 2");
        read_value(r, c.next(), out.first);
        if (c.done()) Reader::invalid_length(1, "a tuple of size 2");
        read_value(r, c.next(), out.second);
        r.finish_items(c);
    } else if constexpr (StoredType<T>) {
        typename T::Stored stored{};
        read_value(r, n, stored);
        out = T::from_stored(std::move(stored));
    } else if constexpr (RecordType<T>) {
        RecordReader<Src> v;
        visit_fields(v, out);
        v.read(r, n);
    } else if constexpr (TupleType<T>) {
        ItemReader<Src> v(r, n);
        visit_items(v, out);
        v.finish();
    } else {
        static_assert(detail::always_false<T>, "type has no stored form");
    }
}

template <class Form, class W, class M>
void write_formed(W& w, const M& member) {
    if constexpr (detail::is_vector<M>::value) {
        using T = typename M::value_type;
        write_list(w, member, [](const T& t) { return Formed<Form, T>{const_cast<T*>(&t)}; });
    } else {
        write_value(w, Formed<Form, M>{const_cast<M*>(&member)});
    }
}

template <class Form, class Src, class M>
void read_formed(Src& r, typename Src::Value n, M& member) {
    if constexpr (detail::is_vector<M>::value) {
        auto c = r.sequence(n, "a sequence");
        member.clear();
        member.reserve(std::min<std::size_t>(c.left(), 4096));
        while (!c.done()) {
            Formed<Form, typename M::value_type> item{&member.emplace_back()};
            read_value(r, c.next(), item);
        }
    } else {
        Formed<Form, M> f{&member};
        read_value(r, n, f);
    }
}

// Appends the value's pickle form without PROTO and STOP (an element of a larger stream).
template <class T>
void append_value(std::vector<std::uint8_t>& out, const T& value) {
    Writer w(out);
    write_value(w, value);
}

namespace detail {
template <class W, class T>
void write_stream(W& w, const T& value) {
    w.proto3();
    write_value(w, value);
    w.stop();
}
}  // namespace detail

// The byte length of the value's complete protocol 3 stream.
template <class T>
std::size_t state_size(const T& value) {
    BasicWriter<CountingSink> w;
    detail::write_stream(w, value);
    return w.sink().size();
}

// Writes the complete stream (PROTO 3, the value, STOP) into `out`, which holds exactly
// state_size(value) bytes. Throws std::logic_error if the sizes disagree.
template <class T>
void write_state(const T& value, std::span<std::uint8_t> out) {
    BasicWriter<BufferSink> w(out);
    detail::write_stream(w, value);
    if (w.sink().used() != out.size()) throw std::logic_error("pickle writer wrote less than its counted size");
}

template <class T>
std::vector<std::uint8_t> encode_state(const T& value) {
    std::vector<std::uint8_t> out(state_size(value));
    write_state(value, out);
    return out;
}

// Reads one complete stream into `out` through the Document alone. Throws DecodeError with the
// codec's message.
template <class T>
void decode_state_through_document(std::span<const std::uint8_t> bytes, T& out) {
    const Document doc(bytes);
    Reader r(doc);
    try {
        read_value(r, doc.root(), out);
    } catch (const std::invalid_argument& e) {
        decoding_error(e.what());
    }
    doc.check_trailing();
}

// Reads one complete stream into `out` straight from the bytes. Throws NotDirect when the
// StreamReader gives up, and whatever the type throws when it refuses the value it read.
template <class T>
void read_direct(std::span<const std::uint8_t> bytes, T& out) {
    StreamReader r(bytes);
    r.begin();
    read_value(r, StreamReader::Here{}, out);
    r.finish();
}

// As read_direct, but false when the StreamReader gives up, or when the value it read is refused
// by its type (or memory runs out): `out` then holds anything, and the Document path decides.
template <class T>
bool read_directly(std::span<const std::uint8_t> bytes, T& out) {
    try {
        read_direct(bytes, out);
        return true;
    } catch (const NotDirect&) {
    } catch (const std::exception&) {
    }
    return false;
}

// Reads one complete stream into `out`: straight from the bytes when the StreamReader follows
// them, otherwise through the Document, which gives the same value or the codec's message. A stream
// too large for the Document is read straight from the bytes alone: a value its type refuses is
// "decoding error: {what}", a failed allocation is std::bad_alloc, and a form the StreamReader does
// not follow is the Document's "pickle too large". Throws DecodeError.
template <class T>
void decode_state(std::span<const std::uint8_t> bytes, T& out) {
    if (bytes.size() < document_size_limit) {
        if (!read_directly(bytes, out)) decode_state_through_document(bytes, out);
        return;
    }
    try {
        read_direct(bytes, out);
    } catch (const NotDirect&) {
        decode_state_through_document(bytes, out);
    } catch (const std::invalid_argument& e) {
        decoding_error(e.what());
    }
}

template <class T>
T decode_state(std::span<const std::uint8_t> bytes) {
    T value{};
    decode_state(bytes, value);
    return value;
}

}  // namespace quorix::pickle

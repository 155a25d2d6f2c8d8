// Stream decoder: runs the pickle machine over the opcodes that build plain data. Anything that
// would run Python code (object construction, persistent ids, extension registry) is refused;
// the few builtin constructors Python itself uses for bytes and sets are interpreted here.
#include "pickle/document.hpp"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <string>

#include "pickle/binary_forms.hpp"
#include "pickle/errors.hpp"
#include "pickle/pickle.hpp"
#include "pickle/salted_hash.hpp"
#include "pickle/set_members.hpp"
#include "pickle/text_forms.hpp"

namespace quorix::pickle {

namespace {

// Containers nested deeper than this are refused; no plain-data pickle of this system comes near.
constexpr std::size_t max_depth = 1000;
// Memo references let a short stream feed one large value to a builtin constructor many times.
// Every container item and constructed byte the decoder stores is charged against this many
// units per input byte (plus a fixed allowance), so memory and time stay linear in the input;
// streams Python writes stay below two units per byte.
constexpr std::size_t budget_per_byte = 8;
constexpr std::size_t budget_base = std::size_t{1} << 20;
// The set bookkeeping (set_members.hpp) can outgrow the items it sifts, so it grows only within an
// allowance of its own: this many bytes per input byte plus a fixed part. The rest of the decoder
// is held to the unit budget alone, so that a set never refuses a stream for memory it does not take.
constexpr std::size_t set_memory_per_byte = 32;
constexpr std::size_t set_memory_base = std::size_t{8} << 20;
constexpr std::string_view over_budget = "shared references expand beyond the size limit";
constexpr NodeId no_node = 0xFFFFFFFFu;
// The dense memo table holds at most its entries plus this many slots.
constexpr std::uint64_t max_memo_gap = 1024;

enum GlobalFn : std::uint64_t { fn_set = 1, fn_frozenset, fn_bytearray, fn_bytes, fn_encode };

bool is_sequence_kind(Kind k) {
    return k == Kind::List || k == Kind::Tuple || k == Kind::Set || k == Kind::FrozenSet;
}

bool is_container_kind(Kind k) { return is_sequence_kind(k) || k == Kind::Dict; }

// How Rust's Debug form shows an opcode byte as a char.
std::string opcode_text(std::uint8_t op) {
    if (op >= 0x20 && op < 0x7F) {
        if (op == '\'' || op == '\\') return std::string("'\\") + static_cast<char>(op) + "'";
        return std::string("'") + static_cast<char>(op) + "'";
    }
    char buf[16];
    auto r = std::to_chars(buf, buf + sizeof buf, op, 16);
    return "'\\u{" + std::string(buf, r.ptr) + "}'";
}

}  // namespace

NodeId Document::add(Node n) {
    nodes_.push_back(n);
    return static_cast<NodeId>(nodes_.size() - 1);
}

void Document::append_items(NodeId container, std::span<const NodeId> items) {
    if (items.empty()) return;
    const auto start = static_cast<std::uint32_t>(items_.size());
    Node& n = nodes_[container];
    if (n.count > 0 && segments_[n.last].start + segments_[n.last].len == start) {
        segments_[n.last].len += static_cast<std::uint32_t>(items.size());
    } else {
        const auto seg = static_cast<std::uint32_t>(segments_.size());
        segments_.push_back({start, static_cast<std::uint32_t>(items.size()), no_segment});
        if (n.count == 0)
            n.first = seg;
        else
            segments_[n.last].next = seg;
        n.last = seg;
    }
    items_.insert(items_.end(), items.begin(), items.end());
    n.count += static_cast<std::uint32_t>(items.size());
}

double Document::float_value(NodeId n) const { return std::bit_cast<double>(nodes_[n].u); }

std::string_view Document::text(NodeId n) const {
    const Node& node = nodes_[n];
    const char* base = node.flag ? pool_.data() : reinterpret_cast<const char*>(input_.data());
    return {base + node.first, node.last};
}

Document::BigIntDigits Document::bigint_digits(NodeId n) const {
    const Node& node = nodes_[n];
    return {node.u != 0, {reinterpret_cast<const char*>(input_.data()) + node.first, node.last}};
}

Document::Cursor Document::items(NodeId container) const {
    Cursor c;
    c.doc_ = this;
    c.seg_ = nodes_[container].first;
    c.left_ = nodes_[container].count;
    return c;
}

void Document::check_trailing() const {
    if (end_ < input_.size()) eval_error(end_, "trailing bytes found");
}

struct Parser {
    Parser(Document& doc, std::span<const std::uint8_t> bytes)
        : d(doc), in(bytes), budget(budget_base + budget_per_byte * bytes.size()),
          set_memory_limit(set_memory_base + set_memory_per_byte * bytes.size()),
          set_members(doc, [this](std::size_t bytes) { claim_set_memory(bytes); }) {}

    Document& d;
    std::span<const std::uint8_t> in;
    std::size_t pos = 0;
    std::size_t op = 0;  // offset of the opcode being run: the offset of its errors
    std::vector<NodeId> stack;
    std::vector<std::size_t> marks;
    std::vector<NodeId> memo_dense;
    SaltedMap<NodeId> memo_sparse;
    std::size_t memo_count = 0;  // MEMOIZE numbers entries by how many there are
    std::size_t budget;          // units left for stored items and constructed bytes
    std::size_t set_memory_limit;
    std::vector<NodeId> copied;  // the items a builtin constructor copies from a sequence
    SetMembers set_members;

    using Node = Document::Node;

    [[noreturn]] void fail(std::string_view message) const { eval_error(op, message); }
    [[noreturn]] void eof() const { eval_error(in.size(), "EOF while parsing"); }

    const std::uint8_t* take(std::size_t n) {
        if (in.size() - pos < n) eof();
        const std::uint8_t* p = in.data() + pos;
        pos += n;
        return p;
    }
    std::uint64_t le(std::size_t n) { return load_le(take(n), n); }
    std::string_view line() {
        const auto* begin = in.data() + pos;
        const auto* nl = static_cast<const std::uint8_t*>(std::memchr(begin, '\n', in.size() - pos));
        if (!nl) eof();
        pos = static_cast<std::size_t>(nl - in.data()) + 1;
        return {reinterpret_cast<const char*>(begin), static_cast<std::size_t>(nl - begin)};
    }
    // A length prefix must fit in the bytes that are left before anything is allocated for it.
    std::size_t checked_length(std::uint64_t len) {
        if (len > in.size() - pos) eof();
        return static_cast<std::size_t>(len);
    }

    void spend(std::size_t units) {
        if (units > budget) fail(over_budget);
        budget -= units;
    }
    // Refuses `bytes` more of set bookkeeping when they would take it past set_memory_limit.
    void claim_set_memory(std::size_t bytes) const {
        if (set_members.bytes() + bytes > set_memory_limit) fail(over_budget);
    }
    void append(NodeId container, std::span<const NodeId> items) {
        spend(items.size());
        d.append_items(container, items);
    }

    std::size_t fence() const { return marks.empty() ? 0 : marks.back(); }
    void push(NodeId n) { stack.push_back(n); }
    NodeId pop() {
        if (stack.size() <= fence()) fail("pickle stack underflow");
        const NodeId n = stack.back();
        stack.pop_back();
        return n;
    }
    NodeId top() const {
        if (stack.size() <= fence()) fail("pickle stack underflow");
        return stack.back();
    }
    // Closes the innermost mark; the items above it are stack[result, size).
    std::size_t pop_mark() {
        if (marks.empty()) fail("pickle stack underflow");
        const std::size_t m = marks.back();
        marks.pop_back();
        return m;
    }
    // The object that APPENDS, SETITEMS and ADDITEMS extend: just below the mark they close.
    NodeId target_below(std::size_t mark, Kind want, const char* want_text) const {
        if (mark == 0 || mark - 1 < fence()) fail("pickle stack underflow");
        const NodeId t = stack[mark - 1];
        if (d.nodes_[t].kind != want)
            fail(std::string("invalid stack top, expected ") + want_text + ", got " + kind_name(t));
        return t;
    }
    std::string kind_name(NodeId n) const {
        switch (d.nodes_[n].kind) {
            case Kind::None: return "None";
            case Kind::Bool: return "bool";
            case Kind::Int:
            case Kind::BigInt: return "int";
            case Kind::Float: return "float";
            case Kind::Str: return "string";
            case Kind::Bytes: return "bytes";
            case Kind::List: return "list";
            case Kind::Tuple: return "tuple";
            case Kind::Set: return "set";
            case Kind::FrozenSet: return "frozenset";
            case Kind::Dict: return "dict";
            case Kind::Global: return "global";
        }
        return "value";
    }

    NodeId scalar(Kind k, std::uint64_t u, bool flag = false) {
        Node n{};
        n.kind = k;
        n.u = u;
        n.flag = flag;
        return d.add(n);
    }
    NodeId int_value(std::int64_t v) { return scalar(Kind::Int, static_cast<std::uint64_t>(v)); }
    NodeId text_in_input(Kind k, std::size_t offset, std::size_t len) {
        Node n{};
        n.kind = k;
        n.first = static_cast<std::uint32_t>(offset);
        n.last = static_cast<std::uint32_t>(len);
        return d.add(n);
    }
    NodeId text_in_pool(Kind k, std::size_t offset) {
        Node n{};
        n.kind = k;
        n.flag = true;
        n.first = static_cast<std::uint32_t>(offset);
        n.last = static_cast<std::uint32_t>(d.pool_.size() - offset);
        return d.add(n);
    }
    NodeId container(Kind k, std::span<const NodeId> items = {}) {
        Node n{};
        n.kind = k;
        n.hashable = k == Kind::Tuple || k == Kind::FrozenSet;
        const NodeId id = d.add(n);
        if (k == Kind::Tuple)
            for (NodeId item : items) d.nodes_[id].hashable = d.nodes_[id].hashable && d.nodes_[item].hashable;
        if (k == Kind::Set || k == Kind::FrozenSet) {
            require_hashable(items, 0, 1);
            items = set_members.new_members(items);
        }
        append(id, items);
        return id;
    }
    void require_hashable(std::span<const NodeId> items, std::size_t first, std::size_t step) const {
        for (std::size_t i = first; i < items.size(); i += step)
            if (!d.nodes_[items[i]].hashable) fail("dict key or set item not hashable");
    }
    void extend_dict(NodeId dict, std::span<const NodeId> items) {
        if (items.size() % 2 != 0) fail("odd number of items for a dict");
        require_hashable(items, 0, 2);
        append(dict, items);
    }
    std::span<const NodeId> above(std::size_t mark) const { return {stack.data() + mark, stack.size() - mark}; }

    // Integers.
    NodeId int_from_le(const std::uint8_t* p, std::size_t n) {
        const LeInt v = decode_le_int(p, n);
        if (v.big) return big_int(v.negative, false, p, n);
        return scalar(Kind::Int, v.bits, v.above_signed);
    }
    NodeId int_from_text(std::string_view s, std::string_view original) {
        const text_forms::TextInt v = text_forms::parse_int(s);
        if (!v.valid) fail("literal is invalid: " + std::string(original));
        if (v.big) return big_int(v.negative, true, reinterpret_cast<const std::uint8_t*>(s.data()), s.size());
        return scalar(Kind::Int, v.bits, v.above_signed);
    }
    // Its digits stay in the input, for comparing set members.
    NodeId big_int(bool negative, bool decimal, const std::uint8_t* digits, std::size_t len) {
        const NodeId n = scalar(Kind::BigInt, decimal ? 1 : 0, negative);
        d.nodes_[n].first = static_cast<std::uint32_t>(digits - in.data());
        d.nodes_[n].last = static_cast<std::uint32_t>(len);
        return n;
    }
    NodeId float_from_text(std::string_view s) {
        double v = 0;
        if (!text_forms::parse_float(s, v)) fail("literal is invalid: " + std::string(s));
        return scalar(Kind::Float, std::bit_cast<std::uint64_t>(v));
    }

    // Text opcodes of protocol 0.
    NodeId quoted_string(std::string_view s) {
        const std::size_t start = d.pool_.size();
        if (const char* error = text_forms::decode_quoted(s, d.pool_)) fail(error);
        return text_in_pool(Kind::Bytes, start);
    }
    NodeId raw_unicode(std::string_view s) {
        const std::size_t start = d.pool_.size();
        if (const char* error = text_forms::decode_raw_unicode(s, d.pool_)) fail(error);
        return text_in_pool(Kind::Str, start);
    }
    NodeId utf8_text(std::size_t len) {
        const std::size_t offset = pos;
        const auto* p = take(len);
        if (!text_forms::valid_utf8({reinterpret_cast<const char*>(p), len})) fail("string is not UTF-8 encoded");
        return text_in_input(Kind::Str, offset, len);
    }
    NodeId bytes_text(std::size_t len) {
        const std::size_t offset = pos;
        take(len);
        return text_in_input(Kind::Bytes, offset, len);
    }

    // Memo. Python's writers number entries 0, 1, 2, ...: those fill a dense table. The table grows
    // to at most max_memo_gap slots past the number of entries, so that no mix of indices makes a
    // few bytes claim many empty slots; other indices go to a map whose hash the stream cannot aim
    // at. A dense slot takes over an index that the map held before the table grew past it.
    void memo_put(std::uint64_t index) {
        const NodeId value = top();
        const bool dense = index < memo_dense.size() || index < memo_count + max_memo_gap;
        if (!dense) {
            if (memo_sparse.insert_or_assign(index, value).second) ++memo_count;
            return;
        }
        if (index >= memo_dense.size()) memo_dense.resize(index + 1, no_node);
        if (memo_dense[index] == no_node && (memo_sparse.empty() || memo_sparse.erase(index) == 0)) ++memo_count;
        memo_dense[index] = value;
    }
    void memo_get(std::uint64_t index) {
        NodeId value = index < memo_dense.size() ? memo_dense[index] : no_node;
        if (value == no_node)
            if (auto it = memo_sparse.find(index); it != memo_sparse.end()) value = it->second;
        if (value == no_node) fail("missing memo with id " + std::to_string(index));
        push(value);
    }
    std::uint64_t memo_index_line() {
        const std::string_view s = line();
        std::uint64_t v = 0;
        const auto t = text_forms::trim(s);
        const auto r = std::from_chars(t.data(), t.data() + t.size(), v);
        if (t.empty() || r.ec != std::errc{} || r.ptr != t.data() + t.size())
            fail("literal is invalid: " + std::string(s));
        return v;
    }

    // The builtin constructors Python's writers use for bytes, bytearray and sets.
    NodeId global(std::string_view module, std::string_view name) {
        const bool builtins = module == "builtins" || module == "__builtin__";
        std::uint64_t fn = 0;
        if (builtins && name == "set") fn = fn_set;
        else if (builtins && name == "frozenset") fn = fn_frozenset;
        else if (builtins && name == "bytearray") fn = fn_bytearray;
        else if (builtins && name == "bytes") fn = fn_bytes;
        else if (module == "_codecs" && name == "encode") fn = fn_encode;
        if (fn == 0) fail("unsupported global: " + std::string(module) + "." + std::string(name));
        Node n{};
        n.kind = Kind::Global;
        n.hashable = false;
        n.u = fn;
        return d.add(n);
    }
    NodeId reduce(NodeId callable, NodeId args) {
        if (d.nodes_[callable].kind != Kind::Global) fail("unsupported opcode 'R'");
        if (d.nodes_[args].kind != Kind::Tuple) fail("invalid stack top, expected tuple, got " + kind_name(args));
        // Every constructor takes at most two arguments; a longer tuple is refused below.
        NodeId a_items[2] = {no_node, no_node};
        std::span<const NodeId> a(a_items, std::min<std::size_t>(d.count(args), 3));
        if (a.size() > 2) fail("unsupported arguments to a builtin constructor");
        auto c = d.items(args);
        for (NodeId& item : a_items) item = c.done() ? no_node : c.next();
        switch (d.nodes_[callable].u) {
            case fn_set:
            case fn_frozenset: {
                const Kind k = d.nodes_[callable].u == fn_set ? Kind::Set : Kind::FrozenSet;
                if (a.empty()) return container(k);
                if (a.size() == 1 && is_sequence_kind(d.nodes_[a[0]].kind)) {
                    spend(d.count(a[0]));  // the copy below; container() charges what it keeps
                    copied.clear();
                    for (auto i = d.items(a[0]); !i.done();) copied.push_back(i.next());
                    return container(k, copied);
                }
                break;
            }
            case fn_bytearray:
            case fn_bytes:
                if (a.empty()) return text_in_pool(Kind::Bytes, d.pool_.size());
                if (a.size() == 1 && d.nodes_[a[0]].kind == Kind::Bytes) {
                    Node copy = d.nodes_[a[0]];
                    copy.u = d.text_origin(a[0]) + std::uint64_t{1};
                    return d.add(copy);
                }
                break;
            case fn_encode:
                if (a.size() == 2 && d.nodes_[a[0]].kind == Kind::Str && d.nodes_[a[1]].kind == Kind::Str) {
                    const std::string_view enc = d.text(a[1]);
                    if (enc == "latin1" || enc == "latin-1") return latin1(d.text(a[0]));
                }
                break;
        }
        fail("unsupported arguments to a builtin constructor");
    }
    NodeId latin1(std::string_view utf8) {
        // The text may itself live in the pool: encode aside, then append.
        spend(utf8.size());  // at least one byte of text per encoded byte
        std::vector<char> bytes;
        if (const char* error = text_forms::encode_latin1(utf8, bytes)) fail(error);
        const std::size_t start = d.pool_.size();
        d.pool_.insert(d.pool_.end(), bytes.begin(), bytes.end());
        return text_in_pool(Kind::Bytes, start);
    }

    // Up to STOP; `op` is then its offset.
    void run();
    static void check_tree(const Document& d, std::size_t stop_offset);
};

void Parser::run() {
    for (;;) {
        op = pos;
        const std::uint8_t code = *take(1);
        switch (code) {
            case 0x80: {  // PROTO
                const std::uint8_t proto = *take(1);
                if (proto > 5) fail("unsupported pickle protocol: " + std::to_string(proto));
                break;
            }
            case 0x95:  // FRAME: a length hint only; it must not claim more than is left
                checked_length(le(8));
                break;
            case '.': {  // STOP
                const NodeId root = pop();
                d.root_ = root;
                d.end_ = pos;
                return;
            }
            case '(':  // MARK
                if (marks.size() >= max_depth) fail("nesting too deep");
                marks.push_back(stack.size());
                break;
            case '0':  // POP: a value, or the mark when nothing lies above it
                if (stack.size() > fence())
                    stack.pop_back();
                else if (!marks.empty())
                    marks.pop_back();
                else
                    fail("pickle stack underflow");
                break;
            case '1':  // POP_MARK
                stack.resize(pop_mark());
                break;
            case '2':  // DUP
                push(top());
                break;

            case 'N': push(scalar(Kind::None, 0)); break;
            case 0x88: push(scalar(Kind::Bool, 1)); break;
            case 0x89: push(scalar(Kind::Bool, 0)); break;
            case 'J': push(int_value(static_cast<std::int32_t>(le(4)))); break;
            case 'K': push(int_value(static_cast<std::int64_t>(le(1)))); break;
            case 'M': push(int_value(static_cast<std::int64_t>(le(2)))); break;
            case 'I': {
                const std::string_view s = line();
                if (s == "00") push(scalar(Kind::Bool, 0));
                else if (s == "01") push(scalar(Kind::Bool, 1));
                else push(int_from_text(s, s));
                break;
            }
            case 'L': {
                const std::string_view s = line();
                std::string_view digits = s;
                if (!digits.empty() && digits.back() == 'L') digits.remove_suffix(1);
                push(int_from_text(digits, s));
                break;
            }
            case 0x8a: {  // LONG1
                const std::size_t n = *take(1);
                push(int_from_le(take(n), n));
                break;
            }
            case 0x8b: {  // LONG4
                const auto n = static_cast<std::int32_t>(le(4));
                if (n < 0) fail("negative length prefix");
                const std::size_t len = checked_length(static_cast<std::uint64_t>(n));
                push(int_from_le(take(len), len));
                break;
            }
            case 'G': push(scalar(Kind::Float, std::bit_cast<std::uint64_t>(load_be64(take(8))))); break;
            case 'F': push(float_from_text(line())); break;

            case 'S': push(quoted_string(line())); break;
            case 'T': {  // BINSTRING
                const auto n = static_cast<std::int32_t>(le(4));
                if (n < 0) fail("negative length prefix");
                push(bytes_text(checked_length(static_cast<std::uint64_t>(n))));
                break;
            }
            case 'U': push(bytes_text(checked_length(le(1)))); break;
            case 'B': push(bytes_text(checked_length(le(4)))); break;
            case 'C': push(bytes_text(checked_length(le(1)))); break;
            case 0x8e: push(bytes_text(checked_length(le(8)))); break;
            case 0x96: push(bytes_text(checked_length(le(8)))); break;  // BYTEARRAY8
            case 'V': push(raw_unicode(line())); break;
            case 'X': push(utf8_text(checked_length(le(4)))); break;
            case 0x8c: push(utf8_text(checked_length(le(1)))); break;
            case 0x8d: push(utf8_text(checked_length(le(8)))); break;

            case ')': push(container(Kind::Tuple)); break;
            case ']': push(container(Kind::List)); break;
            case '}': push(container(Kind::Dict)); break;
            case 0x8f: push(container(Kind::Set)); break;
            case 0x85:
            case 0x86:
            case 0x87: {  // TUPLE1..3
                const std::size_t n = code - 0x84u;
                if (stack.size() < fence() + n) fail("pickle stack underflow");
                const NodeId t = container(Kind::Tuple, above(stack.size() - n));
                stack.resize(stack.size() - n);
                push(t);
                break;
            }
            case 't':
            case 'l':
            case 0x91: {  // TUPLE, LIST, FROZENSET
                const std::size_t m = pop_mark();
                const Kind k = code == 't' ? Kind::Tuple : code == 'l' ? Kind::List : Kind::FrozenSet;
                const NodeId c = container(k, above(m));
                stack.resize(m);
                push(c);
                break;
            }
            case 'd': {  // DICT
                const std::size_t m = pop_mark();
                const NodeId c = container(Kind::Dict);
                extend_dict(c, above(m));
                stack.resize(m);
                push(c);
                break;
            }
            case 'a': {  // APPEND
                const NodeId v = pop();
                const NodeId list = top();
                if (d.nodes_[list].kind != Kind::List) fail("invalid stack top, expected list, got " + kind_name(list));
                append(list, std::span<const NodeId>(&v, 1));
                break;
            }
            case 'e': {  // APPENDS
                const std::size_t m = pop_mark();
                append(target_below(m, Kind::List, "list"), above(m));
                stack.resize(m);
                break;
            }
            case 's': {  // SETITEM
                const NodeId value = pop();
                const NodeId key = pop();
                const NodeId dict = top();
                if (d.nodes_[dict].kind != Kind::Dict) fail("invalid stack top, expected dict, got " + kind_name(dict));
                const NodeId pair[2] = {key, value};
                extend_dict(dict, pair);
                break;
            }
            case 'u': {  // SETITEMS
                const std::size_t m = pop_mark();
                extend_dict(target_below(m, Kind::Dict, "dict"), above(m));
                stack.resize(m);
                break;
            }
            case 0x90: {  // ADDITEMS
                const std::size_t m = pop_mark();
                const NodeId set = target_below(m, Kind::Set, "set");
                require_hashable(above(m), 0, 1);
                append(set, set_members.added_members(set, above(m)));
                stack.resize(m);
                break;
            }

            case 'p': memo_put(memo_index_line()); break;
            case 'q': memo_put(le(1)); break;
            case 'r': memo_put(le(4)); break;
            case 0x94: memo_put(memo_count); break;  // MEMOIZE
            case 'g': memo_get(memo_index_line()); break;
            case 'h': memo_get(le(1)); break;
            case 'j': memo_get(le(4)); break;

            case 'c': {  // GLOBAL
                const std::string_view module = line();
                const std::string_view name = line();
                push(global(module, name));
                break;
            }
            case 0x93: {  // STACK_GLOBAL
                const NodeId name = pop();
                const NodeId module = pop();
                if (d.nodes_[name].kind != Kind::Str || d.nodes_[module].kind != Kind::Str)
                    fail("invalid stack top, expected string, got " +
                         kind_name(d.nodes_[module].kind != Kind::Str ? module : name));
                push(global(d.text(module), d.text(name)));
                break;
            }
            case 'R': {  // REDUCE, for the whitelisted builtins only
                const NodeId args = pop();
                const NodeId callable = pop();
                push(reduce(callable, args));
                break;
            }

            default:  // object construction, persistent ids, extensions, out-of-band buffers, unknown
                fail("unsupported opcode " + opcode_text(code));
        }
    }
}

// The decoded value must be a finite tree of plain data: no cycle through a container, no
// builtin constructor left unapplied, no deeper nesting than the limit.
void Parser::check_tree(const Document& d, std::size_t stop_offset) {
    std::vector<std::uint8_t> state(d.nodes_.size(), 0);  // 0 unseen, 1 open, 2 done
    struct Frame {
        NodeId node;
        Document::Cursor cursor;
    };
    std::vector<Frame> path;
    auto enter = [&](NodeId n) {
        const Kind k = d.nodes_[n].kind;
        if (k == Kind::Global) eval_error(stop_offset, "unresolved global reference");
        if (!is_container_kind(k)) {
            state[n] = 2;
            return;
        }
        if (path.size() >= max_depth) eval_error(stop_offset, "nesting too deep");
        state[n] = 1;
        path.push_back({n, d.items(n)});
    };
    enter(d.root_);
    while (!path.empty()) {
        Frame& f = path.back();
        if (f.cursor.done()) {
            state[f.node] = 2;
            path.pop_back();
            continue;
        }
        const NodeId child = f.cursor.next();
        if (state[child] == 1) eval_error(stop_offset, "recursive structure found");
        if (state[child] == 0) enter(child);
    }
}

Document::Document(std::span<const std::uint8_t> bytes) : input_(bytes) {
    if (bytes.size() >= document_size_limit) eval_error(0, "pickle too large");
    nodes_.reserve(16);
    std::size_t stop_offset = 0;
    {
        Parser p(*this, bytes);
        p.run();
        stop_offset = p.op;
    }
    // The parser's stack, memo and set bookkeeping are gone before the walk takes its own memory.
    Parser::check_tree(*this, stop_offset);
}

}  // namespace quorix::pickle

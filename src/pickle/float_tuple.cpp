// The fixed float-tuple state: written directly, read through a fast path for exactly that form
// and through the general decoder for everything else.
#include "pickle/binary_forms.hpp"
#include "pickle/document.hpp"
#include "pickle/pickle.hpp"
#include "pickle/reader.hpp"
#include "pickle/writer.hpp"

namespace quorix::pickle {

namespace {

// PROTO 3, MARK, k BINFLOATs, TUPLE or LIST, STOP with k >= out.size(): the form this codec writes.
bool read_canonical(std::span<const std::uint8_t> b, std::span<double> out) {
    const std::size_t n = b.size();
    if (n < 5 || (n - 5) % 9 != 0 || b[0] != 0x80 || b[1] != 3 || b[2] != '(') return false;
    if ((b[n - 2] != 't' && b[n - 2] != 'l') || b[n - 1] != '.') return false;
    const std::size_t count = (n - 5) / 9;
    if (count < out.size()) return false;
    for (std::size_t i = 0; i < count; ++i)
        if (b[3 + 9 * i] != 'G') return false;
    for (std::size_t i = 0; i < out.size(); ++i) out[i] = load_be64(&b[4 + 9 * i]);
    return true;
}

}  // namespace

void write_float_tuple(std::span<const double> values, std::uint8_t* out) {
    BasicWriter<BufferSink> w(std::span(out, float_tuple_size(values.size())));
    w.proto3();
    w.mark();
    w.floats(values);
    w.tuple();
    w.stop();
}

void read_float_sequence(std::span<const std::uint8_t> bytes, std::span<double> out, std::string_view expected) {
    if (read_canonical(bytes, out)) return;
    const Document doc(bytes);
    Reader r(doc);
    auto items = r.sequence(doc.root(), expected);
    for (std::size_t i = 0; i < out.size(); ++i) {
        if (items.done()) Reader::invalid_length(i, expected);
        out[i] = r.read_f64(items.next());
    }
    doc.check_trailing();
}

}  // namespace quorix::pickle

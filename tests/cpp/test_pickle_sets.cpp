// Sets hold each member once, as Python's set does: members equal as Python compares them collapse
// into the first, whatever form the stream gives them.
#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "document_dump.hpp"
#include "pickle/document.hpp"
#include "pickle/pickle.hpp"

using namespace std::literals;
namespace qp = quorix::pickle;
using document_dump::as_bytes;
using document_dump::dump;
using document_dump::le32;

namespace {

// The decoded tree, or the refusal's message.
std::string decoded(std::string_view bytes) {
    try {
        const qp::Document d(as_bytes(bytes));
        return dump(d, d.root());
    } catch (const qp::DecodeError& e) {
        return std::string(e.message());
    }
}

struct SetCase {
    const char* what;
    std::string_view bytes;
    const char* decoded;
};

// Each stream's member count checked against CPython 3.11's pickle.loads.
const SetCase set_cases[] = {
    {"issue: floats 1.0 twice", "\x80\x02(G?\xf0\x00\x00\x00\x00\x00\x00G?\xf0\x00\x00\x00\x00\x00\x00G@\x00\x00\x00\x00\x00\x00\x00G@\x08\x00\x00\x00\x00\x00\x00\x91."sv,
     "frozenset{1, 2, 3}"},
    {"ADDITEMS: 1, 1.0, True over two batches", "\x80\x04\x8f(K\x01G?\xf0\x00\x00\x00\x00\x00\x00\x88G@\x00\x00\x00\x00\x00\x00\x00\x90(I01\x0aK\x02G@\x08\x00\x00\x00\x00\x00\x00\x90."sv,
     "set{1, 2, 3}"},
    {"zeros: the first stays", "\x80\x04(\x89G\x80\x00\x00\x00\x00\x00\x00\x00G\x00\x00\x00\x00\x00\x00\x00\x00K\x00\x91."sv,
     "frozenset{False}"},
    {"negative zero first", "\x80\x04(G\x80\x00\x00\x00\x00\x00\x00\x00K\x00\x89\x91."sv,
     "frozenset{-0}"},
    {"None and empty containers", "\x80\x04(NN))(\x91(\x91\x91."sv,
     "frozenset{None, (), frozenset{}}"},
    {"two NaNs stay", "\x80\x04(G\x7f\xf8\x00\x00\x00\x00\x00\x00G\x7f\xf8\x00\x00\x00\x00\x00\x00\x91."sv,
     "frozenset{nan, nan}"},
    {"one NaN named twice", "\x80\x04(G\x7f\xf8\x00\x00\x00\x00\x00\x00q\x00h\x00\x91."sv,
     "frozenset{nan}"},
    {"2^63 as int and float", "\x80\x04(\x8a\x09\x00\x00\x00\x00\x00\x00\x00\x80\x00GC\xe0\x00\x00\x00\x00\x00\x00L9223372036854775808L\x0a\x91."sv,
     "frozenset{9223372036854775808}"},
    {"2^64 in every form", "\x80\x04(GC\xf0\x00\x00\x00\x00\x00\x00\x8a\x09\x00\x00\x00\x00\x00\x00\x00\x00\x01L18446744073709551616L\x0aI18446744073709551616\x0a\x91."sv,
     "frozenset{1.8446744073709552e+19}"},
    {"2^100 in every form", "\x80\x04(\x8a\x0d\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x10L1267650600228229401496703205376L\x0aGF0\x00\x00\x00\x00\x00\x00\x91."sv,
     "frozenset{big+}"},
    {"2^64 + 1 is not the float 2^64", "\x80\x04(L18446744073709551617L\x0aGC\xf0\x00\x00\x00\x00\x00\x00\x8a\x09\x01\x00\x00\x00\x00\x00\x00\x00\x01\x91."sv,
     "frozenset{big+, 1.8446744073709552e+19}"},
    {"negatives beyond 64 bits", "\x80\x04(L-18446744073709551617L\x0a\x8a\x09\xff\xff\xff\xff\xff\xff\xff\xff\xfeG\xc3\xf0\x00\x00\x00\x00\x00\x00L-18446744073709551616L\x0a\x8a\x09\x00\xf8\xff\xff\xff\xff\xff\x7f\xffG\xc3\xe0\x00\x00\x00\x00\x00\x01\x91."sv,
     "frozenset{big-, -1.8446744073709552e+19, big-}"},
    {"text and bytes", "\x80\x04(\x8c\x01" "a\x8c\x01" "aC\x01" "a\x91."sv,
     "frozenset{s'a', b'a'}"},
    {"tuples item by item", "\x80\x04((K\x01G@\x00\x00\x00\x00\x00\x00\x00t(G?\xf0\x00\x00\x00\x00\x00\x00K\x02t(K\x01(K\x02tt(G?\xf0\x00\x00\x00\x00\x00\x00(G@\x00\x00\x00\x00\x00\x00\x00tt\x91."sv,
     "frozenset{(1, 2), (1, (2))}"},
    {"tuples with one NaN or two", "\x80\x04(G\x7f\xf8\x00\x00\x00\x00\x00\x00q\x00\x85h\x00\x85G\x7f\xf8\x00\x00\x00\x00\x00\x00\x85\x91."sv,
     "frozenset{(nan), (nan)}"},
    {"frozensets as sets", "\x80\x04((K\x01K\x02\x91(G@\x00\x00\x00\x00\x00\x00\x00G?\xf0\x00\x00\x00\x00\x00\x00\x91(K\x01\x91\x91."sv,
     "frozenset{frozenset{1, 2}, frozenset{1}}"},
    {"frozensets of as many members", "\x80\x04((K\x01K\x02\x91(K\x01K\x03\x91(G@\x00\x00\x00\x00\x00\x00\x00K\x01\x91\x91."sv,
     "frozenset{frozenset{1, 2}, frozenset{1, 3}}"},
    {"builtins.set over a list", "\x80\x02" "c__builtin__\x0aset\x0a](K\x01G?\xf0\x00\x00\x00\x00\x00\x00K\x02" "e\x85R."sv,
     "set{1, 2}"},
    {"builtins.frozenset over a tuple", "\x80\x02" "c__builtin__\x0a" "frozenset\x0a(K\x02K\x02K\x01t\x85R."sv,
     "frozenset{2, 1}"},
    {"ADDITEMS to a set built over a list", "\x80\x02" "c__builtin__\x0aset\x0a](K\x01K\x02" "e\x85R(G?\xf0\x00\x00\x00\x00\x00\x00\x88K\x03\x90."sv,
     "set{1, 2, 3}"},
    {"two sets extended in turn", "\x80\x04\x8fq\x00" "0\x8fq\x01" "0h\x00(K\x01K\x02\x90" "0h\x01(G\x80\x00\x00\x00\x00\x00\x00\x00K\x03\x90" "0h\x00(\x88K\x03\x90" "0h\x01(K\x00G@\x08\x00\x00\x00\x00\x00\x00I00\x0a\x90" "0h\x00h\x01\x86."sv,
     "(set{1, 2, 3}, set{-0, 3})"},
    {"a set extended again after another, which shares its members", "\x80\x04\x8fq\x00" "0\x8fq\x01" "0h\x00(K\x01K\x02\x90" "0h\x01(K\x02K\x01K\x03\x90" "0h\x00(G@\x00\x00\x00\x00\x00\x00\x00K\x03\x90" "0h\x00h\x01\x86."sv,
     "(set{1, 2, 3}, set{2, 1, 3})"},
    {"frozensets built within a batch", "\x80\x04\x8f(K\x01(K\x01\x91G?\xf0\x00\x00\x00\x00\x00\x00(G?\xf0\x00\x00\x00\x00\x00\x00\x91\x90."sv,
     "set{1, frozenset{1}}"},
    {"copies of one bytes value", "\x80\x03(C\x02" "abq\x00" "cbuiltins\x0a" "bytes\x0aq\x01h\x00\x85Rh\x01h\x00\x85R\x91."sv,
     "frozenset{b'ab'}"},
};

// A frozenset of two LONG lines of `digits` digits each, the same number.
std::string two_equal_decimals(std::size_t digits) {
    const std::string line = "L" + std::string(digits, '7') + "L\n";
    return "\x80\x04(" + line + line + "\x91.";
}

}  // namespace

TEST(PickleSets, EqualMembersCollapseIntoTheFirst) {
    for (const SetCase& c : set_cases) EXPECT_EQ(decoded(c.bytes), c.decoded) << c.what;
}

// Integers written long (sign bytes past the value, spaces before the digits) equal their short
// forms, as CPython holds them.
TEST(PickleSets, LongWrittenIntegersEqualTheirShortForms) {
    const auto long4 = [](std::string value, char fill) {
        value.resize(40, fill);
        return "\x8b(\x00\x00\x00"s + value;
    };
    const std::string two_64 = "\x00\x00\x00\x00\x00\x00\x00\x00\x01"s, minus_two_64 = "\x00\x00\x00\x00\x00\x00\x00\x00\xff"s;
    const std::string members = long4(two_64, '\x00') + "GC\xf0\x00\x00\x00\x00\x00\x00\x8a\x09"s + two_64 +
                                long4(minus_two_64, '\xff') + "G\xc3\xf0\x00\x00\x00\x00\x00\x00"s +
                                "I  18446744073709551616\nL   -18446744073709551616L\n";
    EXPECT_EQ(decoded("\x80\x04(" + members + "\x91."), "frozenset{big+, big-}");
}

// Python reads no decimal integer longer than 4300 digits; those stay apart, unconverted.
TEST(PickleSets, DecimalsOfMoreDigitsThanPythonReadsStayApart) {
    EXPECT_EQ(decoded(two_equal_decimals(4300)), "frozenset{big+}");
    EXPECT_EQ(decoded(two_equal_decimals(4301)), "frozenset{big+, big+}");
}

// A member nested far deeper than any C++ stack allows recursion for: the set is dropped from the
// stack afterwards, so the value itself is fine.
TEST(PickleSets, DeeplyNestedMembersAreCompared) {
    const std::string chain = "K\x01" + std::string(200000, '\x85');
    EXPECT_EQ(decoded("\x80\x04(" + chain + chain + "\x91" "0N."s), "None");
}

// What the sets need beyond the items they hold grows only within an allowance of its own: a state
// just past 1 MiB whose member is a chain of as many 1-tuples would need more for their classes
// (the class table has just doubled), while half as many classes, each a member, fit.
TEST(PickleSets, BookkeepingGrowsWithinItsAllowance) {
    const std::size_t size = (std::size_t{1} << 20) + 64;
    const std::string chain = "\x80\x04(K\x01" + std::string(size - 20, '\x85') + "q\x00h\x00\x91" "0N."s;
    EXPECT_EQ(decoded(chain), "eval error at offset " + std::to_string(size - 11) +
                                  ": shared references expand beyond the size limit");
    std::string members = "\x80\x04(K\x01";
    for (std::size_t i = 0; i < (size - 10) / 2; ++i) members += "2\x85";
    EXPECT_EQ(decoded(members + "\x91" "0N."), "None");
}

// Sets extended in turn keep records of their members, which memo references can make many more
// than the stream's bytes: 208 copies of a set of 1280 ints, each extended again after the others,
// in 8 KB. Records of 32-bit classes fit them within the allowance.
TEST(PickleSets, SetsExtendedInTurnFitTheirRecordsWithinTheAllowance) {
    std::string stream = "\x80\x04]q\x01(";
    for (std::uint32_t i = 0; i < 1280; ++i) stream += i < 256 ? "K" + std::string(1, static_cast<char>(i)) : "M" + le32(i).substr(0, 2);
    stream += "e0cbuiltins\nset\nq\x02" "0";
    for (std::uint32_t j = 0; j < 208; ++j) stream += "h\x02h\x01\x85R(\x90r" + le32(10 + j) + "0";
    for (std::uint32_t j = 0; j < 208; ++j) stream += "j" + le32(10 + j) + "(\x90" "0";
    EXPECT_EQ(decoded(stream + "N."), "None");
}

// The text of a refusal without its offset, or the decoded tree.
std::string without_offset(std::string text) {
    if (text.starts_with("eval error at offset ")) text.erase(0, text.find(':'));
    return text;
}

// A small set after a large document changes neither whether the stream decodes nor the message
// it is refused with, but for the offset: the document's own memory is not the set's to answer for.
TEST(PickleSets, ASmallSetLeavesTheOutcomeAsItWas) {
    const std::size_t n = (std::size_t{1} << 20) + 6;  // the document's arrays have just doubled
    const std::string documents[] = {"(" + std::string(n, ']') + "l0N", std::string(n, ')'), std::string(n, 'N'),
                                     "K\x01" + std::string(n, '\x85')};  // the chain too deep to nest
    for (const std::string& document : documents) {
        const std::string alone = decoded("\x80\x04" + document + ".");
        EXPECT_EQ(without_offset(decoded("\x80\x04" + document + "\x8f(K\x01K\x02\x90" "0.")), without_offset(alone))
            << alone;
    }
}

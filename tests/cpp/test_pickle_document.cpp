// Decoding of what CPython's pickle.dumps writes for plain data in protocols 0 to 5, and refusal of
// malformed or code-running streams with the codec's messages.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "document_dump.hpp"
#include "pickle/document.hpp"
#include "pickle/pickle.hpp"
#include "pickle/salted_hash.hpp"
#include "pickle/text_forms.hpp"

using namespace std::literals;
namespace qp = quorix::pickle;
using document_dump::as_bytes;
using document_dump::dump;
using document_dump::escaped;
using document_dump::le32;

namespace {

struct PythonCase {
    int protocol;
    std::string_view bytes;
    const char* decoded;
};

// Generated once with CPython 3.11: pickle.dumps(obj, protocol=p) for each object and protocol.
const PythonCase python_cases[] = {
    {0, "(lp0\x0a" "F1.5\x0a" "aF-2.0\x0a" "aF0.0\x0a" "aF0.1\x0a" "aF1e+300\x0a" "aFinf\x0a" "a."sv,
     "[1.5, -2, 0, 0.10000000000000001, 1.0000000000000001e+300, inf]"},
    {1, "]q\x00(G\x3f\xf8\x00\x00\x00\x00\x00\x00G\xc0\x00\x00\x00\x00\x00\x00\x00G\x00\x00\x00\x00\x00\x00\x00\x00G\x3f\xb9\x99\x99\x99\x99\x99\x9aG~7\xe4<\x88\x00u\x9cG\x7f\xf0\x00\x00\x00\x00\x00\x00" "e."sv,
     "[1.5, -2, 0, 0.10000000000000001, 1.0000000000000001e+300, inf]"},
    {2, "\x80\x02]q\x00(G\x3f\xf8\x00\x00\x00\x00\x00\x00G\xc0\x00\x00\x00\x00\x00\x00\x00G\x00\x00\x00\x00\x00\x00\x00\x00G\x3f\xb9\x99\x99\x99\x99\x99\x9aG~7\xe4<\x88\x00u\x9cG\x7f\xf0\x00\x00\x00\x00\x00\x00" "e."sv,
     "[1.5, -2, 0, 0.10000000000000001, 1.0000000000000001e+300, inf]"},
    {3, "\x80\x03]q\x00(G\x3f\xf8\x00\x00\x00\x00\x00\x00G\xc0\x00\x00\x00\x00\x00\x00\x00G\x00\x00\x00\x00\x00\x00\x00\x00G\x3f\xb9\x99\x99\x99\x99\x99\x9aG~7\xe4<\x88\x00u\x9cG\x7f\xf0\x00\x00\x00\x00\x00\x00" "e."sv,
     "[1.5, -2, 0, 0.10000000000000001, 1.0000000000000001e+300, inf]"},
    {4, "\x80\x04\x95;\x00\x00\x00\x00\x00\x00\x00]\x94(G\x3f\xf8\x00\x00\x00\x00\x00\x00G\xc0\x00\x00\x00\x00\x00\x00\x00G\x00\x00\x00\x00\x00\x00\x00\x00G\x3f\xb9\x99\x99\x99\x99\x99\x9aG~7\xe4<\x88\x00u\x9cG\x7f\xf0\x00\x00\x00\x00\x00\x00" "e."sv,
     "[1.5, -2, 0, 0.10000000000000001, 1.0000000000000001e+300, inf]"},
    {5, "\x80\x05\x95;\x00\x00\x00\x00\x00\x00\x00]\x94(G\x3f\xf8\x00\x00\x00\x00\x00\x00G\xc0\x00\x00\x00\x00\x00\x00\x00G\x00\x00\x00\x00\x00\x00\x00\x00G\x3f\xb9\x99\x99\x99\x99\x99\x9aG~7\xe4<\x88\x00u\x9cG\x7f\xf0\x00\x00\x00\x00\x00\x00" "e."sv,
     "[1.5, -2, 0, 0.10000000000000001, 1.0000000000000001e+300, inf]"},
    {0, "(I1\x0aI2\x0aI3\x0atp0\x0a."sv,
     "(1, 2, 3)"},
    {1, "(K\x01K\x02K\x03tq\x00."sv,
     "(1, 2, 3)"},
    {2, "\x80\x02K\x01K\x02K\x03\x87q\x00."sv,
     "(1, 2, 3)"},
    {3, "\x80\x03K\x01K\x02K\x03\x87q\x00."sv,
     "(1, 2, 3)"},
    {4, "\x80\x04\x95\x09\x00\x00\x00\x00\x00\x00\x00K\x01K\x02K\x03\x87\x94."sv,
     "(1, 2, 3)"},
    {5, "\x80\x05\x95\x09\x00\x00\x00\x00\x00\x00\x00K\x01K\x02K\x03\x87\x94."sv,
     "(1, 2, 3)"},
    {0, "(dp0\x0aVcenter\x0ap1\x0a(F0.0\x0a" "F0.0\x0a" "F0.0\x0atp2\x0asVradius\x0ap3\x0a" "F1.0\x0as."sv,
     "{s'center': (0, 0, 0), s'radius': 1}"},
    {1, "}q\x00(X\x06\x00\x00\x00" "centerq\x01(G\x00\x00\x00\x00\x00\x00\x00\x00G\x00\x00\x00\x00\x00\x00\x00\x00G\x00\x00\x00\x00\x00\x00\x00\x00tq\x02X\x06\x00\x00\x00radiusq\x03G\x3f\xf0\x00\x00\x00\x00\x00\x00u."sv,
     "{s'center': (0, 0, 0), s'radius': 1}"},
    {2, "\x80\x02}q\x00(X\x06\x00\x00\x00" "centerq\x01G\x00\x00\x00\x00\x00\x00\x00\x00G\x00\x00\x00\x00\x00\x00\x00\x00G\x00\x00\x00\x00\x00\x00\x00\x00\x87q\x02X\x06\x00\x00\x00radiusq\x03G\x3f\xf0\x00\x00\x00\x00\x00\x00u."sv,
     "{s'center': (0, 0, 0), s'radius': 1}"},
    {3, "\x80\x03}q\x00(X\x06\x00\x00\x00" "centerq\x01G\x00\x00\x00\x00\x00\x00\x00\x00G\x00\x00\x00\x00\x00\x00\x00\x00G\x00\x00\x00\x00\x00\x00\x00\x00\x87q\x02X\x06\x00\x00\x00radiusq\x03G\x3f\xf0\x00\x00\x00\x00\x00\x00u."sv,
     "{s'center': (0, 0, 0), s'radius': 1}"},
    {4, "\x80\x04\x95=\x00\x00\x00\x00\x00\x00\x00}\x94(\x8c\x06" "center\x94G\x00\x00\x00\x00\x00\x00\x00\x00G\x00\x00\x00\x00\x00\x00\x00\x00G\x00\x00\x00\x00\x00\x00\x00\x00\x87\x94\x8c\x06radius\x94G\x3f\xf0\x00\x00\x00\x00\x00\x00u."sv,
     "{s'center': (0, 0, 0), s'radius': 1}"},
    {5, "\x80\x05\x95=\x00\x00\x00\x00\x00\x00\x00}\x94(\x8c\x06" "center\x94G\x00\x00\x00\x00\x00\x00\x00\x00G\x00\x00\x00\x00\x00\x00\x00\x00G\x00\x00\x00\x00\x00\x00\x00\x00\x87\x94\x8c\x06radius\x94G\x3f\xf0\x00\x00\x00\x00\x00\x00u."sv,
     "{s'center': (0, 0, 0), s'radius': 1}"},
    {0, "(lp0\x0aI01\x0a" "aI00\x0a" "aNa."sv,
     "[True, False, None]"},
    {1, "]q\x00(I01\x0aI00\x0aNe."sv,
     "[True, False, None]"},
    {2, "\x80\x02]q\x00(\x88\x89Ne."sv,
     "[True, False, None]"},
    {3, "\x80\x03]q\x00(\x88\x89Ne."sv,
     "[True, False, None]"},
    {4, "\x80\x04\x95\x08\x00\x00\x00\x00\x00\x00\x00]\x94(\x88\x89Ne."sv,
     "[True, False, None]"},
    {5, "\x80\x05\x95\x08\x00\x00\x00\x00\x00\x00\x00]\x94(\x88\x89Ne."sv,
     "[True, False, None]"},
    {0, "(lp0\x0aI0\x0a" "aI255\x0a" "aI256\x0a" "aI65535\x0a" "aI65536\x0a" "aI-1\x0a" "aI2147483647\x0a" "aI-2147483648\x0a" "aL2147483648L\x0a" "aL9223372036854775807L\x0a" "aL-9223372036854775808L\x0a" "aL9223372036854775808L\x0a" "aL18446744073709551615L\x0a" "aL18446744073709551616L\x0a" "aL-18446744073709551617L\x0a" "a."sv,
     "[0, 255, 256, 65535, 65536, -1, 2147483647, -2147483648, 2147483648, 9223372036854775807, -9223372036854775808, 9223372036854775808, 18446744073709551615, big+, big-]"},
    {1, "]q\x00(K\x00K\xffM\x00\x01M\xff\xffJ\x00\x00\x01\x00J\xff\xff\xff\xffJ\xff\xff\xff\x7fJ\x00\x00\x00\x80L2147483648L\x0aL9223372036854775807L\x0aL-9223372036854775808L\x0aL9223372036854775808L\x0aL18446744073709551615L\x0aL18446744073709551616L\x0aL-18446744073709551617L\x0a" "e."sv,
     "[0, 255, 256, 65535, 65536, -1, 2147483647, -2147483648, 2147483648, 9223372036854775807, -9223372036854775808, 9223372036854775808, 18446744073709551615, big+, big-]"},
    {2, "\x80\x02]q\x00(K\x00K\xffM\x00\x01M\xff\xffJ\x00\x00\x01\x00J\xff\xff\xff\xffJ\xff\xff\xff\x7fJ\x00\x00\x00\x80\x8a\x05\x00\x00\x00\x80\x00\x8a\x08\xff\xff\xff\xff\xff\xff\xff\x7f\x8a\x08\x00\x00\x00\x00\x00\x00\x00\x80\x8a\x09\x00\x00\x00\x00\x00\x00\x00\x80\x00\x8a\x09\xff\xff\xff\xff\xff\xff\xff\xff\x00\x8a\x09\x00\x00\x00\x00\x00\x00\x00\x00\x01\x8a\x09\xff\xff\xff\xff\xff\xff\xff\xff\xfe" "e."sv,
     "[0, 255, 256, 65535, 65536, -1, 2147483647, -2147483648, 2147483648, 9223372036854775807, -9223372036854775808, 9223372036854775808, 18446744073709551615, big+, big-]"},
    {3, "\x80\x03]q\x00(K\x00K\xffM\x00\x01M\xff\xffJ\x00\x00\x01\x00J\xff\xff\xff\xffJ\xff\xff\xff\x7fJ\x00\x00\x00\x80\x8a\x05\x00\x00\x00\x80\x00\x8a\x08\xff\xff\xff\xff\xff\xff\xff\x7f\x8a\x08\x00\x00\x00\x00\x00\x00\x00\x80\x8a\x09\x00\x00\x00\x00\x00\x00\x00\x80\x00\x8a\x09\xff\xff\xff\xff\xff\xff\xff\xff\x00\x8a\x09\x00\x00\x00\x00\x00\x00\x00\x00\x01\x8a\x09\xff\xff\xff\xff\xff\xff\xff\xff\xfe" "e."sv,
     "[0, 255, 256, 65535, 65536, -1, 2147483647, -2147483648, 2147483648, 9223372036854775807, -9223372036854775808, 9223372036854775808, 18446744073709551615, big+, big-]"},
    {4, "\x80\x04\x95j\x00\x00\x00\x00\x00\x00\x00]\x94(K\x00K\xffM\x00\x01M\xff\xffJ\x00\x00\x01\x00J\xff\xff\xff\xffJ\xff\xff\xff\x7fJ\x00\x00\x00\x80\x8a\x05\x00\x00\x00\x80\x00\x8a\x08\xff\xff\xff\xff\xff\xff\xff\x7f\x8a\x08\x00\x00\x00\x00\x00\x00\x00\x80\x8a\x09\x00\x00\x00\x00\x00\x00\x00\x80\x00\x8a\x09\xff\xff\xff\xff\xff\xff\xff\xff\x00\x8a\x09\x00\x00\x00\x00\x00\x00\x00\x00\x01\x8a\x09\xff\xff\xff\xff\xff\xff\xff\xff\xfe" "e."sv,
     "[0, 255, 256, 65535, 65536, -1, 2147483647, -2147483648, 2147483648, 9223372036854775807, -9223372036854775808, 9223372036854775808, 18446744073709551615, big+, big-]"},
    {5, "\x80\x05\x95j\x00\x00\x00\x00\x00\x00\x00]\x94(K\x00K\xffM\x00\x01M\xff\xffJ\x00\x00\x01\x00J\xff\xff\xff\xffJ\xff\xff\xff\x7fJ\x00\x00\x00\x80\x8a\x05\x00\x00\x00\x80\x00\x8a\x08\xff\xff\xff\xff\xff\xff\xff\x7f\x8a\x08\x00\x00\x00\x00\x00\x00\x00\x80\x8a\x09\x00\x00\x00\x00\x00\x00\x00\x80\x00\x8a\x09\xff\xff\xff\xff\xff\xff\xff\xff\x00\x8a\x09\x00\x00\x00\x00\x00\x00\x00\x00\x01\x8a\x09\xff\xff\xff\xff\xff\xff\xff\xff\xfe" "e."sv,
     "[0, 255, 256, 65535, 65536, -1, 2147483647, -2147483648, 2147483648, 9223372036854775807, -9223372036854775808, 9223372036854775808, 18446744073709551615, big+, big-]"},
    {0, "Vh\xe9llo\x5cu000a\x5cu005c \x5cu20ac \x5cU0001f600\x0ap0\x0a."sv,
     "s'h\\xc3\\xa9llo\\x0a\\x5c \\xe2\\x82\\xac \\xf0\\x9f\\x98\\x80'"},
    {1, "X\x11\x00\x00\x00h\xc3\xa9llo\x0a\x5c \xe2\x82\xac \xf0\x9f\x98\x80q\x00."sv,
     "s'h\\xc3\\xa9llo\\x0a\\x5c \\xe2\\x82\\xac \\xf0\\x9f\\x98\\x80'"},
    {2, "\x80\x02X\x11\x00\x00\x00h\xc3\xa9llo\x0a\x5c \xe2\x82\xac \xf0\x9f\x98\x80q\x00."sv,
     "s'h\\xc3\\xa9llo\\x0a\\x5c \\xe2\\x82\\xac \\xf0\\x9f\\x98\\x80'"},
    {3, "\x80\x03X\x11\x00\x00\x00h\xc3\xa9llo\x0a\x5c \xe2\x82\xac \xf0\x9f\x98\x80q\x00."sv,
     "s'h\\xc3\\xa9llo\\x0a\\x5c \\xe2\\x82\\xac \\xf0\\x9f\\x98\\x80'"},
    {4, "\x80\x04\x95\x15\x00\x00\x00\x00\x00\x00\x00\x8c\x11h\xc3\xa9llo\x0a\x5c \xe2\x82\xac \xf0\x9f\x98\x80\x94."sv,
     "s'h\\xc3\\xa9llo\\x0a\\x5c \\xe2\\x82\\xac \\xf0\\x9f\\x98\\x80'"},
    {5, "\x80\x05\x95\x15\x00\x00\x00\x00\x00\x00\x00\x8c\x11h\xc3\xa9llo\x0a\x5c \xe2\x82\xac \xf0\x9f\x98\x80\x94."sv,
     "s'h\\xc3\\xa9llo\\x0a\\x5c \\xe2\\x82\\xac \\xf0\\x9f\\x98\\x80'"},
    {0, "c_codecs\x0a" "encode\x0ap0\x0a(Vab\x5cu0000\xff\x0ap1\x0aVlatin1\x0ap2\x0atp3\x0aRp4\x0a."sv,
     "b'ab\\x00\\xff'"},
    {1, "c_codecs\x0a" "encode\x0aq\x00(X\x05\x00\x00\x00" "ab\x00\xc3\xbfq\x01X\x06\x00\x00\x00latin1q\x02tq\x03Rq\x04."sv,
     "b'ab\\x00\\xff'"},
    {2, "\x80\x02" "c_codecs\x0a" "encode\x0aq\x00X\x05\x00\x00\x00" "ab\x00\xc3\xbfq\x01X\x06\x00\x00\x00latin1q\x02\x86q\x03Rq\x04."sv,
     "b'ab\\x00\\xff'"},
    {3, "\x80\x03" "C\x04" "ab\x00\xffq\x00."sv,
     "b'ab\\x00\\xff'"},
    {4, "\x80\x04\x95\x08\x00\x00\x00\x00\x00\x00\x00" "C\x04" "ab\x00\xff\x94."sv,
     "b'ab\\x00\\xff'"},
    {5, "\x80\x05\x95\x08\x00\x00\x00\x00\x00\x00\x00" "C\x04" "ab\x00\xff\x94."sv,
     "b'ab\\x00\\xff'"},
    {0, "c__builtin__\x0a" "bytearray\x0ap0\x0a(c_codecs\x0a" "encode\x0ap1\x0a(Vxy\x0ap2\x0aVlatin1\x0ap3\x0atp4\x0aRp5\x0atp6\x0aRp7\x0a."sv,
     "b'xy'"},
    {1, "c__builtin__\x0a" "bytearray\x0aq\x00(c_codecs\x0a" "encode\x0aq\x01(X\x02\x00\x00\x00xyq\x02X\x06\x00\x00\x00latin1q\x03tq\x04Rq\x05tq\x06Rq\x07."sv,
     "b'xy'"},
    {2, "\x80\x02" "c__builtin__\x0a" "bytearray\x0aq\x00" "c_codecs\x0a" "encode\x0aq\x01X\x02\x00\x00\x00xyq\x02X\x06\x00\x00\x00latin1q\x03\x86q\x04Rq\x05\x85q\x06Rq\x07."sv,
     "b'xy'"},
    {3, "\x80\x03" "cbuiltins\x0a" "bytearray\x0aq\x00" "C\x02xyq\x01\x85q\x02Rq\x03."sv,
     "b'xy'"},
    {4, "\x80\x04\x95#\x00\x00\x00\x00\x00\x00\x00\x8c\x08" "builtins\x94\x8c\x09" "bytearray\x94\x93\x94" "C\x02xy\x94\x85\x94R\x94."sv,
     "b'xy'"},
    {5, "\x80\x05\x95\x0d\x00\x00\x00\x00\x00\x00\x00\x96\x02\x00\x00\x00\x00\x00\x00\x00xy\x94."sv,
     "b'xy'"},
    {0, "(lp0\x0a" "c__builtin__\x0aset\x0ap1\x0a((lp2\x0aI1\x0a" "aI2\x0a" "atp3\x0aRp4\x0a" "ac__builtin__\x0a" "frozenset\x0ap5\x0a((lp6\x0aI3\x0a" "atp7\x0aRp8\x0a" "ag1\x0a((lp9\x0atp10\x0aRp11\x0a" "ac__builtin__\x0a" "bytearray\x0ap12\x0a(tRp13\x0a" "ac__builtin__\x0a" "bytes\x0ap14\x0a(tRp15\x0a" "a."sv,
     "[set{1, 2}, frozenset{3}, set{}, b'', b'']"},
    {1, "]q\x00(c__builtin__\x0aset\x0aq\x01(]q\x02(K\x01K\x02" "etq\x03Rq\x04" "c__builtin__\x0a" "frozenset\x0aq\x05(]q\x06K\x03" "atq\x07Rq\x08h\x01(]q\x09tq\x0aRq\x0b" "c__builtin__\x0a" "bytearray\x0aq\x0c)Rq\x0d" "c__builtin__\x0a" "bytes\x0aq\x0e)Rq\x0f" "e."sv,
     "[set{1, 2}, frozenset{3}, set{}, b'', b'']"},
    {2, "\x80\x02]q\x00(c__builtin__\x0aset\x0aq\x01]q\x02(K\x01K\x02" "e\x85q\x03Rq\x04" "c__builtin__\x0a" "frozenset\x0aq\x05]q\x06K\x03" "a\x85q\x07Rq\x08h\x01]q\x09\x85q\x0aRq\x0b" "c__builtin__\x0a" "bytearray\x0aq\x0c)Rq\x0d" "c__builtin__\x0a" "bytes\x0aq\x0e)Rq\x0f" "e."sv,
     "[set{1, 2}, frozenset{3}, set{}, b'', b'']"},
    {3, "\x80\x03]q\x00(cbuiltins\x0aset\x0aq\x01]q\x02(K\x01K\x02" "e\x85q\x03Rq\x04" "cbuiltins\x0a" "frozenset\x0aq\x05]q\x06K\x03" "a\x85q\x07Rq\x08h\x01]q\x09\x85q\x0aRq\x0b" "cbuiltins\x0a" "bytearray\x0aq\x0c)Rq\x0d" "C\x00q\x0e" "e."sv,
     "[set{1, 2}, frozenset{3}, set{}, b'', b'']"},
    {4, "\x80\x04\x95" "3\x00\x00\x00\x00\x00\x00\x00]\x94(\x8f\x94(K\x01K\x02\x90(K\x03\x91\x94\x8f\x94\x8c\x08" "builtins\x94\x8c\x09" "bytearray\x94\x93\x94)R\x94" "C\x00\x94" "e."sv,
     "[set{1, 2}, frozenset{3}, set{}, b'', b'']"},
    {5, "\x80\x05\x95!\x00\x00\x00\x00\x00\x00\x00]\x94(\x8f\x94(K\x01K\x02\x90(K\x03\x91\x94\x8f\x94\x96\x00\x00\x00\x00\x00\x00\x00\x00\x94" "C\x00\x94" "e."sv,
     "[set{1, 2}, frozenset{3}, set{}, b'', b'']"},
    {0, "(lp0\x0a(F1.0\x0a" "F2.0\x0atp1\x0a" "ag1\x0a" "a(lp2\x0ag1\x0a" "aa."sv,
     "[(1, 2), (1, 2), [(1, 2)]]"},
    {1, "]q\x00((G\x3f\xf0\x00\x00\x00\x00\x00\x00G@\x00\x00\x00\x00\x00\x00\x00tq\x01h\x01]q\x02h\x01" "ae."sv,
     "[(1, 2), (1, 2), [(1, 2)]]"},
    {2, "\x80\x02]q\x00(G\x3f\xf0\x00\x00\x00\x00\x00\x00G@\x00\x00\x00\x00\x00\x00\x00\x86q\x01h\x01]q\x02h\x01" "ae."sv,
     "[(1, 2), (1, 2), [(1, 2)]]"},
    {3, "\x80\x03]q\x00(G\x3f\xf0\x00\x00\x00\x00\x00\x00G@\x00\x00\x00\x00\x00\x00\x00\x86q\x01h\x01]q\x02h\x01" "ae."sv,
     "[(1, 2), (1, 2), [(1, 2)]]"},
    {4, "\x80\x04\x95 \x00\x00\x00\x00\x00\x00\x00]\x94(G\x3f\xf0\x00\x00\x00\x00\x00\x00G@\x00\x00\x00\x00\x00\x00\x00\x86\x94h\x01]\x94h\x01" "ae."sv,
     "[(1, 2), (1, 2), [(1, 2)]]"},
    {5, "\x80\x05\x95 \x00\x00\x00\x00\x00\x00\x00]\x94(G\x3f\xf0\x00\x00\x00\x00\x00\x00G@\x00\x00\x00\x00\x00\x00\x00\x86\x94h\x01]\x94h\x01" "ae."sv,
     "[(1, 2), (1, 2), [(1, 2)]]"},
    {0, "(lp0\x0a(lp1\x0a" "a(ta(dp2\x0a" "aV\x0ap3\x0a" "a(lp4\x0a(lp5\x0a(lp6\x0a" "aaa."sv,
     "[[], (), {}, s'', [[[]]]]"},
    {1, "]q\x00(]q\x01)}q\x02X\x00\x00\x00\x00q\x03]q\x04]q\x05]q\x06" "aae."sv,
     "[[], (), {}, s'', [[[]]]]"},
    {2, "\x80\x02]q\x00(]q\x01)}q\x02X\x00\x00\x00\x00q\x03]q\x04]q\x05]q\x06" "aae."sv,
     "[[], (), {}, s'', [[[]]]]"},
    {3, "\x80\x03]q\x00(]q\x01)}q\x02X\x00\x00\x00\x00q\x03]q\x04]q\x05]q\x06" "aae."sv,
     "[[], (), {}, s'', [[[]]]]"},
    {4, "\x80\x04\x95\x15\x00\x00\x00\x00\x00\x00\x00]\x94(]\x94)}\x94\x8c\x00\x94]\x94]\x94]\x94" "aae."sv,
     "[[], (), {}, s'', [[[]]]]"},
    {5, "\x80\x05\x95\x15\x00\x00\x00\x00\x00\x00\x00]\x94(]\x94)}\x94\x8c\x00\x94]\x94]\x94]\x94" "aae."sv,
     "[[], (), {}, s'', [[[]]]]"},
};

std::string decode_error(std::string_view bytes) {
    try {
        qp::Document d(as_bytes(bytes));
        d.check_trailing();
    } catch (const qp::DecodeError& e) {
        return std::string(e.message());
    }
    return "no error";
}

}  // namespace

TEST(PickleDocument, DecodesWhatPythonWrites) {
    for (const PythonCase& c : python_cases) {
        SCOPED_TRACE("protocol " + std::to_string(c.protocol) + ": " + c.decoded);
        const qp::Document d(as_bytes(c.bytes));
        d.check_trailing();
        EXPECT_EQ(dump(d, d.root()), c.decoded);
    }
}

TEST(PickleDocument, SharedValuesAreNotCopied) {
    // [t, t, [t]] with t memoized once: every reference names the same value.
    const qp::Document d(as_bytes("\x80\x03]q\x00(G\x3f\xf0\x00\x00\x00\x00\x00\x00\x85q\x01h\x01]q\x02h\x01" "ae."sv));
    auto c = d.items(d.root());
    const qp::NodeId a = c.next(), b = c.next();
    EXPECT_EQ(a, b);
    EXPECT_EQ(d.items(c.next()).next(), a);
}

struct ErrorCase {
    std::string_view bytes;
    const char* message;
};

TEST(PickleDocument, RefusesMalformedAndCodeRunningStreams) {
    const ErrorCase cases[] = {
        {""sv, "eval error at offset 0: EOF while parsing"},
        {"\x80\x03"sv, "eval error at offset 2: EOF while parsing"},
        {"\x80\x03G\x00\x00"sv, "eval error at offset 5: EOF while parsing"},
        {"\x80\x03X\xff\xff\xff\x7f" "abc."sv, "eval error at offset 11: EOF while parsing"},
        {"\x80\x04\x95\xff\x00\x00\x00\x00\x00\x00\x00N."sv, "eval error at offset 13: EOF while parsing"},
        {"\x80\x03\x8d\x00\x00\x00\x00\x00\x00\x00\x80."sv, "eval error at offset 12: EOF while parsing"},
        {"\x80\x02T\xff\xff\xff\xff."sv, "eval error at offset 2: negative length prefix"},
        {"\x80\x02\x8b\xfe\xff\xff\xff."sv, "eval error at offset 2: negative length prefix"},
        {"\x80\x06N."sv, "eval error at offset 0: unsupported pickle protocol: 6"},
        {"\x80\x03N.x"sv, "eval error at offset 4: trailing bytes found"},
        {"\x80\x03."sv, "eval error at offset 2: pickle stack underflow"},
        {"\x80\x03(."sv, "eval error at offset 3: pickle stack underflow"},
        {"\x80\x03Ne."sv, "eval error at offset 3: pickle stack underflow"},
        {"\x80\x03N(e."sv, "eval error at offset 4: invalid stack top, expected list, got None"},
        {"\x80\x03)N(Nu."sv, "eval error at offset 6: invalid stack top, expected dict, got None"},
        {"\x80\x03}(Nu."sv, "eval error at offset 5: odd number of items for a dict"},
        {"\x80\x03}(]Nu."sv, "eval error at offset 6: dict key or set item not hashable"},
        {"\x80\x03\x8f(]\x90."sv, "eval error at offset 5: dict key or set item not hashable"},
        {"\x80\x03(]\x85\x91."sv, "eval error at offset 5: dict key or set item not hashable"},
        {"\x80\x03h\x05."sv, "eval error at offset 2: missing memo with id 5"},
        {"\x80\x03]q\x00(h\x00" "e."sv, "eval error at offset 9: recursive structure found"},
        {"\x80\x03X\x01\x00\x00\x00\xff."sv, "eval error at offset 2: string is not UTF-8 encoded"},
        {"\x80\x03X\x03\x00\x00\x00\xed\xa0\x80."sv, "eval error at offset 2: string is not UTF-8 encoded"},
        {"I12x\n."sv, "eval error at offset 0: literal is invalid: 12x"},
        {"F1.5.5\n."sv, "eval error at offset 0: literal is invalid: 1.5.5"},
        {"Sabc\n."sv, "eval error at offset 0: the STRING opcode argument must be quoted"},
        {"Vab\\u12\n."sv, "eval error at offset 0: truncated \\uXXXX escape"},
        {"cos\nsystem\n(S'ls'\ntR."sv, "eval error at offset 0: unsupported global: os.system"},
        {"\x80\x04\x8c\x02os\x8c\x06system\x93."sv, "eval error at offset 14: unsupported global: os.system"},
        {"\x80\x03" "cbuiltins\nset\n."sv, "eval error at offset 16: unresolved global reference"},
        {"\x80\x03" "cbuiltins\nset\nN\x85R."sv, "eval error at offset 18: unsupported arguments to a builtin constructor"},
        {"\x80\x03NN\x85R."sv, "eval error at offset 5: unsupported opcode 'R'"},
        {"\x80\x03N}b."sv, "eval error at offset 4: unsupported opcode 'b'"},
        {"\x80\x02N)\x81."sv, "eval error at offset 4: unsupported opcode '\\u{81}'"},
        {"\x80\x03\x82\x01."sv, "eval error at offset 2: unsupported opcode '\\u{82}'"},
        {"\x80\x03(X\x01\x00\x00\x00" "ai."sv, "eval error at offset 9: unsupported opcode 'i'"},
        {"\x80\x03P1\n."sv, "eval error at offset 2: unsupported opcode 'P'"},
        {"\x80\x05\x97."sv, "eval error at offset 2: unsupported opcode '\\u{97}'"},
        {"\x80\x03\xff."sv, "eval error at offset 2: unsupported opcode '\\u{ff}'"},
    };
    for (const ErrorCase& c : cases) EXPECT_EQ(decode_error(c.bytes), c.message) << escaped(c.bytes);
}

TEST(PickleDocument, NestingIsCapped) {
    EXPECT_EQ(decode_error(std::string(1001, '(')), "eval error at offset 1000: nesting too deep");
    // Tuples nested 1001 deep without a single mark.
    std::string deep = "\x80\x03)" + std::string(1000, '\x85') + ".";
    EXPECT_EQ(decode_error(deep), "eval error at offset 1003: nesting too deep");
    std::string fine = "\x80\x03)" + std::string(998, '\x85') + ".";
    EXPECT_EQ(decode_error(fine), "no error");
}

// Messages quote the bytes of a malformed line; those that are not UTF-8 are replaced as Python's
// "replace" error handler does, one U+FFFD per maximal ill-formed subsequence.
TEST(PickleDocument, MessagesQuotingInvalidBytesAreText) {
    const ErrorCase cases[] = {
        {"\x80\x03" "F\xff\n."sv, "eval error at offset 2: literal is invalid: \uFFFD"},
        {"\x80\x03" "I\xff\n."sv, "eval error at offset 2: literal is invalid: \uFFFD"},
        {"\x80\x03" "L1\xe0\x80\n."sv, "eval error at offset 2: literal is invalid: 1\uFFFD\uFFFD"},
        {"\x80\x03" "c\xf0\x9f\x98x\ny\xc3\xa9\n."sv, "eval error at offset 2: unsupported global: \uFFFDx.y\u00e9"},
    };
    for (const ErrorCase& c : cases) EXPECT_EQ(decode_error(c.bytes), c.message) << escaped(c.bytes);
}

TEST(PickleText, InvalidUtf8IsReplacedLikePythonDoes) {
    const std::pair<std::string_view, std::string_view> cases[] = {
        {"plain \u00e9\U0001F600"sv, "plain \u00e9\U0001F600"sv},
        {"a\xff" "b"sv, "a\uFFFD" "b"sv},
        {"\xe0\x80"sv, "\uFFFD\uFFFD"sv},              // overlong: the lead byte alone
        {"\xf0\x9f\x98"sv, "\uFFFD"sv},                 // a cut sequence: one replacement
        {"\xed\xa0\x80"sv, "\uFFFD\uFFFD\uFFFD"sv},  // a surrogate
        {"\xf4\x90\x80\x80"sv, "\uFFFD\uFFFD\uFFFD\uFFFD"sv},  // beyond U+10FFFF
        {"\xc0\xaf\xe2\x82"sv, "\uFFFD\uFFFD\uFFFD"sv},
    };
    for (const auto& [in, out] : cases) {
        EXPECT_EQ(quorix::pickle::text_forms::replace_invalid_utf8(in), out) << escaped(in);
        EXPECT_EQ(quorix::pickle::text_forms::valid_utf8(in), in == out) << escaped(in);
    }
}

// Python numbers MEMOIZE entries by how many the memo holds. An index first put far ahead of the
// rest, then reached by MEMOIZE, is overwritten there: 1500 entries, then index 1500 twice.
TEST(PickleDocument, MemoIndicesPutOutOfOrderKeepPythonsNumbering) {
    std::string s = "\x80\x04K\x07r\xdc\x05\x00\x00" "0"s;
    for (int i = 1; i < 1500; ++i) s += "K\x01\x94" "0"s;
    s += "K\x09\x94" "0K\x08\x94" "0j\xdc\x05\x00\x00."s;
    const qp::Document d(as_bytes(s));
    EXPECT_EQ(d.int_signed(d.root()), 8);
}

// MEMOIZE after many far puts numbers its entries on from them, and reads back.
TEST(PickleDocument, MemoizeAfterFarPutsKeepsPythonsNumbering) {
    std::string s = "\x80\x04N";
    for (std::uint32_t i = 0; i < 1100; ++i) s += "r" + le32(0x80000000u + i);
    s += "0K\x05\x94" "0j" + le32(1100) + "j" + le32(0x80000007u) + "\x86.";
    const qp::Document d(as_bytes(s));
    EXPECT_EQ(dump(d, d.root()), "(5, None)");
}

// Memo indices that are all multiples of the map's bucket count: a plain integer hash puts them
// all in one bucket, and each lookup walks them all.
TEST(PickleDocument, MemoMapSpreadsIndicesChosenToCollide) {
    qp::SaltedMap<qp::NodeId> map;
    map.reserve(42043);
    const std::size_t buckets = map.bucket_count();
    for (std::uint64_t i = 1; i <= buckets / 2; ++i) map.emplace(i * buckets, 0);
    ASSERT_EQ(map.bucket_count(), buckets);
    std::size_t longest = 0;
    for (std::size_t b = 0; b < buckets; ++b) longest = std::max(longest, map.bucket_size(b));
    EXPECT_LE(longest, 16u);
}

TEST(PickleDocument, StrayMemoIndicesAllocateNothingLarge) {
    // LONG_BINPUT at index 4294967295 must not size a table by the index.
    EXPECT_EQ(decode_error("\x80\x03Nr\xff\xff\xff\xffj\xff\xff\xff\xff\x86."sv), "no error");
}

namespace {

// One memoized value of `n` items (or characters) handed to a builtin constructor `times` times.
std::string repeated_constructor(bool latin1, std::size_t n, std::size_t times) {
    std::string s = "\x80\x03";
    if (latin1) {
        const auto len = static_cast<std::uint32_t>(n);
        s += 'X';
        for (int i = 0; i < 4; ++i) s += static_cast<char>(len >> (8 * i));
        s += std::string(n, 'a') + "q\x00" "c_codecs\nencode\nq\x01X\x06\x00\x00\x00latin1q\x02"s;
    } else {
        s += "]q\x00("s;
        for (std::size_t i = 0; i < n; ++i) s += "K"s + static_cast<char>(i);
        s += "ecbuiltins\nset\nq\x01";
    }
    for (std::size_t i = 0; i < times; ++i) s += latin1 ? "h\x01h\x00h\x02\x86R0"s : "h\x01h\x00\x85R0"s;
    return s + "N.";
}

}  // namespace

TEST(PickleDocument, RepeatedConstructorsOfASharedValueStayWithinLinearSpace) {
    for (bool latin1 : {false, true}) {
        SCOPED_TRACE(latin1 ? "_codecs.encode" : "builtins.set");
        // Decoded in full these would hold some 60 million items or bytes.
        const std::string msg = decode_error(repeated_constructor(latin1, 20000, 3000));
        EXPECT_TRUE(msg.starts_with("eval error at offset ")) << msg;
        EXPECT_TRUE(msg.ends_with(": shared references expand beyond the size limit")) << msg;
        EXPECT_EQ(decode_error(repeated_constructor(latin1, 20000, 3)), "no error");
        EXPECT_EQ(decode_error(repeated_constructor(latin1, 400000, 1)), "no error");
    }
}

// Flat JSON arrays: the number text written, and the reader's values and exact messages.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "json/json.hpp"

namespace qj = quorix::json;

namespace {

struct NumberCase {
    double value;
    const char* text;
};

constexpr double inf = std::numeric_limits<double>::infinity();

const NumberCase number_cases[] = {
    {1.0, "1.0"},
    {2.5, "2.5"},
    {-0.0, "-0.0"},
    {0.0, "0.0"},
    {100.0, "100.0"},
    {-1.5, "-1.5"},
    {0.1, "0.1"},
    {0.3, "0.3"},
    {123456.789, "123456.789"},
    {1e15, "1000000000000000.0"},
    {9999999999999998.0, "9999999999999998.0"},
    {1e16, "1e+16"},
    {1e20, "1e+20"},
    {1.5e300, "1.5e+300"},
    {1e-5, "0.00001"},
    {1.2345e-5, "0.000012345"},
    {1e-6, "1e-6"},
    {1e-7, "1e-7"},
    {-2.5e-10, "-2.5e-10"},
    {5e-324, "5e-324"},
    {1.7976931348623157e308, "1.7976931348623157e+308"},
    {2.2250738585072014e-308, "2.2250738585072014e-308"},
    {std::nan(""), "null"},
    {inf, "null"},
    {-inf, "null"},
};

std::string read_text(const std::string& text, std::size_t n = 3) {
    std::vector<double> out(n);
    try {
        qj::read_json_array(text, out, "a sequence of " + std::to_string(n) + " f64 values");
    } catch (const qj::JsonError& e) {
        return e.what();
    }
    std::string s;
    for (double v : out) {
        char buf[40];
        std::snprintf(buf, sizeof buf, "%.17g", v);
        if (!s.empty()) s += ' ';
        s += buf;
    }
    return s;
}

struct ReadCase {
    const char* text;
    const char* result;
};

const ReadCase read_cases[] = {
    // values
    {" [1, 2, 3] ", "1 2 3"},
    {"\t[1,2,3]\r\n", "1 2 3"},
    {"[1.5e3, 2E-2, 0.000001]", "1500 0.02 9.9999999999999995e-07"},
    {"[1e-400, -0, 5e-324]", "0 -0 4.9406564584124654e-324"},
    {"[18446744073709551616, 9007199254740993, -9223372036854775808]",
     "1.8446744073709552e+19 9007199254740992 -9.2233720368547758e+18"},
    {"[0.1,0.2,0.30000000000000004]", "0.10000000000000001 0.20000000000000001 0.30000000000000004"},
    // counts and structure
    {"[1,2]", "invalid length 2, expected a sequence of 3 f64 values at line 1 column 5"},
    {"[]", "invalid length 0, expected a sequence of 3 f64 values at line 1 column 2"},
    {"[1,2,3,4]", "trailing characters at line 1 column 8"},
    {"[1,2,3] x", "trailing characters at line 1 column 9"},
    {"[1,2,3]]", "trailing characters at line 1 column 8"},
    {"[1,2,3 4]", "trailing characters at line 1 column 8"},
    {"[1,2,3,", "trailing characters at line 1 column 7"},
    {"[1,2,3,]", "trailing comma at line 1 column 8"},
    {"[1,]", "trailing comma at line 1 column 4"},
    {"[1,2", "EOF while parsing a list at line 1 column 4"},
    {"[1,2,3", "EOF while parsing a list at line 1 column 6"},
    {"[", "EOF while parsing a list at line 1 column 1"},
    {"[1,", "EOF while parsing a value at line 1 column 3"},
    {"", "EOF while parsing a value at line 1 column 0"},
    {"  ", "EOF while parsing a value at line 1 column 2"},
    {"[1 2]", "expected `,` or `]` at line 1 column 4"},
    {"[1x]", "expected `,` or `]` at line 1 column 3"},
    {"[,1]", "expected value at line 1 column 2"},
    {"[1,\n2,\n x]", "expected value at line 3 column 2"},
    {"[NaN,1,2]", "expected value at line 1 column 2"},
    {"[+1,2,3]", "expected value at line 1 column 2"},
    // wrong kinds
    {"{}", "invalid type: map, expected a sequence of 3 f64 values at line 1 column 0"},
    {" {\"x\": 1}", "invalid type: map, expected a sequence of 3 f64 values at line 1 column 1"},
    {"null", "invalid type: null, expected a sequence of 3 f64 values at line 1 column 4"},
    {"1.5", "invalid type: floating point `1.5`, expected a sequence of 3 f64 values at line 1 column 3"},
    {"1e20", "invalid type: floating point `1e+20`, expected a sequence of 3 f64 values at line 1 column 4"},
    {"3", "invalid type: integer `3`, expected a sequence of 3 f64 values at line 1 column 1"},
    {"-3", "invalid type: integer `-3`, expected a sequence of 3 f64 values at line 1 column 2"},
    {"\"abc\"", "invalid type: string \"abc\", expected a sequence of 3 f64 values at line 1 column 5"},
    {"[null,2,3]", "invalid type: null, expected f64 at line 1 column 5"},
    {"[1,null,3]", "invalid type: null, expected f64 at line 1 column 7"},
    {"[true,2,3]", "invalid type: boolean `true`, expected f64 at line 1 column 5"},
    {"[false,2,3]", "invalid type: boolean `false`, expected f64 at line 1 column 6"},
    {"[\"a\\n\\u00e9\\ud83d\\ude00\",2,3]",
     "invalid type: string \"a\\n\u00e9\U0001F600\", expected f64 at line 1 column 24"},
    {"[[1],2,3]", "invalid type: sequence, expected f64 at line 1 column 1"},
    {"[{},2,3]", "invalid type: map, expected f64 at line 1 column 1"},
    // bad tokens
    {"[nul]", "expected ident at line 1 column 5"},
    {"[nu", "EOF while parsing a value at line 1 column 3"},
    {"nan", "expected ident at line 1 column 2"},
    {"[01,2,3]", "invalid number at line 1 column 3"},
    {"[1.,2,3]", "invalid number at line 1 column 4"},
    {"[1.", "EOF while parsing a value at line 1 column 3"},
    {"[1e,2,3]", "invalid number at line 1 column 4"},
    {"[1e", "EOF while parsing a value at line 1 column 3"},
    {"[-,2,3]", "invalid number at line 1 column 3"},
    {"[-", "EOF while parsing a value at line 1 column 2"},
    {"[1e400,2,3]", "number out of range at line 1 column 6"},
    {"[-1e400,2,3]", "number out of range at line 1 column 7"},
    {"\"abc", "EOF while parsing a string at line 1 column 4"},
    {"\"a\\qb\"", "invalid escape at line 1 column 4"},
    {"\"\\u12", "EOF while parsing a string at line 1 column 5"},
    {"\"\\u12x4\"", "invalid escape at line 1 column 7"},
    {"\"\\ud800x\"", "unexpected end of hex escape at line 1 column 8"},
    {"\"\\ud800\\u0041\"", "lone leading surrogate in hex escape at line 1 column 13"},
    {"\"\\udc00\"", "lone leading surrogate in hex escape at line 1 column 7"},
    {"\"\x01\"", "control character (\\u0000-\\u001F) found while parsing a string at line 1 column 2"},
};

}  // namespace

TEST(JsonNumber, Text) {
    for (const NumberCase& c : number_cases) {
        std::string s;
        qj::append_number(s, c.value);
        EXPECT_EQ(s, c.text) << c.text;
    }
    const double v[] = {1, 2.5, -0.0};
    EXPECT_EQ(qj::write_json_array(v), "[1.0,2.5,-0.0]");
    const double w[] = {1e20, 1e-7, std::nan("")};
    EXPECT_EQ(qj::write_json_array(w), "[1e+20,1e-7,null]");
    const double x[] = {1e15, 1e16, 1e-5};
    EXPECT_EQ(qj::write_json_array(x), "[1000000000000000.0,1e+16,0.00001]");
    EXPECT_EQ(qj::write_json_array({}), "[]");
}

TEST(JsonArray, ValuesAndMessages) {
    for (const ReadCase& c : read_cases) EXPECT_EQ(read_text(c.text), c.result) << c.text;
    EXPECT_EQ(read_text("[1,2,3,4,5,6,7,8,9,10,11,12]", 12),
              "1 2 3 4 5 6 7 8 9 10 11 12");
    EXPECT_EQ(read_text("[1,2,3,4]", 9), "invalid length 4, expected a sequence of 9 f64 values at line 1 column 9");
}

TEST(JsonArray, EveryFiniteValueReadsBackBitForBit) {
    std::mt19937_64 rng(20240607);
    std::vector<double> values(4), back(4);
    for (int round = 0; round < 20000; ++round) {
        for (double& v : values) {
            do {
                v = std::bit_cast<double>(rng());
            } while (!std::isfinite(v));
        }
        if (round == 0) values = {-0.0, 5e-324, 1.7976931348623157e308, 2.2250738585072009e-308};
        qj::read_json_array(qj::write_json_array(values), back, "x");
        for (std::size_t i = 0; i < values.size(); ++i)
            ASSERT_EQ(std::bit_cast<std::uint64_t>(back[i]), std::bit_cast<std::uint64_t>(values[i]))
                << qj::write_json_array(values);
    }
}

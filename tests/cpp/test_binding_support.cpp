#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "binding/arg_messages.hpp"
#include "binding/borrow.hpp"
#include "binding/siphash.hpp"

using namespace quorix::py;

TEST(ArgumentTexts, NameLists) {
    EXPECT_EQ(quoted_name_list({"a"}), "'a'");
    EXPECT_EQ(quoted_name_list({"a", "b"}), "'a' and 'b'");
    EXPECT_EQ(quoted_name_list({"a", "b", "c"}), "'a', 'b', and 'c'");
    EXPECT_EQ(quoted_name_list({"a", "b", "c", "d"}), "'a', 'b', 'c', and 'd'");
}

TEST(ArgumentTexts, Messages) {
    const std::string f = "Vec3.abs_diff_eq()";
    EXPECT_EQ(missing_arguments_message(f, "positional", {"rhs"}),
              "Vec3.abs_diff_eq() missing 1 required positional argument: 'rhs'");
    EXPECT_EQ(missing_arguments_message(f, "keyword", {"a", "b", "c"}),
              "Vec3.abs_diff_eq() missing 3 required keyword arguments: 'a', 'b', and 'c'");
    EXPECT_EQ(too_many_positional_message(f, 2, 2, 3), "Vec3.abs_diff_eq() takes 2 positional arguments but 3 were given");
    EXPECT_EQ(too_many_positional_message(f, 0, 0, 1), "Vec3.abs_diff_eq() takes 0 positional arguments but 1 was given");
    EXPECT_EQ(too_many_positional_message(f, 0, 3, 4),
              "Vec3.abs_diff_eq() takes from 0 to 3 positional arguments but 4 were given");
    EXPECT_EQ(positional_only_message(f, {"a", "b"}),
              "Vec3.abs_diff_eq() got some positional-only arguments passed as keyword arguments: 'a' and 'b'");
    EXPECT_EQ(unexpected_keyword_message(f, "q"), "Vec3.abs_diff_eq() got an unexpected keyword argument 'q'");
    EXPECT_EQ(multiple_values_message(f, "rhs"), "Vec3.abs_diff_eq() got multiple values for argument 'rhs'");
}

// Reference values: the interpreter's own bytes hash with the hash seed 0 (SipHash-1-3, zero keys).
TEST(SipHash13, MatchesInterpreterBytesHash) {
    struct Case {
        std::vector<std::uint8_t> bytes;
        std::uint64_t hash;
    };
    std::vector<std::uint8_t> fifteen;
    for (std::uint8_t i = 0; i < 15; ++i) fifteen.push_back(i);
    const Case cases[] = {
        {{'a'}, 4644417185603328019ULL},
        {{'a', 'b', 'c', 'd', 'e', 'f', 'g', 'h'}, 4574395652268504554ULL},
        {{'a', 'b', 'c', 'd', 'e', 'f', 'g', 'h', 'i'}, 17913969820989044453ULL},
        {fifteen, 17514137373579004394ULL},
    };
    for (const Case& c : cases) EXPECT_EQ(siphash13(0, 0, c.bytes.data(), c.bytes.size()), c.hash);
    const double v[3] = {1, 2, 3};
    EXPECT_EQ(static_cast<std::uint64_t>(hash_doubles(v, 3)), 3511550596308926913ULL);
    // Zeros of either sign hash as the bytes of +0.0.
    const double zeros[3] = {0.0, -0.0, -0.0};
    EXPECT_EQ(static_cast<std::uint64_t>(hash_doubles(zeros, 3)), 17942395924573474124ULL);
}

TEST(SipHash13, ReservedMinusOneBecomesMinusTwo) {
    EXPECT_EQ(python_hash(0xFFFFFFFFFFFFFFFFULL), -2);
    EXPECT_EQ(python_hash(0xFFFFFFFFFFFFFFFEULL), -2);
    EXPECT_EQ(python_hash(0x8000000000000000ULL), INT64_MIN);
    EXPECT_EQ(python_hash(0), 0);
    EXPECT_EQ(python_hash(1), 1);
}

TEST(BorrowFlag, SharedAndExclusiveConflicts) {
    BorrowFlag flag;
    {
        SharedBorrow a(flag);
        SharedBorrow b(flag);
        try {
            ExclusiveBorrow c(flag);
            FAIL() << "exclusive borrow during shared borrows";
        } catch (const BorrowError& e) {
            EXPECT_STREQ(e.what(), "Already borrowed");
        }
    }
    {
        ExclusiveBorrow a(flag);
        try {
            SharedBorrow b(flag);
            FAIL() << "shared borrow during an exclusive borrow";
        } catch (const BorrowError& e) {
            EXPECT_STREQ(e.what(), "Already mutably borrowed");
        }
        EXPECT_THROW(ExclusiveBorrow c(flag), BorrowError);
    }
    // Everything released: both kinds work again.
    { ExclusiveBorrow a(flag); }
    { SharedBorrow a(flag); }
}

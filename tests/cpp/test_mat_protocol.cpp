// The protocol both square matrices share, run once per size.
#include <gtest/gtest.h>

#include <cmath>

#include "algebra/mat3.hpp"
#include "algebra/mat4.hpp"
#include "algebra_expect.hpp"

using namespace quorix;
using quorix::testing::all_near;
using quorix::testing::all_same;

namespace {

// A well-conditioned matrix with distinct entries: mCR = (C + 2) * (R + 1) / 7 + (C == R ? 3 : 0).
template <class M>
M sample() {
    M m{};
    for (std::size_t c = 0; c < M::dim; ++c)
        for (std::size_t r = 0; r < M::dim; ++r) m.cols[c].v[r] = double((c + 2) * (r + 1)) / 7 + (c == r ? 3 : 0);
    return m;
}

}  // namespace

template <class M>
class MatrixProtocol : public ::testing::Test {};
using MatrixTypes = ::testing::Types<DMat3, DMat4>;
TYPED_TEST_SUITE(MatrixProtocol, MatrixTypes);

TYPED_TEST(MatrixProtocol, InverseFamily) {
    using M = TypeParam;
    const M m = sample<M>();
    EXPECT_TRUE((m.inverse() * m).abs_diff_eq(M::identity(), 1e-15));
    EXPECT_TRUE((m * m.inverse()).abs_diff_eq(M::identity(), 1e-15));
    EXPECT_EQ(m.try_inverse(), std::optional<M>(m.inverse()));
    EXPECT_EQ(M::identity().inverse(), M::identity());
    EXPECT_EQ(M::identity().determinant(), 1.0);
    // Only a zero determinant is refused; a NaN one gives the NaN inverse.
    EXPECT_FALSE(M::zero().try_inverse().has_value());
    EXPECT_TRUE(all_same(M::zero().inverse_or_zero().to_array(), M::zero().to_array()));
    EXPECT_TRUE(all_same(M::zero().inverse().to_array(), M::nan().to_array()));
    ASSERT_TRUE(M::nan().try_inverse().has_value());
    EXPECT_TRUE(all_same(M::nan().try_inverse()->to_array(), M::nan().to_array()));
    EXPECT_TRUE((-m).determinant() == ((M::dim % 2) ? -m.determinant() : m.determinant()));
}

TYPED_TEST(MatrixProtocol, AccessAndEntryWiseOperations) {
    using M = TypeParam;
    using Col = typename M::Col;
    const M m = sample<M>();
    EXPECT_EQ(M::from_cols_array(m.to_cols_array()), m);
    EXPECT_EQ(m.transpose().transpose(), m);
    for (std::size_t i = 0; i < M::dim; ++i) {
        EXPECT_EQ(*m.checked_row(i), *m.transpose().checked_col(i));
        EXPECT_EQ(m.diagonal().v[i], m.cols[i].v[i]);
    }
    EXPECT_FALSE(m.checked_col(M::dim).has_value());
    EXPECT_FALSE(m.checked_row(M::dim).has_value());

    Col v{};
    for (std::size_t i = 0; i < M::dim; ++i) v.v[i] = 1.5 - double(i);
    EXPECT_EQ(m.mul_transpose_vec(v), m.transpose() * v);
    EXPECT_EQ(m.mul_diagonal_scale(v), m * M::from_diagonal(v));
    EXPECT_EQ(m * 2.0, m + m);
    EXPECT_EQ((m * 4.0) / 4.0, m);
    EXPECT_EQ(m - m, M::zero());
    EXPECT_EQ(m.recip().cols[1].v[0], 1.0 / m.cols[1].v[0]);
    EXPECT_EQ(M::zero().recip().cols[0].v[1], quorix::testing::kInf);
    // Signs of zeros: negation flips them and equality ignores them, abs clears them.
    EXPECT_EQ(-M::zero(), M::zero());
    EXPECT_TRUE(std::signbit((-M::zero()).cols[0].v[0]));
    EXPECT_FALSE(std::signbit((-M::zero()).abs().cols[0].v[0]));
    EXPECT_FALSE(M::nan() == M::nan());
    EXPECT_TRUE(M::nan().is_nan());
    EXPECT_FALSE(M::nan().is_finite());
    EXPECT_TRUE(m.is_finite());
    EXPECT_TRUE(m.abs_diff_eq(m + M::identity() * 0.25, 0.2500001));
    EXPECT_FALSE(m.abs_diff_eq(m + M::identity() * 0.25, 0.2499999));
}

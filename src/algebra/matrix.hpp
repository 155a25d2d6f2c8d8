// The protocol shared by the square matrices DMat3 and DMat4: N column vectors of N doubles,
// column-major (entry mCR is component R of column C, flat index N*C + R).
// M is the concrete matrix type (curiously recurring template); it supplies
// `inverse_and_determinant()` for the inverse family.
#pragma once

#include <array>
#include <cmath>
#include <cstddef>
#include <limits>
#include <optional>

#include "algebra/components.hpp"
#include "algebra/vec.hpp"
#include "algebra/vec_geometry.hpp"

namespace quorix {

template <class M>
struct InverseAndDeterminant {
    M inverse;
    double determinant;
};

template <class M, std::size_t N>
struct SquareMatrix {
    using Col = Vec<N>;
    static constexpr std::size_t dim = N;
    static constexpr std::size_t component_count = N * N;

    Col cols[N];

    // ---- construction ----
    static constexpr M from_cols(const Col& x, const Col& y, const Col& z)
        requires(N == 3)
    {
        M m{};
        m.cols[0] = x, m.cols[1] = y, m.cols[2] = z;
        return m;
    }
    static constexpr M from_cols(const Col& x, const Col& y, const Col& z, const Col& w)
        requires(N == 4)
    {
        M m{};
        m.cols[0] = x, m.cols[1] = y, m.cols[2] = z, m.cols[3] = w;
        return m;
    }
    static constexpr M from_cols_array(const std::array<double, N * N>& a) {
        M m{};
        for (std::size_t c = 0; c < N; ++c)
            for (std::size_t r = 0; r < N; ++r) m.cols[c].v[r] = a[N * c + r];
        return m;
    }
    static constexpr M from_array(const std::array<double, N * N>& a) { return from_cols_array(a); }
    static constexpr M from_diagonal(const Col& d) {
        M m{};
        for (std::size_t i = 0; i < N; ++i) m.cols[i].v[i] = d.v[i];
        return m;
    }
    static constexpr M zero() { return M{}; }
    static constexpr M identity() { return from_diagonal(Col::splat(1.0)); }
    static constexpr M nan() { return splat(std::numeric_limits<double>::quiet_NaN()); }

    // ---- access ----
    constexpr std::array<double, N * N> to_cols_array() const {
        std::array<double, N * N> a{};
        for (std::size_t c = 0; c < N; ++c)
            for (std::size_t r = 0; r < N; ++r) a[N * c + r] = cols[c].v[r];
        return a;
    }
    constexpr std::array<double, N * N> to_array() const { return to_cols_array(); }
    constexpr const Col& col(std::size_t i) const { return cols[i]; }
    constexpr Col row(std::size_t i) const {
        Col r{};
        for (std::size_t c = 0; c < N; ++c) r.v[c] = cols[c].v[i];
        return r;
    }
    // Index-checked forms: nothing for an index past the last column or row.
    constexpr std::optional<Col> checked_col(std::size_t i) const {
        if (i >= N) return std::nullopt;
        return cols[i];
    }
    constexpr std::optional<Col> checked_row(std::size_t i) const {
        if (i >= N) return std::nullopt;
        return row(i);
    }
    constexpr Col diagonal() const {
        Col d{};
        for (std::size_t i = 0; i < N; ++i) d.v[i] = cols[i].v[i];
        return d;
    }

    // ---- entry-wise arithmetic ----
    constexpr M transpose() const {
        M m{};
        for (std::size_t c = 0; c < N; ++c) m.cols[c] = row(c);
        return m;
    }
    constexpr M add(const M& o) const { return zip(o, [](const Col& a, const Col& b) { return a + b; }); }
    constexpr M sub(const M& o) const { return zip(o, [](const Col& a, const Col& b) { return a - b; }); }
    constexpr M neg() const { return map([](const Col& a) { return -a; }); }
    constexpr M mul_scalar(double f) const { return map([f](const Col& a) { return scale(f, a); }); }
    constexpr M div_scalar(double f) const { return map([f](const Col& a) { return a / f; }); }
    M abs() const { return map([](const Col& a) { return a.map([](double c) { return std::fabs(c); }); }); }
    constexpr M recip() const { return map([](const Col& a) { return 1.0 / a; }); }
    // Column C scaled by component C.
    constexpr M mul_diagonal_scale(const Col& s) const {
        M m{};
        for (std::size_t c = 0; c < N; ++c) m.cols[c] = cols[c] * s.v[c];
        return m;
    }

    // ---- products ----
    // ((x_axis*v.x + y_axis*v.y) + z_axis*v.z) [+ w_axis*v.w], one rounding per operation.
    constexpr Col mul_vec(const Col& v) const {
        Col r = cols[0] * v.v[0];
        for (std::size_t c = 1; c < N; ++c) r = r + cols[c] * v.v[c];
        return r;
    }
    // Column C of the product is this matrix applied to column C of o.
    constexpr M mul_mat(const M& o) const {
        M m{};
        for (std::size_t c = 0; c < N; ++c) m.cols[c] = mul_vec(o.cols[c]);
        return m;
    }
    // (x_axis . v, y_axis . v, ...): the transpose applied to v.
    constexpr Col mul_transpose_vec(const Col& v) const {
        Col r{};
        for (std::size_t c = 0; c < N; ++c) r.v[c] = dot(cols[c], v);
        return r;
    }

    // ---- inverse family ----
    double determinant() const { return self().inverse_and_determinant().determinant; }
    // Unchecked: a singular matrix gives infinities and NaNs.
    M inverse() const { return self().inverse_and_determinant().inverse; }
    // Nothing only for a zero determinant; a NaN determinant gives the NaN inverse.
    std::optional<M> try_inverse() const {
        auto [inv, det] = self().inverse_and_determinant();
        if (det == 0.0) return std::nullopt;
        return inv;
    }
    M inverse_or_zero() const { return try_inverse().value_or(M{}); }

    // ---- tests ----
    bool is_finite() const { return all_finite(to_cols_array()); }
    bool is_nan() const { return any_nan(to_cols_array()); }
    bool abs_diff_eq(const M& o, double max_abs_diff) const {
        return quorix::abs_diff_eq(to_cols_array(), o.to_cols_array(), max_abs_diff);
    }

    // ---- operators (hidden friends, found through the concrete type) ----
    friend constexpr M operator+(const M& a, const M& b) { return a.add(b); }
    friend constexpr M operator-(const M& a, const M& b) { return a.sub(b); }
    friend constexpr M operator-(const M& a) { return a.neg(); }
    friend constexpr M operator*(const M& a, const M& b) { return a.mul_mat(b); }
    friend constexpr Col operator*(const M& a, const Col& v) { return a.mul_vec(v); }
    friend constexpr M operator*(const M& a, double f) { return a.mul_scalar(f); }
    friend constexpr M operator*(double f, const M& a) { return a.mul_scalar(f); }
    friend constexpr M operator/(const M& a, double f) { return a.div_scalar(f); }
    // IEEE equality entry by entry.
    friend constexpr bool operator==(const M& a, const M& b) {
        for (std::size_t c = 0; c < N; ++c)
            if (!(a.cols[c] == b.cols[c])) return false;
        return true;
    }

   private:
    constexpr const M& self() const { return static_cast<const M&>(*this); }
    static constexpr M splat(double v) {
        M m{};
        for (auto& c : m.cols) c = Col::splat(v);
        return m;
    }
    template <class F>
    constexpr M map(F f) const {
        M m{};
        for (std::size_t c = 0; c < N; ++c) m.cols[c] = f(cols[c]);
        return m;
    }
    template <class F>
    constexpr M zip(const M& o, F f) const {
        M m{};
        for (std::size_t c = 0; c < N; ++c) m.cols[c] = f(cols[c], o.cols[c]);
        return m;
    }
};

}  // namespace quorix

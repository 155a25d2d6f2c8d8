#include "algebra/mat4.hpp"

#include "support/fault.hpp"

namespace quorix {

InverseAndDeterminant<DMat4> DMat4::inverse_and_determinant() const {
    auto m = [this](int c, int r) { return cols[c].v[r]; };
    auto minor = [&](int a, int b, int c, int d, int e, int f, int g, int h) {
        return m(a, b) * m(c, d) - m(e, f) * m(g, h);
    };
    const double coef00 = minor(2, 2, 3, 3, 3, 2, 2, 3), coef02 = minor(1, 2, 3, 3, 3, 2, 1, 3),
                 coef03 = minor(1, 2, 2, 3, 2, 2, 1, 3);
    const double coef04 = minor(2, 1, 3, 3, 3, 1, 2, 3), coef06 = minor(1, 1, 3, 3, 3, 1, 1, 3),
                 coef07 = minor(1, 1, 2, 3, 2, 1, 1, 3);
    const double coef08 = minor(2, 1, 3, 2, 3, 1, 2, 2), coef10 = minor(1, 1, 3, 2, 3, 1, 1, 2),
                 coef11 = minor(1, 1, 2, 2, 2, 1, 1, 2);
    const double coef12 = minor(2, 0, 3, 3, 3, 0, 2, 3), coef14 = minor(1, 0, 3, 3, 3, 0, 1, 3),
                 coef15 = minor(1, 0, 2, 3, 2, 0, 1, 3);
    const double coef16 = minor(2, 0, 3, 2, 3, 0, 2, 2), coef18 = minor(1, 0, 3, 2, 3, 0, 1, 2),
                 coef19 = minor(1, 0, 2, 2, 2, 0, 1, 2);
    const double coef20 = minor(2, 0, 3, 1, 3, 0, 2, 1), coef22 = minor(1, 0, 3, 1, 3, 0, 1, 1),
                 coef23 = minor(1, 0, 2, 1, 2, 0, 1, 1);

    const DVec4 f0{{coef00, coef00, coef02, coef03}}, f1{{coef04, coef04, coef06, coef07}},
        f2{{coef08, coef08, coef10, coef11}}, f3{{coef12, coef12, coef14, coef15}},
        f4{{coef16, coef16, coef18, coef19}}, f5{{coef20, coef20, coef22, coef23}};
    const DVec4 e0{{m(1, 0), m(0, 0), m(0, 0), m(0, 0)}}, e1{{m(1, 1), m(0, 1), m(0, 1), m(0, 1)}},
        e2{{m(1, 2), m(0, 2), m(0, 2), m(0, 2)}}, e3{{m(1, 3), m(0, 3), m(0, 3), m(0, 3)}};

    const DVec4 i0 = (e1 * f0 - e2 * f1) + e3 * f2;
    const DVec4 i1 = (e0 * f0 - e2 * f3) + e3 * f4;
    const DVec4 i2 = (e0 * f1 - e1 * f3) + e3 * f5;
    const DVec4 i3 = (e0 * f2 - e1 * f4) + e2 * f5;

    const double det = ((m(0, 0) * i0.x() - m(0, 1) * i1.x()) + m(0, 2) * i2.x()) - m(0, 3) * i3.x();
    const double r = 1.0 / det;
    auto negate_yw = [r](const DVec4& v) { return DVec4{{v.x(), -v.y(), v.z(), -v.w()}} * r; };
    auto negate_xz = [r](const DVec4& v) { return DVec4{{-v.x(), v.y(), -v.z(), v.w()}} * r; };
    return {from_cols(negate_yw(i0), negate_xz(i1), negate_yw(i2), negate_xz(i3)),
            det};
}

DMat3 DMat3::from_mat4(const DMat4& m) { return m.upper_left(); }

DMat3 DMat3::from_mat4_minor(const DMat4& m, std::size_t i, std::size_t j) {
    if (i > 3 || j > 3) throw Fault("index out of bounds");
    DMat3 out{};
    std::size_t oc = 0;
    for (std::size_t c = 0; c < 4; ++c) {
        if (c == i) continue;
        std::size_t orow = 0;
        for (std::size_t r = 0; r < 4; ++r) {
            if (r == j) continue;
            out.cols[oc].v[orow++] = m.cols[c].v[r];
        }
        ++oc;
    }
    return out;
}

}  // namespace quorix

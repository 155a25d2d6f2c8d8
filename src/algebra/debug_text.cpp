#include "algebra/affine3.hpp"
#include "support/float_text.hpp"

namespace quorix {

void append_debug(std::string& out, const DVec3& v) {
    out += "DVec3(";
    for (std::size_t i = 0; i < 3; ++i) {
        if (i) out += ", ";
        append_debug(out, v.v[i]);
    }
    out += ')';
}

void append_debug(std::string& out, const DMat3& m) {
    static constexpr const char* names[] = {"x_axis: ", "y_axis: ", "z_axis: "};
    out += "DMat3 { ";
    for (std::size_t c = 0; c < 3; ++c) {
        if (c) out += ", ";
        out += names[c];
        append_debug(out, m.cols[c]);
    }
    out += " }";
}

}  // namespace quorix

#include "support/fault.hpp"

#include "support/float_text.hpp"

namespace quorix {
namespace {
template <class F>
[[noreturn]] void clamp_fault(F min, F max) {
    std::string msg = "min > max, or either was NaN. min = ";
    append_debug(msg, min);
    msg += ", max = ";
    append_debug(msg, max);
    throw Fault(msg);
}
}  // namespace

void fail_clamp(double min, double max) { clamp_fault(min, max); }
void fail_clamp(float min, float max) { clamp_fault(min, max); }

}  // namespace quorix

// Internal faults: a broken invariant that stops an operation. The Python layer reports them as
// PanicException; nothing below it knows about Python.
#pragma once

#include <source_location>
#include <stdexcept>
#include <string>

namespace quorix {

struct Fault : std::runtime_error {
    explicit Fault(const std::string& message, std::source_location where = std::source_location::current())
        : std::runtime_error(message), where(where) {}
    std::source_location where;  // where the fault was raised, for the fault report
};

// The range clamp's check: lower bound above upper bound, or either NaN.
[[noreturn]] void fail_clamp(double min, double max);
[[noreturn]] void fail_clamp(float min, float max);

// Clamp that faults exactly where the range is unusable, then clamps as min(max(x, lo), hi).
template <class F>
F checked_clamp(F x, F lo, F hi) {
    if (!(lo <= hi)) fail_clamp(lo, hi);
    if (x < lo) x = lo;
    if (x > hi) x = hi;
    return x;
}

}  // namespace quorix

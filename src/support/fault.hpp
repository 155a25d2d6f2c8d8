// Internal faults: a broken invariant that stops an operation. The Python layer reports them as
// PanicException; nothing below it knows about Python.
#pragma once

#include <stdexcept>
#include <string>
#include <version>

#if defined(__cpp_lib_source_location)
#include <source_location>
#endif

namespace quorix {

#if defined(__cpp_lib_source_location)
using SourceLocation = std::source_location;
#else
// Standard libraries whose std::source_location the compiler cannot build (clang 14 with
// libstdc++ 12, which the fuzz targets use) get the same data from the compiler's builtins.
struct SourceLocation {
    static constexpr SourceLocation current(const char* file = __builtin_FILE(), unsigned line = __builtin_LINE(),
                                            unsigned column = __builtin_COLUMN()) {
        SourceLocation s;
        s.file_ = file;
        s.line_ = line;
        s.column_ = column;
        return s;
    }
    constexpr const char* file_name() const { return file_; }
    constexpr unsigned line() const { return line_; }
    constexpr unsigned column() const { return column_; }

private:
    const char* file_ = "";
    unsigned line_ = 0;
    unsigned column_ = 0;
};
#endif

struct Fault : std::runtime_error {
    explicit Fault(const std::string& message, SourceLocation where = SourceLocation::current())
        : std::runtime_error(message), where(where) {}
    SourceLocation where;  // where the fault was raised, for the fault report
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

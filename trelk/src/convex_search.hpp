// One-dimensional search for routines that sample a parameter and must not miss the minimum
// lying between their samples.
#pragma once

namespace trelk {

// Whether the convex function f on [0, 1] reaches down to `bound`: golden-section search on the
// bracket that holds its minimum, stopping at the first value within bound. About forty steps
// bring the bracket to the spacing of floats near 1.
template <class F>
bool convex_min_within(const F& f, float bound) {
    constexpr float golden = 0.618034f;
    float a = 0.0f, b = 1.0f;
    float c = b - golden * (b - a), d = a + golden * (b - a);
    float fc = f(c), fd = f(d);
    for (int step = 0; step < 40; ++step) {
        if (fc <= bound || fd <= bound) return true;
        if (fc < fd) {
            b = d, d = c, fd = fc;
            c = b - golden * (b - a);
            fc = f(c);
        } else {
            a = c, c = d, fc = fd;
            d = a + golden * (b - a);
            fd = f(d);
        }
        if (!(a < b)) break;
    }
    return fc <= bound || fd <= bound;
}

}  // namespace trelk

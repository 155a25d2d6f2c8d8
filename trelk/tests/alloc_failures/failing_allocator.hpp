// A switch over this test binary's allocation functions: while armed it counts every allocation
// (plain, array, nothrow and aligned `new`, and the page mappings behind large aligned buffers) and
// makes the n-th one fail, as the system would when memory runs out.
#pragma once

namespace failing_allocator {

struct Tally {
    long made = 0;       // allocations asked for while armed, the failed one included
    bool failed = false;  // the chosen one was reached
    bool quiet = false;   // ... and it was one that reports failure without throwing (nothrow new)
};

// Counts from zero; allocation number fail_at (from 1) fails, none when fail_at is 0.
void arm(long fail_at);
Tally disarm();

}  // namespace failing_allocator

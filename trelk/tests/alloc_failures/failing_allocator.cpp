// The replacement allocation functions behind failing_allocator.hpp. Every form is replaced, all on
// malloc, aligned_alloc and free, so that no block crosses between these and the runtime's own
// forms (a sanitizer checks that pairing). A throwing form fails with std::bad_alloc, a nothrow form
// with null, a page mapping with MAP_FAILED and ENOMEM.
#include "failing_allocator.hpp"

#include <cerrno>
#include <cstdarg>
#include <cstddef>
#include <cstdlib>
#include <new>

#if defined(__linux__)
#include <sys/mman.h>
#include <sys/syscall.h>
#include <unistd.h>
#endif

namespace failing_allocator {

namespace {

thread_local bool g_armed = false;
thread_local long g_fail_at = 0;
thread_local Tally g_tally;

// Counts one allocation; true when it is the one to fail.
bool fails_now(bool quiet) noexcept {
    if (!g_armed) return false;
    if (++g_tally.made != g_fail_at) return false;
    g_tally.failed = true;
    g_tally.quiet = quiet;
    return true;
}

void* plain(std::size_t n, bool quiet) noexcept {
    return fails_now(quiet) ? nullptr : std::malloc(n ? n : 1);
}

void* aligned(std::size_t n, std::align_val_t al, bool quiet) noexcept {
    const std::size_t a = static_cast<std::size_t>(al);
    return fails_now(quiet) ? nullptr : std::aligned_alloc(a, (n + a - 1) / a * a + (n == 0 ? a : 0));
}

void* or_throw(void* p) {
    if (!p) throw std::bad_alloc();
    return p;
}

}  // namespace

void arm(long fail_at) {
    g_tally = {};
    g_fail_at = fail_at;
    g_armed = true;
}

Tally disarm() {
    g_armed = false;
    return g_tally;
}

}  // namespace failing_allocator

using failing_allocator::aligned;
using failing_allocator::or_throw;
using failing_allocator::plain;

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void* operator new(std::size_t n) { return or_throw(plain(n, false)); }
void* operator new[](std::size_t n) { return or_throw(plain(n, false)); }
void* operator new(std::size_t n, const std::nothrow_t&) noexcept { return plain(n, true); }
void* operator new[](std::size_t n, const std::nothrow_t&) noexcept { return plain(n, true); }
void* operator new(std::size_t n, std::align_val_t a) { return or_throw(aligned(n, a, false)); }
void* operator new[](std::size_t n, std::align_val_t a) { return or_throw(aligned(n, a, false)); }
void* operator new(std::size_t n, std::align_val_t a, const std::nothrow_t&) noexcept { return aligned(n, a, true); }
void* operator new[](std::size_t n, std::align_val_t a, const std::nothrow_t&) noexcept { return aligned(n, a, true); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete(void* p, std::align_val_t) noexcept { std::free(p); }
void operator delete[](void* p, std::align_val_t) noexcept { std::free(p); }
void operator delete(void* p, std::size_t, std::align_val_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t, std::align_val_t) noexcept { std::free(p); }
void operator delete(void* p, std::align_val_t, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, std::align_val_t, const std::nothrow_t&) noexcept { std::free(p); }
#pragma GCC diagnostic pop

#if defined(__linux__)
// Large aligned buffers map their own pages. These take the place of the C library's calls for the
// whole binary and go straight to the kernel, as those do.
extern "C" void* mmap(void* addr, std::size_t len, int prot, int flags, int fd, off_t offset) noexcept {
    if (failing_allocator::fails_now(false)) {
        errno = ENOMEM;
        return MAP_FAILED;
    }
    return reinterpret_cast<void*>(syscall(SYS_mmap, addr, len, prot, flags, fd, offset));
}

extern "C" void* mremap(void* old, std::size_t old_len, std::size_t new_len, int flags, ...) noexcept {
    void* to = nullptr;
    if (flags & MREMAP_FIXED) {
        va_list args;
        va_start(args, flags);
        to = va_arg(args, void*);
        va_end(args);
    }
    if (failing_allocator::fails_now(false)) {
        errno = ENOMEM;
        return MAP_FAILED;
    }
    return reinterpret_cast<void*>(syscall(SYS_mremap, old, old_len, new_len, flags, to));
}
#endif

// Borrow flag of the mutable classes: any number of shared borrows or one exclusive borrow.
// Atomic, so it holds without the interpreter lock; a conflict is an error, never a wait.
#pragma once

#include <atomic>
#include <cstdint>
#include <stdexcept>
#include <utility>

namespace quorix::py {

// Reported to Python as RuntimeError with this text.
struct BorrowError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

class BorrowFlag {
public:
    void acquire_shared() {
        std::int64_t n = state_.load(std::memory_order_relaxed);
        do {
            if (n == exclusive) throw BorrowError("Already mutably borrowed");
        } while (!state_.compare_exchange_weak(n, n + 1, std::memory_order_acquire, std::memory_order_relaxed));
    }
    void release_shared() { state_.fetch_sub(1, std::memory_order_release); }

    void acquire_exclusive() {
        std::int64_t expected = 0;
        if (!state_.compare_exchange_strong(expected, exclusive, std::memory_order_acquire, std::memory_order_relaxed))
            throw BorrowError("Already borrowed");
    }
    void release_exclusive() { state_.store(0, std::memory_order_release); }

private:
    static constexpr std::int64_t exclusive = -1;
    std::atomic<std::int64_t> state_{0};
};

// Scoped borrows, released on every exit path.
template <void (BorrowFlag::*Acquire)(), void (BorrowFlag::*Release)()>
class ScopedBorrow {
public:
    explicit ScopedBorrow(BorrowFlag& f) : f_(f) { (f_.*Acquire)(); }
    ~ScopedBorrow() { (f_.*Release)(); }
    ScopedBorrow(const ScopedBorrow&) = delete;
    ScopedBorrow& operator=(const ScopedBorrow&) = delete;

private:
    BorrowFlag& f_;
};

using SharedBorrow = ScopedBorrow<&BorrowFlag::acquire_shared, &BorrowFlag::release_shared>;
using ExclusiveBorrow = ScopedBorrow<&BorrowFlag::acquire_exclusive, &BorrowFlag::release_exclusive>;

// What a mutable class's object holds: the value, then its borrow flag. A new holder (made from a
// value, or moved from another holder while the object is built) starts free.
template <class V>
struct Guarded {
    V value;
    BorrowFlag flag;

    Guarded() = default;
    explicit Guarded(V v) : value(std::move(v)) {}
    Guarded(Guarded&& o) : value(std::move(o.value)) {}
    Guarded& operator=(Guarded&&) = delete;
};

}  // namespace quorix::py

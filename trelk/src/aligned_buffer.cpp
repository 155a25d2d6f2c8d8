#include "aligned_buffer.hpp"

#include <limits>

#if defined(__linux__)
#include <sys/mman.h>
#include <unistd.h>
#define TRELK_MAPPED_BUFFERS 1
#endif

namespace trelk {

namespace {

// Below this a block shares the heap; at or above it the page rounding costs nothing noticeable.
constexpr std::size_t kMappedBytes = std::size_t{1} << 20;

std::size_t bytes_of(std::size_t capacity) {
    if (capacity > std::numeric_limits<std::size_t>::max() / sizeof(float)) throw std::bad_alloc();
    return capacity * sizeof(float);
}

#if defined(TRELK_MAPPED_BUFFERS)
bool is_mapped(std::size_t capacity) { return bytes_of(capacity) >= kMappedBytes; }

std::size_t mapped_length(std::size_t capacity) {
    static const std::size_t page = std::size_t(sysconf(_SC_PAGESIZE));
    return (bytes_of(capacity) + page - 1) / page * page;
}
#endif

}  // namespace

float* AlignedBuffer::allocate(std::size_t capacity) {
    if (capacity == 0) return nullptr;
#if defined(TRELK_MAPPED_BUFFERS)
    if (is_mapped(capacity)) {
        void* p = mmap(nullptr, mapped_length(capacity), PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (p == MAP_FAILED) throw std::bad_alloc();
        return static_cast<float*>(p);  // page-aligned
    }
#endif
    return static_cast<float*>(::operator new(bytes_of(capacity), std::align_val_t{alignment}));
}

void AlignedBuffer::release(float* p, std::size_t capacity) {
    if (!p) return;
#if defined(TRELK_MAPPED_BUFFERS)
    if (is_mapped(capacity)) {
        munmap(p, mapped_length(capacity));
        return;
    }
#endif
    ::operator delete(p, std::align_val_t{alignment});
}

float* AlignedBuffer::move_storage(float* p, std::size_t size, std::size_t from, std::size_t to) {
#if defined(TRELK_MAPPED_BUFFERS)
    if (p && is_mapped(from) && is_mapped(to)) {
        void* q = mremap(p, mapped_length(from), mapped_length(to), MREMAP_MAYMOVE);
        if (q == MAP_FAILED) throw std::bad_alloc();
        return static_cast<float*>(q);
    }
#endif
    float* fresh = allocate(to);
    if (size) std::memcpy(fresh, p, size * sizeof(float));
    release(p, from);
    return fresh;
}

}  // namespace trelk

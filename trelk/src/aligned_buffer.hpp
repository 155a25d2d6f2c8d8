// Growable float buffer whose storage starts on a 32-byte boundary, so eight-lane scans can use
// aligned loads. Copies are deep; capacity of a copy equals its length.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <new>
#include <utility>

namespace trelk {

class AlignedBuffer {
public:
    static constexpr std::size_t alignment = 32;
    using value_type = float;

    AlignedBuffer() = default;
    explicit AlignedBuffer(std::size_t n, float fill = 0.0f) {
        reserve(n);
        std::fill_n(data_, n, fill);
        size_ = n;
    }
    AlignedBuffer(const AlignedBuffer& o) {
        reserve(o.size_);
        if (o.size_) std::memcpy(data_, o.data_, o.size_ * sizeof(float));
        size_ = o.size_;
    }
    AlignedBuffer(AlignedBuffer&& o) noexcept
        : data_(std::exchange(o.data_, nullptr)),
          size_(std::exchange(o.size_, 0)),
          capacity_(std::exchange(o.capacity_, 0)) {}
    AlignedBuffer& operator=(AlignedBuffer o) noexcept {
        swap(o);
        return *this;
    }
    ~AlignedBuffer() { release(data_, capacity_); }

    void swap(AlignedBuffer& o) noexcept {
        std::swap(data_, o.data_);
        std::swap(size_, o.size_);
        std::swap(capacity_, o.capacity_);
    }

    std::size_t size() const { return size_; }
    std::size_t capacity() const { return capacity_; }
    bool empty() const { return size_ == 0; }
    float* data() { return data_; }
    const float* data() const { return data_; }
    float& operator[](std::size_t i) { return data_[i]; }
    float operator[](std::size_t i) const { return data_[i]; }
    const float* begin() const { return data_; }
    const float* end() const { return data_ + size_; }

    void reserve(std::size_t n) {
        if (n > capacity_) reallocate(n);
    }
    void push_back(float x) {
        if (size_ == capacity_) reallocate(capacity_ ? capacity_ * 2 : 8);
        data_[size_++] = x;
    }
    // Appends n unset entries (growing geometrically) and returns the first of them.
    float* extend(std::size_t n) {
        if (size_ + n > capacity_) reallocate(std::max(size_ + n, 2 * capacity_));
        float* first = data_ + size_;
        size_ += n;
        return first;
    }
    void clear() { size_ = 0; }
    void shrink_to_fit() {
        if (capacity_ != size_) reallocate(size_);
    }

private:
    // Storage for `capacity` floats on a 32-byte boundary. Large blocks are pages mapped for the
    // buffer alone where the system allows it, so that growing or shrinking one remaps its pages
    // instead of copying them (and only pages written to are ever touched).
    static float* allocate(std::size_t capacity);
    static void release(float* p, std::size_t capacity);
    // Storage of `to` floats holding the first `size` floats of p (storage of `from` floats).
    static float* move_storage(float* p, std::size_t size, std::size_t from, std::size_t to);

    void reallocate(std::size_t n) {
        data_ = move_storage(data_, size_, capacity_, n);
        capacity_ = n;
    }

    float* data_ = nullptr;
    std::size_t size_ = 0;
    std::size_t capacity_ = 0;
};

}  // namespace trelk

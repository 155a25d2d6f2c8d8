// States past 4 GiB: the Document's ids stop there, the direct path does not. The streams are made
// without 4 GiB of memory: the value, then zero-length FRAMEs (no-ops to the pickle machine) from
// one small file mapped over and over, then STOP.
#include <gtest/gtest.h>

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "pickle/record.hpp"
#include "pointcloud/aabb.hpp"
#include "storage.hpp"

namespace {

namespace qp = quorix::pickle;
using Bytes = std::vector<std::uint8_t>;

class FramePaddedStream {
public:
    // `head` (PROTO and the value), then at least `frame_bytes` of FRAMEs, then STOP.
    FramePaddedStream(const Bytes& head, std::size_t frame_bytes) {
        const auto page = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
        const std::size_t chunk = 9 * page * 256;  // whole pages and whole frames
        const std::size_t chunks = frame_bytes / chunk + 1;
        if (head.size() > page) return;
        size_ = 2 * page + chunks * chunk;
        void* base = mmap(nullptr, size_, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
        if (base == MAP_FAILED) return;
        base_ = static_cast<std::uint8_t*>(base);
        const int fd = memfd_create("frames", 0);
        if (fd < 0 || ftruncate(fd, static_cast<off_t>(chunk)) != 0) return;
        std::vector<std::uint8_t> frames(chunk, 0);
        for (std::size_t i = 0; i < chunk; i += 9) frames[i] = 0x95;
        const bool written = write(fd, frames.data(), chunk) == static_cast<ssize_t>(chunk);
        bool mapped = written;
        for (std::size_t i = 0; mapped && i < chunks; ++i)
            mapped = mmap(base_ + page + i * chunk, chunk, PROT_READ, MAP_SHARED | MAP_FIXED, fd, 0) != MAP_FAILED;
        close(fd);
        std::uint8_t* ends = base_ + page + chunks * chunk;
        for (std::uint8_t* p : {base_, ends})
            mapped = mapped && mmap(p, page, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED, -1, 0) != MAP_FAILED;
        if (!mapped) return;
        std::memcpy(base_ + page - head.size(), head.data(), head.size());
        *ends = '.';
        bytes_ = {base_ + page - head.size(), head.size() + chunks * chunk + 1};
    }
    ~FramePaddedStream() {
        if (base_) munmap(base_, size_);
    }
    FramePaddedStream(const FramePaddedStream&) = delete;
    FramePaddedStream& operator=(const FramePaddedStream&) = delete;

    std::span<const std::uint8_t> bytes() const { return bytes_; }

private:
    std::uint8_t* base_ = nullptr;
    std::size_t size_ = 0;
    std::span<const std::uint8_t> bytes_;
};

constexpr std::size_t past_4_gib = (std::size_t{1} << 32) + 1;

// PROTO 3 and the value `body` writes, without STOP.
Bytes head(const std::function<void(qp::Writer&)>& body) {
    Bytes out;
    out.reserve(256);  // also spares GCC 12 a false -Wstringop-overflow on the first insert
    qp::Writer w(out);
    w.proto3();
    body(w);
    return out;
}

void sphere_fields(qp::Writer& w) {
    w.text("center"), w.mark(), w.float64(1), w.float64(2), w.float64(3), w.tuple();
    w.text("radius"), w.float64(0.5);
}

template <class T>
std::string decode_message(std::span<const std::uint8_t> bytes) {
    T value{};
    try {
        qp::decode_state(bytes, value);
    } catch (const qp::DecodeError& e) {
        return std::string(e.message());
    }
    return "no error";
}

}  // namespace

TEST(PickleLargeStreams, PastTheDocumentsLimitTheDirectPathDecides) {
    const FramePaddedStream sphere(head([](qp::Writer& w) { w.empty_dict(), w.mark(), sphere_fields(w), w.setitems(); }),
                                   past_4_gib);
    if (sphere.bytes().empty()) GTEST_SKIP() << "cannot map a stream past 4 GiB here";
    ASSERT_GE(sphere.bytes().size(), qp::document_size_limit);

    trelk::Sphere s;
    qp::decode_state(sphere.bytes(), s);
    EXPECT_EQ(s.center.x, 1.0f);
    EXPECT_EQ(s.center.z, 3.0f);
    EXPECT_EQ(s.radius, 0.5f);
    EXPECT_EQ(decode_message<trelk::Sphere>(sphere.bytes()), "no error");

    // The Document itself still refuses it before reading a byte.
    trelk::Sphere through_document;
    try {
        qp::decode_state_through_document(sphere.bytes(), through_document);
        ADD_FAILURE() << "the Document read a stream past its limit";
    } catch (const qp::DecodeError& e) {
        EXPECT_STREQ(e.what(), "eval error at offset 0: pickle too large");
    }

    // A form the direct path leaves to the Document gets the Document's limit; a value its type
    // refuses, the type's own message.
    const FramePaddedStream unknown_key(
        head([](qp::Writer& w) { w.empty_dict(), w.mark(), w.text("extra"), w.none(), sphere_fields(w), w.setitems(); }),
        past_4_gib);
    EXPECT_EQ(decode_message<trelk::Sphere>(unknown_key.bytes()), "eval error at offset 0: pickle too large");
    const FramePaddedStream short_box(head([](qp::Writer& w) {
                                          w.empty_dict(), w.mark(), w.text("lo"), w.empty_list(), w.mark();
                                          w.float64(0), w.float64(0), w.appends();
                                          w.text("hi"), w.empty_list(), w.mark();
                                          w.float64(1), w.float64(1), w.float64(1), w.appends(), w.setitems();
                                      }),
                                      past_4_gib);
    EXPECT_EQ(decode_message<trelk::pointcloud::Aabb>(short_box.bytes()),
              "decoding error: invalid length 0, expected expected array of correct length");
}

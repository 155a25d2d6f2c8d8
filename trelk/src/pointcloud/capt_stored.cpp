// Writing and reading a point tree. A stored tree may come from foreign bytes, so reading checks the
// tree's shape before anything is allocated for it: a descent of depth d reads tests[0 .. 2^d - 1),
// one box and two run bounds of leaf z < 2^d, and runs of whole eight-lane blocks inside the planes.
#include <algorithm>
#include <bit>
#include <string>

#include "pointcloud/capt.hpp"
#include "stored_form.hpp"

namespace trelk::pointcloud {

namespace {

[[noreturn]] void refuse(const std::string& why) { throw StoredFormError(why); }

std::string num(std::size_t n) { return std::to_string(n); }

// Lane counts up to 2^60 describe an alignment the allocator could express; beyond, none.
void check_lane_count(std::uint32_t lanes_log2) {
    if (lanes_log2 % 64 >= 61) refuse("invalid parameters to Layout::from_size_align");
}

void check_shape(const CaptData& d) {
    const std::size_t leaves = d.tests.size() + 1;
    if (!std::has_single_bit(leaves))
        refuse("invalid CAPT: " + num(d.tests.size()) + " split values, expected one less than a power of two");
    if (d.aabbs.size() != leaves)
        refuse("invalid CAPT: " + num(d.aabbs.size()) + " leaf boxes, expected " + num(leaves));
    if (d.starts.size() != leaves + 1)
        refuse("invalid CAPT: " + num(d.starts.size()) + " run bounds, expected " + num(leaves + 1));
    const std::size_t len = d.afforded[0].size();
    if (d.afforded[1].size() != len || d.afforded[2].size() != len)
        refuse("invalid CAPT: afforded arrays of lengths " + num(len) + ", " + num(d.afforded[1].size()) + ", " +
               num(d.afforded[2].size()));
    std::uint32_t previous = 0;
    for (std::size_t z = 0; z < d.starts.size(); ++z) {
        const std::uint32_t s = d.starts[z];
        if (s < previous || s % 8 != 0 || s > len)
            refuse("invalid CAPT: run bound " + num(s) + " at " + num(z) +
                   " is not a non-decreasing multiple of 8 within the afforded length " + num(len));
        previous = s;
    }
}

}  // namespace

Aabb Aabb::from_stored(AabbData&& data) {
    if (data.lo.size() != 3 || data.hi.size() != 3)
        throw StoredFormError("invalid length 0, expected expected array of correct length");
    return {{data.lo[0], data.lo[1], data.lo[2]}, {data.hi[0], data.hi[1], data.hi[2]}};
}

CaptView Capt::stored_view() const {
    return {tests_,
            aabbs_,
            starts_,
            {std::span<const float>(afforded_[0].begin(), afforded_[0].end()),
             std::span<const float>(afforded_[1].begin(), afforded_[1].end()),
             std::span<const float>(afforded_[2].begin(), afforded_[2].end())},
            r_point_,
            lanes_log2_};
}

Capt Capt::from_stored(CaptData&& d) {
    check_lane_count(d.lanes_log2);
    if (d.afforded.size() != 3)
        refuse("expected 3 afforded arrays, got " + num(d.afforded.size()));
    check_shape(d);

    // The planes always start on a 32-byte boundary, which satisfies every stored lane count up to
    // eight lanes; wider requests are capped there, since the queries never load more than eight.
    Capt t;
    for (int a = 0; a < 3; ++a) {
        d.afforded[a].shrink_to_fit();
        t.afforded_[a] = std::move(d.afforded[a]);
    }
    t.tests_ = std::move(d.tests);
    t.aabbs_ = std::move(d.aabbs);
    t.starts_ = std::move(d.starts);
    t.r_point_ = d.r_point;
    t.lanes_log2_ = d.lanes_log2;
    t.derive_node_boxes();
    return t;
}

}  // namespace trelk::pointcloud

// Stored record of a point tree: its six tables as plain lists, in declared order.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "aligned_buffer.hpp"
#include "pointcloud/aabb.hpp"
#include "stored_form.hpp"

namespace trelk::pointcloud {

// As read: taken on trust by nothing; Capt::from_stored checks every size before use. The planes
// are read straight into aligned buffers, which the tree then keeps.
struct CaptData {
    std::vector<float> tests;
    std::vector<Aabb> aabbs;
    std::vector<std::uint32_t> starts;
    std::vector<AlignedBuffer> afforded;
    float r_point = 0.0f;
    std::uint32_t lanes_log2 = 0;
};

// As written: views of the tree's own tables.
struct CaptView {
    std::span<const float> tests;
    std::span<const Aabb> aabbs;
    std::span<const std::uint32_t> starts;
    std::vector<std::span<const float>> afforded;  // x, y, z planes
    float r_point = 0.0f;
    std::uint32_t lanes_log2 = 0;
};

template <class V, ReadOrWritten<CaptData, CaptView> Record>
void visit_fields(V& v, Record& r) {
    v.record("CaptData");
    v.field("tests", r.tests);
    v.field("aabbs", r.aabbs);
    v.field("starts", r.starts);
    v.field("afforded", r.afforded);
    v.field("r_point", r.r_point);
    v.field("lanes_log2", r.lanes_log2);
}

}  // namespace trelk::pointcloud

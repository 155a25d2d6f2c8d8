// The point-cloud kind of a collider that never holds point clouds (the result of a sweep). Nothing
// ever builds one into a collider, so its group stays empty.
#pragma once

#include "sphere.hpp"

namespace trelk::pointcloud::no_pcl {

struct NoPcl {
    friend bool operator==(const NoPcl&, const NoPcl&) = default;
};

inline Sphere broadphase(const NoPcl&) { return {}; }

// Stored as an empty record; never written, since the group is always empty.
template <class V>
void visit_fields(V& v, NoPcl&) {
    v.record("NoPcl");
}

}  // namespace trelk::pointcloud::no_pcl

namespace trelk {
using pointcloud::no_pcl::NoPcl;
}  // namespace trelk

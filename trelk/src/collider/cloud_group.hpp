// The point-cloud group's answer to each query kind. A collider without clouds has nothing to ask.
#pragma once

#include "broad_collection.hpp"
#include "pointcloud/no_pcl.hpp"

namespace trelk {

template <class Query>
bool cloud_group_collides(const BroadCollection<NoPcl>&, const Query&) {
    return false;
}

}  // namespace trelk

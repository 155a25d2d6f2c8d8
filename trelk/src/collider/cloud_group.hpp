// The point-cloud group's answer to each query kind. Kinds with a bounding sphere ask the group's
// lanes first and then every cloud (BroadCollection::collides); lines, rays and planes, which have
// none, ask every cloud. The cloud tests are exact for any reach. A collider without clouds has
// nothing to ask.
#pragma once

#include "broad_collection.hpp"
#include "pointcloud/collides.hpp"
#include "pointcloud/no_pcl.hpp"

namespace trelk {

template <class Query>
bool cloud_group_collides(const BroadCollection<NoPcl>&, const Query&) {
    return false;
}

template <class Query>
bool cloud_group_collides(const BroadCollection<Pointcloud>& group, const Query& query) {
    if constexpr (requires { broadphase(query); }) {
        return group.collides(query);
    } else {
        for (const Pointcloud& cloud : group.items())
            if (point_cloud_collides(cloud, query)) return true;
        return false;
    }
}

}  // namespace trelk

// The point-cloud group's answer to each query kind. Kinds with a bounding sphere ask the group's
// lanes first, then every cloud whose own lane meets the query's sphere (the polytope's face-plane
// scan can accept points past a corner, beyond the lanes; the cloud's own lane keeps that from
// depending on the other clouds); lines, rays and planes, which have none, ask every cloud. The
// cloud tests are exact for any reach. A collider without clouds has nothing to ask.
#pragma once

#include "broad_collection.hpp"
#include "collider/frame.hpp"
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
        return collider_frame::any_item_near(
            group, broadphase(query), [&](const Pointcloud& cloud) { return broad_item_collides(cloud, query); });
    } else {
        for (const Pointcloud& cloud : group.items())
            if (point_cloud_collides(cloud, query)) return true;
        return false;
    }
}

}  // namespace trelk

// The point-cloud kinds colliders are built for; the collider's compiled operations are
// instantiated once for each.
#pragma once

#include "pointcloud/mod.hpp"
#include "pointcloud/no_pcl.hpp"

#define TRELK_FOR_EACH_PCL(X) X(NoPcl) X(Pointcloud)

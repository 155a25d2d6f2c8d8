// The point-cloud kinds colliders are built for; the collider's compiled operations are
// instantiated once for each. X(PCL, extra...) is expanded once per kind.
#pragma once

#include "pointcloud/mod.hpp"
#include "pointcloud/no_pcl.hpp"

#define TRELK_FOR_EACH_PCL(X, ...) X(NoPcl __VA_OPT__(, ) __VA_ARGS__) X(Pointcloud __VA_OPT__(, ) __VA_ARGS__)

// Every shape kind and the routines between them.
#pragma once

#include "capsule.hpp"
#include "convex_polytope/heap.hpp"
#include "convex_polytope/refer.hpp"
#include "cuboid.hpp"
#include "cylinder.hpp"
#include "line/line.hpp"
#include "line/line_cuboid.hpp"
#include "line/ray.hpp"
#include "line/segment.hpp"
#include "plane/convex.hpp"
#include "plane/infinite.hpp"
#include "plane/ref_convex.hpp"
#include "sphere.hpp"
#include "util.hpp"
#include "approx.hpp"

// The composite collider and everything done with it: adding and settling (collider/collider.hpp),
// queries of one shape (collider/query.hpp) and of another collider (collider/collider_pair.hpp),
// motions and resizing (collider/transform.hpp), the refined bound (collider/refine.hpp) and the
// sweep (collider/stretch.hpp).
#pragma once

#include "collider/collider.hpp"
#include "collider/collider_pair.hpp"
#include "collider/query.hpp"
#include "collider/refine.hpp"
#include "collider/stretch.hpp"
#include "collider/transform.hpp"

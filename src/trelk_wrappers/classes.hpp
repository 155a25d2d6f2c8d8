// Every Python class of the collision side, for the module's class list.
#pragma once

#include "trelk_wrappers/collider_classes.hpp"
#include "trelk_wrappers/shape_union.hpp"

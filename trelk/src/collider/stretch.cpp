#include "collider/stretch.hpp"

#include <variant>

#include "collider/instances.hpp"
#include "sweep.hpp"

namespace trelk {

namespace {

void place_all(Collider<NoPcl>& out, Stretched&& shapes) {
    for (StretchedShape& s : shapes) std::visit([&](auto& shape) { place(out, std::move(shape)); }, s);
}

template <class Range>
void sweep_all(Collider<NoPcl>& out, const Range& items, Vec3 t) {
    for (const auto& item : items) place_all(out, stretch(item, t));
}

}  // namespace

template <class PCL>
std::optional<Collider<NoPcl>> try_stretch(const Collider<PCL>& c, Vec3 t) {
    if (!c.pointclouds.empty()) return std::nullopt;
    Collider<NoPcl> out;
    for (std::size_t i = 0; i < c.spheres.len(); ++i) place_all(out, stretch(c.spheres.get(i), t));
    sweep_all(out, c.capsules.items(), t);
    sweep_all(out, c.cuboids.items(), t);
    sweep_all(out, c.cylinders.items(), t);
    sweep_all(out, c.polytopes.items(), t);
    sweep_all(out, c.planes, t);
    sweep_all(out, c.polygons.items(), t);
    for (const Point& p : c.points.items()) place(out, LineSegment::make(p.p, (p.p + t) - p.p));
    sweep_all(out, c.lines, t);
    sweep_all(out, c.rays, t);
    sweep_all(out, c.segments.items(), t);
    settle(out);
    return out;
}

#define TRELK_SWEEP_INSTANCE(PCL) template std::optional<Collider<NoPcl>> try_stretch(const Collider<PCL>&, Vec3);
TRELK_FOR_EACH_PCL(TRELK_SWEEP_INSTANCE)

}  // namespace trelk

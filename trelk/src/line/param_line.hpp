// What lines, rays and segments share: points start + t dir over a range of t, with the derived
// rdv following dir. `Start` names the member holding the t = 0 point.
#pragma once

#include "derived.hpp"
#include "math.hpp"

namespace trelk {

template <class S, Vec3 S::*Start>
struct ParamLineRules {
    static S make(Vec3 start, Vec3 dir) {
        S s{};
        s.*Start = start;
        s.dir = dir;
        s.rdv = inverse_length_sq(dir);
        return s;
    }
    static void translate(S& s, Vec3 o) { s.*Start += o; }
    // Rotations keep rdv unless the map changed the length of dir; affine maps recompute it.
    template <class Map>
    static void remap(S& s, const Map& m) {
        s.*Start = m.point(s.*Start);
        s.dir = m.vector(s.dir);
        s.rdv = Map::affine ? inverse_length_sq(s.dir) : turned_rdv(s.rdv, s.dir);
    }
    // Resized about the start point.
    static void scale(S& s, float f) {
        s.dir *= f;
        s.rdv = inverse_length_sq(s.dir);
    }
};

}  // namespace trelk

// Point clouds of the kinds a robot's sensors see, for benchmarks and tests of point-cloud memory and
// speed: points uniformly at random (fixed seed) over
// - "sheet": a 2 x 2 m square tilted to the viewer, 1 to 3 m away from the origin;
// - "room": the walls, floor and ceiling of a 4 x 4 x 3 m room around the origin (on its floor);
// - "cube": the inside of a 1 m cube with its corner at the origin.
// The same scene, size and seed give the same points everywhere.
#pragma once

#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <random>
#include <vector>

namespace cloud_scenes {

using Point3 = std::array<float, 3>;

enum class Scene { sheet, room, cube };
inline constexpr Scene kScenes[] = {Scene::sheet, Scene::room, Scene::cube};

inline const char* scene_name(Scene s) {
    switch (s) {
        case Scene::sheet: return "sheet";
        case Scene::room: return "room";
        case Scene::cube: return "cube";
    }
    return "?";
}

namespace detail {

// Uniform in [0, 1), from the top 24 bits of the generator.
inline float unit(std::mt19937& g) { return float(g() >> 8) * 0x1p-24f; }

// The sheet: centre (2, 0, 0), spanned by a unit vector leaning 60 degrees away from the line of sight
// (so its near edge is 1 m from the origin and its far edge 3 m) and a unit vector across it.
inline Point3 sheet_point(std::mt19937& g) {
    const float s = 2.0f * unit(g) - 1.0f, t = 2.0f * unit(g) - 1.0f;
    const float lean_x = 0.8660254f, lean_z = 0.5f;
    return {2.0f + s * lean_x, t, s * lean_z};
}

// One of the six faces of [-2, 2] x [-2, 2] x [0, 3], picked with probability proportional to area.
inline Point3 room_point(std::mt19937& g) {
    const float wall_area = 4.0f * 3.0f, floor_area = 4.0f * 4.0f;
    const float pick = unit(g) * (4.0f * wall_area + 2.0f * floor_area);
    const float a = 4.0f * unit(g) - 2.0f, b = unit(g);
    if (pick < 4.0f * wall_area) {
        const int wall = int(pick / wall_area) & 3;
        const float side = wall & 1 ? 2.0f : -2.0f, height = 3.0f * b;
        return wall < 2 ? Point3{side, a, height} : Point3{a, side, height};
    }
    return {a, 4.0f * b - 2.0f, pick < 4.0f * wall_area + floor_area ? 0.0f : 3.0f};
}

inline Point3 cube_point(std::mt19937& g) { return {unit(g), unit(g), unit(g)}; }

}  // namespace detail

inline std::vector<Point3> scene_points(Scene scene, std::size_t n, std::uint32_t seed = 7) {
    std::mt19937 g(seed);
    std::vector<Point3> points(n);
    for (Point3& p : points) {
        switch (scene) {
            case Scene::sheet: p = detail::sheet_point(g); break;
            case Scene::room: p = detail::room_point(g); break;
            case Scene::cube: p = detail::cube_point(g); break;
        }
    }
    return points;
}

}  // namespace cloud_scenes

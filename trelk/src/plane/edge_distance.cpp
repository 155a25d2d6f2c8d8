#include "plane/edge_distance.hpp"

#include <cfloat>

namespace trelk {

float closest_edge_dist_sq_2d(std::span<const Vec2f> vertices, float x, float y) {
    float best = FLT_MAX;
    const std::size_t n = vertices.size();
    for (std::size_t i = 0; i < n; ++i) {
        const Vec2f& a = vertices[i];
        const Vec2f& b = vertices[i + 1 == n ? 0 : i + 1];
        const float ex = b[0] - a[0], ey = b[1] - a[1];
        const float len_sq = ex * ex + ey * ey;
        const float s = clamp01(len_sq > EPS ? ((x - a[0]) * ex + (y - a[1]) * ey) / len_sq : 0.0f);
        const float dx = x - (a[0] + ex * s), dy = y - (a[1] + ey * s);
        const float d = dx * dx + dy * dy;
        if (d < best) best = d;
    }
    return best;
}

}  // namespace trelk

// Point cloud shape: construction, recorded motions, rebuild on scale, world-frame bounds, exact
// sphere queries for any radius, and the stored record.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "cloud_cases.hpp"
#include "pickle/record.hpp"
#include "pointcloud/mod.hpp"
#include "support/fault.hpp"

namespace {

namespace qp = quorix::pickle;
using namespace trelk;
using cloud_cases::brute_reach;
using Point3 = Pointcloud::Point3;
using Bytes = std::vector<std::uint8_t>;

constexpr float kInf = std::numeric_limits<float>::infinity();
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
const Mat3 kQuarterTurnZ{{0, 1, 0}, {-1, 0, 0}, {0, 0, 1}};

std::string build_error(std::vector<Point3> pts) {
    try {
        Pointcloud::make(pts, {0, 1}, 0);
    } catch (const quorix::Fault& f) {
        return f.what();
    }
    return "built";
}

void expect_vec(Vec3 got, Vec3 want) {
    EXPECT_EQ(got.x, want.x);
    EXPECT_EQ(got.y, want.y);
    EXPECT_EQ(got.z, want.z);
}

TEST(Pointcloud, BuildAndUnmovedBounds) {
    const struct {
        std::vector<Point3> pts;
        float pr;
        Vec3 center;
        float radius;
        Vec3 half;
    } cases[] = {
        {{}, 0.5f, {0, 0, 0}, 0.0f, {0, 0, 0}},
        {{{1, 2, 3}}, 0.5f, {1, 2, 3}, 0.5f, {0.5f, 0.5f, 0.5f}},
        {{{0, 0, 0}, {2, 0, 0}}, 0.0f, {1, 0, 0}, 1.0f, {1, 0, 0}},
        {{{-1, -2, -2}, {1, 2, 2}, {0, 0, 0}}, 0.25f, {0, 0, 0}, 3.25f, {1.25f, 2.25f, 2.25f}},
    };
    for (const auto& c : cases) {
        const Pointcloud cloud = Pointcloud::make(c.pts, {0.5f, 4.0f}, c.pr);
        ASSERT_EQ(cloud.len(), c.pts.size());
        for (std::size_t i = 0; i < c.pts.size(); ++i) {
            expect_vec(cloud.point(i), {c.pts[i][0], c.pts[i][1], c.pts[i][2]});
            EXPECT_EQ(cloud.spheres().get(i).radius, c.pr);
        }
        EXPECT_EQ(cloud.tree().r_point(), c.pr);
        const Sphere s = broadphase(cloud);
        expect_vec(s.center, c.center);
        EXPECT_EQ(s.radius, c.radius);
        const Cuboid b = aabb(cloud);
        expect_vec(b.center, c.center);
        expect_vec(b.half_extents, c.half);
        EXPECT_TRUE(b.axis_aligned);
        expect_vec(obb(cloud).half_extents, c.half);
    }
    const std::string prefix = "index type I must be able to support all points in CAPT during construction: ";
    EXPECT_EQ(build_error({{0, 0, 0}, {kNaN, 0, 0}}), prefix + "NonFinite");
    EXPECT_EQ(build_error({{0, -kInf, 0}}), prefix + "NonFinite");
}

TEST(Pointcloud, MotionsRecordTheirInverse) {
    Pointcloud c = Pointcloud::make(std::vector<Point3>{{1, 0, 0}}, {0, 2}, 0);
    translate(c, {1.5f, 0.1f, -2});
    translate(c, {0.25f, 0.2f, 8});
    expect_vec(c.inverse_transform()->translation, -(Vec3{0.25f, 0.2f, 8} + Vec3{1.5f, 0.1f, -2}));

    // A quarter turn about z, then a shift by (2, 0, 0): the point stands at (2, 1, 0).
    Pointcloud m = Pointcloud::make(std::vector<Point3>{{1, 0, 0}}, {0, 2}, 0);
    rotate_mat(m, kQuarterTurnZ);
    translate(m, {2, 0, 0});
    const Affine3A inv = *m.inverse_transform();
    expect_vec(inv.matrix3.x_axis, {0, -1, 0});
    expect_vec(inv.matrix3.y_axis, {1, 0, 0});
    expect_vec(inv.translation, {0, 2, 0});
    expect_vec(m.to_local({2, 1, 0}), {1, 0, 0});

    // A half turn as a quaternion, and a general affine map with its inverse.
    Pointcloud q = Pointcloud::make(std::vector<Point3>{{1, 0, 0}}, {0, 2}, 0);
    rotate_quat(q, Quat{0, 0, 1, 0});
    expect_vec(q.to_local({-1, 0, 0}), {1, 0, 0});
    transform(q, Affine3A{Mat3{{2, 0, 0}, {0, 4, 0}, {0, 0, 8}}, {1, 1, 1}});
    expect_vec(q.to_local({-1, 1, 1}), {1, 0, 0});
    EXPECT_EQ(q.len(), 1u);  // points and tree untouched
    expect_vec(q.point(0), {1, 0, 0});
}

TEST(Pointcloud, ScaleRebuildsInTheWorldFrame) {
    Pointcloud c = Pointcloud::make(std::vector<Point3>{{1, 0, 0}, {0, 2, 0}}, {0.5f, 3}, 0.25f);
    translate(c, {1, 0, 0});
    scale(c, 2.0f);
    EXPECT_FALSE(c.inverse_transform());
    expect_vec(c.point(0), {3, 0, 0});  // 2 p, then the recorded shift
    expect_vec(c.point(1), {1, 4, 0});
    EXPECT_EQ(c.point_radius(), 0.5f);
    EXPECT_EQ(c.tree().r_point(), 0.5f);
    EXPECT_EQ(c.r_range().lo, 1.0f);
    EXPECT_EQ(c.r_range().hi, 6.0f);
    EXPECT_TRUE(c.reaches_local({3, 0, 1}, 0.5f));
    Pointcloud e = Pointcloud::make({}, {0, 1}, 0.5f);
    rotate_mat(e, kQuarterTurnZ);
    scale(e, 3.0f);
    EXPECT_EQ(e.len(), 0u);
    EXPECT_EQ(e.point_radius(), 1.5f);
    try {
        scale(c, 1e38f);
        ADD_FAILURE();
    } catch (const quorix::Fault& f) {
        EXPECT_STREQ(f.what(), "index type I must be able to support all points in CAPT during construction: NonFinite");
    }
}

// Bounds of a moved cloud hold every point where the tests place it, and stay close to tight.
TEST(Pointcloud, MovedBoundsAreInTheWorldFrame) {
    cloud_cases::Maker make(11);
    for (int k = 0; k < 500; ++k) {
        auto s = make.cloud(k % 2 ? 4096.0f : 0.0f);
        if (s.points.empty()) continue;
        const Sphere local = broadphase(s.cloud);
        const float angle = make.uniform(-3.2f, 3.2f);
        const Quat q{0, std::sin(angle / 2), 0, std::cos(angle / 2)};
        Pointcloud moved = s.cloud;
        rotate_quat(moved, q);
        translate(moved, {make.grid(1000), make.grid(1000), make.grid(1000)});
        const Affine3A out = inverse(*moved.inverse_transform());
        const Sphere world = broadphase(moved);
        const Cuboid box = aabb(moved);
        EXPECT_LE(world.radius, local.radius * 1.0001f + 0.1f);
        for (const Point3& p : s.points) {
            const Vec3 w = out.transform_point({p[0], p[1], p[2]});
            const Vec3 d = w - world.center;
            EXPECT_LE(std::sqrt(double(dot(d, d))) + s.cloud.point_radius(), world.radius);
            for (int a = 0; a < 3; ++a)
                EXPECT_LE(std::fabs(w[a] - box.center[a]) + s.cloud.point_radius(), box.half_extents[a]);
        }
    }
}

TEST(PointcloudReach, ExactOutsideTheTreeRange) {
    // The tree, built for reaches up to 1, keeps the far point only for leaves within 1 of the split.
    const Pointcloud c = Pointcloud::make(std::vector<Point3>{{0, 100, 0}, {10, 0, 0}}, {0, 1}, 0);
    EXPECT_FALSE(c.tree().collides({4.9f, 0, 0}, 5.2f));
    EXPECT_TRUE(c.reaches_local({4.9f, 0, 0}, 5.2f));
    EXPECT_FALSE(c.reaches_local({4.9f, 0, 0}, 5.0f));
    EXPECT_FALSE(c.reaches_local({kNaN, 0, 0}, 1e30f));
    EXPECT_FALSE(c.reaches_local({kInf, 0, 0}, 1.0f));
    EXPECT_TRUE(c.reaches_local({10, 0, 0}, kInf));
    EXPECT_FALSE(Pointcloud().reaches_local({0, 0, 0}, kInf));
}

// Every sphere query against a scan of all points, by the same float formula: centres exactly at
// the reach of a point, reaches below, inside, at the top of and above the tree's range, far
// offsets. Wherever the tree is taken to be exact it must agree on its own, too.
TEST(PointcloudReach, MatchesBruteForceOnRandomClouds) {
    cloud_cases::Maker make(3);
    int tree_answers = 0;
    for (int k = 0; k < 3000; ++k) {
        auto s = make.cloud(k % 3 == 0 ? 1e6f : 64.0f);
        const float pr = s.cloud.point_radius();
        const auto [lo, hi] = s.cloud.r_range();
        for (int q = 0; q < 40; ++q) {
            Vec3 c{make.grid(12), make.grid(12), make.grid(12)};
            float r;
            if (!s.points.empty() && make.chance(0.5)) {
                const Point3& p = s.points[make.integer(0, int(s.points.size()) - 1)];
                const auto& t = cloud_cases::kPythagorean[make.integer(0, 6)];
                const float unit = std::ldexp(1.0f, make.integer(-3, 1)), sign = make.chance(0.5) ? 1.0f : -1.0f;
                c = Vec3{p[0] + sign * t.x * unit, p[1] - t.y * unit, p[2] + sign * t.z * unit};
                r = t.length * unit - pr + (make.chance(0.3) ? 0.0f : make.grid(0.25f));
            } else {
                const float picks[] = {lo - pr, hi - pr, hi * (1 - 0x1p-19f) - pr, make.uniform(0, 2 * hi + 2) - pr};
                r = picks[make.integer(0, 3)];
                if (!s.points.empty() && make.chance(0.5)) c = Vec3{s.points[0][0], 0, s.points[0][2]} + c * 0.25f;
            }
            const bool want = brute_reach(s.points, c, r, pr);
            ASSERT_EQ(s.cloud.reaches_local(c, r), want) << k << " " << q;
            if (s.cloud.tree_exact_for(r + pr)) {
                ASSERT_EQ(s.cloud.tree().collides({c.x, c.y, c.z}, r), want) << k << " " << q;
                ++tree_answers;
            }
        }
    }
    EXPECT_GT(tree_answers, 10000);
}

// Stored record: exact bytes of a small moved cloud, bit-exact read back, refusals.
namespace bytes {

void op(Bytes& b, char c) { b.push_back(std::uint8_t(c)); }
void key(Bytes& b, std::string_view k) {
    op(b, 'X');
    for (int i = 0; i < 4; ++i) b.push_back(std::uint8_t(k.size() >> (8 * i)));
    b.insert(b.end(), k.begin(), k.end());
}
void f(Bytes& b, double v) {
    op(b, 'G');
    const auto u = std::bit_cast<std::uint64_t>(v);
    for (int i = 7; i >= 0; --i) b.push_back(std::uint8_t(u >> (8 * i)));
}

}  // namespace bytes

std::string load_error(const std::vector<std::uint8_t>& b) {
    try {
        qp::decode_state<Pointcloud>(b);
    } catch (const qp::DecodeError& e) {
        return e.what();
    }
    return "loaded";
}

TEST(PointcloudStored, BytesAndBitExactReadBack) {
    Pointcloud c = Pointcloud::make(std::vector<Point3>{{1, 2, 3}}, {0.5f, 2}, 0.25f);
    translate(c, {0, 0, 1});
    using namespace bytes;
    Bytes want{0x80, 0x03, '}', '('};
    key(want, "tree");
    qp::append_value(want, c.tree());
    key(want, "spheres");
    qp::append_value(want, c.spheres());
    key(want, "point_radius");
    f(want, 0.25);
    key(want, "r_range");
    op(want, '('), f(want, 0.5), f(want, 2), op(want, 't');
    key(want, "inverse_transform");
    op(want, '(');
    for (double v : {1., 0., 0., 0., 1., 0., 0., 0., 1., -0., -0., -1.}) f(want, v);
    op(want, 't'), op(want, 'u'), op(want, '.');
    const Bytes got = qp::encode_state(c);
    EXPECT_EQ(got, want);
    const Pointcloud back = qp::decode_state<Pointcloud>(got);
    EXPECT_EQ(qp::encode_state(back), got);
    expect_vec(back.to_local({1, 2, 4}), {1, 2, 3});

    // Without a motion the last entry is None; a dict without it reads as unmoved.
    const Bytes plain = qp::encode_state(Pointcloud::make({}, {0, 0}, 0));
    EXPECT_EQ(plain[plain.size() - 3], 'N');
    EXPECT_FALSE(qp::decode_state<Pointcloud>(plain).inverse_transform());
}

TEST(PointcloudStored, UnsoundRecordsAreRefused) {
    const Pointcloud c = Pointcloud::make(std::vector<Point3>{{1, 2, 3}, {4, 5, 6}, {7, 8, 9}}, {0.5f, 2}, 0.25f);
    auto data = [&] { return qp::decode_state<PointcloudData>(qp::encode_state(c)); };
    PointcloudData radius = data();
    radius.point_radius = 0.5f;
    EXPECT_EQ(load_error(qp::encode_state(radius)), "decoding error: point cloud tree radius differs from point_radius");
    PointcloudData fewer = data();
    fewer.spheres = SpheresSoA::from_slice(std::vector<Sphere>{{{1, 2, 3}, 0.25f}});
    EXPECT_EQ(load_error(qp::encode_state(fewer)), "decoding error: point cloud tree has 4 leaves, expected 1 for 1 points");
    PointcloudData moved = data();
    moved.inverse_transform = Affine3A{};
    Bytes b = qp::encode_state(moved);
    b.erase(b.end() - 3 * 9 - 3, b.end() - 3);  // the last three values of the 12-tuple
    EXPECT_EQ(load_error(b), "decoding error: invalid length 9, expected a sequence of 12 f32 values");

    Bytes seq{0x80, 0x03, '('};
    qp::append_value(seq, c.tree());
    qp::append_value(seq, c.spheres());
    bytes::f(seq, 0.25);
    seq.push_back('('), bytes::f(seq, 0.5), bytes::f(seq, 2), seq.push_back('t');
    seq.push_back('t'), seq.push_back('.');
    EXPECT_EQ(load_error(seq), "decoding error: invalid length 4, expected struct Pointcloud with 5 elements");
    Bytes no_tree = qp::encode_state(c);
    no_tree[9] = 'T';  // the key "tree" becomes "Tree": unknown, skipped
    EXPECT_EQ(load_error(no_tree), "decoding error: missing field `tree`");
}

}  // namespace

#include "soa.hpp"

#include <algorithm>
#include <bit>
#include <cmath>
#include <limits>
#include <stdexcept>
#include <string>

#include "affine.hpp"
#include "growth.hpp"
#include "simd/f32x8.hpp"
#include "stored_form.hpp"
#include "support/fault.hpp"

namespace trelk {

namespace {

// The quiet NaN every spare radius lane holds.
const float kSpareRadius = std::bit_cast<float>(std::uint32_t{0x7fc00000});

// The largest buffer the allocator accepts, in bytes.
constexpr std::size_t kMaxBufferBytes = (std::size_t{1} << 63) - 4;

// round_up(n, 16); throws "capacity overflow" when the four planes of that many lanes, taken as
// one buffer, would exceed the largest allocation, before anything is reserved.
std::size_t round_up_lanes(std::size_t n) {
    if (n > std::numeric_limits<std::size_t>::max() - (SpheresSoA::lane_block - 1))
        throw std::length_error("capacity overflow");
    const std::size_t lanes = (n + SpheresSoA::lane_block - 1) / SpheresSoA::lane_block * SpheresSoA::lane_block;
    if (lanes > kMaxBufferBytes / (4 * sizeof(float))) throw std::length_error("capacity overflow");
    return lanes;
}

}  // namespace

// Lanes made visible by growth start as centre (0, 0, 0) with a NaN radius. Allocates only when
// the planes have no room for the stride.
void SpheresSoA::resize_planes(std::size_t stride) {
    for (int k = 0; k < 3; ++k) planes_[k].resize(stride, 0.0f);
    planes_[3].resize(stride, kSpareRadius);
}

SpheresSoA SpheresSoA::with_capacity(std::size_t n) {
    SpheresSoA s;
    const std::size_t lanes = round_up_lanes(n);
    for (auto& p : s.planes_) p.reserve(lanes);
    return s;
}

void SpheresSoA::reserve(std::size_t more) {
    if (more > std::numeric_limits<std::size_t>::max() - len_) throw std::length_error("capacity overflow");
    const std::size_t lanes = round_up_lanes(len_ + more);
    for (auto& p : planes_) make_room(p, lanes);
    grid_.reserve(lanes);
}

SpheresSoA SpheresSoA::from_slice(std::span<const Sphere> spheres) {
    SpheresSoA s;
    s.resize_planes(round_up_lanes(spheres.size()));
    for (std::size_t i = 0; i < spheres.size(); ++i) s.write_lane(i, spheres[i]);
    s.len_ = spheres.size();
    s.regrid();
    return s;
}

Sphere SpheresSoA::get(std::size_t i) const {
    const std::size_t s = stride();
    if (i >= s) {
        // Reported as the read of the flat four-plane buffer that first falls outside it.
        const std::size_t len = 4 * s;
        std::size_t index = i >= 4 * s ? i : i >= 3 * s ? s + i : i >= 2 * s ? 2 * s + i : 3 * s + i;
        throw quorix::Fault("index out of bounds: the len is " + std::to_string(len) + " but the index is " +
                            std::to_string(index));
    }
    return Sphere{{planes_[0][i], planes_[1][i], planes_[2][i]}, planes_[3][i]};
}

void SpheresSoA::push(const Sphere& sphere) {
    if (len_ == stride()) {
        reserve(1);
        resize_planes(stride() + lane_block);
    }
    write_lane(len_, sphere);
    ++len_;
    grid_.pushed(lanes());
}

void SpheresSoA::append(SpheresSoA& other) {
    if (other.len_ == 0) return;
    if (&other == this) throw quorix::Fault("a sphere set cannot be appended to itself");
    reserve(other.len_);
    const std::size_t n = len_ + other.len_;
    const std::size_t s = round_up_lanes(n);
    for (int k = 0; k < 4; ++k) {
        planes_[k].resize(s);
        std::copy_n(other.planes_[k].begin(), other.len_, planes_[k].begin() + len_);
        std::fill(planes_[k].begin() + n, planes_[k].end(), k == 3 ? kSpareRadius : 0.0f);
    }
    len_ = n;
    regrid();
    other.clear();
}

void SpheresSoA::clear() {
    std::fill_n(planes_[3].begin(), len_, kSpareRadius);
    len_ = 0;
    grid_.forget_lanes();
}

bool SpheresSoA::any_collides_sphere_f32x8(const Sphere& q, const BallBox& box) const {
    using simd::F32x4;
    const F32x4 qx = F32x4::splat(q.center.x), qy = F32x4::splat(q.center.y), qz = F32x4::splat(q.center.z),
                qr = F32x4::splat(q.radius);
    const float *xs = planes_[0].data(), *ys = planes_[1].data(), *zs = planes_[2].data(), *rs = planes_[3].data();
    auto half_hits = [&](std::size_t i) {
        F32x4 dx = qx - F32x4::loadu(xs + i), dy = qy - F32x4::loadu(ys + i), dz = qz - F32x4::loadu(zs + i);
        F32x4 reach = qr + F32x4::loadu(rs + i);
        return any(ge(reach * reach, (dx * dx + dy * dy) + dz * dz));
    };
    return any_block_near(box, [&](std::size_t k) { return half_hits(8 * k) || half_hits(8 * k + 4); });
}

// Centre (x, y, z) becomes ((m00 x + m01 y) + m02 z, ...) + offset, eight lanes at a time.
void SpheresSoA::map_centres(const Mat3& m, Vec3 offset) {
    using simd::F32x8;
    const F32x8 m00 = F32x8::splat(m.x_axis.x), m01 = F32x8::splat(m.y_axis.x), m02 = F32x8::splat(m.z_axis.x);
    const F32x8 m10 = F32x8::splat(m.x_axis.y), m11 = F32x8::splat(m.y_axis.y), m12 = F32x8::splat(m.z_axis.y);
    const F32x8 m20 = F32x8::splat(m.x_axis.z), m21 = F32x8::splat(m.y_axis.z), m22 = F32x8::splat(m.z_axis.z);
    const F32x8 tx = F32x8::splat(offset.x), ty = F32x8::splat(offset.y), tz = F32x8::splat(offset.z);
    float *xs = planes_[0].data(), *ys = planes_[1].data(), *zs = planes_[2].data();
    for (std::size_t i = 0, s = stride(); i < s; i += 8) {
        const F32x8 x = F32x8::loadu(xs + i), y = F32x8::loadu(ys + i), z = F32x8::loadu(zs + i);
        ((m00 * x + m01 * y) + m02 * z + tx).storeu(xs + i);
        ((m10 * x + m11 * y) + m12 * z + ty).storeu(ys + i);
        ((m20 * x + m21 * y) + m22 * z + tz).storeu(zs + i);
    }
    regrid();
}

void translate(SpheresSoA& s, Vec3 offset) {
    for (int k = 0; k < 3; ++k)
        for (float& v : s.planes_[k]) v += offset[k];
    s.regrid();
}

// Adding -0 leaves every value as it is, signed zeros included: a pure rotation.
void rotate_mat(SpheresSoA& s, const Mat3& m) { s.map_centres(m, Vec3{-0.0f, -0.0f, -0.0f}); }

void transform(SpheresSoA& s, const Affine3A& a) { s.map_centres(a.matrix3, a.translation); }

// The quaternion rule of Quat * Vec3, operation for operation, eight lanes at a time: every centre
// lands where a single sphere turned by q lands, and a non-unit q scales by its squared length.
void rotate_quat(SpheresSoA& s, const Quat& q) {
    using simd::F32x8;
    const F32x8 bx = F32x8::splat(q.x), by = F32x8::splat(q.y), bz = F32x8::splat(q.z);
    const F32x8 along = F32x8::splat(q.w * q.w - dot(Vec3{q.x, q.y, q.z}, Vec3{q.x, q.y, q.z}));
    const F32x8 two = F32x8::splat(2.0f), w2 = F32x8::splat(q.w + q.w);
    float *xs = s.planes_[0].data(), *ys = s.planes_[1].data(), *zs = s.planes_[2].data();
    for (std::size_t i = 0, n = s.stride(); i < n; i += 8) {
        const F32x8 x = F32x8::loadu(xs + i), y = F32x8::loadu(ys + i), z = F32x8::loadu(zs + i);
        const F32x8 k = ((x * bx + y * by) + z * bz) * two;
        const F32x8 cx = by * z - y * bz, cy = bz * x - z * bx, cz = bx * y - x * by;
        ((x * along + bx * k) + cx * w2).storeu(xs + i);
        ((y * along + by * k) + cy * w2).storeu(ys + i);
        ((z * along + bz * k) + cz * w2).storeu(zs + i);
    }
    s.regrid();
}

void scale(SpheresSoA& s, float factor) {
    for (float& r : s.planes_[3]) r *= factor;
    s.regrid();
}

bool abs_diff_eq(const SpheresSoA& a, const SpheresSoA& b, float epsilon) {
    if (a.len_ != b.len_) return false;
    for (int k = 0; k < 4; ++k)
        for (std::size_t i = 0; i < a.len_; ++i)
            if (!(std::fabs(a.planes_[k][i] - b.planes_[k][i]) <= epsilon)) return false;
    return true;
}

SpheresSoA SpheresSoA::from_stored(SpheresSoAStored&& h) {
    const std::size_t s = h.x.size();
    if (h.y.size() != s || h.z.size() != s || h.r.size() != s)
        throw StoredFormError("sphere set planes differ in length: x " + std::to_string(s) + ", y " +
                              std::to_string(h.y.size()) + ", z " + std::to_string(h.z.size()) + ", r " +
                              std::to_string(h.r.size()));
    if (s % lane_block != 0)
        throw StoredFormError("sphere set stride " + std::to_string(s) + " is not a multiple of 16");
    if (h.len > s)
        throw StoredFormError("sphere set len " + std::to_string(h.len) + " exceeds its stride " + std::to_string(s));
    for (std::size_t i = h.len; i < s; ++i)
        if (!std::isnan(h.r[i]))
            throw StoredFormError("sphere set spare radius at lane " + std::to_string(i) + " is not NaN");
    SpheresSoA set;
    set.planes_[0] = std::move(h.x);
    set.planes_[1] = std::move(h.y);
    set.planes_[2] = std::move(h.z);
    set.planes_[3] = std::move(h.r);
    set.len_ = h.len;
    set.regrid();
    return set;
}

}  // namespace trelk

"""Bit-exact results of the algebra formulas, against the same formulas evaluated here in plain
Python floats, one rounding per operation in the written order. The platform's sin, cos, tan,
acos, atan2 and sqrt are the C library's on both sides, so any reordering of a sum or product,
a fused multiply-add or a wrong branch shows up as a differing bit pattern."""
import math
import random

import pytest

from algebra_support import bits
from quorixpy import Affine3, EulerRot, Mat3, Mat4, Quat, Vec3

SAMPLES = 300


def flat(obj):
    if isinstance(obj, (Mat3, Mat4, Affine3)):
        return obj.to_cols_array()
    if isinstance(obj, Quat):
        return obj.to_array()
    if isinstance(obj, tuple):
        return [c for part in obj for c in flat(part)]
    if isinstance(obj, float):
        return [obj]
    return list(obj)


# ---- the reference, written from the formulas ----

def dot(a, b):
    s = a[0] * b[0]
    for x, y in zip(a[1:], b[1:]):
        s = s + x * y
    return s


def cross(a, b):
    return [a[1] * b[2] - b[1] * a[2], a[2] * b[0] - b[2] * a[0], a[0] * b[1] - b[0] * a[1]]


def scaled(k, a):
    return [k * c for c in a]


def normalized(a):
    return scaled(1.0 / math.sqrt(dot(a, a)), a)


def columns(m, n):
    return [m[n * c:n * c + n] for c in range(n)]


def mat_vec(m, n, v):
    out = scaled(v[0], m[0:n])
    for c in range(1, n):
        out = [o + x * v[c] for o, x in zip(out, m[n * c:n * c + n])]
    return out


def mat_mat(a, b, n):
    return [x for col in columns(b, n) for x in mat_vec(a, n, col)]


def hamilton(q, r):
    x0, y0, z0, w0 = q
    x1, y1, z1, w1 = r
    return [((w0 * x1 + x0 * w1) + y0 * z1) - z0 * y1, ((w0 * y1 - x0 * z1) + y0 * w1) + z0 * x1,
            ((w0 * z1 + x0 * y1) - y0 * x1) + z0 * w1, ((w0 * w1 - x0 * x1) - y0 * y1) - z0 * z1]


def rotate(q, v):
    b, w = q[:3], q[3]
    t = w * w - dot(b, b)
    d = dot(v, b)
    d2, w2 = d + d, w + w
    return [(v[i] * t + b[i] * d2) + c * w2 for i, c in enumerate(cross(b, v))]


def slerp(q, e, s):
    d = dot(q, e)
    if d < 0.0:
        e, d = [-c for c in e], -d
    if d > 0.9999999999999998:
        return normalized([(1.0 - s) * a + s * b for a, b in zip(q, e)])
    theta = math.acos(d)
    s1, s2, k = math.sin((1.0 - s) * theta), math.sin(s * theta), 1.0 / math.sin(theta)
    return [k * (a * s1 + b * s2) for a, b in zip(q, e)]


def lerp(q, e, s):
    bias = 1.0 if dot(q, e) >= 0.0 else -1.0
    return normalized([(1.0 - s) * a + s * (b * bias) for a, b in zip(q, e)])


def rotation_axes(x, y, z):
    (m00, m01, m02), (m10, m11, m12), (m20, m21, m22) = x, y, z
    if m22 <= 0.0:
        d = m11 - m00
        if d <= 0.0:
            f = (1.0 - m22) - d
            k = 0.5 / math.sqrt(f)
            return [f * k, (m01 + m10) * k, (m02 + m20) * k, (m12 - m21) * k]
        f = d + (1.0 - m22)
        k = 0.5 / math.sqrt(f)
        return [(m01 + m10) * k, f * k, (m12 + m21) * k, (m20 - m02) * k]
    e = m00 + m11
    if e <= 0.0:
        f = (m22 + 1.0) - e
        k = 0.5 / math.sqrt(f)
        return [(m02 + m20) * k, (m12 + m21) * k, f * k, (m01 - m10) * k]
    f = e + (m22 + 1.0)
    k = 0.5 / math.sqrt(f)
    return [(m12 - m21) * k, (m20 - m02) * k, (m01 - m10) * k, f * k]


def quat_matrix(q):
    x, y, z, w = q
    x2, y2, z2 = x + x, y + y, z + z
    xx, xy, xz, yy, yz, zz = x * x2, x * y2, x * z2, y * y2, y * z2, z * z2
    wx, wy, wz = w * x2, w * y2, w * z2
    return [1.0 - (yy + zz), xy + wz, xz - wy, xy - wz, 1.0 - (xx + zz), yz + wx, xz + wy, yz - wx, 1.0 - (xx + yy)]


def mat3_inverse(m):
    x, y, z = columns(m, 3)
    t0, t1, t2 = cross(y, z), cross(z, x), cross(x, y)
    det = dot(z, t2)
    r = 1.0 / det
    return det, [t[i] * r for i in range(3) for t in (t0, t1, t2)]


def mat4_inverse(a):
    m = lambda c, r: a[4 * c + r]
    minor = lambda p, q, s, t, u, v, w, x: m(p, q) * m(s, t) - m(u, v) * m(w, x)
    c00, c02, c03 = minor(2, 2, 3, 3, 3, 2, 2, 3), minor(1, 2, 3, 3, 3, 2, 1, 3), minor(1, 2, 2, 3, 2, 2, 1, 3)
    c04, c06, c07 = minor(2, 1, 3, 3, 3, 1, 2, 3), minor(1, 1, 3, 3, 3, 1, 1, 3), minor(1, 1, 2, 3, 2, 1, 1, 3)
    c08, c10, c11 = minor(2, 1, 3, 2, 3, 1, 2, 2), minor(1, 1, 3, 2, 3, 1, 1, 2), minor(1, 1, 2, 2, 2, 1, 1, 2)
    c12, c14, c15 = minor(2, 0, 3, 3, 3, 0, 2, 3), minor(1, 0, 3, 3, 3, 0, 1, 3), minor(1, 0, 2, 3, 2, 0, 1, 3)
    c16, c18, c19 = minor(2, 0, 3, 2, 3, 0, 2, 2), minor(1, 0, 3, 2, 3, 0, 1, 2), minor(1, 0, 2, 2, 2, 0, 1, 2)
    c20, c22, c23 = minor(2, 0, 3, 1, 3, 0, 2, 1), minor(1, 0, 3, 1, 3, 0, 1, 1), minor(1, 0, 2, 1, 2, 0, 1, 1)
    f = [[c00, c00, c02, c03], [c04, c04, c06, c07], [c08, c08, c10, c11],
         [c12, c12, c14, c15], [c16, c16, c18, c19], [c20, c20, c22, c23]]
    e = [[m(1, r), m(0, r), m(0, r), m(0, r)] for r in range(4)]
    term = lambda a_, b_, c_, d_, g_, h_: [(e[a_][k] * f[b_][k] - e[c_][k] * f[d_][k]) + e[g_][k] * f[h_][k] for k in range(4)]
    i0, i1, i2, i3 = term(1, 0, 2, 1, 3, 2), term(0, 0, 2, 3, 3, 4), term(0, 1, 1, 3, 3, 5), term(0, 2, 1, 4, 2, 5)
    det = ((m(0, 0) * i0[0] - m(0, 1) * i1[0]) + m(0, 2) * i2[0]) - m(0, 3) * i3[0]
    r = 1.0 / det
    signs = [(1, -1, 1, -1), (-1, 1, -1, 1)]
    return det, [(s * c) * r for i, col in enumerate((i0, i1, i2, i3)) for s, c in zip(signs[i % 2], col)]


def decompose(cols, det, translation):
    length = lambda c: math.sqrt(dot(c, c))
    scale = [length(cols[0]) * math.copysign(1.0, det), length(cols[1]), length(cols[2])]
    inv = [1.0 / s for s in scale]
    return scale + rotation_axes(*[scaled_right(c[:3], k) for c, k in zip(cols, inv)]) + list(translation)


def scaled_right(a, k):
    return [c * k for c in a]


NAMES = [n + ex for ex in ("", "Ex") for n in ("ZYX", "ZXY", "YXZ", "YZX", "XYZ", "XZY", "ZYZ", "ZXZ", "YXY", "YZY", "XYX", "XZX")]


def euler_axes(name):
    axis = "XYZ".index
    ex = name.endswith("Ex")
    i, j = axis(name[2] if ex else name[0]), axis(name[1])
    return i, j, 3 - i - j, j == (i + 1) % 3, name[0] == name[2], ex


def euler_matrix(name, a, b, c):
    i, j, k, even, proper, ex = euler_axes(name)
    ti, tj, th = (c, b, a) if ex else (a, b, c)
    if even:
        ti, tj, th = -ti, -tj, -th
    si, ci, sj, cj, sh, ch = math.sin(ti), math.cos(ti), math.sin(tj), math.cos(tj), math.sin(th), math.cos(th)
    cc, cs, sc, ss = ci * ch, ci * sh, si * ch, si * sh
    m = [0.0] * 9
    if proper:
        entries = [(i, i, cj), (i, j, sj * si), (i, k, sj * ci), (j, i, sj * sh), (j, j, cc - cj * ss),
                   (j, k, -(cj * cs) - sc), (k, i, -(sj * ch)), (k, j, cs + cj * sc), (k, k, cj * cc - ss)]
    else:
        entries = [(i, i, cj * ch), (i, j, sj * sc - cs), (i, k, sj * cc + ss), (j, i, cj * sh), (j, j, sj * ss + cc),
                   (j, k, sj * cs - sc), (k, i, -sj), (k, j, cj * si), (k, k, cj * ci)]
    for col, row, v in entries:
        m[3 * col + row] = v
    return m


def euler_quat(name, a, b, c):
    i, j, k, even, proper, ex = euler_axes(name)
    ti, tj, th = (c, b, a) if ex else (a, b, c)
    p = -1.0 if even else 1.0
    if even:
        tj = -tj
    si, ci, sj, cj = math.sin(ti * 0.5), math.cos(ti * 0.5), math.sin(tj * 0.5), math.cos(tj * 0.5)
    sh, ch = math.sin(th * 0.5), math.cos(th * 0.5)
    cc, cs, sc, ss = ci * ch, ci * sh, si * ch, si * sh
    if proper:
        qi, qj, qk, w = (cs + sc) * cj, (cc + ss) * sj, (cs - sc) * sj, (cc - ss) * cj
    else:
        qi, qj, qk, w = sc * cj - cs * sj, ss * cj + cc * sj, cs * cj - sc * sj, cc * cj + ss * sj
    v = [0.0] * 3
    v[i], v[j], v[k] = qi, p * qj, qk
    return v + [w]


def euler_angles(m, name):
    i, j, k, even, proper, ex = euler_axes(name)
    e = lambda col, row: m[3 * col + row]
    if proper:
        s = math.sqrt(e(i, j) * e(i, j) + e(i, k) * e(i, k))
        if s > 2.0 ** -48:
            x, y, z = math.atan2(e(i, j), e(i, k)), math.atan2(s, e(i, i)), math.atan2(e(j, i), -e(k, i))
        else:
            x, y, z = math.atan2(-e(j, k), e(j, j)), math.atan2(s, e(i, i)), 0.0
    else:
        s = math.sqrt(e(i, i) * e(i, i) + e(j, i) * e(j, i))
        if s > 2.0 ** -48:
            x, y, z = math.atan2(e(k, j), e(k, k)), math.atan2(-e(k, i), s), math.atan2(e(j, i), e(i, i))
        else:
            x, y, z = math.atan2(-e(j, k), e(j, j)), math.atan2(-e(k, i), s), 0.0
    if even:
        x, y, z = -x, -y, -z
    return [z, y, x] if ex else [x, y, z]


def look_to(eye, f, up):
    s = normalized(cross(f, up))
    u = cross(s, f)
    return [s[0], u[0], -f[0], s[1], u[1], -f[1], s[2], u[2], -f[2]], [-dot(eye, s), -dot(eye, u), dot(eye, f)]


# ---- the cases: (what the module computes, what the reference computes) from random inputs ----

def vec(n, r):
    return [r.uniform(-4.0, 4.0) for _ in range(n)]


def case_quat(r):
    q, p, v, s = vec(4, r), vec(4, r), vec(3, r), r.uniform(-0.5, 1.5)
    Q, P = Quat(*q), Quat(*p)
    qn, pn = normalized(q), normalized(p)
    return ((Q * P, Q.mul_quat(P), Q * v, Q.mul_vec3(v), Q.lerp(P, s), Q.slerp(P, s),
             Quat(*qn).slerp(Quat(*pn), s), Q.angle_between(P), Q.dot(P), Q.length()),
            (hamilton(q, p), hamilton(q, p), rotate(q, v), rotate(q, v), lerp(q, p, s), slerp(q, p, s),
             slerp(qn, pn, s), [2.0 * math.acos(min(abs(dot(q, p)), 1.0))], [dot(q, p)], [math.sqrt(dot(q, q))]))


def case_axis_angle(r):
    q, axis, angle = vec(4, r), vec(3, r), r.uniform(-7.0, 7.0)
    L = math.sqrt(dot(q[:3], q[:3]))
    half = math.atan2(L, q[3])
    unit = [c / L for c in q[:3]]
    sa, ca = math.sin(angle), math.cos(angle)
    t = 1.0 - ca
    ax, ay, az = axis
    m = [(ax * ax) * t + ca, (ax * ay) * t + az * sa, (ax * az) * t - ay * sa,
         (ax * ay) * t - az * sa, (ay * ay) * t + ca, (ay * az) * t + ax * sa,
         (ax * az) * t + ay * sa, (ay * az) * t - ax * sa, (az * az) * t + ca]
    h = math.sin(angle * 0.5)
    return ((Quat(*q).to_axis_angle(), Quat(*q).to_scaled_axis(), Quat.from_axis_angle(axis, angle),
             Mat3.from_axis_angle(axis, angle), Affine3.from_axis_angle(axis, angle).matrix3),
            (unit + [half + half], [c * (half + half) for c in unit], [c * h for c in axis] + [math.cos(angle * 0.5)],
             m, m))


def case_rotation_axes(r):
    m = vec(9, r)
    to = normalized(vec(3, r))
    frm = normalized(vec(3, r))
    up, eye = normalized(vec(3, r)), vec(3, r)
    d = dot(frm, to)
    arc = normalized(cross(frm, to) + [d + 1.0])
    rows, _ = look_to(eye, frm, up)
    return ((Quat.from_mat3(Mat3.from_cols_array(m)), Quat.from_rotation_axes(m[0:3], m[3:6], m[6:9]),
             Quat.from_rotation_arc(frm, to), Quat.look_to_rh(frm, up), Mat3.look_to_rh(frm, up)),
            (rotation_axes(*columns(m, 3)), rotation_axes(*columns(m, 3)), arc,
             rotation_axes(*[[rows[3 * c], rows[3 * c + 1], -frm[c]] for c in range(3)]), rows))


def case_mat3(r):
    a, b, v, q = vec(9, r), vec(9, r), vec(3, r), vec(4, r)
    A = Mat3.from_cols_array(a)
    det, inv = mat3_inverse(a)
    return ((A.determinant(), A.inverse(), A * Mat3.from_cols_array(b), A * v, A.mul_transpose_vec3(v),
             Mat3.from_quat(q), Quat(*q).to_euler(EulerRot.YXZ)),
            ([det], inv, mat_mat(a, b, 3), mat_vec(a, 3, v), [dot(c, v) for c in columns(a, 3)],
             quat_matrix(q), euler_angles(quat_matrix(q), "YXZ")))


def case_mat4(r):
    a, b, v = vec(16, r), vec(16, r), vec(4, r)
    A = Mat4.from_cols_array(a)
    det, inv = mat4_inverse(a)
    h = mat_vec(a, 4, v[:3] + [1.0])
    return ((A.determinant(), A.inverse(), A * Mat4.from_cols_array(b), A * v, A.project_point3(v[:3]),
             A.to_scale_rotation_translation()),
            ([det], inv, mat_mat(a, b, 4), mat_vec(a, 4, v), [c / h[3] for c in h[:3]],
             decompose(columns(a, 4), det, a[12:15])))


def case_affine3(r):
    a, b, p = vec(12, r), vec(12, r), vec(3, r)
    A, B = Affine3.from_cols_array(a), Affine3.from_cols_array(b)
    det, inv = mat3_inverse(a[:9])
    t = mat_vec(inv, 3, a[9:])
    return ((A.inverse(), A * B, A.transform_point3(p), A.to_scale_rotation_translation()),
            (inv + [-c for c in t], mat_mat(a[:9], b[:9], 3) + [x + y for x, y in zip(mat_vec(a[:9], 3, b[9:]), a[9:])],
             [x + y for x, y in zip(mat_vec(a[:9], 3, p), a[9:])], decompose(columns(a[:9], 3), det, a[9:])))


def case_euler(r):
    a, b, c = (r.uniform(-4.0, 4.0) for _ in range(3))
    m = vec(9, r)
    got, want = [], []
    for name in NAMES:
        order = getattr(EulerRot, name)
        got += [Mat3.from_euler(order, a, b, c), Quat.from_euler(order, a, b, c), Mat3.from_cols_array(m).to_euler(order)]
        want += [euler_matrix(name, a, b, c), euler_quat(name, a, b, c), euler_angles(m, name)]
    return tuple(got), tuple(want)


def case_camera(r):
    fov, aspect, near, far = r.uniform(0.1, 3.0), r.uniform(0.2, 4.0), r.uniform(0.01, 2.0), r.uniform(3.0, 100.0)
    left, right, bottom, top = r.uniform(-3, 0), r.uniform(0.1, 3), r.uniform(-3, 0), r.uniform(0.1, 3)
    eye, center, up = vec(3, r), vec(3, r), normalized(vec(3, r))
    h = math.cos(fov * 0.5) / math.sin(fov * 0.5)
    depth = far / (far - near)
    g, k = 1.0 / math.tan(fov * 0.5), 1.0 / (near - far)
    p, q, d = 1.0 / (right - left), 1.0 / (top - bottom), 1.0 / (far - near)
    direction = normalized([c - e for c, e in zip(center, eye)])
    rows, t = look_to(eye, direction, up)
    view = [x for c in range(3) for x in rows[3 * c:3 * c + 3] + [0.0]] + t + [1.0]
    return ((Mat4.perspective_lh(fov, aspect, near, far), Mat4.perspective_rh_gl(fov, aspect, near, far),
             Mat4.frustum_rh_gl(left, right, bottom, top, near, far),
             Mat4.orthographic_rh_gl(left, right, bottom, top, near, far), Mat4.look_at_rh(eye, center, up),
             Affine3.look_at_rh(eye, center, up)),
            ([h / aspect, 0, 0, 0, 0, h, 0, 0, 0, 0, depth, 1, 0, 0, -(depth * near), 0],
             [g / aspect, 0, 0, 0, 0, g, 0, 0, 0, 0, (near + far) * k, -1, 0, 0, ((near + near) * far) * k, 0],
             [p * (near + near), 0, 0, 0, 0, (near + near) * q, 0, 0, (left + right) * p, (bottom + top) * q,
              -((near + far) * d), -1, 0, 0, (-(near * (far + far))) * d, 0],
             [2.0 / (right - left), 0, 0, 0, 0, 2.0 / (top - bottom), 0, 0, 0, 0, -2.0 / (far - near), 0,
              -(left + right) / (right - left), -(bottom + top) / (top - bottom), -(near + far) / (far - near), 1],
             view, rows + t))


def case_vec3(r):
    a, b, s, angle = vec(3, r), vec(3, r), r.uniform(-0.5, 1.5), r.uniform(-4.0, 4.0)
    A = Vec3(*a)
    la, lb = math.sqrt(dot(a, a)), math.sqrt(dot(b, b))
    cos_a = dot(b, a) / (lb * la)
    theta = math.acos(cos_a)
    L = la + s * (lb - la)
    k = 1.0 / math.sin(theta)
    sl = [k * ((x * (L / la)) * math.sin((1.0 - s) * theta) + (y * (L / lb)) * math.sin(s * theta)) for x, y in zip(a, b)]
    between = math.acos(min(max(dot(b, a) / math.sqrt(dot(b, b) * dot(a, a)), -1.0), 1.0))
    limit = min(max(angle, between - math.pi), between)
    axis = normalized(cross(a, b))
    turned = rotate(scaled(math.sin(limit * 0.5), axis) + [math.cos(limit * 0.5)], a)
    t = dot(b, a)
    kk = 1.0 - (s * s) * (1.0 - t * t)
    refr = [s * x - y * (s * t + math.sqrt(kk)) for x, y in zip(a, b)] if kk >= 0.0 else [0.0, 0.0, 0.0]
    return ((A.slerp(b, s), A.rotate_towards(b, angle), A.rotate_axis(b, angle), A.refract(b, s), A.reflect(b),
             A.project_onto(b), A.lerp(b, s)),
            (sl, turned, rotate(scaled(math.sin(angle * 0.5), b) + [math.cos(angle * 0.5)], a), refr,
             [x - y * (dot(a, b) + dot(a, b)) for x, y in zip(a, b)],
             [(1.0 / dot(b, b)) * (y * dot(a, b)) for y in b], [y * s + (1.0 - s) * x for x, y in zip(a, b)]))


CASES = [case_quat, case_axis_angle, case_rotation_axes, case_mat3, case_mat4, case_affine3, case_euler,
         case_camera, case_vec3]


@pytest.mark.parametrize("case", CASES, ids=[c.__name__[5:] for c in CASES])
def test_results_are_bit_exact(case):
    r = random.Random(case.__name__)
    for _ in range(SAMPLES):
        got, want = case(r)
        for i, (g, w) in enumerate(zip(got, want)):
            assert bits(flat(g)) == bits(list(map(float, w))), (i, flat(g), w)

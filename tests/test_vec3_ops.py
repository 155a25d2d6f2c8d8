"""Operations of Vec3 alone (cross product, rotations, slerp, angles, orthonormal companions,
homogeneous coordinates) against plain Python float arithmetic in the same order."""
import math

import pytest

from algebra_support import check, fdiv, key
from quorixpy import Vec2, Vec3, Vec4

NAN = float("nan")
INF = float("inf")
PI = math.pi


def dot(a, b):
    return (a[0] * b[0] + a[1] * b[1]) + a[2] * b[2]


def length(a):
    return math.sqrt(dot(a, a))


def cross(a, b):
    return [a[1] * b[2] - b[1] * a[2], a[2] * b[0] - b[2] * a[0], a[0] * b[1] - b[0] * a[1]]


def scaled(k, a):
    return [k * c for c in a]


def quat_rotate(b, w, p):
    m = w * w - dot(b, b)
    t = dot(b, p)
    c = cross(b, p)
    return [(w + w) * ci + (pi * m + bi * (t + t)) for ci, pi, bi in zip(c, p, b)]


def sign(z):
    return NAN if math.isnan(z) else math.copysign(1.0, z)


def clamp_unit(c):
    if c < -1.0:
        c = -1.0
    if c > 1.0:
        c = 1.0
    return c


def angle_between(a, b):
    return math.acos(clamp_unit(fdiv(dot(a, b), math.sqrt(dot(a, a) * dot(b, b)))))


def any_orthogonal(v):
    return [-v[2], 0.0, v[0]] if abs(v[0]) > abs(v[1]) else [0.0, v[2], -v[1]]


def normalize(a):
    return scaled(fdiv(1.0, length(a)), a)


def lerp(a, b, s):
    return [q * s + (1.0 - s) * p for p, q in zip(a, b)]


def slerp(v, r, s):
    lv, lr = length(v), length(r)
    cos_a = fdiv(dot(r, v), lr * lv)
    if abs(cos_a) < 0.9999997:
        theta = math.acos(cos_a)
        t1, t2 = math.sin((1.0 - s) * theta), math.sin(s * theta)
        n = lv + s * (lr - lv)
        k = 1.0 / math.sin(theta)
        return [k * ((c * (n / lv)) * t1 + (q * (n / lr)) * t2) for c, q in zip(v, r)]
    if cos_a < 0:
        axis = normalize(any_orthogonal(v))
        h = (s * PI) * 0.5
        u = quat_rotate(scaled(math.sin(h), axis), math.cos(h), v)
        n = lv + s * (lr - lv)
        return scaled(n / lv, u)
    return lerp(v, r, s)


def rotate_towards(v, r, max_angle):
    theta = angle_between(r, v)
    lo = theta - PI
    a = max_angle
    if a < lo:
        a = lo
    if a > theta:
        a = theta
    c = cross(v, r)
    inv = fdiv(1.0, length(c))
    axis = scaled(inv, c) if math.isfinite(inv) and inv > 0 else normalize(any_orthogonal(v))
    h = a * 0.5
    return quat_rotate(scaled(math.sin(h), axis), math.cos(h), v)


PAIRS = [((1.0, 0.0, 0.0), (0.0, 1.0, 0.0)), ((1.0, 0.0, 0.0), (2.0, 0.0, 0.0)), ((1.0, 0.0, 0.0), (-1.0, 0.0, 0.0)),
         ((1.0, 2.0, 3.0), (-4.0, 0.5, 2.0)), ((0.0, 0.0, 0.0), (1.0, 0.0, 0.0)), ((0.3, -0.0, 0.1), (-3.0, 0.0, -1.0)),
         ((1.0, 1e-4, 0.0), (1.0, 0.0, 0.0)), ((1.0, 0.0, 0.0), (-1.0, 1e-4, 0.0)), ((5.0, -2.0, 7.0), (5.0, -2.0, 7.5)),
         ((0.0, 3.0, 4.0), (0.0, 2.0, -1.0))]


@pytest.mark.parametrize("v, r", PAIRS)
def test_cross_and_angle_between(v, r):
    check(Vec3(*v).cross(r), Vec3, cross(v, r))
    assert key(Vec3(*v).angle_between(r)) == key(angle_between(v, r))


@pytest.mark.parametrize("v, r", PAIRS)
@pytest.mark.parametrize("s", [0.0, 0.25, 0.5, 1.0, 1.5, -0.5])
def test_slerp(v, r, s):
    check(Vec3(*v).slerp(r, s), Vec3, slerp(v, r, s))


@pytest.mark.parametrize("v, r", [p for p in PAIRS if length(p[0]) > 0])
@pytest.mark.parametrize("max_angle", [0.0, 0.3, -0.3, 10.0, -10.0, NAN])
def test_rotate_towards(v, r, max_angle):
    check(Vec3(*v).rotate_towards(r, max_angle), Vec3, rotate_towards(v, r, max_angle))


ROTATIONS = [
    ("rotate_x", lambda v, s, c: [v[0], c * v[1] - s * v[2], s * v[1] + c * v[2]]),
    ("rotate_y", lambda v, s, c: [c * v[0] + s * v[2], v[1], c * v[2] - s * v[0]]),
    ("rotate_z", lambda v, s, c: [c * v[0] - s * v[1], s * v[0] + c * v[1], v[2]]),
]


@pytest.mark.parametrize("name, ref", ROTATIONS, ids=[r[0] for r in ROTATIONS])
@pytest.mark.parametrize("angle", [PI / 2, -0.3, 1e-9, 100.0, 0.0])
def test_axis_rotations(name, ref, angle):
    for v in [(1.0, 2.0, 3.0), (0.0, 1.0, 0.0), (-0.0, 0.0, -5.5)]:
        check(getattr(Vec3(*v), name)(angle), Vec3, ref(v, math.sin(angle), math.cos(angle)))


@pytest.mark.parametrize("axis", [(0.0, 0.0, 1.0), (0.0, 0.0, 2.0), (0.6, 0.0, 0.8), (1.0, 1.0, 1.0), (0.0, 0.0, 0.0)])
@pytest.mark.parametrize("angle", [PI / 2, -1.0, 3.0])
def test_rotate_axis(axis, angle):
    v = (1.0, -2.0, 0.5)
    h = angle * 0.5
    check(Vec3(*v).rotate_axis(axis, angle), Vec3, quat_rotate(scaled(math.sin(h), axis), math.cos(h), v))


def orthonormal(v):
    s = sign(v[2])
    a = -1.0 / (v[2] + s)
    b = (v[0] * v[1]) * a
    first = [((s * v[0]) * v[0]) * a + 1.0, s * b, -(s * v[0])]
    return first, [b, s + (v[1] * v[1]) * a, -v[1]]


@pytest.mark.parametrize("v", [(1.0, 2.0, 3.0), (3.0, 1.0, 2.0), (1.0, 1.0, 0.0), (0.0, 0.0, 1.0), (0.0, 0.0, -1.0),
                               (0.0, 0.0, 0.0), (0.0, 0.0, -0.0), (0.48, 0.6, 0.64), (NAN, 1.0, 2.0)])
def test_orthogonal_companions(v):
    check(Vec3(*v).any_orthogonal_vector(), Vec3, any_orthogonal(v))
    if v[2] + sign(v[2]) == 0:
        return  # -1 / 0 in the formula: Python cannot evaluate it; see the examples below
    first, second = orthonormal(v)
    check(Vec3(*v).any_orthonormal_vector(), Vec3, second)
    pair = Vec3(*v).any_orthonormal_pair()
    assert type(pair) is tuple and len(pair) == 2
    check(pair[0], Vec3, first)
    check(pair[1], Vec3, second)


@pytest.mark.parametrize("expr, expected", [
    ("Vec3(1, 0, 0).cross((0, 1, 0))", (0, 0, 1)),
    ("Vec3(1, 0, 0).rotate_z(PI / 2)", (6.123233995736766e-17, 1, 0)),
    ("Vec3(1, 0, 0).slerp((2, 0, 0), 0.5)", (1.5, 0, 0)),
    ("Vec3(0, 0, 0).slerp((1, 0, 0), 0.5)", (0.5, 0, 0)),
    ("Vec3(1, 0, 0).rotate_towards((0, 1, 0), 0.0)", (1, 0, 0)),
    ("Vec3(1, 2, 3).any_orthogonal_vector()", (0, 3, -2)),
    ("Vec3(3, 1, 2).any_orthogonal_vector()", (-2, 0, 3)),
    ("Vec3(1, 1, 0).any_orthogonal_vector()", (0, 0, -1)),
    ("Vec3(0, 0, 1).any_orthonormal_vector()", (-0.0, 1.0, -0.0)),
    ("Vec3(0, 0, -1).any_orthonormal_vector()", (0.0, -1.0, -0.0)),
    ("Vec3(0, 0, 0).any_orthonormal_vector()", (-0.0, 1.0, -0.0)),
    ("Vec3(0, 0, -0.0).any_orthonormal_vector()", (0.0, -1.0, -0.0)),
    ("Vec3(0, 0, 1).any_orthonormal_pair()[0]", (1.0, -0.0, -0.0)),
    ("Vec3.from_homogeneous((2, 4, 6, 2))", (1, 2, 3)),
    ("Vec3.from_homogeneous(v=Vec4(1, -1, 0, 0))", (INF, -INF, NAN)),
    ("Vec3(1, 2, 3).angle_between((2, 4, 6))", 0.0),
    ("Vec3(1, 0, 0).angle_between((-1, 0, 0))", PI),
    ("Vec3(0, 0, 0).angle_between((1, 0, 0))", NAN),
])
def test_examples(expr, expected):
    out = eval(expr)
    if isinstance(expected, tuple):
        assert type(out) is Vec3 and [key(c) for c in out] == [key(c) for c in expected]
    else:
        assert key(out) == key(expected)


def test_rotation_results_are_close_to_the_described_ones():
    close = lambda v, e: v.abs_diff_eq(e, 1e-12)  # noqa: E731
    assert close(Vec3(1, 0, 0).slerp((0, 2, 0), 0.5), (1.5 / math.sqrt(2), 1.5 / math.sqrt(2), 0))
    assert close(Vec3(1, 0, 0).slerp((-1, 0, 0), 0.5), (0, 1, 0))
    assert close(Vec3(1, 0, 0).slerp((-2, 0, 0), 1.0), (-2, 0, 0))
    assert close(Vec3(1, 0, 0).rotate_axis((0, 0, 2), PI / 2), (-1.5, 2, 0))
    assert close(Vec3(1, 0, 0).rotate_towards((0, 1, 0), 10), (0, 1, 0))
    assert close(Vec3(1, 0, 0).rotate_towards((0, 1, 0), -10), (0, -1, 0))
    assert close(Vec3(1, 0, 0).rotate_towards((-1, 0, 0), PI / 2), (0, 1, 0))
    assert abs(Vec3(3, 4, 12).rotate_towards((-1, 5, 0), 0.7).length() - 13) < 1e-12
    first, second = Vec3(0.48, 0.6, 0.64).any_orthonormal_pair()
    assert first.cross(second).abs_diff_eq((0.48, 0.6, 0.64), 1e-15)


def test_size_conversions():
    v = Vec3(1, -0.0, 3)
    for out, cls, expected in [(v.extend(4), Vec4, (1, -0.0, 3, 4)), (v.extend(w=NAN), Vec4, (1, -0.0, 3, NAN)),
                               (v.truncate(), Vec2, (1, -0.0)), (v.to_homogeneous(), Vec4, (1, -0.0, 3, 1))]:
        check(out, cls, expected)


@pytest.mark.parametrize("call, error, text", [
    (lambda: Vec3.from_homogeneous((1, 2, 3)), AttributeError, "'tuple' object has no attribute 'x'"),
    (lambda: Vec3.from_homogeneous(Vec3()), AttributeError, "'Vec3' object has no attribute 'w'"),
    (lambda: Vec3().rotate_axis((0, 0), 1.0), AttributeError, "'tuple' object has no attribute 'x'"),
    (lambda: Vec3().rotate_axis((0, 0, 1), "a"), TypeError, "argument 'angle': must be real number, not str"),
    (lambda: Vec3().slerp(rhs=(1, 0, 0)), TypeError, "Vec3.slerp() missing 1 required positional argument: 's'"),
    (lambda: Vec3().extend(), TypeError, "Vec3.extend() missing 1 required positional argument: 'w'"),
])
def test_argument_errors(call, error, text):
    with pytest.raises(error) as info:
        call()
    assert type(info.value) is error and str(info.value) == text

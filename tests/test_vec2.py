"""Vec2: its argument rule (attributes only, no sequences) and the methods of Vec2 alone, against
plain Python float arithmetic in the same order."""
import math

import pytest

from algebra_support import bits
from quorixpy import Vec2, Vec3, Vec4

NAN = float("nan")
INF = float("inf")
PI = math.pi


def same(v, expected):
    return type(v) is Vec2 and bits(v) == bits(expected)


class XY:
    def __init__(self, x, y):
        self.x, self.y = x, y


# ---- argument rule ----

@pytest.mark.parametrize("arg, expected", [
    (Vec2(3, 4), 11.0), (Vec3(3, 4, 5), 11.0), (Vec4(3, 4, 5, 6), 11.0), (XY(3, True), 5.0),
])
def test_vector_like_accepts_objects_with_x_and_y(arg, expected):
    assert Vec2(1, 2).dot(arg) == expected
    assert Vec2(1, 2).dot(rhs=arg) == expected


@pytest.mark.parametrize("arg, error, text", [
    ((3, 4), AttributeError, "'tuple' object has no attribute 'x'"),
    ([3, 4], AttributeError, "'list' object has no attribute 'x'"),
    (5.0, AttributeError, "'float' object has no attribute 'x'"),
    (XY(1, "a"), TypeError, "argument 'rhs': must be real number, not str"),
])
def test_vector_like_has_no_sequence_step(arg, error, text):
    with pytest.raises(error) as info:
        Vec2(1, 2).dot(arg)
    assert type(info.value) is error and str(info.value) == text


@pytest.mark.parametrize("other, equal", [
    (Vec2(1, 2), True), (Vec3(1, 2, 3), True), (XY(1, 2), True), ((1, 2), False), ([1, 2], False), ("ab", False),
])
def test_equality(other, equal):
    assert (Vec2(1, 2) == other) is equal and (Vec2(1, 2) != other) is (not equal)


def test_equality_is_ieee():
    assert Vec2(NAN, 0) != Vec2(NAN, 0) and not (Vec2(NAN, 0) == Vec2(NAN, 0))
    assert Vec2(0.0, 0.0) == Vec2(-0.0, 0.0)


@pytest.mark.parametrize("expr, expected", [
    ("Vec2(1, 2) + 1", (2, 3)), ("1 - Vec2(1, 2)", (0, -1)), ("2 / Vec2(1, 4)", (2, 0.5)),
    ("Vec2(1, 2) / 0", (INF, INF)), ("Vec2(5, -5) % 3", (2, -2)), ("Vec2(1, 2) + Vec3(1, 1, 1)", (2, 3)),
])
def test_operators(expr, expected):
    v = eval(expr)
    assert bits(v) == bits(expected)


@pytest.mark.parametrize("expr", ["Vec3(1, 1, 1) * Vec2(2, 3)", "Vec2(1, 2) + (1, 2)", "(1, 2) - Vec2(1, 2)", "Vec2(1, 2) * [1, 2]"])
def test_sequences_are_not_operands(expr):
    with pytest.raises(TypeError, match="^unsupported operand type for "):
        eval(expr)


# ---- methods of Vec2 alone ----

def sign(p):
    return NAN if math.isnan(p) else math.copysign(1.0, p)


def ref_angle_to(v, r):
    d = r[0] * v[0] + r[1] * v[1]
    c = d / math.sqrt((r[0] * r[0] + r[1] * r[1]) * (v[0] * v[0] + v[1] * v[1]))
    c = max(c, -1.0) if c < -1.0 else c
    c = 1.0 if c > 1.0 else c
    return math.acos(c) * sign(v[0] * r[1] - v[1] * r[0])


def ref_rotate_towards(v, r, max_angle):
    a = ref_angle_to(v, r)
    lo, hi = abs(a) + (-PI), abs(a)
    t = lo if max_angle < lo else hi if max_angle > hi else max_angle
    theta = sign(a) * t
    s, c = math.sin(theta), math.cos(theta)
    return (v[0] * c - v[1] * s, v[0] * s + v[1] * c)


PAIRS = [((1.0, 0.0), (0.0, 1.0)), ((0.0, 1.0), (1.0, 0.0)), ((1.0, 0.0), (-1.0, 0.0)), ((-1.0, -0.0), (-1.0, 0.0)),
         ((3.0, -4.0), (0.1, 7.0)), ((1e-3, 2e5), (-5.0, 5.0)), ((0.6, 0.8), (0.8, 0.6)), ((2.0, 0.0), (2.0, 1e-9)),
         ((1.0, -0.0), (-1.0, -0.0))]


@pytest.mark.parametrize("v, r", PAIRS)
def test_products_and_angles(v, r):
    a, b = Vec2(*v), Vec2(*r)
    assert same(a.perp(), (-v[1], v[0]))
    assert a.perp_dot(b) == v[0] * r[1] - v[1] * r[0]
    assert same(a.rotate(b), (v[0] * r[0] - v[1] * r[1], v[1] * r[0] + v[0] * r[1]))
    assert bits([a.angle_to(b)]) == bits([ref_angle_to(v, r)])


@pytest.mark.parametrize("v, r", PAIRS)
@pytest.mark.parametrize("max_angle", [0.0, 0.5, -0.5, 10.0, -10.0, 1e-12])
def test_rotate_towards(v, r, max_angle):
    assert same(Vec2(*v).rotate_towards(Vec2(*r), max_angle), ref_rotate_towards(v, r, max_angle))


@pytest.mark.parametrize("v, r, expected", [
    ((1, 0), (0, 1), 1.5707963267948966), ((0, 1), (1, 0), -1.5707963267948966), ((1, 0), (-1, 0), PI),
    ((1, 0), (-1, -0.0), PI), ((1, -0.0), (-1, -0.0), -PI), ((0, 0), (1, 0), NAN), ((INF, 0), (1, 0), NAN),
    ((1, 0), (NAN, 0), NAN),
])
def test_angle_to_examples(v, r, expected):
    got = Vec2(*v).angle_to(Vec2(*r))
    assert bits([got]) == bits([expected]) or (math.isnan(got) and math.isnan(expected))


@pytest.mark.parametrize("max_angle, expected", [
    (0.5, (math.cos(0.5), math.sin(0.5))), (10, (6.123233995736766e-17, 1.0)), (-10, (6.123233995736766e-17, -1.0)),
    (NAN, (NAN, NAN)),
])
def test_rotate_towards_examples(max_angle, expected):
    assert same(Vec2(1, 0).rotate_towards(Vec2(0, 1), max_angle), expected)


def test_rotate_towards_keeps_the_length():
    v = Vec2(3, 4).rotate_towards(Vec2(-1, 0.5), 1.0)
    assert abs(v.length() - 5.0) < 1e-12


def test_small_examples():
    assert same(Vec2.ZERO.perp(), (-0.0, 0.0))
    assert same(Vec2(1, 0).rotate(Vec2(0, 2)), (0, 2))
    e = Vec2(1, 2).extend(3)
    assert type(e) is Vec3 and bits(e) == bits((1, 2, 3))
    assert bits(Vec2(1, 2).extend(z=-0.0)) == bits((1, 2, -0.0))
    with pytest.raises(TypeError, match="^argument 'z': must be real number, not str$"):
        Vec2().extend("a")
    with pytest.raises(TypeError, match="^argument 'max_angle': must be real number, not str$"):
        Vec2(1, 0).rotate_towards(Vec2(0, 1), "a")


@pytest.mark.parametrize("name", ["cross", "slerp", "angle_between", "truncate", "rotate_x", "any_orthogonal_vector",
                                  "to_homogeneous", "with_z", "Z"])
def test_three_dimensional_members_are_absent(name):
    assert not hasattr(Vec2, name)


@pytest.mark.parametrize("rhs, tol, expected", [
    # 1.1 - 1 is 0.10000000000000009, just above the tolerance.
    (Vec2(1.1, 2), 0.1, False), (Vec2(1.1, 2), 0.10000000000000009, True), (Vec3(1, 2, 99), 0.0, True),
    (Vec2(NAN, 2), 1.0, False), (Vec2(1, 2), -0.0, True), (Vec2(1, 2), NAN, False),
])
def test_abs_diff_eq(rhs, tol, expected):
    assert Vec2(1, 2).abs_diff_eq(rhs, tol) is expected

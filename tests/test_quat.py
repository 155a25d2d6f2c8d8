"""The Quat class: construction and state, the Quat argument rule, operators, text, the
quaternion methods and the rotation constructors."""
import dataclasses
import math
import struct

import pytest
from hypothesis import given, settings, strategies as st

from algebra_support import bits, float_state, same_values, state
from quorixpy import Affine3, Mat3, Mat4, Quat, Vec2, Vec3, Vec4

np = pytest.importorskip("numpy")
NAN, INF = float("nan"), float("inf")


# ---- construction, state, text ----

@pytest.mark.parametrize("args, kwargs, expected", [
    ((), {}, (0, 0, 0, 1)), ((1, 2, 3, 4), {}, (1, 2, 3, 4)), ((), {"w": 0}, (0, 0, 0, 0)),
    ((True,), {"z": -0.0}, (1, 0, -0.0, 1)),
])
def test_constructor(args, kwargs, expected):
    assert bits(Quat(*args, **kwargs)) == bits(expected)


@pytest.mark.parametrize("kwargs, text", [
    ({"x": "a"}, "argument 'x': must be real number, not str"),
    ({"w": None}, "argument 'w': must be real number, not NoneType"),
    ({"y": "a", "__pickle_state__": 1.5}, "argument 'y': must be real number, not str"),
    ({"__pickle_state__": 1.5}, "argument '__pickle_state__': 'float' object is not an instance of 'Sequence'"),
])
def test_constructor_errors(kwargs, text):
    with pytest.raises(TypeError) as info:
        Quat(**kwargs)
    assert str(info.value) == text


def test_text():
    assert repr(Quat()) == "Quat(0, 0, 0, 1)" and str(Quat()) == "[0, 0, 0, 1]"
    assert repr(Quat(-0.0, 0.5, 1e20, NAN)) == "Quat(-0, 0.5, 100000000000000000000, NaN)"


@pytest.mark.parametrize("value", [(1, 2, 3, 4), (-0.0, NAN, INF, 5e-324)])
def test_state_round_trip(value):
    q = Quat(*value)
    s = state(q)
    assert len(s) == 41 and s == float_state(value)
    assert bits(Quat(x=9, __pickle_state__=s)) == bits(value)


@pytest.mark.parametrize("values, expected", [((1.0, 2.0, 3.0, 4.0, 5.0), (1, 2, 3, 4)), ((1, 2, 3, 4), (1, 2, 3, 4))])
def test_state_takes_the_first_four(values, expected):
    assert bits(Quat(__pickle_state__=float_state(values))) == bits(expected)


def test_short_state():
    with pytest.raises(ValueError) as info:
        Quat(__pickle_state__=float_state((1.0, 2.0, 3.0)))
    assert str(info.value) == ("pickle decode failed: decoding error: invalid length 3, "
                               "expected a sequence of 4 f64 values")


def test_dataclass_view_and_constants():
    q = Quat(1, 2, 3, 4)
    assert vars(q) == {"x": 1.0, "y": 2.0, "z": 3.0, "w": 4.0} and vars(q) is not vars(q)
    assert [f.name for f in dataclasses.fields(q)] == ["x", "y", "z", "w"]
    assert Quat.IDENTITY is Quat.IDENTITY and bits(Quat.IDENTITY) == bits((0, 0, 0, 1))
    assert bits(Quat.NAN) == struct.pack("<Q", 0x7FF8000000000000) * 4


# ---- the Quat argument rule, operators and comparison ----

@pytest.mark.parametrize("arg", [Vec4(1, 2, 3, 4), [1, 2, 3, 4], (1, 2, 3, 4), np.array([1, 2, 3, 4])])
def test_quat_rule_accepts(arg):
    assert Quat(1, 2, 3, 4).dot(arg) == 30.0 and Quat(1, 2, 3, 4) == arg


@pytest.mark.parametrize("arg, error, text", [
    ([1, 2, 3], AttributeError, "'list' object has no attribute 'x'"),
    ({"x": 1}, AttributeError, "'dict' object has no attribute 'x'"),
    (Vec3(1, 2, 3), AttributeError, "'Vec3' object has no attribute 'w'"),
    ("abcd", AttributeError, "'str' object has no attribute 'x'"),
])
def test_quat_rule_refuses(arg, error, text):
    with pytest.raises(error) as info:
        Quat().mul_quat(arg)
    assert str(info.value) == text
    assert (Quat() == arg) is False and (Quat() != arg) is True


@pytest.mark.parametrize("expr, cls, expected", [
    ("q * [0, 0, 0, 1]", Quat, (1, 2, 3, 4)),
    ("q * Quat(0, 0, 1, 0)", Quat, (2, -1, 4, -3)),
    ("q * Vec4(0, 0, 1, 0)", Quat, (2, -1, 4, -3)),
    ("q * [1, 0, 0]", Vec3, (4, 28, -10)),
    ("q * Vec3(1, 0, 0)", Vec3, (4, 28, -10)),
    ("q * 2", Quat, (2, 4, 6, 8)), ("2 * q", Quat, (2, 4, 6, 8)), ("q / 2", Quat, (0.5, 1, 1.5, 2)),
    ("q / 0.0", Quat, (INF, INF, INF, INF)), ("-q", Quat, (-1, -2, -3, -4)),
    ("q + (1, 1, 1, 1)", Quat, (2, 3, 4, 5)), ("q - Quat()", Quat, (1, 2, 3, 3)),
    ("-Quat(0, 0, 0, 0)", Quat, (-0.0, -0.0, -0.0, -0.0)),
])
def test_operators(expr, cls, expected):
    q = Quat(1, 2, 3, 4)
    r = eval(expr)
    assert type(r) is cls and bits(r) == bits(expected)


@pytest.mark.parametrize("expr, ours", [
    ("q * 's'", True), ("'s' * q", True), ("q * [[1]]", True), ("q / 's'", False), ("2 / q", False), ("(1, 2, 3, 4) + q", False), ("q + 1", False), ("q - 's'", False),
    ("q < q", False), ("+q", False), ("abs(q)", False), ("len(q)", False), ("q[0]", False),
])
def test_operator_failures(expr, ours):
    q = Quat()
    with pytest.raises(TypeError) as info:
        eval(expr)
    assert (str(info.value) == "unsupported operand type for *") is ours


def test_equality_and_hash():
    assert Quat(0, 0, 0, 1) == (0, 0, 0, 1) and Quat(1, 2, 3, 4) == [1, 2, 3, 4]
    assert Quat.NAN != Quat.NAN and not (Quat.NAN == Quat.NAN)
    assert Quat(0, 0, 0, 1) == Quat(-0.0, 0, 0, 1) and hash(Quat(0, 0, 0, 1)) == hash(Quat(-0.0, 0, 0, 1))
    assert hash(Quat(1, 2, 3, 4)) == hash(Quat(1, 2, 3, 4))


# ---- methods ----

@pytest.mark.parametrize("expr, expected", [
    ("Quat.IDENTITY.conjugate()", (-0.0, -0.0, -0.0, 1.0)),
    ("Quat(0, 0, 0, 2).inverse()", (-0.0, -0.0, -0.0, 2.0)),
    ("Quat(0, 0, 0, 0).normalize()", (NAN, NAN, NAN, NAN)),
    ("Quat(1, 2, 3, 4).xyz()", (1, 2, 3)),
    ("Quat(0, 0, 0, 2).mul_vec3((1, 2, 3))", (4, 8, 12)),
    ("Quat(0, 0, 0, 1).mul_vec3(Quat(1, 2, 3, 9))", (1, 2, 3)),
    ("Quat.from_scaled_axis((0, 0, 0))", (0, 0, 0, 1)),
    ("Quat.from_rotation_z(math.pi)", (0, 0, 1, 6.123233995736766e-17)),
    ("Quat(0, 0, 0, 1).to_scaled_axis()", (0, 0, 0)),
    ("Quat.from_xyzw(1, 2, 3, 4)", (1, 2, 3, 4)),
    ("Quat.from_array(range(4))", (0, 1, 2, 3)),
    ("Quat.from_numpy(np.arange(4)[::-1])", (3, 2, 1, 0)),
    ("Quat.from_axis_angle((0, 0, 2), math.pi)", (0, 0, 2, 6.123233995736766e-17)),
    ("Quat(1, 2, 3, 4).rotate_towards(Quat(1, 2, 3, 4.0001), 5.0)", (1, 2, 3, 4.0001)),
])
def test_method_results(expr, expected):
    assert same_values(eval(expr), expected)


@pytest.mark.parametrize("q, normalized, near_identity", [
    (Quat(0, 0, 0, 1.0001), False, True), (Quat(0, 0, 0, 1.00009), True, True),
    (Quat(0, 0, 0, -1), True, True), (Quat(5, 5, 5, 1), False, True), (Quat(1, 0, 0, 0), True, False),
    (Quat.NAN, False, False),
])
def test_predicates(q, normalized, near_identity):
    assert q.is_normalized() is normalized and q.is_near_identity() is near_identity


def test_lengths():
    q = Quat(1, 2, 3, 4)
    assert q.length() == math.sqrt(30.0) and q.length_squared() == 30.0 and not q.is_normalized()
    assert Quat(0, 0, 0, 0).length_recip() == INF


@pytest.mark.parametrize("q, axis, angle", [
    (Quat(0, 0, 0, 1), (1, 0, 0), 0.0), (Quat(0, 0, 0, 0), (1, 0, 0), 0.0), (Quat.NAN, (1, 0, 0), 0.0),
    (Quat(1, 0, 0, 0), (1, 0, 0), math.pi),
])
def test_to_axis_angle(q, axis, angle):
    got_axis, got_angle = q.to_axis_angle()
    assert type(got_axis) is Vec3 and got_axis == axis and got_angle == angle
    assert Quat(0, 0, 0.1, -0.99).to_axis_angle()[1] > math.pi


def test_interpolation_takes_the_short_arc():
    q = Quat.from_rotation_z(0.4)
    end = Quat.from_rotation_z(1.0)
    assert q.slerp(-end, 0.5).abs_diff_eq(q.slerp(end, 0.5), 1e-15)
    assert q.lerp(-end, 0.25).abs_diff_eq(q.lerp(end, 0.25), 1e-15)
    assert q.slerp(q, 0.5) == q.normalize()
    assert q.slerp(end, 0.5).abs_diff_eq(Quat.from_rotation_z(0.7), 1e-15)
    assert q.angle_between(end) == pytest.approx(0.6)


@pytest.mark.parametrize("call, error, text", [
    (lambda: Quat.from_array([1, 2, 3]), ValueError, "expected a sequence of length 4 (got 3)"),
    (lambda: Quat.from_array(5), TypeError, "argument 'a': 'int' object is not an instance of 'Sequence'"),
    (lambda: Quat.from_numpy([1, 2, 3]), ValueError, "Quat.from_numpy expected shape (4,)"),
    (lambda: Quat.from_rotation_arc_2d((1, 0), (-1, 0)), AttributeError, "'tuple' object has no attribute 'x'"),
    (lambda: Quat.from_mat3([[1, 0, 0], [0, 1, 0], [0, 0, 1]]), AttributeError,
     "'list' object has no attribute 'to_cols_array_2d'"),
    (lambda: Quat.from_affine3(Mat3.IDENTITY), AttributeError, "'Mat3' object has no attribute 'matrix3'"),
    (lambda: Quat().slerp(Quat(), "s"), TypeError, "argument 's': must be real number, not str"),
])
def test_argument_errors(call, error, text):
    with pytest.raises(error) as info:
        call()
    assert str(info.value) == text


def test_lists_and_arrays():
    q = Quat(1, 2, 3, 4)
    assert q.to_array() == [1.0, 2.0, 3.0, 4.0] and not hasattr(q, "to_list")
    for a in (q.to_numpy(), np.asarray(q)):
        assert a.dtype == np.float64 and a.tolist() == [1.0, 2.0, 3.0, 4.0]


# ---- rotation constructors ----

@pytest.mark.parametrize("expr, expected", [
    ("Quat.from_rotation_axes((1, 0, 0), (0, 1, 0), (0, 0, 1))", (0, 0, 0, 1)),
    ("Quat.from_mat3(Mat3.IDENTITY)", (0, 0, 0, 1)),
    ("Quat.from_mat3(Mat3.from_cols((1, 0, 0), (0, -1, 0), (0, 0, -1)))", (1, 0, 0, 0)),
    ("Quat.from_mat3(Mat3.ZERO)", (0.5, 0, 0, 0)),
    ("Quat.from_mat4(Mat4.from_translation((5, 6, 7)))", (0, 0, 0, 1)),
    ("Quat.from_affine3(Affine3.from_translation((5, 6, 7)))", (0, 0, 0, 1)),
    ("Quat.from_rotation_arc((1, 0, 0), (1, 0, 0))", (0, 0, 0, 1)),
    ("Quat.from_rotation_arc((1, 0, 0), (-1, 0, 0))", (-0.0, 1.0, -0.0, 6.123233995736766e-17)),
    ("Quat.from_rotation_arc((0, 0, -1), (0, 0, 1))", (0.0, -1.0, -0.0, 6.123233995736766e-17)),
    ("Quat.from_rotation_arc_colinear((1, 0, 0), (-1, 0, 0))", (0, 0, 0, 1)),
    ("Quat.from_rotation_arc_2d(Vec2(1, 0), Vec2(-1, 0))", (0, 0, 1, 0.0)),
    ("Quat.look_to_rh((0, 0, -1), (0, 1, 0))", (-0.0, 0, 0, 1)),
    ("Quat.look_to_lh((0, 0, 1), (0, 1, 0))", (0, 0, 0, 1)),
    ("Quat.look_at_rh((1, 1, 1), (1, 1, 1), (0, 1, 0))", (NAN, NAN, NAN, NAN)),
    ("Quat.look_to_rh((0, 1, 0), (0, 1, 0))", (NAN, NAN, NAN, NAN)),
])
def test_rotation_constructors(expr, expected):
    got = eval(expr)
    assert type(got) is Quat and same_values(got.to_array(), expected)


def test_arc_keeps_lengths_and_takes_reserved_keyword():
    assert Quat.from_rotation_arc((2, 0, 0), (0, 2, 0)) == Quat(0, 0, 4, 1).normalize()
    assert Quat.from_rotation_arc(**{"from": (1, 0, 0), "to": (0, 1, 0)}).abs_diff_eq(
        Quat.from_rotation_z(math.pi / 2), 1e-15)


# ---- identities ----

unit = st.tuples(*[st.floats(-1, 1)] * 4).filter(lambda c: sum(x * x for x in c) > 0.01).map(
    lambda c: Quat(*c).normalize())
vec = st.tuples(*[st.floats(-10, 10)] * 3)


@settings(max_examples=60, deadline=None)
@given(q=unit, r=unit, v=vec)
def test_rotation_identities(q, r, v):
    m = Mat3.from_quat(q)
    assert (q * v).abs_diff_eq(m * v, 1e-12)
    assert ((q * r) * v).abs_diff_eq(q * (r * v), 1e-11)
    back = Quat.from_mat3(m)
    assert back.abs_diff_eq(q, 1e-12) or back.abs_diff_eq(-q, 1e-12)
    assert (q * q.inverse()).abs_diff_eq(Quat.IDENTITY, 1e-15)
    axis, angle = q.to_axis_angle()
    # Vector parts shorter than 1e-8 read as no rotation at all, so that much may be lost.
    for back in (Quat.from_axis_angle(axis, angle), Quat.from_scaled_axis(q.to_scaled_axis())):
        assert back.abs_diff_eq(q, 1e-8) or back.abs_diff_eq(-q, 1e-8)  # the same rotation

"""Vec4: its argument rule (a sequence of four numbers, else the attributes x, y, z, w) and truncate."""

import pytest

from algebra_support import bits
import quorixpy
from quorixpy import Vec2, Vec3, Vec4

np = pytest.importorskip("numpy")

NAN = float("nan")
INF = float("inf")


class XYZW:
    def __init__(self, x, y, z, w):
        self.x, self.y, self.z, self.w = x, y, z, w


@pytest.mark.parametrize("arg", [
    (1, 1, 1, 1), [1, 1, 1, True], np.ones(4), np.ones(4, dtype=np.int32), Vec4(1, 1, 1, 1), XYZW(1, 1, 1, 1),
])
def test_vector_like_accepts(arg):
    assert Vec4(1, 2, 3, 4).dot(arg) == 10.0


@pytest.mark.parametrize("arg, error, text", [
    ([1, 1, 1], AttributeError, "'list' object has no attribute 'x'"),
    ((1, 1, 1, 1, 1), AttributeError, "'tuple' object has no attribute 'x'"),
    (Vec3(1, 1, 1), AttributeError, "'Vec3' object has no attribute 'w'"),
    (Vec2(1, 1), AttributeError, "'Vec2' object has no attribute 'z'"),
    (XYZW(1, 1, 1, "a"), TypeError, "argument 'rhs': must be real number, not str"),
    ([1, 1, 1, "a"], AttributeError, "'list' object has no attribute 'x'"),
])
def test_vector_like_errors(arg, error, text):
    with pytest.raises(error) as info:
        Vec4(1, 2, 3, 4).dot(arg)
    assert type(info.value) is error and str(info.value) == text


@pytest.mark.parametrize("other, equal", [
    ((1, 2, 3, 4), True), (XYZW(1, 2, 3, 4), True), ([1, 2, 3], False), ("abcd", False),
    # Vec4 gives up on a Vec3; the reflected Vec3 comparison reads the Vec4's x, y, z.
    (Vec3(1, 2, 3), True), (Vec3(1, 2, 4), False),
])
def test_equality(other, equal):
    assert (Vec4(1, 2, 3, 4) == other) is equal


@pytest.mark.parametrize("expr, expected", [
    ("Vec4(1, 2, 3, 4) + 1", (2, 3, 4, 5)), ("10 - Vec4(1, 2, 3, 4)", (9, 8, 7, 6)),
    ("1 / Vec4(1, 2, 4, 0)", (1, 0.5, 0.25, INF)), ("Vec4(5, -5, 5, -5) % 3", (2, -2, 2, -2)),
    ("Vec4.ONE + [1, 2, 3, 4]", (2, 3, 4, 5)), ("(1, 2, 3, 4) - Vec4.ONE", (0, 1, 2, 3)),
])
def test_operators(expr, expected):
    v = eval(expr)
    assert type(v) is Vec4 and bits(v) == bits(expected)


@pytest.mark.parametrize("expr, symbol", [("Vec4.ONE * 'a'", "*"), ("Vec4.ONE + Vec3(1, 1, 1)", "+"),
                                          ("Vec4.ONE - [1, 2, 3]", "-")])
def test_unusable_operands(expr, symbol):
    with pytest.raises(TypeError) as info:
        eval(expr)
    assert str(info.value) == f"unsupported operand type for {symbol}"


@pytest.mark.parametrize("value", [(1, 2, 3, 4), (-0.0, NAN, INF, 5e-324)])
def test_truncate(value):
    t = Vec4(*value).truncate()
    assert type(t) is Vec3 and bits(t) == bits(value[:3])


def test_defaults_and_absent_members():
    assert bits(Vec4(1, 2)) == bits((1, 2, 0, 0)) and bits(Vec4(w=5)) == bits((0, 0, 0, 5))
    for name in ("cross", "extend", "perp", "rotate", "slerp", "to_json", "from_homogeneous"):
        assert not hasattr(Vec4, name)


@pytest.mark.skipif(not hasattr(quorixpy, "Quat"), reason="Quat not built yet")
def test_quat_is_vector_like_through_its_attributes():
    q = quorixpy.Quat(1, 2, 3, 4)
    assert Vec4(1, 2, 3, 4).dot(quorixpy.Quat(1, 1, 1, 1)) == 10.0
    assert Vec4(1, 2, 3, 4) == q and not (Vec4(1, 2, 3, 5) == q)
    assert Vec2(1, 2).dot(q) == 5.0
    assert list(Vec4.__dataclass_fields__) == list(quorixpy.Quat.__dataclass_fields__)
    assert Vec4.__dataclass_fields__ is not quorixpy.Quat.__dataclass_fields__

"""EulerRot and the Euler-angle conversions of Quat, Mat3 and Mat4, checked against SciPy."""
import math
import struct

import pytest
from hypothesis import assume, given, settings, strategies as st

from algebra_support import bits, components, same_values
from quorixpy import EulerRot, Mat3, Mat4, Quat

Rotation = pytest.importorskip("scipy.spatial.transform").Rotation

NAMES = ["ZYX", "ZXY", "YXZ", "YZX", "XYZ", "XZY", "ZYZ", "ZXZ", "YXY", "YZY", "XYX", "XZX"]
NAMES += [n + "Ex" for n in NAMES]
ORDERS = [getattr(EulerRot, n) for n in NAMES]
NAN = float("nan")


def scipy_sequence(name):
    """Intrinsic orders are SciPy's upper-case sequences, extrinsic ones its lower-case ones."""
    return name[:3].lower() if name.endswith("Ex") else name


def same_rotation(q, r, tol=1e-12):
    q, r = components(q), components(r)
    return all(abs(a - b) <= tol for a, b in zip(q, r)) or all(abs(a + b) <= tol for a, b in zip(q, r))


def same_angles(got, expected, tol=1e-9):
    """Equal up to whole turns (pi and -pi name the same angle)."""
    return all(abs(math.remainder(a - b, 2 * math.pi)) <= tol for a, b in zip(got, expected))


# ---- the enumeration ----

def test_members_values_and_text():
    assert [int(o) for o in ORDERS] == list(range(24))
    for name, order in zip(NAMES, ORDERS):
        assert repr(order) == str(order) == f"EulerRot.{name}"
        assert getattr(EulerRot, name) is order


@pytest.mark.parametrize("left, right, equal", [
    (EulerRot.ZYX, 0, True), (0, EulerRot.ZYX, True), (EulerRot.ZXY, 1, True), (EulerRot.ZXY, True, True),
    (EulerRot.ZYX, True, False), (EulerRot.ZYX, 0.0, False), (EulerRot.ZYX, "ZYX", False),
    (EulerRot.ZYX, -1, False), (EulerRot.XZXEx, 23, True), (EulerRot.ZYX, 2 ** 70, False),
    (EulerRot.ZYX, EulerRot.ZYX, True), (EulerRot.ZYX, EulerRot.ZXY, False), (EulerRot.XZXEx, None, False),
])
def test_equality(left, right, equal):
    assert (left == right) is equal
    assert (left != right) is (not equal)


@pytest.mark.parametrize("expr", ["EulerRot.ZYX < EulerRot.ZXY", "EulerRot.ZYX >= 0", "hash(EulerRot.ZYX)",
                                  "{EulerRot.ZYX}", "EulerRot()", "EulerRot.__new__(EulerRot)"])
def test_not_orderable_hashable_or_callable(expr):
    with pytest.raises(TypeError):
        eval(expr)


def test_members_carry_no_state():
    for attr in ("__dict__", "__dataclass_fields__", "__getnewargs_ex__", "__index__"):
        assert not hasattr(EulerRot.XYZ, attr)
    assert EulerRot.__doc__ is None


@pytest.mark.parametrize("order, text", [
    (4, "argument 'order': 'int' object is not an instance of 'EulerRot'"),
    (None, "argument 'order': 'None' is not an instance of 'EulerRot'"),
    ("XYZ", "argument 'order': 'str' object is not an instance of 'EulerRot'"),
])
@pytest.mark.parametrize("call", [lambda o: Mat3.from_euler(o, 0.1, 0.2, 0.3), lambda o: Quat().to_euler(o),
                                  lambda o: Mat4.IDENTITY.to_euler(order=o)])
def test_order_must_be_a_member(call, order, text):
    with pytest.raises(TypeError) as info:
        call(order)
    assert str(info.value) == text


def test_angles_are_converted_after_the_order():
    with pytest.raises(TypeError, match=r"^argument 'b': must be real number, not str$"):
        Quat.from_euler(EulerRot.XYZ, 0.1, "b", "c")


# ---- exact results ----

@pytest.mark.parametrize("value, order, expected", [
    (Mat3.IDENTITY, EulerRot.ZYX, (0.0, -0.0, 0.0)),
    (Mat3.IDENTITY, EulerRot.XYZ, (-0.0, 0.0, -0.0)),
    (Mat3.NAN, EulerRot.ZYX, (NAN, NAN, 0.0)),
    (Mat3.NAN, EulerRot.XYZ, (NAN, NAN, -0.0)),
    (Mat3.NAN, EulerRot.ZYXEx, (-0.0, NAN, NAN)),
    (Quat(0, 0, 0, 0), EulerRot.ZYX, (0.0, -0.0, 0.0)),
    (Mat4.from_scale_rotation_translation((1, 1, 1), Quat.IDENTITY, (5, 6, 7)), EulerRot.ZYX, (0.0, -0.0, 0.0)),
])
def test_to_euler_signs(value, order, expected):
    assert same_values(value.to_euler(order), expected)


@pytest.mark.parametrize("order, expected", [
    (EulerRot.XYZ, (0.0, -0.0, 0.0, 1.0)), (EulerRot.ZXZ, (0.0, -0.0, 0.0, 1.0)), (EulerRot.ZYX, (0.0, 0.0, 0.0, 1.0)),
])
def test_zero_angles_give_the_identity(order, expected):
    assert bits(Quat.from_euler(order, 0.0, 0.0, 0.0)) == bits(expected)


@pytest.mark.parametrize("order, angles, expected", [
    (EulerRot.ZYX, (0.3, math.pi / 2, 0.5), (-0.2, math.pi / 2, 0.0)),
    (EulerRot.ZYXEx, (0.3, math.pi / 2, 0.5), (0.0, math.pi / 2, 0.8)),
    (EulerRot.ZYZ, (0.3, 0.0, 0.5), (0.8, 0.0, 0.0)),
    (EulerRot.ZXZ, (0.1, 0.2, 0.3), (0.1 - math.pi, -0.2, 0.3 - math.pi)),
])
def test_gimbal_lock_and_parity_ranges(order, angles, expected):
    got = Mat3.from_euler(order, *angles).to_euler(order)
    assert got == pytest.approx(expected, abs=1e-9)


LOCK = 2.0 ** -48


@pytest.mark.parametrize("order, make, at_lock, above", [
    # Tait-Bryan ZYX: s = |(m22, m12)|; the gimbal branch reads y_axis, the other x_axis.
    (EulerRot.ZYX, lambda t: Mat3.from_cols((0, 1, 1), (0, 1, 0), (0, 0, t)),
     lambda t: (-0.0, math.atan2(-1, t), 0.0), lambda t: (math.pi / 2, math.atan2(-1, t), 0.0)),
    # Proper Euler ZYZ: s = |(m21, m20)|.
    (EulerRot.ZYZ, lambda t: Mat3.from_cols((1, 0, 0), (0, 1, 0), (0, t, 1)),
     lambda t: (-0.0, math.atan2(t, 1), 0.0), lambda t: (math.pi / 2, math.atan2(t, 1), math.pi)),
])
def test_gimbal_threshold_is_strict(order, make, at_lock, above):
    above_lock = math.nextafter(LOCK, 1.0)
    assert same_values(make(LOCK).to_euler(order), at_lock(LOCK))
    assert same_values(make(above_lock).to_euler(order), above(above_lock))


def test_mat4_from_euler_is_the_rotation_block():
    m = Mat4.from_euler(EulerRot.YXZ, 0.1, 0.2, 0.3)
    assert Mat3.from_mat4(m) == Mat3.from_euler(EulerRot.YXZ, 0.1, 0.2, 0.3)
    assert m.w_axis == (0, 0, 0, 1) and m.row(3) == (0, 0, 0, 1)


# ---- against SciPy, every order both ways ----

angles = st.tuples(*[st.floats(-3.0, 3.0)] * 3)


@pytest.mark.parametrize("name", NAMES)
@settings(max_examples=25, deadline=None)
@given(abc=angles)
def test_from_euler_matches_scipy(name, abc):
    order = getattr(EulerRot, name)
    expected = Rotation.from_euler(scipy_sequence(name), abc)
    assert same_rotation(Quat.from_euler(order, *abc), expected.as_quat())
    matrix = expected.as_matrix()
    for m in (Mat3.from_euler(order, *abc), Mat3.from_mat4(Mat4.from_euler(order, *abc))):
        assert m.to_numpy() == pytest.approx(matrix, abs=1e-12)


@pytest.mark.filterwarnings("ignore:Gimbal lock")
@pytest.mark.parametrize("name", NAMES)
@settings(max_examples=25, deadline=None)
@given(xyzw=st.tuples(*[st.floats(-1.0, 1.0)] * 4).filter(lambda q: sum(c * c for c in q) > 0.01))
def test_to_euler_matches_scipy(name, xyzw):
    order = getattr(EulerRot, name)
    rotation = Rotation.from_quat(xyzw)
    expected = rotation.as_euler(scipy_sequence(name))
    tait_bryan = name[0] != name[2]
    # Within a hair of gimbal lock the outer angles come from rounding noise: not comparable.
    assume(abs(math.cos(expected[1]) if tait_bryan else math.sin(expected[1])) > 1e-6)
    q = Quat(*rotation.as_quat())
    for value in (q, Mat3.from_quat(q), Mat4.from_quat(q)):
        abc = value.to_euler(order)
        assert Rotation.from_euler(scipy_sequence(name), abc).as_matrix() == pytest.approx(rotation.as_matrix(), abs=1e-6)
    if tait_bryan and abs(math.cos(expected[1])) > 1e-3:
        # Tait-Bryan angles are unique away from gimbal lock, in the same ranges as SciPy's.
        assert same_angles(q.to_euler(order), expected)


@pytest.mark.parametrize("order", ORDERS)
def test_round_trip_through_angles(order):
    q = Quat.from_euler(order, 0.4, -0.7, 1.1)
    back = Quat.from_euler(order, *q.to_euler(order))
    assert same_rotation(back, q)
    m = Mat3.from_quat(q)
    assert Mat3.from_euler(order, *m.to_euler(order)).abs_diff_eq(m, 1e-12)

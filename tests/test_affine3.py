"""The Affine3 class: construction, the Affine3 argument rule, composition, the debug-text repr,
state, list and NumPy forms, inverse and decomposition."""
import dataclasses
import math

import pytest
from hypothesis import given, settings, strategies as st

from algebra_support import Cols, bits, float_state, same_values, state
from quorixpy import Affine3, Mat3, Mat4, Quat, Vec3

np = pytest.importorskip("numpy")
NAN, INF = float("nan"), float("inf")


class Foreign:
    def __init__(self, matrix3, translation):
        self.matrix3, self.translation = matrix3, translation


def test_construction():
    a = Affine3((1, 2, 3), Mat3.IDENTITY)
    assert a == Affine3.from_translation((1, 2, 3)) == Affine3(rotation=Mat3.IDENTITY, translation=[1, 2, 3])
    assert type(a.matrix3) is Mat3 and type(a.translation) is Vec3 and a.translation == (1, 2, 3)
    assert vars(a) == {"matrix3": Mat3.IDENTITY, "translation": Vec3(1, 2, 3)}
    assert [f.name for f in dataclasses.fields(a)] == ["matrix3", "translation"]


@pytest.mark.parametrize("args, kwargs, error, text", [
    ((), {}, ValueError, "Affine3 requires translation and rotation arguments"),
    (((1, 2, 3),), {}, ValueError, "Affine3 requires translation and rotation arguments"),
    (((1, 2, 3), None), {}, ValueError, "Affine3 requires translation and rotation arguments"),
    (((1, 2, 3), Quat.IDENTITY), {}, AttributeError, "'Quat' object has no attribute 'to_cols_array_2d'"),
    (((1, 2), Mat3.IDENTITY), {}, AttributeError, "'tuple' object has no attribute 'x'"),
    (((1, 2, 3), Cols(([1, 0, 0],) * 3)), {}, TypeError, "argument 'rotation': 'list' object is not an instance of 'tuple'"),
    ((), {"__pickle_state__": float_state((1.0,) * 11)}, ValueError,
     "pickle decode failed: decoding error: invalid length 11, expected a sequence of 12 f64values"),
])
def test_constructor_errors(args, kwargs, error, text):
    with pytest.raises(error) as info:
        Affine3(*args, **kwargs)
    assert str(info.value) == text


def test_state():
    s = state(Affine3.IDENTITY)
    assert len(s) == 113 and s[:6] == bytes.fromhex("800328473ff0")
    assert Affine3(__pickle_state__=s) == Affine3.IDENTITY
    odd = Affine3.from_cols_array([-0.0, NAN, INF, 5e-324] + [1.0] * 8)
    assert bits(Affine3(translation=(9, 9, 9), rotation=Mat3.ZERO, __pickle_state__=state(odd))) == bits(odd)
    assert Affine3(__pickle_state__=float_state(range(13))) == Affine3.from_cols_array(range(12))


@pytest.mark.parametrize("a, text", [
    (Affine3.IDENTITY, "Affine3(matrix3=DMat3 { x_axis: DVec3(1.0, 0.0, 0.0), y_axis: DVec3(0.0, 1.0, 0.0), "
                       "z_axis: DVec3(0.0, 0.0, 1.0) }, translation=DVec3(0.0, 0.0, 0.0))"),
    (Affine3.from_translation((1e-5, 1e16, 0.1)), "translation=DVec3(1e-5, 1e16, 0.1))"),
    (Affine3.from_translation((-0.0, 1e15, 0.0001)), "translation=DVec3(-0.0, 1000000000000000.0, 0.0001))"),
    (Affine3.from_translation((1.5e-7, -2.5e20, NAN)), "translation=DVec3(1.5e-7, -2.5e20, NaN))"),
    (Affine3.from_scale((INF, -INF, 0.5)), "x_axis: DVec3(inf, 0.0, 0.0), y_axis: DVec3(0.0, -inf, 0.0)"),
])
def test_debug_text(a, text):
    assert text in repr(a) and str(a) == repr(a)


# ---- the argument rule and composition ----

def test_composition_applies_the_right_operand_first():
    c = Affine3.from_translation((1, 0, 0)) * Affine3.from_scale((2, 2, 2))
    assert c.transform_point3((1, 1, 1)) == (3, 2, 2)
    foreign = Foreign(Mat3.IDENTITY, (1, 2, 3))
    assert foreign == Affine3.from_translation((1, 2, 3)) and Affine3.from_translation((1, 2, 3)) == foreign
    assert Affine3.IDENTITY * foreign == Affine3.from_translation((1, 2, 3))
    assert Affine3.IDENTITY * Foreign(Cols(((1.0, 0.0, 0.0),) * 3), [0, 0, 0]) == Affine3.from_cols((1, 0, 0), (1, 0, 0), (1, 0, 0), (0, 0, 0))


class Reflecting:
    def __rmul__(self, other):
        return "reflected"


@pytest.mark.parametrize("expr", ["Affine3.IDENTITY * 2.0", "2.0 * Affine3.IDENTITY", "Affine3.IDENTITY * Vec3(1, 2, 3)",
                                  "Affine3.IDENTITY * Mat3.IDENTITY", "Mat3.IDENTITY * Affine3.IDENTITY",
                                  "Affine3.IDENTITY + Affine3.IDENTITY", "-Affine3.IDENTITY", "Affine3.IDENTITY / 2"])
def test_only_affine_products(expr):
    with pytest.raises(TypeError):
        eval(expr)
    assert Affine3.IDENTITY * Reflecting() == "reflected"


def test_equality_and_hash():
    assert Affine3.NAN != Affine3.NAN and (Affine3.IDENTITY == 5) is False
    assert Affine3.ZERO == Affine3.from_scale((-0.0, 0, 0)) and hash(Affine3.ZERO) == hash(Affine3.from_scale((-0.0, 0, 0)))
    assert hash(Affine3.IDENTITY) == hash(Affine3.from_translation((0, 0, 0)))
    with pytest.raises(AttributeError, match=r"^'Mat3' object has no attribute 'matrix3'$"):
        Affine3.IDENTITY.abs_diff_eq(Mat3.IDENTITY, 0.1)


# ---- forms and methods ----

def test_list_and_numpy_forms():
    a = Affine3.from_cols((1, 2, 3), (4, 5, 6), (7, 8, 9), (10, 11, 12))
    assert a.to_cols_array() == list(map(float, range(1, 13)))
    assert a.to_cols_array_2d() == [[1, 2, 3], [4, 5, 6], [7, 8, 9], [10, 11, 12]]
    assert Affine3.from_cols_array_2d(a.to_cols_array_2d()) == a == Affine3.from_cols_array(range(1, 13))
    assert np.asarray(a).tolist() == [[1, 4, 7, 10], [2, 5, 8, 11], [3, 6, 9, 12]]
    assert Affine3.from_numpy(a.to_numpy()) == a and Affine3.IDENTITY.to_numpy().shape == (3, 4)
    assert Affine3.from_mat4(Mat4.from_cols_array(range(16))) == Affine3.from_cols((0, 1, 2), (4, 5, 6), (8, 9, 10), (12, 13, 14))


@pytest.mark.parametrize("call, error, text", [
    (lambda: Affine3.from_numpy(np.zeros((4, 4))), ValueError, "Affine3.from_numpy expected shape (3, 4)"),
    (lambda: Affine3.from_cols_array(range(11)), ValueError, "expected a sequence of length 12 (got 11)"),
    (lambda: Affine3.from_cols_array(3), TypeError, "argument 'm': 'int' object is not an instance of 'Sequence'"),
    (lambda: Affine3.from_cols_array_2d([[0, 0, 0]] * 3), ValueError, "expected a sequence of length 4 (got 3)"),
    (lambda: Affine3.from_cols_array_2d([[0, 0, 0, 0]] * 4), ValueError, "expected a sequence of length 3 (got 4)"),
])
def test_form_errors(call, error, text):
    with pytest.raises(error) as info:
        call()
    assert str(info.value) == text


@pytest.mark.parametrize("expr, expected", [
    ("Affine3.from_translation((1, 2, 3)).transform_point3((1, 1, 1))", (2, 3, 4)),
    ("Affine3.from_translation((1, 2, 3)).transform_vector3((1, 1, 1))", (1, 1, 1)),
    ("Affine3.from_scale((2, 4, 8)).inverse().to_cols_array()", Affine3.from_scale((0.5, 0.25, 0.125)).to_cols_array()),
    ("Affine3.from_scale((-2, 3, 4)).to_scale_rotation_translation()[0]", (-2, 3, 4)),
    ("Affine3.from_scale((-2, 3, 4)).to_scale_rotation_translation()[1]", (0, 0, 0, 1)),
    ("Affine3.from_scale((2, -3, 4)).to_scale_rotation_translation()[0]", (-2, 3, 4)),
    ("Affine3.IDENTITY.to_scale_rotation_translation()[2]", (0, 0, 0)),
    ("Affine3.from_rotation_x(0.5).matrix3.to_cols_array()", Mat3.from_rotation_x(0.5).to_cols_array()),
    ("Affine3.from_axis_angle((0, 0, 1), 0.5).matrix3.to_cols_array()", Mat3.from_rotation_z(0.5).to_cols_array()),
    ("Affine3.from_quat(Quat(0, 0, 2, 0)).matrix3.to_cols_array()", [-7, 0, 0, 0, -7, 0, 0, 0, 1]),
    ("Affine3.look_at_rh((0, 0, 5), (0, 0, 0), (0, 1, 0)).translation", (0, 0, -5)),
    ("Affine3.look_to_rh((0, 0, 5), (0, 0, -3), (0, 1, 0)).translation", (0, 0, -5)),
    ("Affine3.look_to_lh((0, 0, 5), (0, 0, 3), (0, 1, 0)).matrix3.to_cols_array()", [1, 0, 0, 0, 1, 0, 0, 0, 1]),
])
def test_method_results(expr, expected):
    assert eval(expr) == expected


def test_inverse_of_zero_raises_nothing():
    assert not Affine3.ZERO.inverse().is_finite()
    assert Affine3.from_scale((2, -3, 4)).to_scale_rotation_translation()[1].abs_diff_eq(Quat(0, 0, 1, 0), 1e-15)


unit = st.tuples(*[st.floats(-1, 1)] * 4).filter(lambda c: sum(x * x for x in c) > 0.01).map(lambda c: Quat(*c).normalize())
vec = st.tuples(*[st.floats(-10, 10)] * 3)
scales = st.tuples(*[st.floats(0.1, 10)] * 3)


@settings(max_examples=60, deadline=None)
@given(s=scales, q=unit, t=vec, p=vec)
def test_affine_identities(s, q, t, p):
    a = Affine3.from_scale_rotation_translation(s, q, t)
    assert Mat4.from_scale_rotation_translation(s, q, t).transform_point3(p).abs_diff_eq(a.transform_point3(p), 1e-11)
    assert (a.inverse() * a).abs_diff_eq(Affine3.IDENTITY, 1e-11)
    assert a.inverse().transform_point3(a.transform_point3(p)).abs_diff_eq(p, 1e-9)
    scale, rotation, translation = a.to_scale_rotation_translation()
    assert scale.abs_diff_eq(s, 1e-11) and translation == t
    assert rotation.abs_diff_eq(q, 1e-11) or rotation.abs_diff_eq(-q, 1e-11)
    back = Quat.from_affine3(Affine3.from_rotation_translation(q, t))
    assert back.abs_diff_eq(q, 1e-11) or back.abs_diff_eq(-q, 1e-11)

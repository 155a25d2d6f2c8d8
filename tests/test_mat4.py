"""Mat4's own methods: transforms of points, decomposition, and the projection and view
matrices, checked on the points they must map."""
import math

import pytest
from hypothesis import assume, given, settings, strategies as st

from algebra_support import same_values
from quorixpy import Affine3, Mat3, Mat4, Quat, Vec3, Vec4

NAN, INF = float("nan"), float("inf")


@pytest.mark.parametrize("expr, expected", [
    ("Mat4.from_scale_rotation_translation((-1, 1, 1), Quat.IDENTITY, (0, 0, 0)).x_axis", (-1, -0.0, -0.0, -0.0)),
    ("Mat4.from_scale_rotation_translation((INF, 1, 1), Quat.IDENTITY, (0, 0, 0)).x_axis", (INF, NAN, NAN, NAN)),
    ("Mat4.from_rotation_translation(Quat.IDENTITY, (1, 2, 3)).w_axis", (1, 2, 3, 1)),
    ("Mat4.from_mat3_translation(Mat3.from_diagonal((2, 3, 4)), (1, 2, 3)).to_cols_array()",
     [2, 0, 0, 0, 0, 3, 0, 0, 0, 0, 4, 0, 1, 2, 3, 1]),
    ("Mat4.from_mat3(Mat3.IDENTITY) == Mat4.IDENTITY", True),
    ("Mat4.from_scale((2, 3, 4)).diagonal()", (2, 3, 4, 1)),
    ("Mat4.from_translation((1, 2, 3)).transform_point3((1, 1, 1))", (2, 3, 4)),
    ("Mat4.from_translation((1, 2, 3)).transform_vector3((1, 1, 1))", (1, 1, 1)),
    ("Mat4.from_cols_array(range(16)).transform_point3((1, 1, 1))", (24, 28, 32)),
    ("Mat4.ZERO.project_point3((1, 1, 1))", (NAN, NAN, NAN)),
    ("Mat4.from_cols((1, 0, 0, 0), (0, 1, 0, 0), (0, 0, 1, 0), (1, 1, 1, 0)).project_point3((1, 1, 1))", (INF, INF, INF)),
    ("Mat4.IDENTITY.mul_vec4((1, 2, 3, 4))", (1, 2, 3, 4)),
    ("Mat4.from_cols_array(range(16)).mul_transpose_vec4((1, 0, 0, 0))", (0, 4, 8, 12)),
])
def test_results(expr, expected):
    got = eval(expr)
    assert got == expected if isinstance(expected, bool) else same_values(got, expected)


def test_vectors_in_products():
    m = Mat4.from_translation((1, 2, 3))
    assert type(m * (1, 2, 3, 4)) is Vec4 and m * Vec4(0, 0, 0, 1) == (1, 2, 3, 1)
    with pytest.raises(TypeError, match=r"^unsupported operand type for \*$"):
        m * Vec3(1, 2, 3)
    assert m.add_mat4(m) == m * 2 and m.sub_mat4(m) == Mat4.ZERO and m.mul_mat4(m) == Mat4.from_translation((2, 4, 6))


@pytest.mark.parametrize("scale, rotation, translation", [
    ((1, 1, 1), Quat.IDENTITY, (0, 0, 0)), ((2, 3, 4), Quat.from_rotation_y(0.5), (1, -2, 3)),
    ((-2, 3, 4), Quat.from_rotation_x(-1.0), (0, 0, 7)),
])
def test_decomposition(scale, rotation, translation):
    s, q, t = Mat4.from_scale_rotation_translation(scale, rotation, translation).to_scale_rotation_translation()
    assert (type(s), type(q), type(t)) == (Vec3, Quat, Vec3)
    assert s.abs_diff_eq(scale, 1e-12) and t == translation
    assert q.abs_diff_eq(rotation, 1e-12) or q.abs_diff_eq(-rotation, 1e-12)


def test_negative_determinant_goes_to_x():
    s, q, t = Mat4.from_scale((2, -3, 4)).to_scale_rotation_translation()
    assert s == (-2, 3, 4) and q.abs_diff_eq(Quat(0, 0, 1, 0), 1e-15)


@pytest.mark.parametrize("value, x_scale", [
    (Mat4.from_cols_array([1, 1, -0.0, 0, 1, -0.0, 1, 1, 1, -0.0, 1, -0.0, 1, 0, 1, 1]), -math.sqrt(2)),
    (Affine3.from_cols((1, 0, 0), (0, 1, 0), (-0.0, -0.0, -0.0), (0, 0, 0)), -1.0),
    (Affine3.from_cols((1, 0, 0), (0, 1, 0), (0, 0, 0), (0, 0, 0)), 1.0),
])
def test_zero_determinant_sign_goes_to_x(value, x_scale):
    det = value.determinant() if isinstance(value, Mat4) else value.matrix3.determinant()
    assert det == 0.0 and math.copysign(1.0, det) == x_scale / abs(x_scale)
    assert value.to_scale_rotation_translation()[0].x == x_scale


# ---- projections and views by example ----

def test_projection_examples():
    m = Mat4.perspective_rh_gl(math.pi / 2, 1, 1, 3)
    assert m.x_axis.abs_diff_eq((1, 0, 0, 0), 1e-15) and m.z_axis == (0, 0, -2, -1) and m.w_axis == (0, 0, -3, 0)
    assert m.project_point3((0, 0, -1)).z == -1 and m.project_point3((0, 0, -3)).z == 1
    lh, rh = Mat4.perspective_lh(1.0, 1.5, 0.5, 50), Mat4.perspective_rh(1.0, 1.5, 0.5, 50)
    assert lh.z_axis.z == -rh.z_axis.z and lh.z_axis.w == -rh.z_axis.w and lh.x_axis == rh.x_axis
    assert Mat4.perspective_infinite_reverse_rh(1.0, 1.5, 0.5).project_point3((0, 0, -0.5)).z == 1
    assert same_values(Mat4.orthographic_rh(-1, 1, -1, 1, 0, 1).w_axis, (-0.0, -0.0, -0.0, 1))
    assert Mat4.orthographic_rh(-1, 1, -1, 1, 0, 1).z_axis == (0, 0, -1, 0)
    gl = Mat4.orthographic_rh_gl(-1, 1, -1, 1, 0, 1)
    assert gl.z_axis == (0, 0, -2, 0) and same_values(gl.w_axis, (-0.0, -0.0, -1, 1))
    flat = Mat4.frustum_lh(-1, 1, -1, 1, 1, 1)
    assert flat.z_axis.z == INF and flat.w_axis.z == -INF


def test_view_examples():
    m = Mat4.look_at_rh((0, 0, 5), (0, 0, 0), (0, 1, 0))
    assert Mat3.from_mat4(m) == Mat3.IDENTITY and m.w_axis == (0, 0, -5, 1)
    assert Mat4.look_to_lh((0, 0, 5), (0, 0, 1), (0, 1, 0)) == m
    assert Mat4.look_to_rh(eye=(0, 0, 5), dir=(0, 0, -1), up=(0, 1, 0)) == m
    parallel = Mat4.look_at_rh((0, 0, 0), (0, 1, 0), (0, 1, 0))
    assert parallel.row(0).is_nan() and parallel.row(1).is_nan() and not parallel.row(3).is_nan()


@pytest.mark.parametrize("name, params", [
    ("perspective_rh", "(fov_y_radians, aspect_ratio, z_near, z_far)"),
    ("perspective_infinite_lh", "(fov_y_radians, aspect_ratio, z_near)"),
    ("orthographic_lh", "(left, right, bottom, top, near, far)"),
    ("frustum_rh_gl", "(left, right, bottom, top, z_near, z_far)"),
    ("look_at_lh", "(eye, center, up)"), ("project_point3", "($self, rhs)"),
])
def test_signatures(name, params):
    assert getattr(Mat4, name).__text_signature__ == params


def test_argument_errors():
    with pytest.raises(TypeError, match=r"^argument 'z_near': must be real number, not str$"):
        Mat4.perspective_rh(1.0, 1.0, "n", "f")
    with pytest.raises(AttributeError, match=r"^'int' object has no attribute 'x'$"):
        Mat4.look_at_rh((0, 0, 1), 5, (0, 1, 0))


# ---- projections map their own windows ----

pos = st.floats(0.1, 10.0)


def close(v, expected, tol=1e-9):
    return all(abs(a - b) <= tol * max(1.0, abs(b)) for a, b in zip(v, expected))


@settings(max_examples=60, deadline=None)
@given(fov=st.floats(0.2, 3.0), aspect=st.floats(0.2, 5.0), near=pos, depth=pos)
def test_perspective_depths(fov, aspect, near, depth):
    far = near + depth
    top = near * math.tan(fov / 2)
    for m, sign, lo in [(Mat4.perspective_lh(fov, aspect, near, far), 1, 0), (Mat4.perspective_rh(fov, aspect, near, far), -1, 0),
                        (Mat4.perspective_rh_gl(fov, aspect, near, far), -1, -1)]:
        assert close(m.project_point3((aspect * top, top, sign * near)), (1, 1, lo))
        assert close(m.project_point3((0, 0, sign * far)), (0, 0, 1))
    for m, sign, at_near in [(Mat4.perspective_infinite_lh(fov, aspect, near), 1, 0),
                             (Mat4.perspective_infinite_rh(fov, aspect, near), -1, 0),
                             (Mat4.perspective_infinite_reverse_lh(fov, aspect, near), 1, 1),
                             (Mat4.perspective_infinite_reverse_rh(fov, aspect, near), -1, 1)]:
        assert close(m.project_point3((-aspect * top, -top, sign * near)), (-1, -1, at_near))


@settings(max_examples=60, deadline=None)
@given(left=st.floats(-5, 5), width=pos, bottom=st.floats(-5, 5), height=pos, near=pos, depth=pos)
def test_frustum_and_orthographic_windows(left, width, bottom, height, near, depth):
    right, top, far = left + width, bottom + height, near + depth
    args = (left, right, bottom, top, near, far)
    for m, sign, lo in [(Mat4.frustum_lh(*args), 1, 0), (Mat4.frustum_rh(*args), -1, 0), (Mat4.frustum_rh_gl(*args), -1, -1)]:
        assert close(m.project_point3((left, bottom, sign * near)), (-1, -1, lo), 1e-7)
        assert close(m.project_point3((right * far / near, top * far / near, sign * far)), (1, 1, 1), 1e-7)
    for m, sign, lo in [(Mat4.orthographic_lh(*args), 1, 0), (Mat4.orthographic_rh(*args), -1, 0),
                        (Mat4.orthographic_rh_gl(*args), -1, -1)]:
        assert close(m.project_point3((left, bottom, sign * near)), (-1, -1, lo), 1e-7)
        assert close(m.transform_point3((right, top, sign * far)), (1, 1, 1), 1e-7)


vec = st.tuples(*[st.floats(-10, 10)] * 3)


@settings(max_examples=60, deadline=None)
@given(eye=vec, center=vec)
def test_look_at_maps_eye_and_center(eye, center):
    distance = math.dist(eye, center)
    assume(distance > 0.1 and math.hypot(center[0] - eye[0], center[2] - eye[2]) > 0.1 * distance)
    for m, sign in [(Mat4.look_at_rh(eye, center, (0, 1, 0)), -1), (Mat4.look_at_lh(eye, center, (0, 1, 0)), 1)]:
        assert close(m.transform_point3(eye), (0, 0, 0))
        assert close(m.transform_point3(center), (0, 0, sign * distance))
        assert (m.inverse() * m).abs_diff_eq(Mat4.IDENTITY, 1e-12)

"""Mat3's own methods: rotations, the 4x4 minors, the view rotation and the two-dimensional
affine transforms."""
import math

import pytest

from algebra_support import same_values
from quorixpy import Mat3, Mat4, Quat, Vec2, Vec3

NAN = float("nan")
C, S = math.cos(0.5), math.sin(0.5)


@pytest.mark.parametrize("expr, expected", [
    ("Mat3.from_rotation_x(0.5)", [1, 0, 0, 0, C, S, 0, -S, C]),
    ("Mat3.from_rotation_y(0.5)", [C, 0, -S, 0, 1, 0, S, 0, C]),
    ("Mat3.from_rotation_z(0.5)", [C, S, 0, -S, C, 0, 0, 0, 1]),
    ("Mat3.from_angle(0.5)", [C, S, 0, -S, C, 0, 0, 0, 1]),
    ("Mat3.from_axis_angle((0, 0, 1), 0.5)", [C, S, 0, -S, C, 0, 0, 0, 1]),
    ("Mat3.from_quat(Quat(0, 0, 2, 0))", [-7, 0, 0, 0, -7, 0, 0, 0, 1]),
    ("Mat3.from_diagonal((1, 2, 3))", [1, 0, 0, 0, 2, 0, 0, 0, 3]),
    ("Mat3.from_scale(Vec2(2, 3))", [2, 0, 0, 0, 3, 0, 0, 0, 1]),
    ("Mat3.from_translation(Vec2(2, 3))", [1, 0, 0, 0, 1, 0, 2, 3, 1]),
    ("Mat3.from_scale_angle_translation(Vec2(2, 3), 0.5, Vec2(4, 5))", [C * 2, S * 2, 0, -(S * 3), C * 3, 0, 4, 5, 1]),
    ("Mat3.from_mat4(Mat4.from_cols_array(range(16)))", [0, 1, 2, 4, 5, 6, 8, 9, 10]),
    ("Mat3.from_mat4_minor(Mat4.from_cols_array(range(16)), 0, 0)", [5, 6, 7, 9, 10, 11, 13, 14, 15]),
    ("Mat3.from_mat4_minor(Mat4.from_cols_array(range(16)), 1, 2)", [0, 1, 3, 8, 9, 11, 12, 13, 15]),
    ("Mat3.from_mat4_minor(Mat4.IDENTITY, 3, 3)", [1, 0, 0, 0, 1, 0, 0, 0, 1]),
    ("Mat3.look_to_rh((0, 0, -1), (0, 1, 0))", [1, 0, 0, 0, 1, 0, 0, 0, 1]),
    ("Mat3.look_to_lh((0, 0, 1), (0, 1, 0))", [1, 0, 0, 0, 1, 0, 0, 0, 1]),
    ("Mat3.look_to_rh((0, 2, 0), (0, 2, 0))", [NAN, NAN, -0.0, NAN, NAN, -2, NAN, NAN, -0.0]),
])
def test_constructors(expr, expected):
    m = eval(expr)
    assert type(m) is Mat3
    assert same_values(m.to_cols_array(), expected) or m.to_cols_array() == expected


def test_view_rotation_rows():
    m = Mat3.look_to_rh((1, 0, 0), (0, 0, 1))
    assert m.row(2) == (-1, 0, 0) and m * (1, 0, 0) == (0, 0, -1)
    assert Mat3.look_to_lh((1, 0, 0), (0, 0, 1)).row(2) == (1, 0, 0)


@pytest.mark.parametrize("i, j", [(4, 0), (0, 4), (2 ** 40, 1)])
def test_minor_index_out_of_bounds(i, j):
    with pytest.raises(BaseException) as info:
        Mat3.from_mat4_minor(Mat4.IDENTITY, i, j)
    assert type(info.value).__name__ == "PanicException" and str(info.value) == "index out of bounds"
    assert not isinstance(info.value, Exception)


def test_minor_converts_every_argument_first():
    with pytest.raises(TypeError, match=r"^argument 'j': "):
        Mat3.from_mat4_minor(Mat4.IDENTITY, 9, "j")


def test_plane_transforms():
    m = Mat3.from_scale_angle_translation(Vec2(2, 2), math.pi / 2, Vec2(10, 20))
    assert m.transform_point2(Vec2(1, 0)).abs_diff_eq(Vec2(10, 22), 1e-12)
    assert m.transform_vector2(Vec2(1, 0)).abs_diff_eq(Vec2(0, 2), 1e-12)
    odd = Mat3.from_cols((1, 0, 7), (0, 1, 8), (3, 4, 9))  # the third row is never read
    assert odd.transform_point2(Vec2(1, 1)) == Vec2(4, 5) and odd.transform_vector2(Vec2(1, 1)) == Vec2(1, 1)


@pytest.mark.parametrize("call", [lambda: Mat3.from_translation((1, 2)), lambda: Mat3.IDENTITY.transform_point2([1, 2]),
                                  lambda: Mat3.from_scale((1, 2))])
def test_plane_vectors_take_no_sequences(call):
    with pytest.raises(AttributeError, match=r"object has no attribute 'x'$"):
        call()


def test_products():
    m = Mat3.from_cols((1, 2, 3), (4, 5, 6), (7, 8, 10))
    assert m.mul_vec3((1, 0, 0)) == (1, 2, 3) and m * Vec3(0, 1, 0) == (4, 5, 6)
    assert m.mul_transpose_vec3((1, 0, 0)) == (1, 4, 7)
    assert m.mul_mat3(m.inverse()).abs_diff_eq(Mat3.IDENTITY, 1e-14)
    assert m.add_mat3(m) == m * 2 and m.sub_mat3(m) == Mat3.ZERO
    assert m.determinant() == -3.0
    assert type(m * Quat(1, 0, 0, 5)) is Vec3  # a quaternion reads as a vector through x, y, z

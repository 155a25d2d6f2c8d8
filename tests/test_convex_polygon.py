import math
from types import SimpleNamespace

import numpy as np
import pytest

import quorixpy
from quorixpy import Affine3, ConvexPolygon, Mat3, Vec3
from shape_maps import COLS, QUAT, f32, floats, mat_mul, rotate, state_of, stored

TRIANGLE = dict(center=(0, 0, 0), normal=(0, 0, 1), vertices_2d=[(0, 0), (0, 1), (1, 0)])
TILTED = ConvexPolygon((1, 2, 3), (0.3, 0.5, 0.8), [(0, 0), (2, 0.5), (1, 3)])
MESSAGE = "ConvexPolygon requires center, normal, vertices_2d arguments"


def test_builds_counter_clockwise_in_a_frame_from_the_normal():
    p = ConvexPolygon(**TRIANGLE)
    assert p.vertices_2d == [[1.0, 0.0], [0.0, 1.0], [0.0, 0.0]]
    assert (p.u_axis, p.v_axis) == (Vec3(-1, 0, 0), Vec3(0, 1, 0))
    assert ConvexPolygon((0, 0, 0), (0, 1, 0), []).u_axis == Vec3(0, 0, -1)  # reference axis x
    assert ConvexPolygon((0, 0, 0), (0, 0, 1), [[0.1, 0]]).vertices_2d == [[0.10000000149011612, 0.0]]
    assert repr(p) == "ConvexPolygon(center: [0, 0, 0], normal: [0, 0, 1], vertices: 3)"
    assert list(p.__dict__) == list(ConvexPolygon.__dataclass_fields__) == ["center", "normal", "u_axis",
                                                                                "v_axis", "vertices_2d"]


@pytest.mark.parametrize("kwargs, error, text", [
    (dict(center=(0, 0, 0), normal=(0, 0, 1)), ValueError, MESSAGE),
    (dict(TRIANGLE, vertices_2d=None), ValueError, MESSAGE),
    (dict(TRIANGLE, vertices_2d="ab"), TypeError, "argument 'vertices_2d': Can't extract `str` to `Vec`"),
    (dict(TRIANGLE, vertices_2d=5), TypeError, "argument 'vertices_2d': 'int' object is not an instance of 'Sequence'"),
    (dict(TRIANGLE, vertices_2d=[(0, 0, 0)]), ValueError, "expected a sequence of length 2 (got 3)"),
    (dict(TRIANGLE, center=42, __pickle_state__=b"."), AttributeError, "'int' object has no attribute 'x'"),
])
def test_constructor_errors(kwargs, error, text):
    with pytest.raises(error) as info:
        ConvexPolygon(**kwargs)
    assert str(info.value) == text


def test_with_axes_keeps_the_frame_and_the_bound_holds_the_outline():
    p = ConvexPolygon.with_axes((1, 2, 3), (0, 0, 1), (2, 0, 0), (0, 1, 0), [(0, 0), (0, 1), (1, 0)])
    assert (p.u_axis, stored(p)["vertices_3d"][0]) == (Vec3(2, 0, 0), (3.0, 2.0, 3.0))
    assert p.broadphase().radius == 2.0  # the 2-D radius is 1; the stretched frame carries a vertex 2 away
    with pytest.raises(TypeError, match="missing 1 required positional argument: 'vertices_2d'"):
        ConvexPolygon.with_axes((0, 0, 0), (0, 0, 1), (1, 0, 0), (0, 1, 0))


@pytest.mark.parametrize("change, text", [
    (lambda d: d["edge_offsets_2d"].pop(), "decoding error: polygon lists differ in length: "
     "vertices_2d 3, vertices_3d 3, edge_normals_2d 3, edge_offsets_2d 2"),
    (lambda d: d["vertices_3d"].append((0.0, 0.0, 0.0)), "decoding error: polygon lists differ in length: "
     "vertices_2d 3, vertices_3d 4, edge_normals_2d 3, edge_offsets_2d 3"),
    (lambda d: d.update(vertices_2d=[(0.0,)] * 3), "decoding error: invalid length 1, expected an array of length 2"),
    (lambda d: d.clear(), "decoding error: missing field `center`"),
])
def test_states_round_trip_and_malformed_ones_are_refused(change, text):
    fields = stored(TILTED)
    assert stored(ConvexPolygon(__pickle_state__=state_of(fields))) == fields
    change(fields)
    with pytest.raises(ValueError) as info:
        ConvexPolygon(__pickle_state__=state_of(fields))
    assert str(info.value) == "pickle decode failed: " + text
    with pytest.raises(ValueError, match="^pickle decode failed: eval error"):  # a text claiming 2 GB
        ConvexPolygon(__pickle_state__=b"\x80\x03}(X\xff\xff\xff\x7f")


MOVE = np.array((1.5, -2.0, 0.25), f32)


@pytest.mark.parametrize("apply, point, vector", [
    (lambda p: p.rotated_quat(QUAT), lambda v: rotate(QUAT, v), lambda v: rotate(QUAT, v)),
    (lambda p: p.rotated_mat(Mat3(*COLS)), lambda v: mat_mul(COLS, v), lambda v: mat_mul(COLS, v)),
    (lambda p: p.transformed(Affine3.from_mat3_translation(Mat3(*COLS), Vec3(*floats(MOVE)))),
     lambda v: mat_mul(COLS, v) + MOVE, lambda v: mat_mul(COLS, v)),
    (lambda p: p.translated(floats(MOVE)), lambda v: np.array(v, f32) + MOVE, lambda v: v),
])
def test_rigid_maps_follow_the_formulas_bit_for_bit(apply, point, vector):
    before, after = stored(TILTED), stored(apply(TILTED))
    assert after["center"] == floats(point(before["center"]))
    assert [after[k] for k in ("normal", "u_axis", "v_axis")] == [floats(vector(before[k])) for k in
                                                                  ("normal", "u_axis", "v_axis")]
    assert after["vertices_3d"] == [floats(point(v)) for v in before["vertices_3d"]]
    assert after | {"center": 0, "normal": 0, "u_axis": 0, "v_axis": 0, "vertices_3d": 0} == before | {
        "center": 0, "normal": 0, "u_axis": 0, "v_axis": 0, "vertices_3d": 0}


def test_scaling_and_bounds():
    p = ConvexPolygon((5, 0, 0), (0, 0, 1), [(0, 0), (1, 0), (0, 1)])
    assert (p.scaled(2.0).vertices_2d, p.scaled(2.0).center) == ([[0.0, 0.0], [2.0, 0.0], [0.0, 2.0]], p.center)
    assert p.scaled(-1.0).vertices_2d == [[-0.0, -0.0], [-1.0, -0.0], [-0.0, -1.0]]  # a half turn, same order
    assert stored(p.obb()) == {"center": (5.0, 0.0, 0.0), "axes": ((-1.0, 0.0, 0.0), (0.0, 1.0, -0.0), (0.0, 0.0, 1.0)),
                               "half_extents": (1.0, 1.0, 0.0), "axis_aligned": True}
    assert stored(p.aabb())["center"] == (4.5, 0.5, 0.0) and stored(p.aabb())["half_extents"] == (0.5, 0.5, 0.0)
    assert (p.broadphase().center, p.broadphase().radius) == (Vec3(5, 0, 0), 1.0)
    assert stored(ConvexPolygon((1, 2, 3), (0, 0, 1), []).aabb())["center"] == (1.0, 2.0, 3.0)


def test_stretch_in_plane_and_across():
    p = ConvexPolygon(**TRIANGLE)
    (across,), (along,) = p.stretch((0, 0, 1)), p.stretch(translation=(1, 0, 0))
    assert isinstance(across, quorixpy.Shape.ConvexPolytope) and isinstance(along, quorixpy.Shape.ConvexPolygon)
    assert sorted(map(tuple, along[0].vertices_2d)) == [(-1.0, 0.0), (-1.0, 1.0), (0.0, 1.0), (1.0, 0.0)]
    with pytest.raises(TypeError, match="^argument 'translation'"):
        p.stretch(SimpleNamespace(x="a", y=0, z=0))
    assert not p.abs_diff_eq(ConvexPolygon((0, 0, 0), (0, 0, 1), [(0, 0), (0, 1)]), 1.0)


@pytest.mark.parametrize("polygon", [
    ConvexPolygon((0, 0, 0), (0, 0, 1), [(math.nan, 0), (0, 1), (1, 0)]),
    ConvexPolygon((0, 0, 0), (0, 0, 1), [(0, math.nan)]),
    ConvexPolygon.with_axes((0, 0, 0), (0, 0, 1), (math.nan, 0, 0), (0, 1, 0), [(0, 0), (1, 0), (0, 1)]),
])
def test_in_plane_sweep_refuses_nan_before_sorting(polygon):
    with pytest.raises(BaseException) as info:
        polygon.stretch((1, 0, 0))
    assert type(info.value).__name__ == "PanicException"
    assert str(info.value) == "called `Option::unwrap()` on a `None` value"

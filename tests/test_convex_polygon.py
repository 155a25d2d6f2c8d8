import math
import pickle
from types import SimpleNamespace

import numpy as np
import pytest

import quorixpy
from quorixpy import ConvexPolygon, Mat3, Quat, Affine3, Vec3

f32 = np.float32
TRIANGLE = dict(center=(0, 0, 0), normal=(0, 0, 1), vertices_2d=[(0, 0), (0, 1), (1, 0)])
MESSAGE = "ConvexPolygon requires center, normal, vertices_2d arguments"


def stored(shape):
    return pickle.loads(shape.__getnewargs_ex__()[1]["__pickle_state__"])


def state_of(fields):
    return pickle.dumps(fields, protocol=3)


def test_builds_counter_clockwise_in_a_frame_from_the_normal():
    p = ConvexPolygon(**TRIANGLE)
    assert p.vertices_2d == [[1.0, 0.0], [0.0, 1.0], [0.0, 0.0]]
    assert (p.u_axis, p.v_axis) == (Vec3(-1, 0, 0), Vec3(0, 1, 0))
    assert ConvexPolygon((0, 0, 0), (0, 1, 0), []).u_axis == Vec3(0, 0, -1)  # reference axis x
    assert ConvexPolygon((0, 0, 0), (0, 0, 1), [[0.1, 0]]).vertices_2d == [[0.10000000149011612, 0.0]]
    assert repr(p) == "ConvexPolygon(center: [0, 0, 0], normal: [0, 0, 1], vertices: 3)"
    assert list(p.__dict__) == list(ConvexPolygon.__dataclass_fields__) == [
        "center", "normal", "u_axis", "v_axis", "vertices_2d"]


@pytest.mark.parametrize("kwargs, error, text", [
    (dict(center=(0, 0, 0), normal=(0, 0, 1)), ValueError, MESSAGE),
    (dict(TRIANGLE, vertices_2d=None), ValueError, MESSAGE),
    (dict(TRIANGLE, vertices_2d="ab"), TypeError, "argument 'vertices_2d': Can't extract `str` to `Vec`"),
    (dict(TRIANGLE, vertices_2d=5), TypeError, "argument 'vertices_2d': 'int' object is not an instance of 'Sequence'"),
    (dict(TRIANGLE, vertices_2d=[(0, 0, 0)]), ValueError, "expected a sequence of length 2 (got 3)"),
    (dict(TRIANGLE, center=42, __pickle_state__=stored), AttributeError, "'int' object has no attribute 'x'"),
])
def test_constructor_errors(kwargs, error, text):
    if kwargs.get("__pickle_state__") is stored:
        kwargs = dict(kwargs)
        kwargs["__pickle_state__"] = ConvexPolygon(**TRIANGLE).__getnewargs_ex__()[1]["__pickle_state__"]
    with pytest.raises(error) as info:
        ConvexPolygon(**kwargs)
    assert str(info.value).startswith(text)


def test_with_axes_keeps_the_frame_and_bounds_the_outline():
    p = ConvexPolygon.with_axes((1, 2, 3), (0, 0, 1), (2, 0, 0), (0, 1, 0), [(0, 0), (0, 1), (1, 0)])
    assert (p.u_axis, p.vertices_2d[0]) == (Vec3(2, 0, 0), [1.0, 0.0])
    assert stored(p)["vertices_3d"][0] == (3.0, 2.0, 3.0)
    # The 2-D radius is 1, but the stretched frame carries a vertex 2 away from the centre.
    assert p.broadphase().radius == 2.0
    with pytest.raises(TypeError, match="missing 1 required positional argument: 'vertices_2d'"):
        ConvexPolygon.with_axes((0, 0, 0), (0, 0, 1), (1, 0, 0), (0, 1, 0))


def test_state_round_trip_keeps_derived_fields():
    p = ConvexPolygon((1, 2, 3), (0.3, 0.5, 0.8), [(0, 0), (2, 0.5), (1, 3)])
    q = ConvexPolygon(__pickle_state__=p.__getnewargs_ex__()[1]["__pickle_state__"])
    assert stored(q) == stored(p) == stored(pickle.loads(pickle.dumps(p)))


@pytest.mark.parametrize("change, text", [
    (lambda d: d["edge_offsets_2d"].pop(), "decoding error: polygon lists differ in length: "
     "vertices_2d 3, vertices_3d 3, edge_normals_2d 3, edge_offsets_2d 2"),
    (lambda d: d["vertices_3d"].append((0.0, 0.0, 0.0)), "decoding error: polygon lists differ in length: "
     "vertices_2d 3, vertices_3d 4, edge_normals_2d 3, edge_offsets_2d 3"),
    (lambda d: d.pop("bounding_radius"), "decoding error: missing field `bounding_radius`"),
    (lambda d: d.update(vertices_2d=[(0.0,)] * 3), "decoding error: invalid length 1, expected an array of length 2"),
])
def test_malformed_states_are_refused(change, text):
    fields = stored(ConvexPolygon(**TRIANGLE))
    change(fields)
    with pytest.raises(ValueError) as info:
        ConvexPolygon(__pickle_state__=state_of(fields))
    assert str(info.value) == "pickle decode failed: " + text
    with pytest.raises(ValueError, match="^pickle decode failed: eval error"):  # a text claiming 2 GB
        ConvexPolygon(__pickle_state__=b"\x80\x03}(X\xff\xff\xff\x7f")


def dot(a, b):
    return (a[0] * b[0] + a[1] * b[1]) + a[2] * b[2]


def rotate(q, v):
    x, y, z, w = (f32(c) for c in q)
    b, v = np.array([x, y, z], f32), np.array(v, f32)
    return (v * (w * w - dot(b, b)) + b * (f32(2) * dot(b, v))) + np.cross(b, v) * (f32(2) * w)


def mat_mul(cols, v):
    c = [np.array(col, f32) for col in cols]
    v = np.array(v, f32)
    return (c[0] * v[0] + c[1] * v[1]) + c[2] * v[2]


QUAT = (0.1, -0.7, 0.2, math.sqrt(1 - 0.54))
COLS = [tuple(rotate(QUAT, e)) for e in np.eye(3)]
MOVE = np.array((1.5, -2.0, 0.25), f32)


@pytest.mark.parametrize("apply, point, vector", [
    (lambda p: p.rotated_quat(Quat(*QUAT)), lambda v: rotate(QUAT, v), lambda v: rotate(QUAT, v)),
    (lambda p: p.rotated_mat(Mat3(*COLS)), lambda v: mat_mul(COLS, v), lambda v: mat_mul(COLS, v)),
    (lambda p: p.transformed(Affine3.from_mat3_translation(Mat3(*COLS), Vec3(*map(float, MOVE)))),
     lambda v: mat_mul(COLS, v) + MOVE, lambda v: mat_mul(COLS, v)),
    (lambda p: p.translated(tuple(map(float, MOVE))), lambda v: np.array(v, f32) + MOVE, lambda v: v),
])
def test_rigid_maps_follow_the_formulas_bit_for_bit(apply, point, vector):
    p = ConvexPolygon((1, 2, 3), (0.3, 0.5, 0.8), [(0, 0), (2, 0.5), (1, 3)])
    before, after = stored(p), stored(apply(p))
    assert after["center"] == tuple(float(c) for c in point(before["center"]))
    for key in ("normal", "u_axis", "v_axis"):
        assert after[key] == tuple(float(c) for c in vector(before[key])), key
    assert after["vertices_3d"] == [tuple(float(c) for c in point(v)) for v in before["vertices_3d"]]
    for key in ("vertices_2d", "edge_normals_2d", "edge_offsets_2d", "bounding_radius"):
        assert after[key] == before[key]


def test_scaling_is_about_the_centre_and_keeps_the_order():
    p = ConvexPolygon((5, 0, 0), (0, 0, 1), [(0, 0), (1, 0), (0, 1)])
    assert p.scaled(2.0).vertices_2d == [[0.0, 0.0], [2.0, 0.0], [0.0, 2.0]]
    assert p.scaled(-1.0).vertices_2d == [[-0.0, -0.0], [-1.0, -0.0], [-0.0, -1.0]]
    assert p.scaled(2.0).center == p.center and stored(p.scaled(2.0))["bounding_radius"] == 2.0


def test_bounds():
    p = ConvexPolygon((5, 0, 0), (0, 0, 1), [(0, 0), (1, 0), (0, 1)])
    box = stored(p.obb())
    assert box["half_extents"] == (1.0, 1.0, 0.0) and box["axis_aligned"] is True
    assert box["axes"] == ((-1.0, 0.0, 0.0), (0.0, 1.0, -0.0), (0.0, 0.0, 1.0))
    assert stored(p.aabb()) | {"axes": None} == {
        "center": (4.5, 0.5, 0.0), "axes": None, "half_extents": (0.5, 0.5, 0.0), "axis_aligned": True}
    assert (p.broadphase().center, p.broadphase().radius) == (Vec3(5, 0, 0), 1.0)
    assert stored(ConvexPolygon((1, 2, 3), (0, 0, 1), []).aabb())["center"] == (1.0, 2.0, 3.0)
    assert not stored(ConvexPolygon((0, 0, 0), (0, 0.6, 0.8), []).obb())["axis_aligned"]


def test_stretch_in_plane_and_across():
    p = ConvexPolygon(**TRIANGLE)
    (across,), (along,) = p.stretch((0, 0, 1)), p.stretch(translation=(1, 0, 0))
    assert isinstance(across, quorixpy.Shape.ConvexPolytope) and isinstance(along, quorixpy.Shape.ConvexPolygon)
    assert sorted(map(tuple, along[0].vertices_2d)) == [(-1.0, 0.0), (-1.0, 1.0), (0.0, 1.0), (1.0, 0.0)]
    with pytest.raises(TypeError, match="^argument 'translation'"):
        p.stretch(SimpleNamespace(x="a", y=0, z=0))


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


def test_abs_diff_eq_needs_equal_vertex_counts():
    p = ConvexPolygon(**TRIANGLE)
    assert p.abs_diff_eq(p.translated((1e-3, 0, 0)), 1e-2)
    assert not p.abs_diff_eq(ConvexPolygon((0, 0, 0), (0, 0, 1), [(0, 0), (0, 1)]), 1.0)

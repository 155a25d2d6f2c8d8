import pickle
from types import SimpleNamespace

import numpy as np
import pytest

import quorixpy
from quorixpy import ConvexPolytope, Cuboid, Mat3, Vec3
from test_convex_polygon import COLS, QUAT, mat_mul, rotate, state_of, stored

f32 = np.float32
CUBE_PLANES = [(tuple(float(s) * e for e in axis), 1.0) for axis in np.eye(3) for s in (1, -1)]
CUBE_VERTICES = [(x, y, z) for x in (-1.0, 1.0) for y in (-1.0, 1.0) for z in (-1.0, 1.0)]
MESSAGE = "ConvexPolytope requires planes, vertices arguments"


def cube(center=(0.0, 0.0, 0.0)):
    planes = [(n, d + sum(a * b for a, b in zip(n, center))) for n, d in CUBE_PLANES]
    return ConvexPolytope(planes, [tuple(a + b for a, b in zip(v, center)) for v in CUBE_VERTICES])


def test_lists_read_and_written_back():
    p = ConvexPolytope(planes=[((1, 0, 0), 1.0)], vertices=[(0, 0, 0.1)])
    assert p.planes == [([1.0, 0.0, 0.0], 1.0)]
    assert p.vertices == [[0.0, 0.0, 0.10000000149011612]]
    assert p.__dict__ == {"planes": p.planes, "vertices": p.vertices}
    assert list(ConvexPolytope.__dataclass_fields__) == ["planes", "vertices"]
    assert repr(cube()) == "ConvexPolytope(planes: 6, vertices: 8)"
    assert callable(p.obb)


@pytest.mark.parametrize("kwargs, error, text", [
    (dict(planes=[[(1, 0, 0), 1.0]], vertices=[]), TypeError, "argument 'planes': 'list' object is not an instance of 'tuple'"),
    (dict(planes=[((1, 0, 0), 1.0, 2.0)], vertices=[]), ValueError, "expected tuple of length 2, but got tuple of length 3"),
    (dict(planes=[((1, 0), 1.0)], vertices=[]), ValueError, "expected a sequence of length 3 (got 2)"),
    (dict(planes=[((1, 0, 0), None)], vertices=[]), TypeError, "argument 'planes': must be real number, not NoneType"),
    (dict(planes=[], vertices="abc"), TypeError, "argument 'vertices': Can't extract `str` to `Vec`"),
    (dict(planes=[], vertices=[(0, 0)]), ValueError, "expected a sequence of length 3 (got 2)"),
    (dict(planes=[], vertices=None), ValueError, MESSAGE),
    (dict(vertices=[]), ValueError, MESSAGE),
])
def test_constructor_errors(kwargs, error, text):
    with pytest.raises(error) as info:
        ConvexPolytope(**kwargs)
    assert str(info.value) == text


def test_box_fitted_or_given():
    assert stored(cube().obb()) == {"center": (0.0, 0.0, 0.0), "axes": tuple(map(tuple, np.eye(3))),
                                    "half_extents": (1.0, 1.0, 1.0), "axis_aligned": True}
    box = Cuboid(__pickle_state__=cube((3, 0, 0)).obb().__getnewargs_ex__()[1]["__pickle_state__"])
    given = ConvexPolytope.with_obb([((1, 0, 0), 1.0)], [(0, 0, 0)], box)
    assert stored(given)["obb"] == stored(box) == stored(given.obb()) == stored(given.aabb())
    assert stored(ConvexPolytope([], []).obb())["axis_aligned"] is True
    with pytest.raises(TypeError, match="missing 1 required positional argument: 'obb'"):
        ConvexPolytope.with_obb([], [])


def test_state_round_trip_and_refusals():
    p = cube((1, 2, 3)).rotated_quat(QUAT)
    assert stored(ConvexPolytope(__pickle_state__=p.__getnewargs_ex__()[1]["__pickle_state__"])) == stored(p)
    assert stored(pickle.loads(pickle.dumps(p))) == stored(p)
    for change, text in [
        (lambda d: d["planes"].append(((1.0, 0.0, 0.0),)), "invalid length 1, expected a tuple of size 2"),
        (lambda d: d["vertices"].append((1.0, 2.0)), "invalid length 2, expected a sequence of 3 f32 values"),
        (lambda d: d["obb"].pop("axes"), "missing field `axes`"),
    ]:
        fields = stored(p)
        change(fields)
        with pytest.raises(ValueError) as info:
            ConvexPolytope(__pickle_state__=state_of(fields))
        assert str(info.value) == "pickle decode failed: decoding error: " + text
    with pytest.raises(ValueError, match="^pickle decode failed: eval error"):  # a list of 2**31 bytes claimed
        ConvexPolytope(__pickle_state__=b"\x80\x03}(X\x06\x00\x00\x00planesB\xff\xff\xff\x7f")


def test_moves_and_scaling():
    p = cube((5, 0, 0))
    big = stored(p.scaled(2.0))
    assert big["obb"]["center"] == (10.0, 0.0, 0.0) and big["obb"]["half_extents"] == (2.0, 2.0, 2.0)
    assert [d for _, d in big["planes"]] == [12.0, -8.0, 2.0, 2.0, 2.0, 2.0]
    moved = p.translated((1, 2, 3))
    assert [d for _, d in moved.planes] == [7.0, -5.0, 3.0, -1.0, 4.0, -2.0]
    assert stored(moved.obb())["center"] == (6.0, 2.0, 3.0)


@pytest.mark.parametrize("apply, vector", [
    (lambda p: p.rotated_quat(QUAT), lambda v: rotate(QUAT, v)),
    (lambda p: p.rotated_mat(Mat3(*COLS)), lambda v: mat_mul(COLS, v)),
])
def test_rotations_follow_the_formulas_bit_for_bit(apply, vector):
    p = ConvexPolytope([((0.6, 0.0, 0.8), 1.5), ((0.0, -1.0, 0.0), 0.25)], [(1, 2, 3), (-0.5, 0.1, 2)])
    before, after = stored(p), stored(apply(p))
    as_floats = lambda v: tuple(float(c) for c in vector(v))
    assert after["planes"] == [(as_floats(n), d) for n, d in before["planes"]]
    assert after["vertices"] == [as_floats(v) for v in before["vertices"]]
    assert after["obb"]["center"] == as_floats(before["obb"]["center"])
    assert after["obb"]["axes"] == tuple(as_floats(a) for a in before["obb"]["axes"])
    assert after["obb"]["axis_aligned"] is False


def test_bounds_of_a_turned_box():
    p = cube().rotated_quat(QUAT)
    box = stored(p.obb())
    h, axes = np.array(box["half_extents"], f32), np.abs(np.array(box["axes"], f32))
    want = [float((h[0] * axes[0][j] + h[1] * axes[1][j]) + h[2] * axes[2][j]) for j in range(3)]
    assert stored(p.aabb())["half_extents"] == tuple(want)
    assert p.broadphase().radius == float(np.sqrt(f32(h[0] * h[0] + h[1] * h[1]) + h[2] * h[2]))


def test_stretch_is_one_polytope_and_abs_diff_eq_counts():
    p = cube()
    for t in [(0, 0, 0), (1, 2, 3)]:
        (swept,) = p.stretch(t)
        assert isinstance(swept, quorixpy.Shape.ConvexPolytope)
    assert len(p.stretch((0, 0, 0))[0][0].vertices) == 16
    with pytest.raises(TypeError, match="^argument 'translation'"):
        p.stretch(SimpleNamespace(x="a", y=0, z=0))
    assert p.abs_diff_eq(p.translated((1e-3, 0, 0)), 1e-2)
    assert not p.abs_diff_eq(ConvexPolytope(CUBE_PLANES[:5], CUBE_VERTICES), 1e9)

import pickle
from types import SimpleNamespace

import numpy as np
import pytest

import quorixpy
from quorixpy import ConvexPolytope, Cuboid, Mat3
from shape_maps import COLS, QUAT, f32, floats, mat_mul, rotate, state_of, stored

MESSAGE = "ConvexPolytope requires planes, vertices arguments"


def cube(c=(0.0, 0.0, 0.0)):
    normals = [tuple(float(s) * e for e in axis) for axis in np.eye(3) for s in (1, -1)]
    planes = [(n, 1.0 + sum(a * b for a, b in zip(n, c))) for n in normals]
    return ConvexPolytope(planes, [(c[0] + x, c[1] + y, c[2] + z) for x in (-1, 1) for y in (-1, 1) for z in (-1, 1)])


def test_lists_read_and_written_back():
    p = ConvexPolytope(planes=[((1, 0, 0), 1.0)], vertices=[(0, 0, 0.1)])
    assert (p.planes, p.vertices) == ([([1.0, 0.0, 0.0], 1.0)], [[0.0, 0.0, 0.10000000149011612]])
    assert p.__dict__ == {"planes": p.planes, "vertices": p.vertices}
    assert list(ConvexPolytope.__dataclass_fields__) == ["planes", "vertices"]
    assert repr(cube()) == "ConvexPolytope(planes: 6, vertices: 8)" and callable(p.obb)


@pytest.mark.parametrize("kwargs, error, text", [
    (dict(planes=[[(1, 0, 0), 1.0]], vertices=[]), TypeError, "argument 'planes': 'list' object is not an instance of 'tuple'"),
    (dict(planes=[((1, 0, 0), 1.0, 2.0)], vertices=[]), ValueError, "expected tuple of length 2, but got tuple of length 3"),
    (dict(planes=[((1, 0), 1.0)], vertices=[]), ValueError, "expected a sequence of length 3 (got 2)"),
    (dict(planes=[((1, 0, 0), None)], vertices=[]), TypeError, "argument 'planes': must be real number, not NoneType"),
    (dict(planes=[], vertices="abc"), TypeError, "argument 'vertices': Can't extract `str` to `Vec`"),
    (dict(planes=[], vertices=None), ValueError, MESSAGE),
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
    with pytest.raises(TypeError, match="missing 1 required positional argument: 'obb'"):
        ConvexPolytope.with_obb([], [])


@pytest.mark.parametrize("change, text", [
    (lambda d: d["planes"].append(((1.0, 0.0, 0.0),)), "invalid length 1, expected a tuple of size 2"),
    (lambda d: d["vertices"].append((1.0, 2.0)), "invalid length 2, expected a sequence of 3 f32 values"),
    (lambda d: d["obb"].pop("axes"), "missing field `axes`"),
])
def test_states_round_trip_and_malformed_ones_are_refused(change, text):
    p = cube((1, 2, 3)).rotated_quat(QUAT)
    fields = stored(p)
    assert stored(ConvexPolytope(__pickle_state__=state_of(fields))) == fields == stored(pickle.loads(pickle.dumps(p)))
    change(fields)
    with pytest.raises(ValueError) as info:
        ConvexPolytope(__pickle_state__=state_of(fields))
    assert str(info.value) == "pickle decode failed: decoding error: " + text
    with pytest.raises(ValueError, match="^pickle decode failed: eval error"):  # 2**31 bytes claimed
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
    assert after["planes"] == [(floats(vector(n)), d) for n, d in before["planes"]]
    assert after["vertices"] == [floats(vector(v)) for v in before["vertices"]]
    assert after["obb"]["center"] == floats(vector(before["obb"]["center"]))
    assert after["obb"]["axes"] == tuple(floats(vector(a)) for a in before["obb"]["axes"])
    assert after["obb"]["axis_aligned"] is False


def test_bounds_stretch_and_comparison():
    p = cube().rotated_quat(QUAT)
    box = stored(p.obb())
    h, axes = np.array(box["half_extents"], f32), np.abs(np.array(box["axes"], f32))
    assert stored(p.aabb())["half_extents"] == tuple(float((h[0] * a[0] + h[1] * a[1]) + h[2] * a[2]) for a in axes.T)
    assert p.broadphase().radius == float(np.sqrt(f32(h[0] * h[0] + h[1] * h[1]) + h[2] * h[2]))
    (swept,) = p.stretch((0, 0, 0))
    assert isinstance(swept, quorixpy.Shape.ConvexPolytope) and len(swept[0].vertices) == 16
    with pytest.raises(TypeError, match="^argument 'translation'"):
        p.stretch(SimpleNamespace(x="a", y=0, z=0))
    assert not p.abs_diff_eq(ConvexPolytope(p.planes[:5], p.vertices), 1e9)

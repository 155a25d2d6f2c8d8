import copy
import math
import pickle

import pytest

from quorixpy import Affine3, Cuboid, Mat3, Quat, Shape, Vec3
from shape_support import f32, flag, mat_apply, record, state, v32, vec, widened

I3 = ((1, 0, 0), (0, 1, 0), (0, 0, 1))
S = 0.70710677
DIAGONAL = ((S, S, 0), (-S, S, 0), (0, 0, 1))


def fields(b):
    return [*b.center, *(x for a in b.axes for x in a), *b.half_extents, b.axis_aligned]


@pytest.mark.parametrize("kwargs, error, text", [
    ({"half_extents": None}, ValueError, "Cuboid requires center, axes, half_extents arguments"),
    ({"center": None}, ValueError, "Cuboid requires center, axes, half_extents arguments"),
    ({"axes": ((1, 0, 0), (0, 1, 0))}, ValueError, "expected a sequence of length 3 (got 2)"),
    ({"half_extents": (1, 2, 3, 4)}, ValueError, "expected a sequence of length 3 (got 4)"),
    ({"axes": 5}, TypeError, "argument 'axes': 'int' object is not an instance of 'Sequence'"),
])
def test_constructor_errors(kwargs, error, text):
    with pytest.raises(error) as info:
        Cuboid(**{"center": (0, 0, 0), "axes": I3, "half_extents": (1, 1, 1), **kwargs})
    assert str(info.value) == text


def test_getters_are_widened():
    b = Cuboid(Vec3(0.1, 0, 0), [[1, 0, 0], (0, 1, 0), Vec3(0, 0, 1)], (0.1, 3e38, 1))
    assert b.center.x == 0.10000000149011612 and b.axes == [list(a) for a in I3] and b.axis_aligned is True
    assert b.full_extents == [0.20000000298023224, float(f32(3e38)) * 2, 2.0]  # doubled after widening
    assert Cuboid((0, 0, 0), ((0, 1, 0), (1, 0, 0), (-0.0, 0, 1)), (1, 1, 1)).axis_aligned is False


def test_corners_and_contains_point():
    b = Cuboid((0.5, -1, 2), DIAGONAL, (2, 0.5, 0.25))
    c, (u, v, w) = v32(0.5, -1, 2), [h * v32(*a) for h, a in zip(v32(2, 0.5, 0.25), DIAGONAL)]
    signs = (f32(-1), f32(1))
    assert [list(p) for p in b.corners()] == [widened(c + (s2 * w + (s0 * u + s1 * v)))
                                              for s0 in signs for s1 in signs for s2 in signs]
    b = Cuboid((0, 0, 0), DIAGONAL, (2, 0.5, 0.5))
    assert [b.contains_point(p) for p in [(1, 1, 0), (1, -1, 0), (2, 0, 0), (0, 0, 0.5), (0, 0, 0.5000001)]] == \
        [True, False, False, True, False]


def test_builders():
    assert fields(Cuboid.from_aabb((1, 1, 1), (0, 0, 0))) == [0.5] * 3 + [1, 0, 0, 0, 1, 0, 0, 0, 1] + [-0.5] * 3 + [True]
    b = Cuboid.from_center_size_orientation((0, 0, 0), (2, -4, 6e38), Mat3.from_cols(Vec3(0.1, 0, 0), Vec3.Y, Vec3.Z))
    assert b.half_extents == [1, 2, float(f32(3e38))] and b.axes[0][0] == float(f32(0.1)) and b.axis_aligned is False
    assert Cuboid.from_center_size_orientation((0, 0, 0), (1, 1, 1), Mat3.IDENTITY).axis_aligned is False
    with pytest.raises(TypeError, match=r"^argument 'size': 'list' object is not an instance of 'tuple'$"):
        Cuboid.from_center_size_orientation((0, 0, 0), [2, 4, 6], Mat3.IDENTITY)
    with pytest.raises(ValueError, match=r"^expected tuple of length 3, but got tuple of length 2$"):
        Cuboid.from_center_size_orientation((0, 0, 0), (2, 4), Mat3.IDENTITY)


def test_bounds_and_transforms():
    flipped = Cuboid((1, 2, 3), ((-2, 0, 0), (0, 1, 0), (0, 0, 1)), (1, 2, 3))
    assert fields(flipped.aabb()) == fields(flipped) == fields(flipped.scaled(1)) and flipped.aabb().axis_aligned
    turned = Cuboid((0, 0, 0), ((0, 1, 0), (-1, 0, 0), (0, 0, 1)), (1, 2, 3)).aabb()
    assert fields(turned) == [0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1, 2, 1, 3, True]
    assert Cuboid((0, 0, 0), I3, (1, 2, 2)).bounding_sphere_radius() == 3.0 == Cuboid((0, 0, 0), I3, (1, 2, 2)).broadphase().radius
    assert Cuboid((0, 0, 0), I3, (1, 1, 1)).rotated_quat(Quat.from_rotation_z(math.pi)).axis_aligned is False
    t = Cuboid((1, 0, 0), DIAGONAL, (1, 1, 1)).transformed(Affine3.from_scale(Vec3(2, 2, 2)))
    assert list(t.center) == [2, 0, 0] and t.axes[0] == widened(v32(S, S, 0) * f32(2)) and t.half_extents == [1, 1, 1]


def test_rotated_mat_maps_centre_and_axes():
    cols = [v32(0.8, 0.1, -0.3), v32(0.2, 1.1, 0.4), v32(-0.5, 0.3, 0.9)]
    b = Cuboid((0.3, 1.7, -2.2), DIAGONAL, (1, 2, 3)).rotated_mat(Mat3.from_cols(*(Vec3(*c) for c in cols)))
    assert list(b.center) == widened(mat_apply(cols, v32(0.3, 1.7, -2.2)))
    assert b.axes == [widened(mat_apply(cols, v32(*a))) for a in DIAGONAL] and b.half_extents == [1, 2, 3]


def test_stretch_and_repr():
    [along] = Cuboid((0, 0, 0), I3, (1, 2, 3)).stretch((0, 2, 0))
    assert type(along) is Shape.Cuboid and along[0].half_extents == [1, 3, 3] and list(along[0].center) == [0, 1, 0]
    assert [type(x) for x in Cuboid((0, 0, 0), I3, (1, 2, 3)).stretch((1, 1, 0))] == [Shape.ConvexPolytope]
    assert repr(Cuboid((0.1, -0.0, 1), DIAGONAL, (1, 2.5, math.inf))) == "Cuboid(center: [0.1, -0, 1], half_extents: [1, 2.5, inf])"


def test_state_keeps_the_stored_flag():
    b = Cuboid.from_center_size_orientation((1, 2, 3), (2, 4, 6), Mat3.IDENTITY)
    assert state(b) == record(("center", vec([1, 2, 3])), ("axes", b"(" + b"".join(vec(a) for a in I3) + b"t"),
                              ("half_extents", vec([1, 2, 3])), ("axis_aligned", flag(False)))
    for again in (pickle.loads(pickle.dumps(b)), copy.deepcopy(b), Cuboid(__pickle_state__=bytearray(state(b)))):
        assert type(again) is Cuboid and fields(again) == fields(b)
    assert list(b.__dict__) == ["center", "axes", "half_extents"] == list(Cuboid.__dataclass_fields__)
    for bad in (state(b) + b".", state(b)[:-5], record(("center", vec([1, 2])))):
        with pytest.raises(ValueError, match=r"^pickle decode failed: "):
            Cuboid(__pickle_state__=bad)


class Foreign:
    def __init__(self, half):
        self.center, self.half_extents, self.axes = (0, 0, 0), half, I3


@pytest.mark.parametrize("half, error, result", [
    ((1, 2, 3.25), None, True),
    ((1, 2, 3.5), None, False),
    ([1, 2, 3], TypeError, r"^argument 'rhs': 'list' object is not an instance of 'tuple'$"),
    ((1, 2), ValueError, r"^expected tuple of length 3, but got tuple of length 2$"),
])
def test_abs_diff_eq_reads_foreign_boxes_by_tuples(half, error, result):
    b = Cuboid((0, 0, 0), I3, (1, 2, 3))
    if error:
        with pytest.raises(error, match=result):
            b.abs_diff_eq(Foreign(half), 0.25)
    else:
        assert b.abs_diff_eq(Foreign(half), 0.25) is result

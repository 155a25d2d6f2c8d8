import copy
import math
import pickle

import numpy as np
import pytest

from quorixpy import Affine3, Cuboid, Mat3, Quat, Shape, Vec3
from shape_support import f32, flag, flt, key, record, state, v32, vec, widened

IDENTITY = ((1, 0, 0), (0, 1, 0), (0, 0, 1))
S = 0.70710677
DIAGONAL = ((S, S, 0), (-S, S, 0), (0, 0, 1))


def box(center=(0, 0, 0), axes=IDENTITY, half=(1, 2, 3)):
    return Cuboid(center, axes, half)


def fields(b):
    return [*b.center, *(x for a in b.axes for x in a), *b.half_extents]


# ---- constructor ----


@pytest.mark.parametrize("axes, aligned", [
    (IDENTITY, True),
    (((0, 1, 0), (1, 0, 0), (0, 0, 1)), False),
    (((-0.0, -0.0, 0), (0, 2, 0), (0, 0, -1)), True),
    (((1, 0, 0), (0, 1, 1e-30), (0, 0, 1)), False),
])
def test_axis_aligned_follows_the_off_diagonal_components(axes, aligned):
    assert box(axes=axes).axis_aligned is aligned


def test_constructor_forms_and_widened_getters():
    b = Cuboid(center=Vec3(0.1, 0, 0), axes=[[1, 0, 0], (0, 1, 0), Vec3(0, 0, 1)], half_extents=np.array([1, 2, 3]))
    assert b.center.x == 0.10000000149011612
    assert b.axes == [[1.0, 0.0, 0.0], [0.0, 1.0, 0.0], [0.0, 0.0, 1.0]]
    assert b.half_extents == [1.0, 2.0, 3.0]
    assert box(half=(0.1, 3e38, 1)).full_extents == [0.20000000298023224, float(f32(3e38)) * 2, 2.0]


@pytest.mark.parametrize("args, kwargs", [
    ((), {}),
    (((0, 0, 0), IDENTITY), {}),
    ((None, IDENTITY, (1, 1, 1)), {}),
    ((), {"axes": IDENTITY, "half_extents": (1, 1, 1)}),
])
def test_missing_arguments(args, kwargs):
    with pytest.raises(ValueError, match=r"^Cuboid requires center, axes, half_extents arguments$"):
        Cuboid(*args, **kwargs)


@pytest.mark.parametrize("kwargs, error, text", [
    ({"axes": ((1, 0, 0), (0, 1, 0))}, ValueError, "expected a sequence of length 3 (got 2)"),
    ({"axes": ((1, 0), (0, 1, 0), (0, 0, 1))}, ValueError, "expected a sequence of length 3 (got 2)"),
    ({"half_extents": (1, 2, 3, 4)}, ValueError, "expected a sequence of length 3 (got 4)"),
    ({"axes": 5}, TypeError, "argument 'axes': "),
    ({"half_extents": (1, "a", 3)}, TypeError, "argument 'half_extents': "),
    ({"center": "abc"}, AttributeError, ""),
])
def test_bad_arguments(kwargs, error, text):
    args = {"center": (0, 0, 0), "axes": IDENTITY, "half_extents": (1, 1, 1), **kwargs}
    with pytest.raises(error) as info:
        Cuboid(**args)
    assert str(info.value).startswith(text)


# ---- queries and builders ----


def test_corners_in_axis_sign_order():
    b = Cuboid((0.5, -1, 2), DIAGONAL, (2, 0.5, 0.25))
    c, a, h = v32(0.5, -1, 2), [v32(*x) for x in DIAGONAL], v32(2, 0.5, 0.25)
    u, v, w = h[0] * a[0], h[1] * a[1], h[2] * a[2]
    expected = [c + (s2 * w + (s0 * u + s1 * v))
                for s0 in (f32(-1), f32(1)) for s1 in (f32(-1), f32(1)) for s2 in (f32(-1), f32(1))]
    assert [list(p) for p in b.corners()] == [widened(e) for e in expected]
    assert [list(p) for p in box().corners()[::7]] == [[-1, -2, -3], [1, 2, 3]]


@pytest.mark.parametrize("point, inside", [
    ((1, 1, 0), True), ((-1, -1, 0), True), ((1, -1, 0), False), ((2, 0, 0), False),
    ((0, 0, 0.5), True), ((0, 0, 0.5000001), False), ((math.nan, 0, 0), True),
])
def test_contains_point(point, inside):
    assert Cuboid((0, 0, 0), DIAGONAL, (2, 0.5, 0.5)).contains_point(point) is inside


def test_bounding_sphere_radius_and_broadphase():
    b = box(center=(1, 2, 3))
    assert b.bounding_sphere_radius() == float(np.sqrt(f32(14)))
    assert list(b.broadphase().center) == [1, 2, 3] and b.broadphase().radius == b.bounding_sphere_radius()


def test_from_aabb():
    b = Cuboid.from_aabb((1, 1, 1), (0, 0, 0))
    assert b.half_extents == [-0.5] * 3 and list(b.center) == [0.5] * 3 and b.axis_aligned
    assert fields(Cuboid.from_aabb(min=(0.1, 0, 0), max=(0.3, 2, 2))) == \
        widened([(f32(0.1) + f32(0.3)) * f32(0.5), 1, 1, *(x for a in IDENTITY for x in a),
                 (f32(0.3) - f32(0.1)) * f32(0.5), 1, 1])


def test_from_center_size_orientation():
    b = Cuboid.from_center_size_orientation((0, 0, 0), (2, -4, 6), Mat3.IDENTITY)
    assert b.half_extents == [1, 2, 3] and b.axis_aligned is False
    # Halved in double precision: 6e38 / 2 is finite in 32 bits.
    assert Cuboid.from_center_size_orientation((0, 0, 0), (6e38, 1, 1), Mat3.IDENTITY).half_extents[0] == float(f32(3e38))
    m = Mat3.from_cols(Vec3(0.5, 0, 0), Vec3(0, 2, 0), Vec3(0.1, 0, 1))
    assert Cuboid.from_center_size_orientation((1, 2, 3), (1, 1, 1), m).axes == [[0.5, 0, 0], [0, 2, 0], [float(f32(0.1)), 0, 1]]
    with pytest.raises(TypeError, match=r"^argument 'size': "):
        Cuboid.from_center_size_orientation((0, 0, 0), [2, 4, 6], Mat3.IDENTITY)
    with pytest.raises(ValueError, match=r"^expected tuple of length 3, but got tuple of length 2$"):
        Cuboid.from_center_size_orientation((0, 0, 0), (2, 4), Mat3.IDENTITY)


# ---- uniform members ----


def test_bounds():
    assert fields(box(center=(1, 2, 3)).aabb()) == fields(box(center=(1, 2, 3)))
    flipped = Cuboid((0, 0, 0), ((-2, 0, 0), (0, 1, 0), (0, 0, 1)), (1, 2, 3))
    assert fields(flipped.aabb()) == fields(flipped)  # an aligned box is its own bound
    turned = Cuboid((0, 0, 0), ((0, 1, 0), (-1, 0, 0), (0, 0, 1)), (1, 2, 3)).aabb()
    assert turned.axes == [list(a) for a in IDENTITY] and turned.half_extents == [2, 1, 3] and turned.axis_aligned
    diag = Cuboid((0, 0, 0), DIAGONAL, (2, 0.5, 0.25))
    e = [f32(2) * abs(f32(S)) + f32(0.5) * abs(f32(S)) + f32(0.25) * f32(0)] * 2
    assert diag.aabb().half_extents[:2] == widened(e)
    assert fields(diag.obb()) == fields(diag) and diag.obb().axis_aligned is False


def test_transforms():
    b = Cuboid((1, 2, 3), DIAGONAL, (2, 0.5, 0.25))
    assert b.scaled(2).half_extents == [4, 1, 0.5] and b.scaled(2).axes == b.axes
    assert box().scaled(-1).axis_aligned and box().translated((1, 0, 0)).center == Vec3(1, 0, 0)
    m = Mat3.from_cols(Vec3(0, 1, 0), Vec3(-1, 0, 0), Vec3(0, 0, 1))
    r = box(center=(1, 0, 0)).rotated_mat(m)
    assert r.axis_aligned is False and list(r.center) == [0, 1, 0] and r.axes[0] == [0, 1, 0]
    assert box().rotated_quat(Quat.from_rotation_z(math.pi)).axis_aligned is False  # ~1e-8 off-diagonal
    t = Cuboid((1, 0, 0), DIAGONAL, (1, 1, 1)).transformed(Affine3.from_scale_rotation_translation(Vec3(2, 2, 2), Quat.IDENTITY, Vec3(0, 0, 5)))
    assert list(t.center) == [2, 0, 5] and t.axes[0] == widened(v32(S, S, 0) * f32(2)) and t.half_extents == [1, 1, 1]


def test_stretch_gives_one_box_or_one_polytope():
    [along] = box().stretch((0, 2, 0))
    assert type(along) is Shape.Cuboid and along[0].half_extents == [1, 3, 3] and list(along[0].center) == [0, 1, 0]
    [diagonal] = box().stretch((1, 1, 0))
    assert type(diagonal) is Shape.ConvexPolytope


def test_repr():
    assert repr(Cuboid((0.1, -0.0, 1), DIAGONAL, (1, 2.5, math.inf))) == \
        "Cuboid(center: [0.1, -0, 1], half_extents: [1, 2.5, inf])"


# ---- pickle, copies, dataclass, abs_diff_eq ----


def test_state_bytes_keep_the_stored_flag():
    b = Cuboid.from_center_size_orientation((1, 2, 3), (2, 4, 6), Mat3.IDENTITY)
    assert state(b) == record(("center", vec([1, 2, 3])), ("axes", b"(" + b"".join(vec(a) for a in IDENTITY) + b"t"),
                              ("half_extents", vec([1, 2, 3])), ("axis_aligned", flag(False)))
    for again in (pickle.loads(pickle.dumps(b)), copy.copy(b), copy.deepcopy(b), Cuboid(__pickle_state__=state(b))):
        assert type(again) is Cuboid and fields(again) == fields(b) and again.axis_aligned is False


@pytest.mark.parametrize("bad", [
    lambda s: s + b".",
    lambda s: s[:-5],
    lambda s: s.replace(b"axis_aligned", b"axis_alignex"),
    lambda s: record(("center", vec([1, 2]))),
])
def test_bad_state(bad):
    with pytest.raises(ValueError, match=r"^pickle decode failed: "):
        Cuboid(__pickle_state__=bad(state(box())))


def test_dataclass_view():
    b = box()
    assert list(b.__dict__) == ["center", "axes", "half_extents"] == list(Cuboid.__dataclass_fields__)
    assert b.__dict__["axes"] == b.axes and b.__dict__ is not b.__dict__


class Foreign:
    def __init__(self, half, axes):
        self.center, self.half_extents, self.axes = (0, 0, 0), half, axes


@pytest.mark.parametrize("rhs, error, text", [
    (Foreign((1, 2, 3), IDENTITY), None, True),
    (Foreign((1, 2, 3.5), IDENTITY), None, False),
    (Foreign([1, 2, 3], IDENTITY), TypeError, "argument 'rhs': 'list' object is not an instance of 'tuple'"),
    (Foreign((1, 2), IDENTITY), ValueError, "expected tuple of length 3, but got tuple of length 2"),
])
def test_abs_diff_eq_reads_foreign_boxes_by_tuples(rhs, error, text):
    if error is None:
        assert box().abs_diff_eq(rhs, 0.25) is text
    else:
        with pytest.raises(error, match="^" + text.replace("(", r"\(").replace(")", r"\)") + "$"):
            box().abs_diff_eq(rhs, 0.25)

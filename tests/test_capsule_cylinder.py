import copy
import pickle

import numpy as np
import pytest

from quorixpy import Affine3, Capsule, Cuboid, Cylinder, Mat3, Quat, Shape, Sphere, Vec3
from shape_support import f32, flag, flt, quat_rotate, record, state, v32, vec, widened

BOTH = pytest.mark.parametrize("cls", [Capsule, Cylinder])


def fields(s):
    return [*s.p1, *s.p2, s.radius]


def cross(a, b):
    return v32(a[1] * b[2] - b[1] * a[2], a[2] * b[0] - b[2] * a[0], a[0] * b[1] - b[0] * a[1])


@BOTH
def test_constructor(cls):
    assert fields(cls(p1=Vec3(0.1, 0, 0), p2=[0.1, 0, 2])) == [0.10000000149011612, 0, 0, 0.10000000149011612, 0, 2, 0]
    for args in [(), (None, (1, 1, 1)), ((0, 0, 0),)]:
        with pytest.raises(ValueError, match=rf"^{cls.__name__} requires p1, p2 arguments$"):
            cls(*args)
    good = state(cls((0, 0, 0), (0, 0, 1), 1))
    with pytest.raises(TypeError, match=r"^argument 'radius': "):
        cls((0, 0, 0), (1, 1, 1), None, __pickle_state__=good)  # arguments are converted before the state
    assert fields(cls(None, (5, 5, 5), __pickle_state__=good)) == [0, 0, 0, 0, 0, 1, 1]


@pytest.mark.parametrize("cls, axial", [(Capsule, 1.5), (Cylinder, 1.0)])
def test_bounds_of_a_vertical_core(cls, axial):
    s = cls((0, 0, 0), (0, 0, 2), 0.5)
    assert s.length() == 2.0 and s.bounding_sphere() == (Vec3(0, 0, 1), 1.5)
    assert type(s.broadphase()) is Sphere and s.broadphase().radius == 1.5
    assert list(s.aabb().center) == [0, 0, 1] and s.aabb().half_extents == [0.5, 0.5, 1.5]
    o = s.obb()
    assert o.axes == [[0, 0, 1], [0, 1, 0], [-1, 0, 0]] and o.half_extents == [axial, 0.5, 0.5] and not o.axis_aligned
    point = cls((1, 2, 3), (1, 2, 3), 0.5).obb()
    assert point.axis_aligned and point.half_extents == [0.5] * 3


@pytest.mark.parametrize("cls, capsule", [(Capsule, True), (Cylinder, False)])
def test_obb_frame_of_a_slanted_core(cls, capsule):
    p1, r = v32(0.5, -1, 2), f32(0.75)
    s = cls(p1, p1 + v32(0.3, 2.5, -1.25), r)
    d = np.array(list(s.p2), dtype=np.float32) - p1
    length = np.sqrt((d[0] * d[0] + d[1] * d[1]) + d[2] * d[2])
    a = v32(*(x / length for x in d))
    n = cross(a, v32(1, 0, 0) if abs(a[0]) < f32(0.9) else v32(0, 1, 0))
    b = n * (f32(1) / np.sqrt(n[2] * n[2] + (n[0] * n[0] + n[1] * n[1])))
    o = s.obb()
    assert o.axes == [widened(a), widened(b), widened(cross(a, b))] and s.length() == float(length)
    assert o.half_extents[0] == float(length * f32(0.5) + (r if capsule else f32(0)))


@BOTH
def test_from_center_orientation_swaps_length_and_radius(cls):
    assert fields(cls.from_center_orientation((0, 0, 0), Mat3.IDENTITY, 0.25, 4.0)) == [0, -2, 0, 0, 2, 0, 0.25]
    m = Mat3.from_cols(Vec3(1, 0, 0), Vec3(0.3, 1, 0), Vec3(0, 0, 1))
    s = cls.from_center_orientation(center=(0.1, 0, 0), orientation=m, length=0.5, radius=0.7)
    assert s.p1.x == float(f32(0.1 - 0.3 * 0.35))  # ends computed in double precision, then narrowed


@BOTH
def test_transforms_and_derived_fields(cls):
    def tail(rdv, z_aligned):
        return flt(rdv) + b"X\x09\x00\x00\x00z_aligned" + flag(z_aligned) + b"u."

    assert state(cls((0, 0, 0), (1, 0, 2)).scaled(0.0)).endswith(tail(0, False))  # flag carried over
    turned = cls((0, 0, 0), (0, 0, 2), 0.5).rotated_mat(Mat3.from_cols(Vec3.X, Vec3.Z, -Vec3.Y))
    assert fields(turned) == [0, 0, 0, 0, -2, 0, 0.5] and state(turned).endswith(tail(0.25, False))
    scaled = cls((1, 0, 0), (1, 0, 2), 0.5).transformed(Affine3.from_scale(Vec3(2, 2, 2)))
    assert fields(scaled) == [2, 0, 0, 2, 0, 4, 0.5] and state(scaled).endswith(tail(1 / 16, True))


@BOTH
def test_rotated_quat_uses_the_quaternion_as_given(cls):
    q = v32(0.1, -0.7, 0.3, 0.9)
    s = cls((0.3, 1.7, -2.2), (1.1, 0.4, 0.9), 0.5)
    p1, d = v32(*s.p1), v32(*s.p2) - v32(*s.p1)
    r = s.rotated_quat(Quat(*q))
    assert list(r.p1) == widened(quat_rotate(q, p1)) and list(r.p2) == widened(quat_rotate(q, p1) + quat_rotate(q, d))


@pytest.mark.parametrize("cls, single", [(Capsule, Shape.Capsule), (Cylinder, Shape.Cylinder)])
def test_stretch_and_repr(cls, single):
    s = cls((0, 0, 0), (0, 0, 1), 1)
    [along], [back] = s.stretch((0, 0, 3)), s.stretch(Vec3(0, 0, -3))
    assert type(along) is single and fields(along[0]) == [0, 0, 0, 0, 0, 4, 1] and fields(back[0]) == [0, 0, -3, 0, 0, 1, 1]
    assert [type(x) for x in s.stretch((1, 0, 0))] == [Shape.Capsule] * 4 + [Shape.ConvexPolytope]
    assert repr(cls((0.1, -0.0, 0), (0.1, 0, 2), 0.5)) == f"{cls.__name__}(p1: [0.1, -0, 0], p2: [0.1, 0, 2], radius: 0.5)"


@BOTH
def test_state_copies_and_dataclass(cls):
    s = cls((1, 2, 3), (1, 2, 5), 0.5)
    assert state(s) == record(("p1", vec([1, 2, 3])), ("dir", vec([0, 0, 2])), ("radius", flt(0.5)),
                              ("rdv", flt(0.25)), ("z_aligned", flag(True)))
    for again in (pickle.loads(pickle.dumps(s)), copy.deepcopy(s)):
        assert type(again) is cls and fields(again) == fields(s)
    assert s.__dict__ == {"p1": Vec3(1, 2, 3), "p2": Vec3(1, 2, 5), "radius": 0.5}
    odd = record(("p1", vec([0, 0, 0])), ("dir", vec([1, 0, 0])), ("radius", flt(1)), ("rdv", flt(7)), ("z_aligned", flag(True)))
    assert state(cls(__pickle_state__=odd)) == odd  # derived fields restored as stored
    for bad in (odd + b"\x00", odd[:-3], odd.replace(b"z_aligned", b"z_alignex")):
        with pytest.raises(ValueError, match=r"^pickle decode failed: "):
            cls(__pickle_state__=bad)
    assert s.abs_diff_eq(Ends((1, 2, 3.25), (1, 2, 5.25), 0.5), 0.25) and not s.abs_diff_eq(Ends((1, 2, 3), (1, 2, 5.5), 0.5), 0.25)


def test_own_point_queries():
    capsule = Capsule((0, 0, 0), (0, 0, 2), 0.5)
    assert [list(capsule.closest_point_to(q)) for q in [(5, 0, 1), (0, 0, -3)]] == [[0, 0, 1], [0, 0, 0]]
    c = Cylinder((0, 0, 0), (0, 0, 2), 1)
    assert [c.point_dist_sq(q) for q in [(3, 0, 1), (0, 0, 3), (3, 0, 3)]] == [4.0, 1.0, 5.0]
    assert [c.contains_point(point=q) for q in [(0, 0, 2), (0, 0, 2.001), (1.001, 0, 1)]] == [True, False, False]


# ---- foreign objects: only errors derived from Exception are passed over ----


class Ends:
    def __init__(self, p1, p2, radius):
        self.p1, self.p2, self.radius = p1, p2, radius


def foreign(raising, error, **attrs):
    def raiser(self):
        raise error

    return type("Foreign", (), {**attrs, raising: property(raiser)})()


ENDS = {"p1": (0, 0, 0), "p2": (0, 0, 1), "radius": 0.5}
BOX = {"center": (2, 0, 0), "half_extents": (1, 1, 1), "axes": ((1, 0, 0), (0, 1, 0), (0, 0, 1))}


@pytest.mark.parametrize("obj, capsule_reads_it", [
    (foreign("center", KeyboardInterrupt, **ENDS), False),
    (foreign("p1", KeyboardInterrupt, p2=(0, 0, 1), radius=0.5), True),
    (foreign("radius", SystemExit, p1=(0, 0, 0), p2=(0, 0, 1)), True),
    (foreign("half_extents", KeyboardInterrupt, center=(0, 0, 0)), False),
    (Ends(foreign("x", KeyboardInterrupt), (0, 0, 1), 0.5), True),  # inside the vector rule
])
def test_interrupts_in_foreign_attributes_propagate(obj, capsule_reads_it):
    with pytest.raises((KeyboardInterrupt, SystemExit)):
        Sphere((0, 0, 0), 1).collides(obj)
    if capsule_reads_it:
        with pytest.raises((KeyboardInterrupt, SystemExit)):
            Shape.Capsule(obj)


def test_ordinary_errors_in_foreign_attributes_are_passed_over():
    box = Cuboid.from_aabb((-1, -1, -1), (1, 1, 1))
    assert box.collides(foreign("radius", RuntimeError, **BOX)) is True  # not a sphere, still a box
    with pytest.raises(TypeError, match=r"^argument 'other': expected a Shape \(Sphere, Cuboid, Cylinder, etc\.\)$"):
        box.collides(foreign("p1", RuntimeError, p2=(0, 0, 1), radius=0.5))
    with pytest.raises(RuntimeError):
        Shape.Capsule(foreign("p2", RuntimeError, p1=(0, 0, 0), radius=0.5))
    assert fields(Shape.Capsule(_0=Cylinder((0, 0, 0), (0, 0, 1), 0.5))[0]) == [0, 0, 0, 0, 0, 1, 0.5]

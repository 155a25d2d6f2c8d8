import copy
import math
import pickle

import numpy as np
import pytest

from quorixpy import Affine3, Capsule, Cuboid, Cylinder, Mat3, Quat, Shape, Sphere, Vec3
from shape_support import f32, flag, flt, record, state, v32, vec, widened

BOTH = pytest.mark.parametrize("cls", [Capsule, Cylinder])


def fields(s):
    return [*s.p1, *s.p2, s.radius]


def cross(a, b):
    return v32(a[1] * b[2] - b[1] * a[2], a[2] * b[0] - b[2] * a[0], a[0] * b[1] - b[0] * a[1])


def dot(a, b):
    return (a[0] * b[0] + a[1] * b[1]) + a[2] * b[2]


# ---- constructor ----


@BOTH
def test_constructor_forms_and_widened_getters(cls):
    s = cls(p1=Vec3(0.1, 0, 0), p2=[0.1, 0, 2])
    assert s.radius == 0.0 and s.p1.x == 0.10000000149011612 and list(s.p2) == [s.p1.x, 0, 2]
    # p2 is p1 + (p2 - p1) in 32 bits.
    far = cls((1e8, 0, 0), (1e8 + 3, 0, 0), 0.1)
    assert far.p2.x == float(f32(1e8) + (f32(1e8 + 3) - f32(1e8))) and far.radius == 0.10000000149011612
    assert far.length() == float(f32(1e8 + 3) - f32(1e8))


@BOTH
@pytest.mark.parametrize("args, kwargs", [((), {}), ((None, (1, 1, 1)), {}), ((), {"p2": (1, 1, 1)}), (((0, 0, 0),), {"radius": 1})])
def test_missing_end_points(cls, args, kwargs):
    with pytest.raises(ValueError, match=rf"^{cls.__name__} requires p1, p2 arguments$"):
        cls(*args, **kwargs)


@BOTH
def test_arguments_are_converted_before_the_state(cls):
    good = state(cls((0, 0, 0), (0, 0, 1), 1))
    with pytest.raises(TypeError, match=r"^argument 'radius': "):
        cls((0, 0, 0), (1, 1, 1), None)
    with pytest.raises(TypeError, match=r"^argument 'radius': "):
        cls((0, 0, 0), (1, 1, 1), "x", __pickle_state__=good)
    assert fields(cls((5, 5, 5), None, 2, __pickle_state__=good)) == [0, 0, 0, 0, 0, 1, 1]


# ---- shared members ----


@pytest.mark.parametrize("cls, axial", [(Capsule, 1.5), (Cylinder, 1.0)])
def test_bounds_of_a_vertical_core(cls, axial):
    s = cls((0, 0, 0), (0, 0, 2), 0.5)
    assert s.length() == 2.0
    b = s.broadphase()
    assert type(b) is Sphere and list(b.center) == [0, 0, 1] and b.radius == 1.5
    assert s.bounding_sphere() == (Vec3(0, 0, 1), 1.5)
    a = s.aabb()
    assert list(a.center) == [0, 0, 1] and a.half_extents == [0.5, 0.5, 1.5] and a.axis_aligned
    o = s.obb()
    assert o.axes == [[0, 0, 1], [0, 1, 0], [-1, 0, 0]] and o.half_extents == [axial, 0.5, 0.5]
    assert o.axis_aligned is False and list(o.center) == [0, 0, 1]


@pytest.mark.parametrize("cls, capsule", [(Capsule, True), (Cylinder, False)])
def test_obb_frame_of_a_slanted_core(cls, capsule):
    p1, d, r = v32(0.5, -1, 2), v32(0.3, 2.5, -1.25), f32(0.75)
    s = cls(p1, p1 + d, r)
    d = v32(*(np.array(list(s.p2), dtype=np.float32) - p1))
    length = np.sqrt(dot(d, d))
    a = v32(d[0] / length, d[1] / length, d[2] / length)
    n = cross(a, v32(1, 0, 0) if abs(a[0]) < f32(0.9) else v32(0, 1, 0))
    b = n * (f32(1) / np.sqrt(n[2] * n[2] + (n[0] * n[0] + n[1] * n[1])))
    o = s.obb()
    assert o.axes == [widened(a), widened(b), widened(cross(a, b))]
    assert o.half_extents[0] == float(length * f32(0.5) + (r if capsule else f32(0)))
    assert s.length() == float(length)


@BOTH
def test_degenerate_core(cls):
    s = cls((1, 2, 3), (1, 2, 3), 0.5)
    o = s.obb()
    assert o.axes == [[1, 0, 0], [0, 1, 0], [0, 0, 1]] and o.half_extents == [0.5] * 3 and o.axis_aligned
    assert state(s).endswith(flt(0.0) + b"X\x09\x00\x00\x00z_aligned\x88u.")  # rdv 0


@BOTH
def test_from_center_orientation_swaps_length_and_radius(cls):
    s = cls.from_center_orientation((0, 0, 0), Mat3.IDENTITY, 0.25, 4.0)
    assert fields(s) == [0, -2, 0, 0, 2, 0, 0.25]
    # The ends are computed in double precision before narrowing.
    m = Mat3.from_cols(Vec3(1, 0, 0), Vec3(0.3, 1, 0), Vec3(0, 0, 1))
    s = cls.from_center_orientation(center=(0.1, 0, 0), orientation=m, length=0.5, radius=0.7)
    assert s.p1.x == float(f32(0.1 - 0.3 * 0.35))
    assert s.p2.x == float(f32(0.1 - 0.3 * 0.35) + (f32(0.1 + 0.3 * 0.35) - f32(0.1 - 0.3 * 0.35)))


@BOTH
def test_transforms(cls):
    s = cls((0, 0, 0), (1, 0, 2))
    assert state(s.scaled(0.0)) == record(("p1", vec([0, 0, 0])), ("dir", vec([0, 0, 0])), ("radius", flt(0)),
                                          ("rdv", flt(0)), ("z_aligned", flag(False)))
    up = cls((0, 0, 0), (0, 0, 2), 0.5)
    quarter = Mat3.from_cols(Vec3(1, 0, 0), Vec3(0, 0, 1), Vec3(0, -1, 0))
    turned = up.rotated_mat(quarter)
    assert fields(turned) == [0, 0, 0, 0, -2, 0, 0.5]
    assert state(turned).endswith(flt(0.25) + b"X\x09\x00\x00\x00z_aligned\x89u.")
    assert fields(up.rotated_quat(Quat(0, 0, 0, 1)).translated((1, 2, 3))) == [1, 2, 3, 1, 2, 5, 0.5]
    scaled = cls((1, 0, 0), (1, 0, 2), 0.5).transformed(Affine3.from_scale(Vec3(2, 2, 2)))
    assert fields(scaled) == [2, 0, 0, 2, 0, 4, 0.5]
    assert state(scaled).endswith(flt(1 / 16) + b"X\x09\x00\x00\x00z_aligned\x88u.")


@pytest.mark.parametrize("cls, single", [(Capsule, Shape.Capsule), (Cylinder, Shape.Cylinder)])
def test_stretch(cls, single):
    s = cls((0, 0, 0), (0, 0, 1), 1)
    [along] = s.stretch((0, 0, 3))
    assert type(along) is single and fields(along[0]) == [0, 0, 0, 0, 0, 4, 1]
    [back] = s.stretch(Vec3(0, 0, -3))
    assert fields(back[0]) == [0, 0, -3, 0, 0, 1, 1]
    sideways = s.stretch((1, 0, 0))
    assert [type(x) for x in sideways] == [Shape.Capsule] * 4 + [Shape.ConvexPolytope]


@pytest.mark.parametrize("cls", [Capsule, Cylinder])
def test_repr(cls):
    assert repr(cls((0.1, -0.0, 0), (0, 0, 2), 0.5)) == f"{cls.__name__}(p1: [0.1, -0, 0], p2: [0, 0, 2], radius: 0.5)"


@BOTH
def test_pickle_copy_and_dataclass(cls):
    s = cls((1, 2, 3), (1, 2, 5), 0.5)
    assert state(s) == record(("p1", vec([1, 2, 3])), ("dir", vec([0, 0, 2])), ("radius", flt(0.5)),
                              ("rdv", flt(0.25)), ("z_aligned", flag(True)))
    for again in (pickle.loads(pickle.dumps(s)), copy.copy(s), copy.deepcopy(s)):
        assert type(again) is cls and fields(again) == fields(s)
    assert s.__dict__ == {"p1": Vec3(1, 2, 3), "p2": Vec3(1, 2, 5), "radius": 0.5}
    assert list(cls.__dataclass_fields__) == ["p1", "p2", "radius"]
    # Derived fields are restored as stored.
    odd = record(("p1", vec([0, 0, 0])), ("dir", vec([1, 0, 0])), ("radius", flt(1)), ("rdv", flt(7)), ("z_aligned", flag(True)))
    assert state(cls(__pickle_state__=odd)) == odd


@BOTH
@pytest.mark.parametrize("bad", [
    lambda s: s + b"\x00",
    lambda s: s[:-3],
    lambda s: s.replace(b"z_aligned", b"z_alignex"),
    lambda s: record(("p1", vec([0, 0, 0]))),
])
def test_bad_state(cls, bad):
    with pytest.raises(ValueError, match=r"^pickle decode failed: "):
        cls(__pickle_state__=bad(state(cls((0, 0, 0), (0, 0, 1)))))


class Ends:
    def __init__(self, p1, p2, radius):
        self.p1, self.p2, self.radius = p1, p2, radius


@BOTH
def test_abs_diff_eq_compares_p1_dir_radius(cls):
    s = cls((0, 0, 0), (0, 0, 2), 0.5)
    assert s.abs_diff_eq(Ends((0, 0, 0.25), (0, 0, 2.25), 0.5), 0.0) is False  # dir equal, p1 not
    assert s.abs_diff_eq(Ends((0, 0, 0.25), (0, 0, 2.25), 0.5), 0.25) is True
    assert s.abs_diff_eq(Ends((0, 0, 0), (0, 0, 2.5), 0.5), 0.25) is False
    assert s.abs_diff_eq(s, 1e-50) is True
    assert cls((0, 0, 0), (0, 0, 2), math.nan).abs_diff_eq(s, 1.0) is False


# ---- own queries ----


@pytest.mark.parametrize("p1, p2, q, expected", [
    ((0, 0, 0), (0, 0, 2), (5, 0, 1), [0, 0, 1]),
    ((0, 0, 0), (0, 0, 2), (0, 0, -3), [0, 0, 0]),
    ((1, 0, 0), (3, 2, 0), (3, 1, 7), [2.5, 1.5, 0]),
    ((1, 2, 3), (1, 2, 3), (9, 9, 9), [1, 2, 3]),
])
def test_capsule_closest_point_to(p1, p2, q, expected):
    assert list(Capsule(p1, p2, 0.5).closest_point_to(q)) == expected


@pytest.mark.parametrize("q, dist_sq, inside", [
    ((3, 0, 1), 4.0, False), ((0, 0, 3), 1.0, False), ((3, 0, 3), 5.0, False),
    ((0, 0, 2), 0.0, True), ((0, 0, 2.001), float(f32(2.001) - f32(2)) ** 2, False), ((1.001, 0, 1), None, False),
    ((1, 0, 1), 0.0, True),
])
def test_cylinder_point_queries(q, dist_sq, inside):
    c = Cylinder((0, 0, 0), (0, 0, 2), 1)
    if dist_sq is not None:
        assert c.point_dist_sq(q) == pytest.approx(dist_sq, rel=1e-5)
    assert c.contains_point(point=q) is inside


# ---- foreign objects: only ordinary errors of their attributes are passed over ----


def foreign(raising=None, error=None, **attrs):
    def raiser(self):
        raise error

    members = {k: v for k, v in attrs.items()}
    if raising:
        members[raising] = property(raiser)
    return type("Foreign", (), members)()


class Interrupting:
    """A vector whose coordinates interrupt."""

    x = property(lambda self: (_ for _ in ()).throw(KeyboardInterrupt))


ENDS = {"p1": (0, 0, 0), "p2": (0, 0, 1), "radius": 0.5}


@pytest.mark.parametrize("obj", [
    foreign("center", KeyboardInterrupt, **ENDS),
    foreign("p1", KeyboardInterrupt, p2=(0, 0, 1), radius=0.5),
    foreign("radius", SystemExit, p1=(0, 0, 0), p2=(0, 0, 1)),
    foreign("half_extents", KeyboardInterrupt, center=(0, 0, 0)),
    foreign(p1=Interrupting(), p2=(0, 0, 1), radius=0.5),
])
def test_interrupts_in_foreign_attributes_propagate(obj):
    with pytest.raises((KeyboardInterrupt, SystemExit)):
        Sphere((0, 0, 0), 1).collides(obj)


def test_ordinary_errors_in_foreign_attributes_are_passed_over():
    # The failing radius rules out a sphere; the object is still read as a box.
    box = Cuboid.from_aabb((-1, -1, -1), (1, 1, 1))
    near = foreign("radius", RuntimeError, center=(2, 0, 0), half_extents=(1, 1, 1), axes=((1, 0, 0), (0, 1, 0), (0, 0, 1)))
    assert box.collides(near) is True and box.collides(Shape.Cuboid(near)) is True
    with pytest.raises(TypeError, match=r"^argument 'other': expected a Shape \(Sphere, Cuboid, Cylinder, etc\.\)$"):
        box.collides(foreign("p1", RuntimeError, p2=(0, 0, 1), radius=0.5))


@pytest.mark.parametrize("raising, error", [("p1", KeyboardInterrupt), ("radius", SystemExit), ("p2", RuntimeError)])
def test_shape_capsule_passes_attribute_errors_unchanged(raising, error):
    with pytest.raises(error):
        Shape.Capsule(foreign(raising, error, **{k: v for k, v in ENDS.items() if k != raising}))
    assert fields(Shape.Capsule(_0=Cylinder((0, 0, 0), (0, 0, 1), 0.5))[0]) == [0, 0, 0, 0, 0, 1, 0.5]

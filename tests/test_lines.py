"""Line, Ray and LineSegment: construction, stored form, transforms, bounds and sweeps, bit for bit."""
import copy
import pickle
import struct
from types import SimpleNamespace

import numpy as np
import pytest
from algebra_support import state

from quorixpy import Affine3, Line, LineSegment, Mat3, Plane, Quat, Ray, Shape, Vec3

f = np.float32
KINDS = [Line, Ray, LineSegment]


def stored(shape):
    return pickle.loads(state(shape))


def rdv(d):
    dd = (f(d[0]) * f(d[0]) + f(d[1]) * f(d[1])) + f(d[2]) * f(d[2])
    return float(f(1) / dd) if dd > f(2.0**-23) else 0.0


@pytest.mark.parametrize("make, text", [
    (lambda: Line(), "Line requires origin, dir arguments"),
    (lambda: Line(dir=(1, 0, 0)), "Line requires origin, dir arguments"),
    (lambda: Ray((0, 0, 0)), "Ray requires origin, dir arguments"),
    (lambda: LineSegment(p1=None, p2=(1, 2, 3)), "LineSegment requires p1, p2 arguments"),
    (lambda: Ray(__pickle_state__=state(Plane((0, 0, 1)))), "pickle decode failed: .*missing field `origin`"),
])
def test_refused_constructions(make, text):
    with pytest.raises(ValueError, match="^" + text.replace("(", r"\(")):
        make()


def test_bad_vector_is_reported_even_with_a_state():
    with pytest.raises(TypeError, match="^argument 'p2': "):
        LineSegment((0, 0, 0), SimpleNamespace(x=1, y="a", z=0), __pickle_state__=state(LineSegment((0, 0, 0), (1, 0, 0))))


@pytest.mark.parametrize("shape, fields, text", [
    (Line(Vec3(0.1, 0, -0.0), [1, 2, 3]), {"origin": (f(0.1), 0, 0), "dir": (1, 2, 3), "rdv": rdv((1, 2, 3))},
     "Line(origin: [0.1, 0, -0], dir: [1, 2, 3])"),
    (Ray((0, 0, 0), (0, 0, 0)), {"origin": (0, 0, 0), "dir": (0, 0, 0), "rdv": 0.0}, "Ray(origin: [0, 0, 0], dir: [0, 0, 0])"),
    (LineSegment((1e8, 0, 0), (0.5, 0, 0)), {"p1": (1e8, 0, 0), "dir": (-1e8, 0, 0), "rdv": rdv((-1e8, 0, 0))},
     "LineSegment(p1: [100000000, 0, 0], p2: [0, 0, 0])"),
    (Line.from_points((1, 2, 3), (4, 6, 3)), {"origin": (1, 2, 3), "dir": (3, 4, 0), "rdv": float(f(0.04))},
     "Line(origin: [1, 2, 3], dir: [3, 4, 0])"),
])
def test_stored_fields_getters_and_text(shape, fields, text):
    assert stored(shape) == fields and repr(shape) == text
    first, second = type(shape).__dataclass_fields__
    assert shape.__dict__ == {first: getattr(shape, first), second: getattr(shape, second)}
    assert pickle.loads(pickle.dumps(shape)).__dict__ == copy.copy(shape).__dict__ == shape.__dict__
    assert Vec3(*fields[first]) == getattr(shape, first)


def test_state_bytes_and_stale_rdv():
    t = lambda *v: b"(" + b"".join(b"G" + struct.pack(">d", x) for x in v) + b"t"
    key = lambda k: b"X" + struct.pack("<I", len(k)) + k.encode()
    expected = b"\x80\x03}(" + key("p1") + t(1, 2, 3) + key("dir") + t(0, 0, 2) + key("rdv") + t(0.25)[1:-1] + b"u."
    assert state(LineSegment((1, 2, 3), (1, 2, 5))) == expected and len(expected) == 96
    assert len(state(Line((0, 0, 0), (1, 0, 0)))) == len(state(Ray((0, 0, 0), (1, 0, 0)))) == 100
    stale = LineSegment(__pickle_state__=expected.replace(struct.pack(">d", 0.25), struct.pack(">d", 7.0)))
    assert stored(stale)["rdv"] == stored(stale.translated((1, 0, 0)))["rdv"] == 7.0
    assert stored(stale.scaled(1.0))["rdv"] == 0.25
    assert stale.abs_diff_eq(LineSegment((1, 2, 3), (1, 2, 5)), 0.0)


def qrot(q, v):
    dot = lambda a, b: (a[0] * b[0] + a[1] * b[1]) + a[2] * b[2]
    b, w = q[:3], q[3]
    return (v * (w * w - dot(b, b)) + b * (dot(b, v) * f(2))) + np.cross(b, v) * (w + w)


@pytest.mark.parametrize("kind", KINDS)
def test_transforms_follow_the_formulas(kind):
    s, d = np.array([0.1, -2, 3], f), np.array([1.5, 0.3, -1], f)
    shape = kind(s, s + d) if kind is LineSegment else kind(s, d)
    first = next(iter(kind.__dataclass_fields__))
    d, r = np.array(stored(shape)["dir"], f), stored(shape)["rdv"]
    m = np.array([[0, -1, 0], [1, 0, 0], [0, 0, 1]], f)  # the columns of a quarter turn about z
    q = Quat.from_rotation_z(0.7)
    qf = np.array([q.x, q.y, q.z, q.w], f)
    for got, (es, ed, er) in [
        (shape.scaled(0.3), (s, d * f(0.3), rdv(d * f(0.3)))),
        (shape.translated((1, 1, 1)), (s + f(1), d, r)),
        (shape.rotated_mat(Mat3.from_cols(*m)), (m.T @ s, m.T @ d, r)),
        (shape.rotated_quat(q), (qrot(qf, s), qrot(qf, d), r)),
        (shape.transformed(Affine3.from_scale((2, 2, 2))), (s * f(2), d * f(2), rdv(d * f(2)))),
    ]:
        assert type(got) is kind
        assert stored(got) == {first: tuple(map(float, es)), "dir": tuple(map(float, ed)), "rdv": er}


@pytest.mark.parametrize("p1, p2, sphere, aabb, obb", [
    ((0, 0, 0), (2, 0, 0), ((1, 0, 0), 1.0), ((1, 0, 0), (1, 0, 0)), ((1, 0, 0), ((1, 0, 0), (0, 0, 1), (0, -1, 0)), (1, 0, 0), False)),
    ((1, 1, 1), (1, 1, 1), ((1, 1, 1), 0.0), ((1, 1, 1), (0, 0, 0)), ((1, 1, 1), ((1, 0, 0), (0, 1, 0), (0, 0, 1)), (0, 0, 0), True)),
    ((0, 0, 0), (0, 0, 2), ((0, 0, 1), 1.0), ((0, 0, 1), (0, 0, 1)), ((0, 0, 1), ((0, 0, 1), (0, 1, 0), (-1, 0, 0)), (1, 0, 0), False)),
])
def test_segment_bounds(p1, p2, sphere, aabb, obb):
    seg = LineSegment(p1, p2)
    assert seg.bounding_sphere() == (Vec3(*sphere[0]), sphere[1])
    assert stored(seg.broadphase()) == {"center": sphere[0], "radius": sphere[1]}
    box = stored(seg.aabb())
    assert (box["center"], box["half_extents"], box["axis_aligned"]) == (aabb[0], aabb[1], True)
    box = stored(seg.obb())
    assert (box["center"], tuple(map(tuple, box["axes"])), box["half_extents"], box["axis_aligned"]) == obb


@pytest.mark.parametrize("shape, t, kind, fields", [
    (Ray((0, 0, 0), (0, 0, 0)), (1, 0, 0), Ray, {"origin": (0, 0, 0), "dir": (0, 0, 0), "rdv": 0.0}),
    (Ray((0, 0, 0), (1, 0, 0)), (-2, 0, 0), Ray, {"origin": (-2, 0, 0), "dir": (1, 0, 0), "rdv": 1.0}),
    (Ray((0, 0, 0), (1, 0, 0)), (3, 0, 0), Ray, {"origin": (0, 0, 0), "dir": (1, 0, 0), "rdv": 1.0}),
    (Line(__pickle_state__=state(Ray((1, 0, 0), (2, 0, 0))).replace(struct.pack(">d", 0.25), struct.pack(">d", 9.0))),
     (-5, 0, 0), Line, {"origin": (1, 0, 0), "dir": (2, 0, 0), "rdv": 9.0}),
    (LineSegment((0, 0, 0), (1, 0, 0)), (2, 0, 0), LineSegment, {"p1": (0, 0, 0), "dir": (3, 0, 0), "rdv": rdv((3, 0, 0))}),
    (LineSegment((0, 0, 0), (1, 0, 0)), (-2, 0, 0), LineSegment, {"p1": (-2, 0, 0), "dir": (3, 0, 0), "rdv": rdv((3, 0, 0))}),
])
def test_stretch_along_the_direction(shape, t, kind, fields):
    [swept] = shape.stretch(t)
    assert type(swept) is getattr(Shape, kind.__name__) and stored(swept._0) == fields


def test_stretch_across_gives_a_polygon():
    [square] = LineSegment((0, 0, 0), (1, 0, 0)).stretch((0, 1, 0))
    poly = stored(square._0)
    assert (poly["center"], poly["normal"]) == ((0.5, 0.5, 0), (0, 0, 1))
    assert sorted(map(tuple, poly["vertices_3d"])) == [(0, 0, 0), (0, 1, 0), (1, 0, 0), (1, 1, 0)]
    [band] = Line((0, 0, 0), (1, 0, 0)).stretch((0, 1, 0))
    assert sorted({v[0] for v in stored(band._0)["vertices_3d"]}) == [-999999995904.0, 999999995904.0]


def test_comparison_and_missing_bounds():
    a, b = Ray((0, 0, 0), (1, 0, 0)), Ray((0, 0, 0), (1, 0, 1e-7))
    assert a.abs_diff_eq(b, 1e-7) and not a.abs_diff_eq(b, 1e-50)
    assert not Ray((0, 0, 0), (float("nan"), 0, 0)).abs_diff_eq(a, 1.0)
    with pytest.raises(TypeError, match="^argument 'rhs': 'Line' object is not an instance of 'Ray'$"):
        a.abs_diff_eq(Line((0, 0, 0), (1, 0, 0)), 1.0)
    for kind in (Line, Ray):
        assert not any(hasattr(kind, n) for n in ("obb", "aabb", "broadphase", "bounding_sphere"))

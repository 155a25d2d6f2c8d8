"""collides between every two kinds on clear-cut geometry, the rules' boundary cases and the forms
of its argument."""
import math

import numpy as np
import pytest

import quorixpy
from quorixpy import (Affine3, Capsule, ConvexPolygon, ConvexPolytope, Cuboid, Cylinder, Line, LineSegment, Mat3,
                      Plane, Pointcloud, Quat, Ray, Shape, Sphere)

KINDS = ["Sphere", "Capsule", "Cuboid", "Cylinder", "ConvexPolytope", "ConvexPolygon", "Line", "Ray",
         "LineSegment", "Plane", "Pointcloud"]
LINEAR = {"Line", "Ray", "LineSegment"}
# How far each kind reaches from its place towards its partner along x.
REACH = dict.fromkeys(KINDS, 1.0) | dict.fromkeys(LINEAR | {"Plane"}, 0.0) | {"Pointcloud": 1.5}
UNIT_CUBE = [(x, y, z) for x in (-1, 1) for y in (-1, 1) for z in (-1, 1)]
CUBE_PLANES = [((1, 0, 0), 1), ((-1, 0, 0), 1), ((0, 1, 0), 1), ((0, -1, 0), 1), ((0, 0, 1), 1), ((0, 0, -1), 1)]


def cloud(points, point_radius):
    return Pointcloud(points, (0.0, 2.0), point_radius)


def cube_polytope(x=0.0):
    return ConvexPolytope([(n, d + n[0] * x) for n, d in CUBE_PLANES], [(vx + x, vy, vz) for vx, vy, vz in UNIT_CUBE])


def build(kind, x, first):
    """The kind placed at (x, 0, 0): the receiver (first) reaches from there towards +x, the argument
    towards -x. Long and flat kinds lie along y (z = 0 plane) as receivers and along z (y = 0 plane) as
    arguments, so that two of them cross instead of lying in one another."""
    ax = (0, 1, 0) if first else (0, 0, 1)
    lo, hi = (x, -ax[1], -ax[2]), (x, ax[1], ax[2])
    return {
        "Sphere": lambda: Sphere((x, 0, 0), 1),
        "Capsule": lambda: Capsule(lo, hi, 1),
        "Cuboid": lambda: Cuboid((x, 0, 0), [(1, 0, 0), (0, 1, 0), (0, 0, 1)], [1, 1, 1]),
        "Cylinder": lambda: Cylinder(lo, hi, 1),
        "ConvexPolytope": lambda: cube_polytope(x),
        "ConvexPolygon": lambda: ConvexPolygon((x, 0, 0), (0, 0, 1) if first else (0, 1, 0),
                                               [(-1, -1), (1, -1), (1, 1), (-1, 1)]),
        "Line": lambda: Line((x, 0, 0), ax),
        "Ray": lambda: Ray(lo, ax),
        "LineSegment": lambda: LineSegment(lo, hi),
        "Plane": lambda: Plane((1, 0, 0), x) if first else Plane((-1, 0, 0), -x),
        "Pointcloud": lambda: cloud([(x, 0, 0)] + [(x + s * (i == 0), s * (i == 1), s * (i == 2))
                                                   for i in range(3) for s in (-1, 1)], 0.5),
    }[kind]()


# Gap between the two along x: overlapping, touching, apart. Two linear kinds have no depth to
# overlap by: crossing is their overlap.
GAPS = {"overlapping": (-0.5, True), "touching": (0.0, True), "apart": (0.5, False)}
PAIRS = [(a, b, g) for a in KINDS for b in KINDS for g in GAPS if (a, b) != ("Pointcloud", "Pointcloud")]


@pytest.mark.parametrize("a, b, case", PAIRS)
def test_every_pair_of_kinds(a, b, case):
    gap, expected = GAPS[case]
    if a in LINEAR and b in LINEAR and gap < 0:
        gap = 0.0
    first, second = build(a, 0.0, True), build(b, REACH[a] + gap + REACH[b], False)
    assert (first.collides(second), second.collides(first)) == (expected, expected)


def test_two_clouds_are_refused():
    c = build("Pointcloud", 0.0, True)
    with pytest.raises(ValueError, match="^Pointcloud-Pointcloud collision is not supported$"):
        c.collides(other=c)
    assert build("Sphere", 0.0, True).collides(c) and c.collides(build("Sphere", 0.0, True))


P = Plane((1, 0, 0), 0.0)  # x <= 0
SPHERE = Sphere((0, 0, 0), 1)


@pytest.mark.parametrize("a, b, expected", [
    # a ray is measured from its origin when it points away; a line is not
    (Ray((2, 0, 0), (1, 0, 0)), SPHERE, False), (Ray((1, 0, 0), (1, 0, 0)), SPHERE, True),
    (Line((2, 0, 0), (1, 0, 0)), SPHERE, True), (Ray((2, 0, 0), (-1, 0, 0)), SPHERE, True),
    # a segment's end on the boundary, either end
    (LineSegment((0, 0, 0), (3, 0, 0)), P, True), (LineSegment((3, 0, 0), (0, 0, 0)), P, True),
    (LineSegment((0.5, 0, 0), (3, 0, 0)), P, False),
    # parallel to the plane: the start point decides
    (LineSegment((0, 0, 0), (0, 5, 0)), P, True), (LineSegment((0.5, 0, 0), (0.5, 5, 0)), P, False),
    (Ray((0, 3, 0), (0, -1, 1)), P, True), (Ray((0.5, 3, 0), (0, -1, 1)), P, False),
    (Line((-0.5, 3, 0), (0, 0, 1)), P, True), (Line((0.5, 3, 0), (0, 0, 1)), P, False),
    # not parallel: a line always meets it, a ray when it points inward
    (Line((5, 0, 0), (1, 0.5, 0)), P, True), (Ray((5, 0, 0), (-1, 0.5, 0)), P, True),
    (Ray((5, 0, 0), (1, 0.5, 0)), P, False), (Ray((-5, 0, 0), (1, 0.5, 0)), P, True),
    # opposite planes: touching boundaries, a gap, and normals not quite opposite
    (P, Plane((-1, 0, 0), 0.0), True), (P, Plane((-1, 0, 0), -0.5), False),
    (P, Plane((-0.999998, math.sqrt(1 - 0.999998 ** 2), 0), -0.5), True), (P, Plane((1, 0, 0), -5.0), True),
    # a polytope without planes is its box; one without vertices meets no plane and no polytope
    (ConvexPolytope([], UNIT_CUBE), Sphere((1.5, 0, 0), 0.5), True),
    (ConvexPolytope([], UNIT_CUBE), Sphere((1.5, 0, 0), 0.25), False),
    (ConvexPolytope([], UNIT_CUBE), Capsule((1.5, 1.5, 0), (3, 3, 0), 0.75), True),
    (ConvexPolytope([], UNIT_CUBE), LineSegment((1, 5, 0), (1, -5, 0)), True),
    (ConvexPolytope(CUBE_PLANES, []), P, False), (ConvexPolytope(CUBE_PLANES, []), cube_polytope(), False),
    # a line through a polygon at an angle, and one passing it by a little
    (Line((0, 0, 0), (0.3, 0.2, 1)), ConvexPolygon((0, 0, 0), (0, 0, 1), [(-1, -1), (1, -1), (0, 1)]), True),
    (Line((1.01, 0, 0), (0, 0.2, 1)), ConvexPolygon((0, 0, 0), (0, 0, 1), [(-1, -1), (1, -1), (0, 1)]), False),
    # linear kinds meet one another where they cross or touch
    (LineSegment((0, 0, 0), (1, 0, 0)), LineSegment((1, 0, 0), (1, 1, 0)), True),
    (LineSegment((0, 0, 0), (2, 0, 0)), LineSegment((1, 0, 0), (3, 0, 0)), True),
    (LineSegment((0, 0, 0), (1, 0, 0)), LineSegment((1.5, 0, 0), (3, 0, 0)), False),
    (Ray((0, 0, 0), (-1, 0, 0)), LineSegment((1, -1, 0), (1, 1, 0)), False),
    (Ray((0, 0, 0), (1, 0, 0)), LineSegment((1, -1, 0), (1, 1, 0)), True),
    (Line((0, 0, 0), (1, 0, 0)), Line((5, 0, 0), (2, 0, 0)), True),
    (Line((0, 0, 0), (1, 0, 0)), Line((0, 0, 1), (0, 1, 0)), False),
    (Ray((0, 0, 0), (1, 1, 0)), Ray((2, 0, 0), (-1, 1, 0)), True),
])
def test_rule_boundaries(a, b, expected):
    assert (a.collides(b), b.collides(a)) == (expected, expected)


@pytest.mark.skipif(not hasattr(quorixpy, "Collider"), reason="no Collider yet")
@pytest.mark.parametrize("a", LINEAR)
@pytest.mark.parametrize("b", LINEAR)
@pytest.mark.parametrize("gap", [0.0, 0.5])
def test_linear_pairs_agree_with_a_collider(a, b, gap):
    first, second = build(a, 0.0, True), build(b, gap, False)
    collider = quorixpy.Collider()
    collider.add(second)
    assert collider.collides(first) == first.collides(second) == (gap == 0.0)


# Shapes without vertices hold no point, whatever planes or box they carry.
EMPTY = {"polygon": ConvexPolygon((0, 0, 0), (0, 0, 1), []), "polytope": ConvexPolytope([], []),
         "polytope with planes": ConvexPolytope(CUBE_PLANES, [])}


@pytest.mark.parametrize("empty", EMPTY.values(), ids=EMPTY.keys())
@pytest.mark.parametrize("other", KINDS + list(EMPTY))
def test_shapes_without_vertices_meet_nothing(empty, other):
    other = EMPTY[other] if other in EMPTY else build(other, 0.0, True)  # every kind reaches the centre
    assert not empty.collides(other) and not other.collides(empty)
    if not hasattr(quorixpy, "Collider"):
        return
    holder, held = quorixpy.Collider(), quorixpy.Collider()
    holder.add(empty)
    held.add(other)
    assert not held.collides(empty) and not holder.collides_other(held) and not held.collides_other(holder)
    if not isinstance(other, Pointcloud):
        assert not holder.collides(other)


def cylinder_pair_paths(a, b):
    """Two cylinders as every path asks them: shapes both ways, a collider's query, collides_other."""
    answers = [a.collides(b), b.collides(a)]
    if hasattr(quorixpy, "Collider"):
        holds_a, holds_b = quorixpy.Collider(), quorixpy.Collider()
        holds_a.add(a)
        holds_b.add(b)
        answers += [holds_b.collides(a), holds_a.collides(b), holds_a.collides_other(holds_b),
                    holds_b.collides_other(holds_a)]
    return answers


def axes_gap(a, b):
    """How far the axes of two cylinders (of non-zero length) stay apart beyond the sum of the
    radii, in double precision."""
    (p, q), (u, v) = (np.array(a.p1), np.array(b.p1)), (np.array(a.p2) - a.p1, np.array(b.p2) - b.p1)
    w, uu, vv, uv = p - q, u @ u, v @ v, u @ v
    denom = uu * vv - uv * uv
    s = np.clip((uv * (v @ w) - vv * (u @ w)) / denom, 0, 1) if denom > 1e-12 else 0.0
    t = (uv * s + v @ w) / vv
    if not 0 <= t <= 1:
        t = np.clip(t, 0, 1)
        s = np.clip((uv * t - u @ w) / uu, 0, 1)
    return np.linalg.norm(p + u * s - q - v * t) - a.radius - b.radius


@pytest.mark.parametrize("a, b, expected", [
    # rims passing each other with the axes 0.24 inside the sum of the radii
    (Cylinder((1.2039686, -0.5433354, -1.4175954), (0.34869, -0.97334, -0.4715038), 0.4380766),
     Cylinder((0.0657855, 0.0851729, -0.9032624), (0.1648193, -0.1308226, -0.9692168), 0.5923973), True),
    # flat caps facing across a gap the rounded caps close, and one they do not
    (Cylinder((0, 0, 0), (0, 0, 2), 1), Cylinder((0, 0, 3.25), (0, 0, 4.25), 1), True),
    (Cylinder((0, 0, 0), (0, 0, 2), 1), Cylinder((0, 0, 4.01), (0, 0, 5), 1), False),
])
def test_cylinders_are_met_as_capsules(a, b, expected):
    assert set(cylinder_pair_paths(a, b)) == {expected}


def test_cylinders_collide_whenever_their_axes_come_within_the_radii():
    rng = np.random.default_rng(14)
    hits = 0
    for _ in range(500):
        a, b = (Cylinder(*rng.uniform(-1.5, 1.5, (2, 3)), rng.uniform(0.1, 1.0)) for _ in range(2))
        gap = axes_gap(a, b)
        if abs(gap) > 1e-5:  # float32 rounding decides closer than that
            hits += gap < 0
            assert set(cylinder_pair_paths(a, b)) == {gap < 0}, (a, b)
    assert 100 < hits < 400


I2 = Mat3.from_diagonal((2, 2, 2))
SCALE2 = Affine3.from_scale((2, 2, 2))
Q4 = Quat(0, 0, 0, 2)  # used as given: scales by 4


@pytest.mark.parametrize("moved, hit, miss", [
    # directions that grow keep their parameter: the end moves with them
    (LineSegment((0, 0, 0), (1, 0, 0)).rotated_mat(I2), Sphere((1, 0.3, 0), 0.31), Sphere((1, 0.3, 0), 0.29)),
    (LineSegment((0, 0, 0), (1, 0, 0)).rotated_quat(Q4), Sphere((3, 0.3, 0), 0.31), Sphere((4.5, 0, 0), 0.4)),
    (Capsule((0, 0, 0), (1, 0, 0), 0.1).rotated_mat(I2), Sphere((1, 0.3, 0), 0.21), Sphere((2.5, 0, 0), 0.3)),
    (Ray((0, 0, 0), (1, 0, 0)).rotated_quat(Q4), Sphere((1, 0.3, 0), 0.31), Sphere((-1, 0.3, 0), 0.31)),
    # half-spaces bound what their shape now holds
    (cube_polytope().rotated_mat(I2), Sphere((1.9, 0, 0), 0.05), Sphere((2.1, 0, 0), 0.05)),
    (cube_polytope().transformed(SCALE2), Sphere((0, 0, 1.9), 0.05), Sphere((0, 0, 2.1), 0.05)),
    (Plane((1, 0, 0), 1).rotated_mat(I2), Sphere((2, 0, 0), 0), Sphere((2.5, 0, 0), 0.05)),
    (Plane((0, 1, 0), 1).rotated_quat(Q4), Sphere((0, 4, 0), 0), Sphere((0, 4.5, 0), 0.05)),
    (build("ConvexPolygon", 0.0, True).rotated_mat(I2), Sphere((1.9, 1.9, 0.1), 0.11), Sphere((2.1, 0, 0), 0.05)),
    # a cloud is hit where its points now are, with their own radius
    (cloud([(1, 0, 0)], 0.1).translated((5, 0, 0)), Sphere((6, 0, 0), 0.05), Sphere((1, 0, 0), 0.05)),
    (cloud([(1, 0, 0)], 0.1).transformed(SCALE2), Sphere((2, 0, 0), 0.05), Sphere((1, 0, 0), 0.05)),
    (cloud([(1, 0, 0)], 0.1).transformed(SCALE2), Sphere((2.1, 0, 0), 0.0), Sphere((2.2, 0, 0), 0.05)),
    (cloud([(1, 0, 0)], 0.1).rotated_quat(Q4), Sphere((4, 0, 0), 0.05), Sphere((1, 0, 0), 0.5)),
    (cloud([(1, 0, 0)], 0.1).rotated_mat(I2), Cuboid((2.5, 0, 0), [(1, 0, 0), (0, 1, 0), (0, 0, 1)], [0.5, 1, 1]),
     Cuboid((1, 0, 0), [(1, 0, 0), (0, 1, 0), (0, 0, 1)], [0.5, 1, 1])),
    (cloud([(1, 0, 0)], 0.1).rotated_quat(Q4), Line((4, -1, 0), (0, 1, 0)), Line((1, -1, 0), (0, 1, 0))),
    (cloud([(1, 0, 0)], 0.1).rotated_quat(Q4), cube_polytope(3.5), cube_polytope()),
])
def test_moved_shapes_are_met_where_they_now_are(moved, hit, miss):
    assert (moved.collides(hit), hit.collides(moved)) == (True, True)
    assert (moved.collides(miss), miss.collides(moved)) == (False, False)


class Duck:
    def __init__(self, **attrs):
        self.__dict__.update(attrs)


class XYZ:
    x, y, z = 2.0, 0.0, 0.0


IDENTITY = ((1, 0, 0), (0, 1, 0), (0, 0, 1))


@pytest.mark.parametrize("other, expected", [
    (Shape.Sphere(Sphere((2, 0, 0), 1)), True),
    (Sphere((5, 0, 0), 0.5).stretch((-5, 0, 0))[0], True),
    (Sphere((5, 0, 0), 0.5).stretch((0, 5, 0))[0], False),
    (Duck(center=(2, 0, 0), radius=1.0), True), (Duck(center=XYZ(), radius=0.9), False),
    (Duck(center=(2.5, 0, 0), radius=1.0, p1=(9, 9, 9), p2=(9, 9, 9), half_extents=(1, 1, 1)), False),
    (Duck(p1=(2, -5, 0), p2=[2, 5, 0], radius=1), True), (Duck(p1=(2.5, 0, 0), p2=(2.5, 0, 0), radius=1), False),
    (Duck(center=(2, 0, 0), half_extents=(1, 1, 1), axes=IDENTITY), True),
    (Duck(center=(2.5, 0, 0), half_extents=(1, 1, 1), axes=IDENTITY), False),
])
def test_any_shape_argument(other, expected):
    assert SPHERE.collides(other) is expected and SPHERE.collides(other=other) is expected


@pytest.mark.parametrize("other", [
    42, None, "sphere", (0, 0, 0), Duck(center=(0, 0, 0)), Duck(p1=(0, 0, 0), p2=(0, 0, 0)),
    Duck(center=(0, 0, 0), half_extents=[1, 1, 1], axes=IDENTITY),
    Duck(center=(0, 0, 0), half_extents=(1, 1), axes=IDENTITY),
    Duck(center=(0, 0), radius=1.0),
])
def test_what_is_not_a_shape(other):
    with pytest.raises(TypeError, match=r"^argument 'other': expected a Shape \(Sphere, Cuboid, Cylinder, etc\.\)$"):
        SPHERE.collides(other)

"""Collider: adding and including every argument form, mask and bound, pickling and damaged states,
transforms and bounds, queries against brute force, re-entrant calls and threads."""
import copy
import math
import pickle
import struct
import sys
import threading
import time

import pytest

from quorixpy import (Capsule, Collider, ConvexPolygon, Cuboid, Cylinder, Line, LineSegment, Mat3, Plane, Quat,
                      Ray, Shape, Sphere, SphereCollection)

from collider_support import MAKERS, cloud, held_items, is_cloud, agrees, random_shape, rng_for
from shape_support import CallsBack, flt, key, record, state, vec

INF = math.inf
IDENT = ((1, 0, 0), (0, 1, 0), (0, 0, 1))
KINDS = list(MAKERS)
BOUNDED = [k for k in KINDS if k not in ("line", "ray", "plane")]


def bound(c):
    b = c.broadphase()
    return (b.center.x, b.center.y, b.center.z, b.radius)


def encloses(c, item):
    """The collider's bound holds the item's own bounding sphere (within float error)."""
    b, s = c.broadphase(), item.broadphase()
    d = math.dist((b.center.x, b.center.y, b.center.z), (s.center.x, s.center.y, s.center.z))
    return d + s.radius <= b.radius * (1 + 1e-6) + 1e-5


def shape_of_kind(kind, seed=0):
    s = MAKERS[kind](rng_for(seed))
    if s is None:
        pytest.skip("Pointcloud cannot be built from points yet")
    return s


# ---- add: forms, mask, bound ----

BITS = {"capsule": 0x1, "cuboid": 0x2, "cylinder": 0x4, "plane": 0x8, "polygon": 0x10, "polytope": 0x20,
        "sphere": 0x80, "line": 0x100, "ray": 0x200, "segment": 0x400, "cloud": 0x800}


@pytest.mark.parametrize("kind", KINDS)
def test_add_sets_the_bit_and_bound_of_each_kind(kind):
    c = Collider()
    s = shape_of_kind(kind, 3)
    c.add(s)
    assert c.mask() == BITS[kind] and repr(c) == "Collider(mask=0x%04x)" % BITS[kind]
    if kind in BOUNDED:
        b = s.broadphase()
        assert bound(c) == (b.center.x, b.center.y, b.center.z, b.radius)  # the first item sets it
    else:
        assert bound(c) == (0.0, 0.0, 0.0, INF)


def test_every_kind_gives_mask_fbf_and_the_bound_encloses_every_item():
    c, items = Collider(), []
    rng = rng_for(7)
    for kind in BOUNDED:
        s = MAKERS[kind](rng)
        if s is None:
            continue
        c.add(s)
        items.append(s)
        assert all(encloses(c, i) for i in items)
    for kind in ("line", "ray", "plane"):
        c.add(MAKERS[kind](rng))
    assert c.mask() == (0xFBF if c.pointclouds() else 0x7BF)


class DuckSphere:
    center = (1.0, 2.0, 3.0)
    radius = 0.5


class DuckCapsule:
    p1, p2, radius = (0, 0, 0), (0, 0, 2), 0.25


@pytest.mark.parametrize("arg, getter", [
    (Sphere((1, 2, 3), 0.5), "spheres"),
    (Shape.Sphere(Sphere((1, 2, 3), 0.5)), "spheres"),
    (DuckSphere(), "spheres"),
    (DuckCapsule(), "capsules"),
    (Shape.ConvexPolygon(ConvexPolygon((0, 0, 0), (0, 0, 1), [(0, 0), (1, 0), (0, 1)])), "polygons"),
    (Sphere((0, 0, 0), 1).stretch((0, 0, 3))[0], "capsules"),
])
def test_add_argument_forms(arg, getter):
    c = Collider()
    c.add(arg)
    assert len(list(getattr(c, getter)())) == 1


@pytest.mark.parametrize("bad", [42, None, "ab", [Sphere((0, 0, 0), 1)]])
def test_add_refuses_non_shapes(bad):
    c = Collider()
    c.add(Sphere((0, 0, 0), 1))
    with pytest.raises(TypeError, match=r"^argument 'shape': expected a Shape \(Sphere, Cuboid, Cylinder, etc\.\)$"):
        c.add(bad)
    assert c.mask() == 0x80 and len(c.spheres()) == 1


@pytest.mark.parametrize("items, expected", [
    ([((0, 0, 0), 1), ((1, 0, 0), 5)], (1, 0, 0, 5)),  # the new sphere encloses the bound: it becomes the bound
    ([((0, 0, 0), 0), ((4, 0, 0), 1)], (2.5, 0, 0, 2.5)),  # a zero ball at the origin is kept
    ([((0, 0, 0), 1), ((4, 0, 0), 1)], (2, 0, 0, 3)),
    ([((0, 0, 0), 3), ((1, 0, 0), 1)], (0, 0, 0, 3)),
])
def test_growth_rule(items, expected):
    c = Collider()
    for centre, r in items:
        c.add(Sphere(centre, r))
    assert bound(c) == expected


def test_unbounded_kinds_keep_the_centre():
    c = Collider()
    c.add(Sphere((4, 0, 0), 1))
    c.add(Plane((0, 0, 1), 0.0))
    c.add(Sphere((100, 0, 0), 1))
    assert bound(c) == (4, 0, 0, INF) and c.mask() == 0x88 and repr(c) == "Collider(mask=0x0088)"


def test_getters_copy_and_keep_insertion_order():
    c = Collider()
    caps = [Capsule((i, 0, 0), (i, 0, 1), 0.5) for i in range(3)]
    for cap in caps[:2]:
        c.add(cap)
    got = c.capsules()
    c.add(caps[2])
    assert [x.p1.x for x in got] == [0, 1] and [x.p1.x for x in c.capsules()] == [0, 1, 2]
    sc = c.spheres()
    sc.push(Sphere((0, 0, 0), 1))
    assert len(c.spheres()) == 0 and c.mask() == 0x1


# ---- include ----

class LikeCollider:
    def __init__(self, spheres=None, cuboids=None, cylinders=None, capsules=None):
        self.parts = {"spheres": spheres, "cuboids": cuboids, "cylinders": cylinders, "capsules": capsules}

    def __getattr__(self, name):
        part = self.__dict__["parts"].get(name)
        if part is None:
            raise AttributeError(name)
        if isinstance(part, BaseException):
            def fail():
                raise part
            return fail
        return lambda: part


S1, S2 = Sphere((1, 0, 0), 0.5), Sphere((2, 0, 0), 0.5)
BOX = Cuboid((0, 0, 5), IDENT, (1, 1, 1))
CAP = Capsule((0, 0, 0), (0, 0, 1), 0.5)


def gen(*items):
    yield from items


@pytest.mark.parametrize("arg, counts", [
    (None, {}),
    (42, {}),
    ([], {}),
    (S1, {"spheres": 1}),
    (Shape.Sphere(S1), {"spheres": 1}),
    ([S1, BOX], {"spheres": 1, "cuboids": 1}),
    (gen(S1, S2), {"spheres": 2}),
    ((CAP, DuckSphere()), {"capsules": 1, "spheres": 1}),
    (LikeCollider(spheres=[S1, 42, S2]), {"spheres": 2}),
    (LikeCollider(spheres=[S1], cuboids=[BOX, 42]), {"spheres": 1}),
    (LikeCollider(spheres=ValueError("no"), capsules=[CAP]), {"capsules": 1}),
    (LikeCollider(spheres=SphereCollection.from_slice([S1, S2, S1])), {"spheres": 3}),
    (LikeCollider(spheres=[S1], cuboids=[BOX], cylinders=[Cylinder((0, 0, 0), (1, 0, 0), 1)], capsules=(CAP,)),
     {"spheres": 1, "cuboids": 1, "cylinders": 1, "capsules": 1}),
])
def test_include_argument_forms(arg, counts):
    c = Collider()
    c.include(arg)
    for getter in ("spheres", "cuboids", "cylinders", "capsules"):
        assert len(getattr(c, getter)()) == counts.get(getter, 0), getter


@pytest.mark.parametrize("arg", [[S1, 42], "ab", gen(S1, "x")])
def test_include_refuses_an_iterable_with_a_non_shape(arg):
    c = Collider()
    c.add(S2)
    with pytest.raises(TypeError, match="^argument 'other': PyCollider: sequence item is not a Shape$"):
        c.include(arg)
    assert len(c.spheres()) == 1 and bound(c) == (2, 0, 0, 0.5)


def failing_iter(exc):
    yield S1
    raise exc


@pytest.mark.parametrize("exc, kind, text", [
    (TypeError("bad"), TypeError, "^argument 'other': bad$"),
    (KeyError("k"), KeyError, "k"),
])
def test_include_passes_iterator_errors(exc, kind, text):
    c = Collider()
    with pytest.raises(kind, match=text):
        c.include(failing_iter(exc))
    assert c.mask() == 0


def test_include_discards_only_ordinary_exceptions():
    with pytest.raises(KeyboardInterrupt):
        Collider().include(LikeCollider(spheres=KeyboardInterrupt()))


def test_include_collider_merges_items_mask_and_bound():
    c, d = Collider(), Collider()
    c.add(S1)
    c.add(CAP)
    d.add(S2)
    d.add(BOX)
    d_state = state(d)
    c.include(d)
    assert [s.center.x for s in (c.spheres()[i] for i in range(2))] == [1, 2]
    assert c.mask() == 0x83 and state(d) == d_state
    e = Collider()
    e.include(d)
    assert bound(e) == bound(d)  # an empty receiver takes the other's bound
    p = Collider()
    p.add(Plane((0, 0, 1), 1.0))
    c_centre = bound(c)[:3]
    c.include(p)
    assert bound(c) == c_centre + (INF,)


@pytest.mark.parametrize("empty", [None, 42, [], LikeCollider()])
def test_including_nothing_merges_the_origin(empty):
    c = Collider()
    c.add(Sphere((10, 0, 0), 1))
    c.include(empty)
    assert bound(c) == (5.5, 0, 0, 5.5) and c.mask() == 0x80


# ---- re-entrant calls ----

def test_include_of_itself_raises_and_changes_nothing():
    c = Collider()
    c.add(S1)
    before = state(c)
    with pytest.raises(RuntimeError, match="^Already mutably borrowed$"):
        c.include(c)
    assert state(c) == before
    c.add(S2)  # the borrow was released


@pytest.mark.parametrize("call, shared_text, exclusive_text", [
    (lambda c: c.mask(), None, "Already mutably borrowed"),
    (lambda c: c.collides(S1), None, "Already mutably borrowed"),
    (lambda c: c.add(S1), "Already borrowed", "Already borrowed"),
    (lambda c: c.refine_bounding(), "Already borrowed", "Already borrowed"),
])
@pytest.mark.parametrize("method", ["add", "include", "collides"])
def test_conversions_find_the_receiver_held(method, call, shared_text, exclusive_text):
    c = Collider()
    c.add(S2)
    before = c.mask()
    duck = CallsBack(c, call)
    getattr(c, method)(duck)
    assert duck.seen == (shared_text if method == "collides" else exclusive_text)
    assert c.mask() == before and len(c.spheres()) == (1 if method == "collides" else 2)


def test_collides_other_refuses_anything_but_a_collider():
    c = Collider()
    with pytest.raises(TypeError, match="^argument 'other': 'None' is not an instance of 'Collider'$"):
        c.collides_other(None)
    with pytest.raises(TypeError, match="^argument 'other': 'list' object is not an instance of 'Collider'$"):
        c.collides_other([S1])


# ---- pickling and stored states ----

def test_round_trip_answers_the_same_queries():
    rng = rng_for(11)
    c = Collider()
    for kind in BOUNDED * 2:
        s = MAKERS[kind](rng)
        if s is not None:
            c.add(s)
    probes = [MAKERS[k](rng) for k in ("sphere", "capsule", "cuboid", "segment") for _ in range(20)]
    for back in (pickle.loads(pickle.dumps(c)), copy.deepcopy(c), Collider(__pickle_state__=state(c))):
        assert state(back) == state(c) and back.mask() == c.mask()
        assert [back.collides(p) for p in probes] == [c.collides(p) for p in probes]
        assert all(encloses(back, i) for i in held_items(back) if not is_cloud(i))
    c.add(Plane((0, 0, 1), 1.0))
    assert bound(pickle.loads(pickle.dumps(c))) == (0, 0, 0, INF)


def empty_groups(**given):
    names = ["capsules", "cuboids", "cylinders", "planes", "polygons", "polytopes", "points", "spheres", "lines",
             "rays", "segments", "pointclouds"]
    empty_set = record(("x", b"]"), ("y", b"]"), ("z", b"]"), ("r", b"]"), ("len", b"K\x00"))
    fields = [(n, given.get(n, empty_set[2:-1] if n == "spheres" else b"]")) for n in names]
    return record(*fields)


def plane_list(values):
    return b"](" + b"".join(flt(v) for v in values) + b"e"


def sphere_set(x, r, n, y=None):
    return (b"}(" + key("x") + plane_list(x) + key("y") + plane_list(x if y is None else y) + key("z")
            + plane_list(x) + key("r") + plane_list(r) + key("len") + b"J" + struct.pack("<i", n) + b"u")


NAN15 = [math.nan] * 15


@pytest.mark.parametrize("spheres", [
    sphere_set([0.0] * 16, [1.0] + NAN15, 1, y=[0.0] * 15),
    sphere_set([0.0] * 15, [1.0] + NAN15[1:], 1),
    sphere_set([0.0] * 16, [1.0] + NAN15, 17),
    sphere_set([0.0] * 16, [1.0] * 16, 1),
    sphere_set([0.0] * 16, [1.0] + NAN15, 2**31 - 1),
])
def test_damaged_states_are_refused(spheres):
    good = Collider(__pickle_state__=empty_groups(spheres=sphere_set([0.0] * 16, [1.0] + NAN15, 1)))
    assert len(good.spheres()) == 1 and good.mask() == 0x80
    with pytest.raises(ValueError, match="^pickle decode failed: "):
        Collider(__pickle_state__=empty_groups(spheres=spheres))
    with pytest.raises(ValueError, match="^pickle decode failed: "):
        Collider(__pickle_state__=state(good) + b"\x00")
    with pytest.raises(TypeError, match="^argument '__pickle_state__': Can't extract `str` to `Vec`$"):
        Collider(__pickle_state__="x")
    with pytest.raises(TypeError):
        Collider(1)


# ---- points (only a stored state holds them) ----

def with_points(*pts):
    return Collider(__pickle_state__=empty_groups(points=b"](" + b"".join(vec(p) for p in pts) + b"e"))


@pytest.mark.parametrize("query, hit", [
    (Plane((0, 0, 1), 0.0), False),
    (Plane((0, 0, 1), 1.0), True),  # the point lies in the half-space
    (ConvexPolygon((0, 0, 1), (0, 0, 1), [(-1, -1), (1, -1), (0, 1)]), True),
    (ConvexPolygon((5, 0, 1), (0, 0, 1), [(-1, -1), (1, -1), (0, 1)]), False),
    (Line((-5, 0, 1), (1, 0, 0)), True),
    (Ray((-5, 0, 1), (1, 0, 0)), True),
    (Ray((-5, 0, 1), (-1, 0, 0)), False),
    (LineSegment((0, -1, 1), (0, 1, 1)), True),
    (Sphere((0, 0, 2), 1.0), True),
])
def test_points_answer_every_query_kind(query, hit):
    c = with_points((0, 0, 1))
    assert c.mask() == 0x40 and bound(c) == (0, 0, 1, 0)
    assert c.collides(query) is hit


# ---- transforms and bounds ----

def test_translated_rotated_scaled():
    c = Collider()
    c.add(Sphere((1, 0, 0), 1))
    c.add(Cuboid((0, 3, 0), IDENT, (1, 2, 3)))
    t = c.translated((0, 0, 0))
    assert t is not c and state(t) == state(c)
    back = c.translated((0.1, 0.2, 0.3)).translated((-0.1, -0.2, -0.3))
    assert back.spheres().abs_diff_eq(c.spheres(), 1e-6)
    q = c.rotated_quat(Quat(0, 0, math.sin(math.pi / 4) * 2, math.cos(math.pi / 4) * 2))  # length 2
    s = q.spheres()[0]
    assert (round(s.center.x, 5), round(s.center.y, 5), s.radius) == (0, 4, 1)
    h = c.scaled(0.5)
    assert (h.spheres()[0].radius, h.spheres()[0].center.x, h.cuboids()[0].half_extents) == (0.5, 1, [0.5, 1, 1.5])
    assert state(c) != state(h) and c.spheres()[0].radius == 1


@pytest.mark.parametrize("mat", [
    Mat3.from_diagonal((3.0, 1.0, 1.0)),
    Mat3.from_cols((1, 0, 0), (2, 1, 0), (0, 0, 1)),  # shear
])
def test_non_rigid_maps_lose_no_collision(mat):
    rng = rng_for(5)
    for _ in range(40):
        c = Collider()
        for kind in BOUNDED:
            s = MAKERS[kind](rng)
            if s is not None:
                c.add(s)
        m = c.rotated_mat(mat)
        items = [i for i in held_items(m)]
        assert all(encloses(m, i) for i in items if not is_cloud(i))
        for _ in range(10):
            p = MAKERS["sphere"](rng)
            # A polytope's planes keep unnormalised normals after such a map, and the collider's
            # plane test then answers conservatively: no lost collision, possibly an extra one.
            assert m.collides(p) or not any(p.collides(i) for i in items)


def test_obb_aabb_broadphase_refine():
    c = Collider()
    assert repr(c.obb()) == repr(Cuboid((0, 0, 0), IDENT, (0, 0, 0)))
    c.refine_bounding()
    assert bound(c) == (0, 0, 0, 0)
    c.add(Sphere((1, 2, 3), 0.5))
    assert repr(c.obb()) == repr(c.aabb()) == repr(Cuboid((1, 2, 3), IDENT, (0.5, 0.5, 0.5)))
    c.refine_bounding()
    assert bound(c) == pytest.approx((1, 2, 3, 0.5), abs=1e-6)
    z = Collider()
    z.add(Sphere((1, 2, 3), 0.0))
    z.refine_bounding()
    assert bound(z) == (1, 2, 3, 0)
    for s in (Sphere((5, 0, 0), 1), Sphere((-5, 0, 0), 1), Sphere((0, 4, 0), 2)):
        c.add(s)
    c.refine_bounding()
    assert all(encloses(c, i) for i in held_items(c))
    c.add(Plane((1, 0, 0), 0.0))
    c.refine_bounding()
    assert bound(c) == (0, 0, 0, INF)
    box = c.obb()
    assert math.isnan(box.center.x) and box.half_extents == [INF] * 3


def test_try_stretch_d():
    c = Collider()
    e = c.try_stretch_d((0, 0, 0))
    assert e is not c and e.mask() == 0
    c.add(Sphere((0, 0, 0), 1))
    swept = c.try_stretch_d((0, 0, 4))
    assert swept.mask() == 0x1 and swept.collides(Sphere((0, 0, 4.9), 0)) and not c.collides(Sphere((0, 0, 4.9), 0))
    pc = cloud([(0, 0, 0)])
    if pc is not None:
        c.add(pc)
        assert c.try_stretch_d((1, 0, 0)) is None


def test_collides_refuses_clouds_and_non_shapes():
    with pytest.raises(TypeError, match=r"^argument 'shape': expected a Shape \(Sphere, Cuboid, Cylinder, etc\.\)$"):
        Collider().collides(42)
    pc = cloud([(0, 0, 0)])
    if pc is not None:
        for arg in (pc, Shape.Pointcloud(pc)):
            with pytest.raises(ValueError, match="^Pointcloud cannot query a Collider<Pointcloud>; use individual "
                                                 "shape queries instead$"):
                Collider().collides(arg)


# ---- queries against brute force ----

def random_collider(rng, kinds, n_max, moved):
    c = Collider()
    for _ in range(rng.randint(1, n_max)):
        s = random_shape(rng, kinds)
        if s is not None:
            c.add(s)
    if moved == "translated":
        c = c.translated((rng.uniform(-2, 2), rng.uniform(-2, 2), rng.uniform(-2, 2)))
    elif moved == "rotated":
        c = c.rotated_quat(Quat(*[rng.gauss(0, 1) for _ in range(4)]).normalize())
    elif moved == "scaled":
        c = c.scaled(rng.uniform(0.3, 2.0))
    elif moved == "stretched":
        c = c.rotated_mat(Mat3.from_diagonal((rng.uniform(0.5, 2), rng.uniform(0.5, 2), rng.uniform(0.5, 2))))
    return c


MOVES = [None, "translated", "rotated", "scaled", "stretched"]
QUERY_KINDS = [k for k in KINDS if k not in ("cloud", "plane")]
ITEM_KINDS = [k for k in KINDS if k != "plane"] * 4 + ["plane"]


@pytest.mark.parametrize("moved", MOVES)
def test_collides_matches_brute_force(moved):
    rng = rng_for(MOVES.index(moved))
    for _ in range(500):
        c = random_collider(rng, ITEM_KINDS, 5, moved)
        items = held_items(c)
        q = random_shape(rng, QUERY_KINDS)
        assert agrees(c.collides(q), [(q, i) for i in items]), (moved, q, items)


@pytest.mark.parametrize("moved", [None, "translated", "scaled"])
def test_collides_other_matches_brute_force(moved):
    rng = rng_for(99 + MOVES.index(moved))
    no_clouds = [k for k in ITEM_KINDS if k != "cloud"]
    for _ in range(300):
        a = random_collider(rng, ITEM_KINDS, 4, moved)
        b = random_collider(rng, no_clouds, 4, None)
        ia, ib = held_items(a), held_items(b)
        pairs = [(x, y) for x in ib for y in ia]
        assert agrees(a.collides_other(b), pairs) and agrees(b.collides_other(a), pairs), (ia, ib)
    c = Collider()
    c.add(S1)
    assert c.collides_other(c) and not c.collides_other(Collider()) and not Collider().collides_other(c)


# ---- threads ----

def test_threads_see_borrow_errors_or_right_answers():
    c = Collider()
    c.add(Sphere((0, 0, 0), 1))
    other = Collider()
    other.add(Sphere((0.5, 0, 0), 1))
    near, far = Sphere((1.5, 0, 0), 0.6), Sphere((0, 500, 0), 1)
    stop, wrong, errors, answers = threading.Event(), [], set(), [0]

    def reader():
        while not stop.is_set():
            try:
                if not (c.collides(near) and not c.collides(far) and c.collides_other(other)
                        and c.mask() & 0x80):
                    wrong.append(repr(c))
                answers[0] += 1
            except RuntimeError as e:
                errors.add(str(e))

    def slow_shapes(n):
        for i in range(n):
            time.sleep(0)
            yield Sphere((3.0 + i, 0, 0), 0.5)

    def writer():
        for i in range(150):
            try:
                c.include(slow_shapes(3))
                c.add(Capsule((0, 3, 0), (0, 4, 0), 0.1))
            except RuntimeError as e:
                errors.add(str(e))

    old = sys.getswitchinterval()
    sys.setswitchinterval(1e-5)
    try:
        threads = [threading.Thread(target=reader) for _ in range(8)]
        for t in threads:
            t.start()
        writer()
        stop.set()
        for t in threads:
            t.join()
    finally:
        sys.setswitchinterval(old)
    assert not wrong and answers[0] > 0
    assert errors <= {"Already mutably borrowed", "Already borrowed"}
    assert c.collides(near) and not c.collides(far)


@pytest.mark.parametrize("mat", [Mat3.from_diagonal((2, 0.5, 1)), Mat3.from_cols((1, 0, 0), (0.5, 1, 0), (0, 0, 1)),
                                 Mat3.from_diagonal((-1, 3, 0.25))])
def test_a_held_box_covers_its_whole_image_under_a_stretch(mat):
    s = 0.70710677
    box = Cuboid((1, 0, 0), ((s, s, 0), (-s, s, 0), (0, 0, 1)), (1, 0.5, 0.25))
    c = Collider()
    c.add(box)
    moved = c.rotated_mat(mat)
    for corner in box.corners():
        probe = Sphere(mat.mul_vec3(corner), 1e-4)
        assert moved.collides(probe)
        other = Collider()
        other.add(probe)
        assert moved.collides_other(other) and other.collides_other(moved)
    assert not moved.collides(Sphere(mat.mul_vec3((1, 0, 0)) + (0, 0, 1), 0.1))


def test_a_held_polygon_with_lists_of_unequal_length_is_refused():
    c = Collider()
    c.add(ConvexPolygon((0, 0, 0), (0, 0, 1), [(0, 0), (1, 0), (0, 1)]))
    fields = pickle.loads(state(c))
    fields["polygons"][0]["edge_offsets_2d"].pop()
    with pytest.raises(ValueError, match="^pickle decode failed: decoding error: polygon lists differ in length: "
                                         "vertices_2d 3, vertices_3d 3, edge_normals_2d 3, edge_offsets_2d 2$"):
        Collider(__pickle_state__=pickle.dumps(fields, protocol=3))

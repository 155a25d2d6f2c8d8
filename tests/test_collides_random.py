"""collides on random poses against independent double-precision references: python-fcl for the
solids, planes and polytopes, SciPy's kd-tree for point clouds. An answer may differ from the
reference only where the pair is within a hair of touching (the reference itself changes its answer
when both shapes grow or shrink by that hair), or, towards a collision, where one of the documented
conservative rules answers: a cylinder met as a capsule by cuboids and cylinders, a polytope met
wherever none of its face planes separates."""
import numpy as np
import pytest
from scipy.spatial import ConvexHull, HalfspaceIntersection, cKDTree
from scipy.spatial.transform import Rotation

from quorixpy import Affine3, Capsule, ConvexPolytope, Cuboid, Cylinder, Mat3, Plane, Pointcloud, Quat, Sphere

fcl = pytest.importorskip("fcl")

HAIR = 2e-5  # a relative 1e-5 of the coordinates here, which stay within a few units
N = 300  # shapes per kind


def f32(x):
    return np.asarray(x, dtype=np.float32).astype(np.float64)


class Moved:
    """A solid moved by v: ours translated, fcl's pose and the reference rules shifted alike."""

    def __init__(self, solid, v):
        self.kind, self.ours = solid.kind, solid.ours.translated(v)
        shift = lambda make: lambda m: (lambda g, r, t: (g, r, v if t is None else t + v))(*make(m))
        self.fcl = shift(solid.fcl)
        if hasattr(solid, "capsule"):
            self.capsule = shift(solid.capsule)
        self.low = lambda n: solid.low(n) + n @ v
        self.planes = [(n, float(f32(d + n @ v))) for n, d in getattr(solid, "planes", [])]


class Solid:
    """One random shape: ours, fcl's of the same float32 numbers grown by a margin, and its lowest
    reach along a direction (min of n.x over the solid, in double)."""

    def __init__(self, kind, rng):
        self.kind = kind
        t = f32(rng.uniform(-1.6, 1.6, 3))
        rot = f32(Rotation.random(random_state=rng).as_matrix())
        size = f32(rng.uniform(0.2, 1.2, 3))
        if kind == "Sphere":
            self.ours, self.fcl = Sphere(t, size[0]), lambda m: (fcl.Sphere(size[0] + m), None, t)
            self.low = lambda n: n @ t - size[0]
        elif kind == "Cuboid":
            self.ours = Cuboid(t, list(rot.T), size)
            self.fcl = lambda m: (fcl.Box(*(2 * (size + m))), rot, t)
            self.low = lambda n: n @ t - np.abs(n @ rot) @ size
        elif kind in ("Capsule", "Cylinder"):
            # ends on the axis as float32 values, fcl's pose from them in double
            half = f32(rot[:, 2] * size[1])
            p1, p2 = f32(t - half), f32(t + half)
            length = float(np.linalg.norm(p2 - p1))
            axis = (p2 - p1) / length
            frame = Rotation.align_vectors([axis], [[0, 0, 1]])[0].as_matrix()
            self.ours = (Capsule if kind == "Capsule" else Cylinder)(p1, p2, size[0])
            self.capsule = lambda m: (fcl.Capsule(size[0] + m, length), frame, (p1 + p2) / 2)
            if kind == "Capsule":
                self.fcl = self.capsule
                self.low = lambda n: min(n @ p1, n @ p2) - size[0]
            else:
                self.fcl = lambda m: (fcl.Cylinder(size[0] + m, length + 2 * m), frame, (p1 + p2) / 2)
                self.low = lambda n: min(n @ p1, n @ p2) - size[0] * np.sqrt(max(0.0, 1 - (n @ axis) ** 2))
        elif kind == "ConvexPolytope":
            pts = f32(t + (rng.normal(size=(12, 3)) * size[:1] / 1.5))
            hull = ConvexHull(pts)
            verts = pts[hull.vertices]
            self.planes = [(f32(e[:3]), float(f32(-e[3]))) for e in hull.equations]
            self.ours = ConvexPolytope(self.planes, verts)
            eq = hull.equations

            def grown(m):  # every face plane moved out by m
                moved = hull if m == 0 else ConvexHull(HalfspaceIntersection(eq - [0, 0, 0, m], verts.mean(0)).intersections)
                faces = np.hstack([np.full((len(moved.simplices), 1), 3), moved.simplices]).ravel()
                return fcl.Convex(moved.points, len(moved.simplices), faces), None, None
            self.fcl = grown
            self.low = lambda n: np.min(verts @ n)
        else:  # Plane
            n = f32(Rotation.random(random_state=rng).as_matrix()[:, 0])
            d = float(f32(rng.uniform(-2.5, 2.5)))
            self.ours, self.fcl = Plane(n, d), lambda m: (fcl.Halfspace(n, d + m), None, None)


def _object(solid, margin=0.0, make=None):
    geom, rot, t = (make or solid.fcl)(margin)
    return fcl.CollisionObject(geom) if t is None else fcl.CollisionObject(geom, fcl.Transform(
        np.eye(3) if rot is None else rot, t))


def fcl_collides(a, b, margin=0.0, fa=None, fb=None):
    return fcl.collide(_object(a, margin, fa), _object(b, margin, fb), fcl.CollisionRequest(),
                       fcl.CollisionResult()) > 0


def why_ours_differs(a, b, ours):
    """The documented reason an answer differs from fcl's, or None."""
    if fcl_collides(a, b, -HAIR) <= ours <= fcl_collides(a, b, HAIR):
        return "within a hair of touching"
    if not ours:
        return None  # every other rule errs, if at all, towards a collision
    kinds = {a.kind, b.kind}
    # Flat caps are met as round ones by cylinder-cuboid and cylinder-cylinder.
    if "Cylinder" in kinds and kinds <= {"Cylinder", "Cuboid"} and fcl_collides(
            a, b, fa=getattr(a, "capsule", None), fb=getattr(b, "capsule", None)):
        return "cylinder met as a capsule"
    # A polytope is met unless one of its face planes separates (the partner's face planes too,
    # for two polytopes); edge and vertex regions are not told apart.
    if "ConvexPolytope" in kinds and all(
            other.low(n) <= d + HAIR for p, other in ((a, b), (b, a)) if p.kind == "ConvexPolytope"
            for n, d in p.planes):
        return "no face plane separates"
    return None


SOLIDS = ["Sphere", "Cuboid", "Capsule", "Cylinder", "ConvexPolytope", "Plane"]
KIND_PAIRS = [(a, b) for i, a in enumerate(SOLIDS) for b in SOLIDS[i:] if (a, b) != ("Plane", "Plane")]


@pytest.fixture(scope="module")
def solids():
    rng = np.random.default_rng(20240607)
    return {k: [Solid(k, rng) for _ in range(N)] for k in SOLIDS}


@pytest.mark.parametrize("ka, kb", KIND_PAIRS)
def test_solids_agree_with_fcl(solids, ka, kb):
    hits, unexplained = 0, []
    for a, b in zip(solids[ka], solids[kb][1:] + solids[kb][:1]):
        ours = a.ours.collides(b.ours)
        assert b.ours.collides(a.ours) == ours
        hits += ours
        if ours != fcl_collides(a, b) and why_ours_differs(a, b, ours) is None:
            unexplained.append((a.ours, b.ours))
    assert unexplained == []
    assert 0.1 * N < hits < 0.9 * N  # both answers well represented


@pytest.mark.parametrize("ka, kb", [p for p in KIND_PAIRS if "Plane" not in p])
def test_solids_a_little_apart_or_into_each_other(solids, ka, kb):
    """Separated pairs brought to within 0.1 % of their distance of touching, from either side."""
    request, unexplained, tried = fcl.DistanceRequest(enable_nearest_points=True), [], 0
    for a, b in zip(solids[ka], solids[kb][2:] + solids[kb][:2]):
        result = fcl.DistanceResult()
        if fcl.distance(_object(a), _object(b), request, result) < 0.05:
            continue
        tried += 1
        pa, pb = result.nearest_points
        for scale in (1 - 1e-3, 1 + 1e-3):
            c = Moved(b, f32((pa - pb) * scale))
            ours = a.ours.collides(c.ours)
            assert c.ours.collides(a.ours) == ours
            if ours != fcl_collides(a, c) and why_ours_differs(a, c, ours) is None:
                unexplained.append((a.ours, c.ours, scale))
    assert unexplained == [] and tried > N // 4


# ---- point clouds --------------------------------------------------------------------------------

def clouds(rng):
    """Clouds as a robot sees them: a sheet, a room's walls, a filled cube; each with a radius."""
    sheet = np.c_[rng.uniform(-1, 1, (300, 2)), np.full(300, 1.5)]
    wall = rng.uniform(-2, 2, (400, 3))
    wall[np.arange(400), rng.integers(0, 3, 400)] = rng.choice([-2.0, 2.0], 400)
    cube = rng.uniform(-0.5, 0.5, (300, 3))
    return [(f32(p), float(f32(r))) for p, r in ((sheet, 0.02), (wall, 0.05), (cube, 0.0))]


MOTIONS = [
    ("none", lambda c: c, lambda p: p),
    ("translated", lambda c: c.translated((0.3, -0.2, 0.1)), lambda p: p + (0.3, -0.2, 0.1)),
    ("rotated", lambda c: c.rotated_quat(Quat.from_rotation_z(0.7)), Rotation.from_euler("z", 0.7).apply),
    ("scaled mat", lambda c: c.rotated_mat(Mat3.from_diagonal((2, 1, 0.5))), lambda p: p * (2, 1, 0.5)),
    ("affine", lambda c: c.transformed(Affine3.from_scale((1.5, 1.5, 1.5))), lambda p: p * 1.5),
    ("non-unit quat", lambda c: c.rotated_quat(Quat(0, 0, 0, 1.25)), lambda p: p * 1.5625),
]


@pytest.mark.parametrize("motion, move, move_points", MOTIONS, ids=[m[0] for m in MOTIONS])
@pytest.mark.parametrize("build", [
    lambda p, r: Pointcloud.from_numpy(p, r), lambda p, r: Pointcloud(p, (0.0, 0.0), r),
    lambda p, r: Pointcloud(p.tolist(), (0.0, 0.3), r), lambda p, r: Pointcloud(p, (0.1, 0.2), r),
], ids=["from_numpy", "(0, 0)", "(0, 0.3)", "(0.1, 0.2)"])
def test_clouds_agree_with_kdtree(motion, move, move_points, build):
    rng = np.random.default_rng(7)
    for points, pr in clouds(rng):
        c = move(build(points, pr))
        moved = move_points(points)
        tree = cKDTree(moved)
        lo, hi = moved.min(0) - 0.5, moved.max(0) + 0.5
        near = moved[rng.integers(0, len(moved), 150)] + rng.normal(scale=0.2, size=(150, 3))
        centres = f32(np.r_[near, rng.uniform(lo, hi, (150, 3))])
        radii = f32(rng.choice([0.0, 0.01, 0.05, 0.2, 0.6], 300) * rng.uniform(0.5, 1.0, 300))
        # and spheres that fall short of their nearest point, or pass it, by 0.1 % of the distance
        gap = np.maximum(tree.query(centres[:100])[0] - pr, 0.0)
        radii[:100] = f32(gap * np.where(np.arange(100) % 2, 1.001, 0.999))
        reach = lambda m: tree.query_ball_point(centres, radii + pr + m, return_length=True) > 0
        ref, wider, narrower = reach(0.0), reach(HAIR), reach(-HAIR)
        ours = np.array([c.collides(Sphere(p, r)) for p, r in zip(centres, radii)])
        assert (ours == [Sphere(p, r).collides(c) for p, r in zip(centres, radii)]).all()
        unexplained = (ours != ref) & ~((narrower <= ours) & (ours <= wider))
        assert not unexplained.any(), (centres[unexplained], radii[unexplained])
        assert 0.1 < ref.mean() < 0.9

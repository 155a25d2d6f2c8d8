"""Shape collision tests from Python against python-fcl, side by side in one run.

    .venv/bin/pip install python-fcl scipy && .venv/bin/python bench/bench_shapes.py [pairs] [cloud sizes]

1. `a.collides(b)` on prebuilt objects against `fcl.collide(o1, o2, request, fcl.CollisionResult())` on
   prebuilt collision objects with the same poses (a fresh result per call: a reused one accumulates
   contacts), over the same random poses; the answers are compared first.
2. `Sphere.collides(Sphere)` against `Vec3.dot(Vec3)`: what a collision call costs over an algebra
   method with one argument.
3. Point clouds: `Pointcloud.collides(Sphere)` against `cKDTree.query_ball_point(c, r, return_length=True)`
   for hits and misses, and the build time and peak memory of `Pointcloud.from_numpy` against
   `cKDTree(points)` on clouds a robot sees (a sheet, the walls of a room, a filled cube).
FCL works in double precision and computes contact data for some pairs (box-box) even when none is
asked for; ratios are ours / peer, below 1 is faster. Polytope against box: the polytope's face planes
and box are tested, not the edge-edge axes, so some near misses count as contacts here ("agree" falls
short by exactly those cases, all on our side).
"""
import gc
import math
import pickle
import resource
import subprocess
import sys
import textwrap
import timeit

import fcl
import numpy as np
from scipy.spatial import cKDTree

import quorixpy as q
import cloud_points

RNG = np.random.default_rng(7)


def best(fn, number, repeat=5):
    return min(timeit.repeat(fn, number=number, repeat=repeat)) / number


def random_rotation():
    a, b, c = RNG.uniform(-math.pi, math.pi, 3)
    return q.Mat3.from_euler(q.EulerRot.ZYX, a, b, c)


def rows(m):
    """Rotation matrix rows for fcl from our column-major Mat3."""
    cols = m.to_cols_array_2d()
    return np.array([[cols[c][r] for c in range(3)] for r in range(3)])


def capsule_pair(center, rot, radius, length, cls):
    axis = rot.mul_vec3(q.Vec3(0, 0, length / 2))
    c = q.Vec3(*center)
    ours = cls(c - axis, c + axis, radius)
    geom = fcl.Capsule(radius, length) if cls is q.Capsule else fcl.Cylinder(radius, length)
    return ours, fcl.CollisionObject(geom, fcl.Transform(rows(rot), center))


def sphere_pair(center, rot, radius, _length, _cls=None):
    return q.Sphere(center, radius), fcl.CollisionObject(fcl.Sphere(radius), fcl.Transform(np.eye(3), center))


def box_pair(center, rot, half, _length, _cls=None):
    h = (half, half * 0.7, half * 1.3)
    ours = q.Cuboid(center, tuple(tuple(c) for c in rot.to_cols_array_2d()), h)
    return ours, fcl.CollisionObject(fcl.Box(*(2 * v for v in h)), fcl.Transform(rows(rot), center))


CUBE_FACES = [(0, 2, 3, 1), (4, 5, 7, 6), (0, 1, 5, 4), (2, 6, 7, 3), (0, 4, 6, 2), (1, 3, 7, 5)]


def polytope_pair(center, rot, half, _length, _cls=None):
    corners = [(sx * half, sy * half, sz * half) for sx in (-1, 1) for sy in (-1, 1) for sz in (-1, 1)]
    world = [rot.mul_vec3(q.Vec3(*p)) + q.Vec3(*center) for p in corners]
    normals = [(-1, 0, 0), (1, 0, 0), (0, -1, 0), (0, 1, 0), (0, 0, -1), (0, 0, 1)]
    planes = []
    for n in normals:
        wn = rot.mul_vec3(q.Vec3(*n))
        planes.append((tuple(wn), wn.dot(q.Vec3(*center)) + half))
    ours = q.ConvexPolytope(planes, [tuple(p) for p in world])
    faces = np.array([v for f in CUBE_FACES for v in (4, *f)])
    geom = fcl.Convex(np.array([tuple(p) for p in world]), len(CUBE_FACES), faces)
    return ours, fcl.CollisionObject(geom, fcl.Transform())


def plane_pair(center, rot, _half, _length, _cls=None):
    n = rot.mul_vec3(q.Vec3(0, 0, 1))
    d = n.dot(q.Vec3(*center))
    return q.Plane(n, d), fcl.CollisionObject(fcl.Halfspace(np.array(tuple(n)), d), fcl.Transform())


def make(kind, spread):
    center = tuple(RNG.uniform(-spread, spread, 3))
    rot = random_rotation()
    size = RNG.uniform(0.2, 1.0)
    maker, cls = kind
    return maker(center, rot, size, 2 * size, cls)


PAIRS = [
    ("sphere-sphere", (sphere_pair, None), (sphere_pair, None)),
    ("capsule-cuboid", (capsule_pair, q.Capsule), (box_pair, None)),
    ("cylinder-capsule", (capsule_pair, q.Cylinder), (capsule_pair, q.Capsule)),
    ("polytope-cuboid", (polytope_pair, None), (box_pair, None)),
    ("sphere-plane", (sphere_pair, None), (plane_pair, None)),
]


def shape_pairs(count):
    print(f"{'pair':<18}{'ours ns':>9}{'fcl ns':>9}{'ratio':>7}{'agree':>8}{'hits':>6}")
    request = fcl.CollisionRequest()
    for label, ka, kb in PAIRS:
        items = [(make(ka, 1.5), make(kb, 1.5)) for _ in range(count)]
        ours = [(a[0], b[0]) for a, b in items]
        peer = [(a[1], b[1]) for a, b in items]
        mine = [x.collides(y) for x, y in ours]
        theirs = [fcl.collide(x, y, request, fcl.CollisionResult()) > 0 for x, y in peer]
        agree = sum(m == t for m, t in zip(mine, theirs))

        def run_ours():
            for x, y in ours:
                x.collides(y)

        def run_fcl():
            for x, y in peer:
                fcl.collide(x, y, request, fcl.CollisionResult())

        t_ours, t_fcl = best(run_ours, 3) / count, best(run_fcl, 3) / count
        print(f"{label:<18}{t_ours * 1e9:>9.0f}{t_fcl * 1e9:>9.0f}{t_ours / t_fcl:>7.3f}{agree:>5}/{count}"
              f"{sum(mine):>6}")


def call_cost():
    a, b = q.Sphere((0, 0, 0), 1.0), q.Sphere((1, 1, 1), 1.0)
    u, v = q.Vec3(0, 0, 0), q.Vec3(1, 1, 1)
    t_ours = best(lambda: a.collides(b), 200_000)
    t_dot = best(lambda: u.dot(v), 200_000)
    print(f"Sphere.collides(Sphere) {t_ours * 1e9:.1f} ns, Vec3.dot {t_dot * 1e9:.1f} ns, ratio {t_ours / t_dot:.2f}")


# ---- point clouds ----

def scene(name, n):
    return cloud_points.scene(name, n, RNG)


def cloud_queries(n=100_000, point_radius=0.01):
    points = scene("room", n)
    cloud = q.Pointcloud.from_numpy(points, point_radius)
    tree = cKDTree(points)
    r_range = pickle.loads(cloud.__getnewargs_ex__()[1]["__pickle_state__"])["r_range"]
    print(f"Pointcloud of {n} room points, point radius {point_radius}, tree built for query radii {r_range}")
    print(f"{'queries':<10}{'radius':>7}{'ours ns':>9}{'kd ns':>9}{'ratio':>7}{'agree':>8}{'hits':>6}")
    for label, centres in (("on walls", points[RNG.integers(0, n, 2000)] + RNG.normal(0, 0.05, (2000, 3))),
                           ("inside", RNG.uniform(-1.5, 1.5, (2000, 3)) + np.array([0, 0, 1.5]))):
        for r in (0.05, 0.25):
            spheres = [q.Sphere(tuple(c), r) for c in centres]
            cs = [tuple(c) for c in centres]
            mine = [cloud.collides(s) for s in spheres]
            theirs = [tree.query_ball_point(c, r + point_radius, return_length=True) > 0 for c in cs]
            agree = sum(m == t for m, t in zip(mine, theirs))

            def run_ours():
                for s in spheres:
                    cloud.collides(s)

            def run_kd():
                for c in cs:
                    tree.query_ball_point(c, r + point_radius, return_length=True)

            t_ours, t_kd = best(run_ours, 3) / len(cs), best(run_kd, 3) / len(cs)
            print(f"{label:<10}{r:>7}{t_ours * 1e9:>9.0f}{t_kd * 1e9:>9.0f}{t_ours / t_kd:>7.3f}"
                  f"{agree:>5}/{len(cs)}{sum(mine):>6}")


BUILD_SNIPPET = """
import resource, sys, time, numpy as np
sys.path[:0] = {path!r}
import bench_shapes as b
points = b.scene({name!r}, {n})
before = resource.getrusage(resource.RUSAGE_SELF).ru_maxrss
t = time.perf_counter()
{build}
took = time.perf_counter() - t
print(took, resource.getrusage(resource.RUSAGE_SELF).ru_maxrss - before)
"""


def build_cost(sizes):
    """Build time and peak memory growth, each build in a fresh interpreter."""
    print(f"{'scene':<7}{'points':>9}{'ours s':>8}{'kd s':>8}{'ours MB':>9}{'kd MB':>8}")
    here = [sys.path[0]]
    for name in ("sheet", "room", "cube"):
        for n in sizes:
            out = {}
            for who, build in (("ours", "import quorixpy; c = quorixpy.Pointcloud.from_numpy(points, 0.01)"),
                               ("kd", "from scipy.spatial import cKDTree; c = cKDTree(points)")):
                code = BUILD_SNIPPET.format(path=here, name=name, n=n, build=build)
                proc = subprocess.run([sys.executable, "-c", textwrap.dedent(code)], capture_output=True, text=True)
                took, kb = proc.stdout.split() if proc.returncode == 0 else ("nan", "nan")
                out[who] = (float(took), float(kb) / 1024)
            print(f"{name:<7}{n:>9}{out['ours'][0]:>8.3f}{out['kd'][0]:>8.3f}{out['ours'][1]:>9.0f}{out['kd'][1]:>8.0f}")


def main():
    count = int(sys.argv[1]) if len(sys.argv) > 1 else 1000
    sizes = [int(s) for s in sys.argv[2].split(",")] if len(sys.argv) > 2 else [100_000, 1_000_000]
    shape_pairs(count)
    call_cost()
    gc.collect()
    cloud_queries()
    build_cost(sizes)


if __name__ == "__main__":
    main()

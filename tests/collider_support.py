"""Random shapes of every kind, and the items a collider holds, for the collider tests."""
import math
import random

from quorixpy import (Capsule, ConvexPolygon, ConvexPolytope, Cuboid, Cylinder, Line, LineSegment, Plane,
                      Pointcloud, Ray, Sphere)


def cloud(points, point_radius=0.1):
    """A point cloud, or None while the class cannot be built from points yet."""
    try:
        return Pointcloud(points, (0.0, 2.0), point_radius)
    except Exception:  # noqa: BLE001 - a class still being built
        return None


def rot_cols(rng):
    """The columns of a random rotation."""
    x, y, z, w = (rng.gauss(0, 1) for _ in range(4))
    n = math.sqrt(x * x + y * y + z * z + w * w)
    x, y, z, w = x / n, y / n, z / n, w / n
    return ((1 - 2 * (y * y + z * z), 2 * (x * y + z * w), 2 * (x * z - y * w)),
            (2 * (x * y - z * w), 1 - 2 * (x * x + z * z), 2 * (y * z + x * w)),
            (2 * (x * z + y * w), 2 * (y * z - x * w), 1 - 2 * (x * x + y * y)))


def point(rng, spread=4.0):
    return tuple(rng.uniform(-spread, spread) for _ in range(3))


def unit(rng):
    v = [rng.gauss(0, 1) for _ in range(3)]
    n = math.sqrt(sum(a * a for a in v))
    return tuple(a / n for a in v)


def polytope(rng):
    c, h = point(rng), rng.uniform(0.2, 1.0)
    planes = [((s if k == 0 else 0.0, s if k == 1 else 0.0, s if k == 2 else 0.0), h + s * c[k])
              for k in range(3) for s in (1.0, -1.0)]
    verts = [(c[0] + a * h, c[1] + b * h, c[2] + d * h) for a in (-1, 1) for b in (-1, 1) for d in (-1, 1)]
    return ConvexPolytope(planes, verts)


MAKERS = {
    "sphere": lambda rng: Sphere(point(rng), rng.uniform(0.1, 1.0)),
    "capsule": lambda rng: Capsule(point(rng), point(rng), rng.uniform(0.1, 0.6)),
    "cylinder": lambda rng: Cylinder(point(rng), point(rng), rng.uniform(0.1, 0.6)),
    "cuboid": lambda rng: Cuboid(point(rng), rot_cols(rng), tuple(rng.uniform(0.1, 1.0) for _ in range(3))),
    "polytope": polytope,
    "polygon": lambda rng: ConvexPolygon(point(rng), unit(rng), [(0.0, 0.0), (1.5, 0.0), (0.5, 1.2)]),
    "segment": lambda rng: LineSegment(point(rng), point(rng)),
    "line": lambda rng: Line(point(rng, 8.0), unit(rng)),
    "ray": lambda rng: Ray(point(rng, 8.0), unit(rng)),
    "plane": lambda rng: Plane(unit(rng), rng.uniform(-12.0, -5.0)),
    "cloud": lambda rng: cloud([point(rng) for _ in range(rng.randint(1, 12))], 0.1),
}


def random_shape(rng, kinds):
    return MAKERS[rng.choice(kinds)](rng)


def held_items(c):
    """Every item a collider holds, through its getters."""
    sc = c.spheres()
    return ([sc[i] for i in range(len(sc))] + c.capsules() + c.cuboids() + c.cylinders() + c.planes() + c.polygons()
            + c.polytopes() + c.lines() + c.rays() + c.segments() + c.pointclouds())


def is_cloud(s):
    return type(s).__name__ == "Pointcloud"


def rng_for(seed):
    return random.Random(seed)



# Pairs the collider tests by the polytope's face planes only: a ball, capsule or box beside an edge of the
# polytope (apart only along an edge direction) counts as touching there.
FACE_PLANE_PAIRS = [{"Cuboid", "ConvexPolytope"}, {"Sphere", "ConvexPolytope"}, {"Capsule", "ConvexPolytope"}]


def may_touch(a, b):
    """True when the collider may report a contact the exact pair test does not: a face-plane pair
    whose bounding spheres meet."""
    if {type(a).__name__, type(b).__name__} not in FACE_PLANE_PAIRS:
        return False
    s, t = a.broadphase(), b.broadphase()
    d = math.dist((s.center.x, s.center.y, s.center.z), (t.center.x, t.center.y, t.center.z))
    return d <= s.radius + t.radius


def agrees(got, pairs):
    """The collider's answer against the exact answers of every (query, item) pair: equal, or a
    contact that only the face-plane rule gives."""
    exact = any(a.collides(b) for a, b in pairs)
    return got == exact or (got and any(may_touch(a, b) for a, b in pairs))

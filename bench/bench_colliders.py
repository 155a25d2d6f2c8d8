"""Colliders from Python against python-fcl's DynamicAABBTreeCollisionManager, side by side in one run.

    .venv/bin/pip install python-fcl && .venv/bin/python bench/bench_colliders.py

1. A `Collider` of 1,000 mixed shapes (spheres, capsules, boxes): `collides(Sphere)` and
   `collides(Capsule)` against `manager.collide(object, CollisionData(), defaultCollisionCallback)` (stops
   at the first contact) over the same shapes.
2. `collides_other` between two colliders of 100 shapes each against the manager-against-manager collide.
3. Building: 10^4 `add` calls against registering the same objects with a manager and `setup()`.
Answers are compared first. FCL works in double precision and computes contact data for some pairs
(box-box) even when none is asked for. Ratios are ours / peer: below 1 is faster.
"""
import math
import timeit

import fcl
import numpy as np

import quorixpy as q

RNG = np.random.default_rng(11)


def best(fn, number, repeat=5):
    return min(timeit.repeat(fn, number=number, repeat=repeat)) / number


def rotation():
    x, y, z, w = RNG.normal(size=4)
    n = math.sqrt(x * x + y * y + z * z + w * w)
    x, y, z, w = x / n, y / n, z / n, w / n
    return np.array([[1 - 2 * (y * y + z * z), 2 * (x * y - z * w), 2 * (x * z + y * w)],
                     [2 * (x * y + z * w), 1 - 2 * (x * x + z * z), 2 * (y * z - x * w)],
                     [2 * (x * z - y * w), 2 * (y * z + x * w), 1 - 2 * (x * x + y * y)]])


def shape_pair(kind, spread):
    """The same shape for both libraries, at a random pose (values exact in single precision)."""
    c = np.float32(RNG.uniform(-spread, spread, 3)).astype(float)
    rot = np.float32(rotation()).astype(float)
    if kind == "sphere":
        r = float(np.float32(RNG.uniform(0.2, 1.0)))
        return q.Sphere(tuple(c), r), fcl.CollisionObject(fcl.Sphere(r), fcl.Transform(c))
    if kind == "capsule":
        r, half = (float(np.float32(v)) for v in RNG.uniform(0.1, 0.6, 2))
        axis = rot[:, 2] * half
        ours = q.Capsule(tuple(c - axis), tuple(c + axis), r)
        return ours, fcl.CollisionObject(fcl.Capsule(r, 2 * half), fcl.Transform(rot, c))
    h = np.float32(RNG.uniform(0.2, 1.0, 3)).astype(float)
    ours = q.Cuboid(tuple(c), tuple(tuple(rot[:, k]) for k in range(3)), tuple(h))
    return ours, fcl.CollisionObject(fcl.Box(*(2 * h)), fcl.Transform(rot, c))


def scene(n, spread):
    pairs = [shape_pair(RNG.choice(["sphere", "capsule", "box"]), spread) for _ in range(n)]
    collider = q.Collider()
    for ours, _ in pairs:
        collider.add(ours)
    manager = fcl.DynamicAABBTreeCollisionManager()
    manager.registerObjects([obj for _, obj in pairs])
    manager.setup()
    return collider, manager, pairs


def fcl_hit(manager, obj):
    data = fcl.CollisionData(request=fcl.CollisionRequest())
    manager.collide(obj, data, fcl.defaultCollisionCallback)
    return data.result.is_collision


def report(name, ours, peer, note=""):
    print(f"{name:<44} ours {ours * 1e6:9.2f} us   fcl {peer * 1e6:9.2f} us   ratio {ours / peer:6.3f}  {note}")


def queries():
    collider, manager, _ = scene(1000, 20.0)
    for kind in ("sphere", "capsule"):
        probes = [shape_pair(kind, 22.0) for _ in range(400)]
        ours = [collider.collides(p) for p, _ in probes]
        theirs = [fcl_hit(manager, o) for _, o in probes]
        agree = sum(a == b for a, b in zip(ours, theirs))
        assert agree >= len(probes) - 2, f"answers differ: {agree}/{len(probes)}"  # float32 vs double at contact
        hits = sum(ours)
        t_ours = best(lambda: [collider.collides(p) for p, _ in probes], 5) / len(probes)
        t_fcl = best(lambda: [fcl_hit(manager, o) for _, o in probes], 5) / len(probes)
        report(f"Collider(1000).collides({kind.capitalize()})", t_ours, t_fcl,
               f"({hits}/{len(probes)} hits, {agree} agree)")


def pairs_of_colliders(spread):
    scenes = [(scene(100, spread), scene(100, spread)) for _ in range(20)]
    ours = [a[0].collides_other(b[0]) for a, b in scenes]

    def fcl_pair(a, b):
        data = fcl.CollisionData(request=fcl.CollisionRequest())
        a[1].collide(b[1], data, fcl.defaultCollisionCallback)
        return data.result.is_collision

    theirs = [fcl_pair(a, b) for a, b in scenes]
    assert ours == theirs, (ours, theirs)
    t_ours = best(lambda: [a[0].collides_other(b[0]) for a, b in scenes], 20) / len(scenes)
    t_fcl = best(lambda: [fcl_pair(a, b) for a, b in scenes], 20) / len(scenes)
    report(f"collides_other(100 vs 100), spread {spread:g}", t_ours, t_fcl, f"({sum(ours)}/{len(scenes)} hit)")
    # Far apart: the bounds reject at once.
    far = [(a, (b[0].translated((100, 0, 0)), b[1])) for a, b in scenes[:1]]
    assert not far[0][0][0].collides_other(far[0][1][0])


def building():
    pairs = [shape_pair(RNG.choice(["sphere", "capsule", "box"]), 50.0) for _ in range(10_000)]
    shapes, objects = [p for p, _ in pairs], [o for _, o in pairs]

    def ours():
        c = q.Collider()
        for s in shapes:
            c.add(s)
        return c

    def theirs():
        m = fcl.DynamicAABBTreeCollisionManager()
        m.registerObjects(objects)
        m.setup()
        return m

    t_ours, t_fcl = best(ours, 1, 3), best(theirs, 1, 3)
    report("build 10^4 (add / registerObjects+setup)", t_ours, t_fcl)


if __name__ == "__main__":
    queries()
    pairs_of_colliders(12.0)  # crowded: most pairs of colliders touch
    pairs_of_colliders(40.0)  # sparse: most pairs are apart and every item is visited
    building()

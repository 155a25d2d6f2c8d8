"""A point cloud whose state is past 4 GiB, copied and pickled: the state must read back whole.

    ulimit -v 24000000; .venv/bin/python bench/large_state_round_trip.py [points]   (default 2600000)

Needs about 12 GB of memory: not part of the test suite. The cloud is `points` uniform points in a
10 m cube, point radius 0.01 (`from_numpy` picks the range), alone and held by a collider. Each step
prints its time and its peak memory above the process's size before it; each copy must write the
same state (compared by SHA-256) and give the same answers to 20,000 random spheres as the original.
"""
import copy
import gc
import hashlib
import pickle
import sys
import time

import numpy as np

import quorixpy as q


def rss(field):
    return next(int(line.split()[1]) * 1024 for line in open("/proc/self/status") if line.startswith(field))


def step(name, run):
    gc.collect()
    open("/proc/self/clear_refs", "w").write("5")  # restart the peak from here
    before = rss("VmRSS")
    t = time.perf_counter()
    out = run()
    seconds = time.perf_counter() - t
    print(f"{name:<34}{seconds:>8.2f} s  peak +{(rss('VmHWM') - before) / 1e9:.2f} GB", flush=True)
    return out


def digest(value):
    state = value.__getnewargs_ex__()[1]["__pickle_state__"]
    return len(state), hashlib.sha256(state).hexdigest()


def answers(value, spheres):
    return [value.collides(s) for s in spheres]


def check(name, again, spheres, expected_digest, expected_answers):
    assert digest(again) == expected_digest, f"{name}: the copy writes another state"
    assert answers(again, spheres) == expected_answers, f"{name}: the copy answers otherwise"
    print(f"{name}: same state, same answers")


def main():
    n = int(sys.argv[1]) if len(sys.argv) > 1 else 2_600_000
    points = np.random.default_rng(1).uniform(0, 10, (n, 3))
    cloud = step("build", lambda: q.Pointcloud.from_numpy(points, 0.01))
    del points
    rng = np.random.default_rng(2)
    spheres = [q.Sphere(tuple(rng.uniform(-0.5, 10.5, 3)), float(rng.uniform(0.0, 0.02))) for _ in range(20_000)]
    size, sha = step("encode (state, SHA-256)", lambda: digest(cloud))
    print(f"state: {size / 1e9:.2f} GB ({size / 2**30:.2f} GiB)")
    expected = answers(cloud, spheres)
    print(f"{sum(expected)} of {len(spheres)} spheres touch the cloud")

    again = step("copy.copy(cloud)", lambda: copy.copy(cloud))
    check("copy.copy", again, spheres, (size, sha), expected)
    del again
    pickled = step("pickle.dumps(cloud)", lambda: pickle.dumps(cloud, protocol=5))
    again = step("pickle.loads", lambda: pickle.loads(pickled))
    del pickled
    check("pickle", again, spheres, (size, sha), expected)
    del again

    held = q.Collider()
    held.add(cloud)
    del cloud
    held_digest = digest(held)
    again = step("copy.copy(collider)", lambda: copy.copy(held))
    check("collider copy", again, spheres, held_digest, expected)


if __name__ == "__main__":
    main()

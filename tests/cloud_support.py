"""Point clouds for the collision tests: the class's own constructor where it builds from points,
otherwise a stored form written here, with a point tree whose every leaf holds every point (exact
for any query, and small enough for the clouds of these tests)."""
import math
import pickle

import numpy as np

from quorixpy import Pointcloud


def _state(points, point_radius, r_range):
    pts = np.asarray(points, dtype=np.float32).reshape(-1, 3)
    n = len(pts)
    leaves = 1 if n < 2 else 1 << (n - 1).bit_length()
    run = -(-n // 8) * 8
    planes = [[float(v) for v in pts[:, a]] + [math.inf] * (run - n) for a in range(3)]
    box = {"lo": [float(v) for v in pts.min(0)], "hi": [float(v) for v in pts.max(0)]} if n else \
        {"lo": [math.inf] * 3, "hi": [-math.inf] * 3}
    stride = -(-n // 16) * 16
    pad = [0.0] * (stride - n)
    tree = {"tests": [0.0] * (leaves - 1), "aabbs": [box] * leaves, "starts": [run * i for i in range(leaves + 1)],
            "afforded": [p * leaves for p in planes], "r_point": point_radius, "lanes_log2": 3}
    spheres = {"x": planes[0][:n] + pad, "y": planes[1][:n] + pad, "z": planes[2][:n] + pad,
               "r": [point_radius] * n + [math.nan] * (stride - n), "len": n}
    return pickle.dumps({"tree": tree, "spheres": spheres, "point_radius": point_radius,
                         "r_range": tuple(r_range), "inverse_transform": None}, protocol=3)


def cloud(points, point_radius=0.0, r_range=(0.0, 1e4)):
    """A cloud of the points (float32 after narrowing) with this point radius."""
    try:
        return Pointcloud([tuple(map(float, p)) for p in points], r_range, point_radius)
    except ValueError as e:  # a class that builds only from a state
        if "requires points" not in str(e):
            raise
    return Pointcloud(__pickle_state__=_state(points, float(np.float32(point_radius)), r_range))

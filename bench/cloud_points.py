"""Point clouds of the kinds a robot's sensors see, as (N, 3) arrays, for the Python benchmarks:
"sheet" a 2 x 2 m square 1 to 3 m away, "room" the walls of a 4 x 4 x 3 m room, "cube" a filled
1 m cube. The same generator state gives the same points."""
import numpy as np


def scene(name, n, rng):
    if name == "sheet":
        u, v = rng.uniform(-1, 1, n), rng.uniform(-1, 1, n)
        return np.stack([u, v, 2.0 + 0.5 * u], axis=1)
    if name == "room":
        wall = rng.integers(0, 4, n)
        s, h = rng.uniform(-2, 2, n), rng.uniform(0, 3, n)
        x = np.where(wall == 0, -2.0, np.where(wall == 1, 2.0, s))
        y = np.where(wall == 2, -2.0, np.where(wall == 3, 2.0, s))
        return np.stack([x, y, h], axis=1)
    return rng.uniform(-0.5, 0.5, (n, 3))

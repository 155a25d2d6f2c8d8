"""Single-precision reference formulas for the shape transforms, and a shape's stored fields."""
import math
import pickle

import numpy as np

f32 = np.float32
# A unit quaternion and the columns of its rotation matrix, computed in single precision.
QUAT = (0.1, -0.7, 0.2, math.sqrt(1 - 0.54))


def stored(shape):
    """The stored form of a shape (every field, derived ones included) as plain Python values."""
    return pickle.loads(shape.__getnewargs_ex__()[1]["__pickle_state__"])


def state_of(fields):
    return pickle.dumps(fields, protocol=3)


def dot(a, b):
    return (a[0] * b[0] + a[1] * b[1]) + a[2] * b[2]


def rotate(q, v):
    """v' = (v (w w - b.b) + b (2 b.v)) + (b x v)(2 w) with b = (x, y, z)."""
    x, y, z, w = (f32(c) for c in q)
    b, v = np.array([x, y, z], f32), np.array(v, f32)
    return (v * (w * w - dot(b, b)) + b * (f32(2) * dot(b, v))) + np.cross(b, v) * (f32(2) * w)


COLS = [tuple(map(float, rotate(QUAT, e))) for e in np.eye(3)]


def mat_mul(cols, v):
    """(x_axis v.x + y_axis v.y) + z_axis v.z."""
    c, v = [np.array(col, f32) for col in cols], np.array(v, f32)
    return (c[0] * v[0] + c[1] * v[1]) + c[2] * v[2]


def floats(v):
    return tuple(float(c) for c in v)

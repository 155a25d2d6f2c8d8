"""Helpers shared by the shape-class tests: 32-bit arithmetic and the expected pickle states."""
import struct

import numpy as np

f32 = np.float32


def v32(*xs):
    """A float32 vector."""
    return np.array(xs, dtype=np.float32)


def widened(values):
    """float32 values as the Python floats a getter hands back."""
    return [float(x) for x in values]


def state(obj):
    return obj.__getnewargs_ex__()[1]["__pickle_state__"]


def key(name):
    return b"X" + struct.pack("<I", len(name)) + name.encode()


def flt(x):
    return b"G" + struct.pack(">d", float(x))


def vec(xs):
    return b"(" + b"".join(flt(x) for x in xs) + b"t"


def flag(b):
    return b"\x88" if b else b"\x89"


def record(*fields):
    """Protocol-3 state of a dict of (name, encoded value) pairs."""
    return b"\x80\x03}(" + b"".join(key(n) + v for n, v in fields) + b"u."


def quat_rotate(q, v):
    """A vector turned by a float32 quaternion (x, y, z, w), used as given."""
    b, w = q[:3], q[3]
    cross = v32(b[1] * v[2] - v[1] * b[2], b[2] * v[0] - v[2] * b[0], b[0] * v[1] - v[0] * b[1])
    bb, bv = (b[0] * b[0] + b[1] * b[1]) + b[2] * b[2], (b[0] * v[0] + b[1] * v[1]) + b[2] * v[2]
    return (v * (w * w - bb) + b * (f32(2) * bv)) + cross * (f32(2) * w)


def mat_apply(cols, v):
    """Columns times a vector, summed x, y then z."""
    return (cols[0] * v[0] + cols[1] * v[1]) + cols[2] * v[2]


class CallsBack:
    """A duck-typed sphere whose `center` calls back into the container it is handed to, recording
    the borrow error that call raised."""

    def __init__(self, container, call):
        self.container, self.call, self.seen = container, call, None

    @property
    def center(self):
        try:
            self.call(self.container)
        except RuntimeError as e:
            self.seen = str(e)
        return (0.0, 0.0, 0.0)

    radius = 1.0

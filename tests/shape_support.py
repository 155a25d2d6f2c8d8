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

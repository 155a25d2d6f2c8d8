"""Helpers shared by the tests of the algebra classes."""
import math
import struct

from quorixpy import Affine3, Mat3, Mat4, Quat


def components(obj):
    """The stored floats of an algebra value in storage order."""
    if isinstance(obj, (Mat3, Mat4, Affine3)):
        return obj.to_cols_array()
    if isinstance(obj, Quat):
        return obj.to_array()
    return list(obj)


def bits(obj):
    """Bit patterns of the stored floats: compares -0.0 and NaN payloads exactly."""
    values = components(obj) if not isinstance(obj, (tuple, list)) else obj
    return struct.pack(f"<{len(values)}d", *values)


def state(obj):
    return obj.__getnewargs_ex__()[1]["__pickle_state__"]


def float_state(values):
    """The protocol-3 pickle of a tuple of floats."""
    return b"\x80\x03(" + b"".join(b"G" + struct.pack(">d", v) for v in values) + b"t."


class Cols:
    """A foreign matrix: only its to_cols_array_2d, returning whatever it was given."""

    def __init__(self, cols):
        self.cols = cols

    def to_cols_array_2d(self):
        return self.cols


def same_values(got, expected):
    """Equal value by value with zeros' signs; any NaN matches any NaN."""
    got = list(got) if isinstance(got, (tuple, list)) else components(got)
    expected = list(expected)
    return len(got) == len(expected) and all(
        (math.isnan(a) and math.isnan(b)) or (a == b and math.copysign(1, a) == math.copysign(1, b))
        for a, b in zip(got, expected))


def key(c):
    """Bits of a float, with every NaN alike (NaN signs of plain arithmetic are not fixed)."""
    return "nan" if math.isnan(c) else struct.pack("<d", c)


def check(got, cls, expected):
    """`got` is of class `cls` and holds `expected` bit for bit, any NaN matching any NaN."""
    assert type(got) is cls, type(got)
    assert [key(c) for c in got] == [key(c) for c in expected], (list(got), list(expected))


def fdiv(a, b):
    """IEEE division (Python raises on a zero divisor)."""
    if b != 0 or math.isnan(b):
        return a / b
    if math.isnan(a) or a == 0:
        return math.nan
    return math.copysign(math.inf, a) * math.copysign(1.0, b)

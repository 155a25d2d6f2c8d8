"""The JSON number text (to_json) and the debug number text (inside repr of Affine3), checked on
random doubles of every magnitude against the rules written out here from Python's own shortest
round-trip digits."""
import math
import random
import struct

import pytest

from quorixpy import Affine3, Vec3


def shortest(x):
    """(digits, e): the shortest round-trip digits of |x| and the power of ten of the first one."""
    mantissa, _, exponent = repr(abs(x)).partition("e")
    whole, _, fraction = mantissa.partition(".")
    run = whole + fraction.rstrip("0")
    digits = run.lstrip("0")
    return digits.rstrip("0"), int(exponent or 0) + len(whole) - 1 - (len(run) - len(digits))


def positional(digits, e):
    if e >= 0:
        return digits[:e + 1].ljust(e + 1, "0") + "." + (digits[e + 1:] or "0")
    return "0." + "0" * (-e - 1) + digits


def scientific(digits, e, plus):
    head = digits[0] + ("." + digits[1:] if len(digits) > 1 else "")
    return head + "e" + ("-" if e < 0 else plus) + str(abs(e))


def json_text(x):
    if not math.isfinite(x):
        return "null"
    sign = "-" if math.copysign(1.0, x) < 0 else ""
    if x == 0:
        return sign + "0.0"
    digits, e = shortest(x)
    return sign + (positional(digits, e) if -5 <= e <= 15 else scientific(digits, e, "+"))


def debug_text(x):
    if math.isnan(x):
        return "NaN"
    if math.isinf(x):
        return "inf" if x > 0 else "-inf"
    sign = "-" if math.copysign(1.0, x) < 0 else ""
    if x == 0:
        return sign + "0.0"
    digits, e = shortest(x)
    return sign + (positional(digits, e) if 1e-4 <= abs(x) < 1e16 else scientific(digits, e, ""))


def samples(seed, count=4000):
    r = random.Random(seed)
    for i in range(count):
        if i % 2:
            yield struct.unpack("<d", struct.pack("<Q", r.getrandbits(64)))[0]
        else:
            x = r.choice([1, -1]) * r.uniform(1, 10) * 10.0 ** r.randint(-9, 19)
            yield float(round(x)) if i % 6 == 0 else x


EDGES = [0.0, -0.0, 1e-5, 1e-6, 9.999999999999999e-06, 1e-4, 9.999999999999999e-05, 1e15, 1e16,
         9999999999999998.0, 5e-324, 1.7976931348623157e308, 0.1, 100.0, float("inf"), float("nan")]


@pytest.mark.parametrize("seed", range(3))
def test_json_number_text(seed):
    for x in [*EDGES, *samples(seed)]:
        assert Vec3(x, 0, 0).to_json().split(",")[0][1:] == json_text(x), repr(x)


@pytest.mark.parametrize("seed", range(3))
def test_debug_number_text(seed):
    for x in [*EDGES, *samples(seed + 10)]:
        text = repr(Affine3.from_translation((x, 0, 0)))
        assert text.split("translation=DVec3(")[1].split(",")[0] == debug_text(x), repr(x)

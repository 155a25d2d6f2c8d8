"""Plane: construction, stored form, transforms and sweep, bit for bit."""
import copy
import math
import pickle
import struct

import numpy as np
import pytest
from algebra_support import state

from quorixpy import Affine3, Line, Mat3, Plane, Quat, Shape, Vec3

f = np.float32


def stored(shape):
    return pickle.loads(state(shape))


@pytest.mark.parametrize("make, error, text", [
    (lambda: Plane(), ValueError, "Plane requires normal argument"),
    (lambda: Plane(None, 1.0), ValueError, "Plane requires normal argument"),
    (lambda: Plane(d=1.0), ValueError, "Plane requires normal argument"),
    (lambda: Plane((0, 0, 1), None), TypeError, "argument 'd': "),
    (lambda: Plane((0, 0, 1), "x", __pickle_state__=state(Plane((0, 0, 1)))), TypeError, "argument 'd': "),
    (lambda: Plane(__pickle_state__=state(Plane((0, 0, 1))) + b"."), ValueError, "pickle decode failed: "),
    (lambda: Plane(__pickle_state__=state(Line((0, 0, 0), (1, 0, 0)))), ValueError, "pickle decode failed: .*`normal`"),
    (lambda: Plane((0, 0, 1)).abs_diff_eq(Line((0, 0, 0), (1, 0, 0)), 1.0), TypeError,
     "argument 'rhs': 'Line' object is not an instance of 'Plane'$"),
])
def test_refused_calls(make, error, text):
    with pytest.raises(error, match="^" + text):
        make()


@pytest.mark.parametrize("plane, normal, d, text", [
    (Plane((0, 0, 1)), (0, 0, 1), 0.0, "Plane(normal: [0, 0, 1], d: 0)"),
    (Plane(Vec3(0, 0, 2), 2.5), (0, 0, 2), 2.5, "Plane(normal: [0, 0, 2], d: 2.5)"),
    (Plane([0.1, -0.0, math.inf], -1e39), (0.10000000149011612, -0.0, math.inf), -math.inf,
     "Plane(normal: [0.1, -0, inf], d: -inf)"),
    (Plane.from_point_normal((1, 2, 3), (0, 0, 2)), (0, 0, 2), 6.0, "Plane(normal: [0, 0, 2], d: 6)"),
])
def test_fields_text_and_round_trips(plane, normal, d, text):
    assert (tuple(plane.normal), plane.d, repr(plane)) == (normal, d, text)
    assert plane.__dict__ == {"normal": plane.normal, "d": plane.d} and list(Plane.__dataclass_fields__) == ["normal", "d"]
    assert stored(pickle.loads(pickle.dumps(plane))) == stored(copy.deepcopy(plane)) == {"normal": normal, "d": d}


def test_state_bytes():
    head = b"\x80\x03}(X\x06\x00\x00\x00normal(" + b"".join(b"G" + struct.pack(">d", v) for v in (0, 0, 1))
    assert state(Plane((0, 0, 1), 2)) == head + b"tX\x01\x00\x00\x00dG" + struct.pack(">d", 2) + b"u."
    assert len(state(Plane((0, 0, 1), 2))) == 61


QUARTER_Z = Mat3.from_cols((0, 1, 0), (-1, 0, 0), (0, 0, 1))


@pytest.mark.parametrize("moved, normal, d", [
    (Plane((0, 0, 1), 2).translated((5, 5, 3)), (0, 0, 1), 5.0),
    (Plane((0, 0.1, 1), 2).translated((0, 0.3, 0)), (0, f(0.1), 1), f(2) + f(0.1) * f(0.3)),
    (Plane((0, 0, 1), 2).scaled(-1), (0, 0, 1), -2.0),
    (Plane((1, 0, 0), 2).rotated_mat(QUARTER_Z), (0, 1, 0), 2.0),
    (Plane((1, 0, 0), 2).rotated_quat(Quat(0, 0, 1, 0)), (-1, 0, 0), 2.0),
    (Plane((0, 0, 1), 2).transformed(Affine3.from_translation((0, 0, 3))), (0, 0, 1), 5.0),
    (Plane((1, 0, 0), 2).transformed(Affine3.from_mat3_translation(QUARTER_Z, (4, 1, 0))), (0, 1, 0), 3.0),
])
def test_transforms(moved, normal, d):
    assert type(moved) is Plane and (tuple(moved.normal), moved.d) == (normal, d)


@pytest.mark.parametrize("plane, t, d", [
    (Plane((0, 0, 1), 2), (0, 0, 1), 3.0),
    (Plane((0, 0, 1), 2), (0, 0, -1), 2.0),
    (Plane((0, 0, 1), 2), (1, 0, 0), 2.0),
    (Plane((0, 0, 1), 2), (0, 0, math.nan), 2.0),
    (Plane((-1, -1, -1), -0.0), (0, 0, 0), 0.0),
])
def test_stretch(plane, t, d):
    [swept] = plane.stretch(t)
    assert type(swept) is Shape.Plane and swept._0.normal == plane.normal
    assert math.copysign(1, swept._0.d) == math.copysign(1, d) and swept._0.d == d

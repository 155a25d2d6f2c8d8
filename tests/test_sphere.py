"""Sphere: construction, getters, text form, state bytes, sweep, and the uniform members shown on it."""
import copy
import pickle
import struct

import pytest

from quorixpy import Affine3, Cuboid, Mat3, Quat, Shape, Sphere, Vec3


def state(obj):
    return obj.__getnewargs_ex__()[1]["__pickle_state__"]


def sphere_state(c, r):
    f = lambda v: b"G" + struct.pack(">d", v)
    return (b"\x80\x03}(X\x06\x00\x00\x00center(" + b"".join(f(v) for v in c) + b"tX\x06\x00\x00\x00radius"
            + f(r) + b"u.")


def test_state_bytes_are_the_stored_record():
    s = Sphere((0.1, 2, 3), 1.5)
    assert state(s) == sphere_state((0.10000000149011612, 2, 3), 1.5)
    assert len(state(s)) == 66
    assert s.__getnewargs_ex__()[0] == ()


@pytest.mark.parametrize("args, kwargs, text", [
    (((1, 2, 3),), {}, "Sphere(center: [1, 2, 3], radius: 0)"),
    (((0, 0, 0), 1.5), {}, "Sphere(center: [0, 0, 0], radius: 1.5)"),
    ((), {"center": Vec3(0.1, -0.0, 1e20), "radius": float("nan")},
     "Sphere(center: [0.1, -0, 100000000000000000000], radius: NaN)"),
    (((1, 1, 1), 1e39), {}, "Sphere(center: [1, 1, 1], radius: inf)"),
])
def test_construction_and_text(args, kwargs, text):
    assert repr(Sphere(*args, **kwargs)) == text


def test_getters_widen_the_stored_floats():
    s = Sphere((0.1, 0, 0), 0.1)
    assert s.center == Vec3(0.10000000149011612, 0, 0)
    assert s.radius == 0.10000000149011612
    assert s.__dict__ == {"center": s.center, "radius": s.radius}
    assert s.__dict__ is not s.__dict__


@pytest.mark.parametrize("call, exc, text", [
    (lambda: Sphere(), ValueError, "Sphere requires center argument"),
    (lambda: Sphere(None), ValueError, "Sphere requires center argument"),
    (lambda: Sphere(radius=2.0), ValueError, "Sphere requires center argument"),
    (lambda: Sphere((0, 0, 0), None), TypeError, "argument 'radius': must be real number, not NoneType"),
    (lambda: Sphere((0, 0)), AttributeError, "'tuple' object has no attribute 'x'"),
    (lambda: Sphere("abc"), AttributeError, "'str' object has no attribute 'x'"),
    (lambda: Sphere((0, 0, 0), 1, __pickle_state__="x"),
     TypeError, "argument '__pickle_state__': Can't extract `str` to `Vec`"),
    (lambda: Sphere((0, 0, 0), 1, __pickle_state__=sphere_state((0, 0, 0), 1) + b"\x00"),
     ValueError, "pickle decode failed: "),
    (lambda: Sphere(__pickle_state__=b"\x80\x03}."), ValueError, "pickle decode failed: decoding error: missing field `center`"),
    (lambda: Sphere(__pickle_state__=b"\x80\x03]."), ValueError,
     "pickle decode failed: decoding error: invalid length 0, expected struct Sphere with 2 elements"),
])
def test_construction_errors(call, exc, text):
    with pytest.raises(exc) as info:
        call()
    assert str(info.value).startswith(text)


def test_state_replaces_the_arguments_after_they_are_converted():
    s = Sphere((5, 5, 5), 9, __pickle_state__=sphere_state((1, 2, 3), 4))
    assert repr(s) == "Sphere(center: [1, 2, 3], radius: 4)"
    with pytest.raises(TypeError, match="^argument 'radius'"):
        Sphere((0, 0, 0), "r", __pickle_state__=sphere_state((1, 2, 3), 4))


def test_round_trips():
    s = Sphere((1, -2, 3.25), 0.5)
    for other in (pickle.loads(pickle.dumps(s)), copy.copy(s), copy.deepcopy(s), Sphere(**s.__getnewargs_ex__()[1]),
                  Sphere(__pickle_state__=bytearray(state(s))), Sphere(__pickle_state__=list(state(s)))):
        assert type(other) is Sphere and other is not s
        assert state(other) == state(s)


# ---- the uniform members, shown on the sphere ----

@pytest.mark.parametrize("method, args, text", [
    ("scaled", (2,), "Sphere(center: [1, 2, 3], radius: 1)"),
    ("scaled", (-1,), "Sphere(center: [1, 2, 3], radius: -0.5)"),
    ("scaled", (1e39,), "Sphere(center: [1, 2, 3], radius: inf)"),
    ("translated", ((1, 1, 1),), "Sphere(center: [2, 3, 4], radius: 0.5)"),
    ("translated", (Vec3(0.1, 0, 0),), "Sphere(center: [1.1, 2, 3], radius: 0.5)"),
    ("rotated_mat", (Mat3.from_rotation_z(3.141592653589793),),
     "Sphere(center: [-1, -2, 3], radius: 0.5)"),
    ("rotated_quat", (Quat(0, 0, 1, 0),), "Sphere(center: [-1, -2, 3], radius: 0.5)"),
    ("rotated_quat", ((0, 0, 0, 2),), "Sphere(center: [4, 8, 12], radius: 0.5)"),
    ("transformed", (Affine3.from_scale((3, 3, 3)),), "Sphere(center: [3, 6, 9], radius: 0.5)"),
])
def test_transforms(method, args, text):
    s = Sphere((1, 2, 3), 0.5)
    assert repr(getattr(s, method)(*args)) == text
    assert repr(s) == "Sphere(center: [1, 2, 3], radius: 0.5)"


def test_bounds():
    s = Sphere((1, 2, 3), 0.5)
    assert repr(s.broadphase()) == repr(s) and s.broadphase() is not s
    for box in (s.obb(), s.aabb()):
        assert type(box) is Cuboid
        assert pickle.loads(state(box)) == {"center": (1, 2, 3), "axes": ((1, 0, 0), (0, 1, 0), (0, 0, 1)),
                                            "half_extents": (0.5, 0.5, 0.5), "axis_aligned": True}


@pytest.mark.parametrize("rhs, eps, expected", [
    (Sphere((1, 2, 3), 0.5), 0.0, True),
    (Sphere((1, 2, 3.25), 0.5), 0.25, True),
    (Sphere((1, 2, 3.25), 0.5), 0.2, False),
    (Sphere((1, 2, 3), 0.5 + 1e-9), 1e-50, True),  # both narrow to the same floats; 1e-50 narrows to 0
    (type("Duck", (), {"center": (1, 2, 3), "radius": 0.5})(), 0.0, True),
])
def test_abs_diff_eq(rhs, eps, expected):
    assert Sphere((1, 2, 3), 0.5).abs_diff_eq(rhs, eps) is expected


def test_abs_diff_eq_nan_and_argument_errors():
    nan = Sphere((0, 0, 0), float("nan"))
    assert nan.abs_diff_eq(nan, 1.0) is False
    with pytest.raises(AttributeError, match="'int' object has no attribute 'center'"):
        nan.abs_diff_eq(42, None)
    with pytest.raises(TypeError, match="^argument 'max_abs_diff'"):
        nan.abs_diff_eq(nan, None)
    with pytest.raises(TypeError, match="^argument 'factor'"):
        nan.scaled(None)
    with pytest.raises(TypeError, match=r"^descriptor 'scaled' for 'Sphere' objects doesn't apply to a 'int' object$"):
        Sphere.scaled(42, 2.0)


def test_dataclass_members():
    assert Sphere.__dataclass_fields__ is Sphere.__dataclass_fields__
    assert list(Sphere.__dataclass_fields__) == ["center", "radius"]


# ---- stretch ----

@pytest.mark.parametrize("t", [(0, 0, 0), (1e20, 0, 0), (1e-30, 0, 0)])
def test_stretch_without_a_usable_direction_keeps_the_sphere(t):
    (member,) = Sphere((0, 0, 0), 1.0).stretch(t)
    assert type(member) is Shape.Sphere
    assert repr(member[0]) == "Sphere(center: [0, 0, 0], radius: 1)"


def test_stretch_sweeps_into_a_capsule():
    (member,) = Sphere((1, 2, 3), 0.5).stretch((0, 0, 2))
    assert type(member) is Shape.Capsule
    assert pickle.loads(state(member._0)) == {"p1": (1, 2, 3), "dir": (0, 0, 2), "radius": 0.5, "rdv": 0.25,
                                              "z_aligned": True}

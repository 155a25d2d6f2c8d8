"""SphereCollection: building, growing, indexing, the sphere test, comparison, pickling and borrows."""
import copy
import math
import pickle
import struct

import pytest

from quorixpy import Sphere, SphereCollection

from shape_support import CallsBack, flt, key, state


def balls(n, x0=0.0):
    return [Sphere((x0 + 3.0 * i, 0, 0), 1.0) for i in range(n)]


def planes_of(sc):
    """The decoded stored planes and count."""
    d = pickle.loads(state(sc))
    return d["x"], d["r"], d["len"]


def test_empty_forms_and_text():
    for sc in (SphereCollection(), SphereCollection.with_capacity(100), SphereCollection.from_slice([])):
        assert (sc.len(), len(sc), sc.is_empty(), repr(sc)) == (0, 0, True, "SphereCollection(len=0)")
        assert not sc.any_collides_sphere(Sphere((0, 0, 0), 1e30))
        assert planes_of(sc) == ([], [], 0)
    assert SphereCollection.__text_signature__ == "(*, __pickle_state__=None)"
    assert SphereCollection.push.__text_signature__ == "($self, sphere)"
    assert SphereCollection().__dict__ == {} and SphereCollection.__dataclass_fields__ == {}


def test_growth_by_sixteen_lanes_and_nan_padding():
    sc = SphereCollection()
    for s in balls(16):
        sc.push(s)
    assert len(planes_of(sc)[0]) == 16
    sc.push(Sphere((0.1, 0, 0), 0.5))
    x, r, n = planes_of(sc)
    assert (len(x), n, x[16], r[16]) == (32, 17, 0.10000000149011612, 0.5)
    assert all(math.isnan(v) for v in r[17:]) and x[17:] == [0.0] * 15
    x, r, n = planes_of(SphereCollection.from_slice(balls(17)))
    assert (len(x), n) == (32, 17) and all(math.isnan(v) for v in r[17:])


def test_indexing():
    sc = SphereCollection.from_slice(balls(3))
    assert repr(sc[-1]) == "Sphere(center: [6, 0, 0], radius: 1)"
    assert repr(sc.get(0)) == repr(sc[0]) == repr(sc[-3])
    for bad in (lambda: sc[3], lambda: sc[-4], lambda: sc.get(3)):
        with pytest.raises(IndexError, match="^SphereCollection index out of range$"):
            bad()
    with pytest.raises(OverflowError):
        sc.get(-1)
    with pytest.raises(TypeError):
        sc[0:1]
    sc.clear()
    with pytest.raises(IndexError):
        sc.get(0)  # a padding lane exists, but the count is 0


def test_clear_keeps_stride_and_centres_through_pickle():
    sc = SphereCollection.from_slice(balls(2, x0=5.0))
    sc.clear()
    assert len(sc) == 0 and not sc.any_collides_sphere(Sphere((5, 0, 0), 10))
    back = pickle.loads(pickle.dumps(sc))
    x, r, n = planes_of(back)
    assert (x[:2], n, len(x)) == ([5.0, 8.0], 0, 16) and all(math.isnan(v) for v in r)
    sc.push(Sphere((1, 1, 1), 1))
    assert repr(sc[0]) == "Sphere(center: [1, 1, 1], radius: 1)"


class DuckBall:
    center = (0.0, 0.0, 2.0)
    radius = 1.0


def test_sphere_test_and_argument_forms():
    sc = SphereCollection.from_slice(balls(20))
    assert sc.any_collides_sphere(Sphere((57.0, 2.0, 0.0), 1.0))  # lane 19, touching at distance 2
    assert not sc.any_collides_sphere(Sphere((57.0, 2.0001, 0.0), 1.0))
    sc.push(DuckBall())
    assert sc.any_collides_sphere(Sphere((0, 0, 3.5), 0.5))
    with pytest.raises(TypeError, match="^argument 'sphere': 'DuckBall' object is not an instance of 'Sphere'$"):
        sc.any_collides_sphere(DuckBall())
    with pytest.raises(TypeError, match="^argument 'spheres': Can't extract `str` to `Vec`$"):
        SphereCollection.from_slice("ab")
    with pytest.raises(TypeError, match="^argument 'spheres': 'int' object is not an instance of 'Sequence'$"):
        SphereCollection.from_slice(3)
    with pytest.raises(AttributeError):
        SphereCollection.from_slice([Sphere((0, 0, 0), 1), 42])
    with pytest.raises(TypeError, match="^argument 'cap'"):
        SphereCollection.with_capacity(1.5)
    with pytest.raises(OverflowError):
        SphereCollection.with_capacity(-1)


@pytest.mark.parametrize("cap", [2**62, 2**64 - 1])
def test_huge_capacity_is_a_memory_error(cap):
    with pytest.raises(MemoryError):
        SphereCollection.with_capacity(cap)


def test_abs_diff_eq():
    a, b = SphereCollection.from_slice(balls(3)), SphereCollection.from_slice(balls(3))
    b.push(Sphere((0, 0, 0), 1))
    assert not a.abs_diff_eq(b, 1e30)  # counts differ
    b.clear()
    for s in balls(3):
        b.push(s)
    assert a.abs_diff_eq(b, 0.0) and a.abs_diff_eq(a, 0.0)  # strides differ, padding ignored
    c = SphereCollection.from_slice([Sphere((0.5, 0, 0), 1)] + balls(3)[1:])
    assert a.abs_diff_eq(c, 0.5) and not a.abs_diff_eq(c, 0.49)
    assert not SphereCollection.from_slice([Sphere((0, 0, 0), math.nan)]).abs_diff_eq(
        SphereCollection.from_slice([Sphere((0, 0, 0), math.nan)]), 1.0)
    with pytest.raises(TypeError, match="^argument 'rhs': 'list' object is not an instance of 'SphereCollection'$"):
        a.abs_diff_eq([], 1.0)


def test_round_trips():
    sc = SphereCollection.from_slice(balls(17))
    for back in (pickle.loads(pickle.dumps(sc)), copy.deepcopy(sc),
                 SphereCollection(__pickle_state__=bytearray(state(sc)))):
        assert back.abs_diff_eq(sc, 0.0) and planes_of(back)[0] == planes_of(sc)[0]
    with pytest.raises(TypeError, match="^argument '__pickle_state__': Can't extract `str` to `Vec`$"):
        SphereCollection(__pickle_state__="x")
    with pytest.raises(ValueError, match="^pickle decode failed: "):
        SphereCollection(__pickle_state__=state(sc) + b"\x00")


def sset(x, r, length, y=None, z=None):
    plane = lambda vs: b"](" + b"".join(flt(v) for v in vs) + b"e" if vs else b"]"
    return (b"\x80\x03}(" + key("x") + plane(x) + key("y") + plane(y if y is not None else x) + key("z")
            + plane(z if z is not None else x) + key("r") + plane(r) + key("len") + b"J" + struct.pack("<i", length)
            + b"u.")


NAN16 = [math.nan] * 16


@pytest.mark.parametrize("stored", [
    sset([0.0] * 16, NAN16, 0, y=[0.0] * 15),  # planes of unequal length
    sset([0.0] * 15, [math.nan] * 15, 0),  # not a multiple of 16
    sset([0.0] * 16, NAN16, 17),  # len beyond the planes
    sset([0.0] * 16, [1.0] * 16, 1),  # a live radius in a padding lane
    sset([0.0] * 16, NAN16, 2**31 - 1),  # huge len
    sset([], [], 1),
])
def test_damaged_states_are_refused(stored):
    with pytest.raises(ValueError, match="^pickle decode failed: "):
        SphereCollection(__pickle_state__=stored)
    assert len(SphereCollection(__pickle_state__=sset([0.0] * 16, [2.0] + NAN16[1:], 1))) == 1


@pytest.mark.parametrize("call, text", [
    (len, "Already mutably borrowed"),
    (lambda sc: sc.get(0), "Already mutably borrowed"),
    (repr, "Already mutably borrowed"),
    (lambda sc: sc.push(Sphere((0, 0, 0), 1)), "Already borrowed"),
    (lambda sc: sc.clear(), "Already borrowed"),
    (lambda sc: sc.abs_diff_eq(sc, 0.0), "Already mutably borrowed"),
])
def test_push_holds_the_collection_while_converting(call, text):
    sc = SphereCollection.from_slice(balls(1))
    duck = CallsBack(sc, call)
    sc.push(duck)
    assert duck.seen == text and len(sc) == 2

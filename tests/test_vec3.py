"""The Vec3 class: construction, operators, items, constants, list and NumPy forms, and the
vector-like argument rule."""
import math
import struct

import pytest

import quorixpy
from quorixpy import Vec3

np = pytest.importorskip("numpy")

INF = float("inf")


def bits(v):
    return struct.pack("<3d", *v)


def same(v, expected):
    """Bit-exact comparison of a Vec3 with a tuple."""
    return type(v) is Vec3 and bits(v) == struct.pack("<3d", *expected)


# ---- construction ----

@pytest.mark.parametrize("args, kwargs, expected", [
    ((), {}, (0, 0, 0)), ((1,), {}, (1, 0, 0)), ((), {"z": 5}, (0, 0, 5)), ((True, 2, 3), {}, (1, 2, 3)),
    ((1, 2), {"z": 3}, (1, 2, 3)), ((), {"y": -0.0}, (0, -0.0, 0)),
])
def test_constructor(args, kwargs, expected):
    assert same(Vec3(*args, **kwargs), expected)
    assert same(Vec3.__new__(Vec3, *args, **kwargs), expected)


def test_properties_are_read_only():
    v = Vec3(1, 2, 3)
    assert (v.x, v.y, v.z) == (1.0, 2.0, 3.0) and type(v.x) is float
    with pytest.raises(AttributeError):
        v.x = 5


@pytest.mark.parametrize("method, index", [("with_x", 0), ("with_y", 1), ("with_z", 2)])
def test_with_component(method, index):
    v = Vec3(1, 2, 3)
    expected = [1.0, 2.0, 3.0]
    expected[index] = 9.0
    assert same(getattr(v, method)(9), expected)
    assert same(v, (1, 2, 3))
    name = method[-1]
    with pytest.raises(TypeError, match=rf"^argument '{name}': must be real number, not str$"):
        getattr(v, method)("a")


def test_splat():
    assert same(Vec3.splat(2), (2, 2, 2))
    assert same(Vec3.splat(v=-0.0), (-0.0, -0.0, -0.0))


# ---- operators ----

@pytest.mark.parametrize("expr, expected", [
    ("Vec3(1, 2, 3) + (1, 1, 1)", (2, 3, 4)),
    ("(1, 1, 1) + Vec3(1, 2, 3)", (2, 3, 4)),
    ("[1, 1, 1] + Vec3(1, 2, 3)", (2, 3, 4)),
    ("Vec3(1, 2, 3) + 1", (2, 3, 4)),
    ("1 + Vec3(1, 2, 3)", (2, 3, 4)),
    ("Vec3(1, 2, 3) + Vec3(0.5, 0.5, 0.5)", (1.5, 2.5, 3.5)),
    ("Vec3(1, 2, 3) - (1, 1, 1)", (0, 1, 2)),
    ("(1, 1, 1) - Vec3(1, 2, 3)", (0, -1, -2)),
    ("1 - Vec3(1, 2, 3)", (0, -1, -2)),
    ("Vec3(1, 2, 3) - 1", (0, 1, 2)),
    ("Vec3(1, 2, 3) * (2, 3, 4)", (2, 6, 12)),
    ("2 * Vec3(1, 2, 3)", (2, 4, 6)),
    ("Vec3(1, 2, 3) * 2.5", (2.5, 5, 7.5)),
    ("Vec3(1, 2, 3) / (2, 4, 8)", (0.5, 0.5, 0.375)),
    ("1 / Vec3(1, 2, 0)", (1, 0.5, INF)),
    ("(1, 1, 1) / Vec3(1, 2, 4)", (1, 0.5, 0.25)),
    ("Vec3(1, 2, 3) / 0", (INF, INF, INF)),
    ("Vec3(-1, 2, 3) / -0.0", (INF, -INF, -INF)),
    ("Vec3(5, 7, -7) % 3", (2, 1, -1)),
    ("Vec3(5, 7, -7) % (3, -4, 5)", (2, 3, -2)),
    ("Vec3(5.5, -5.5, 1) % 2", (1.5, -1.5, 1)),
    ("-Vec3(1, -2, 0)", (-1, 2, -0.0)),
    ("-Vec3.ZERO", (-0.0, -0.0, -0.0)),
    ("+Vec3(1, -2, 0)", (1, -2, 0)),
    ("Vec3(1, 2, 3) + True", (2, 3, 4)),
    ("Vec3(0.1, 0, 0) + 0.2", (0.1 + 0.2, 0.2, 0.2)),
])
def test_operator_results(expr, expected):
    assert same(eval(expr), expected)


def test_remainder_by_zero_is_nan():
    r = Vec3(1, 2, 3) % 0
    assert all(math.isnan(c) for c in r)


def test_unary_plus_is_a_new_object():
    v = Vec3(1, 2, 3)
    assert +v is not v and +v == v


def test_in_place_operators_rebind():
    v = w = Vec3(1, 2, 3)
    v += 1
    assert same(v, (2, 3, 4)) and same(w, (1, 2, 3))


@pytest.mark.parametrize("expr, symbol", [
    ("Vec3(1, 2, 3) + 'abc'", "+"), ("Vec3(1, 2, 3) + (1, 2)", "+"), ("(1, 2) + Vec3(1, 2, 3)", "+"),
    ("Vec3(1, 2, 3) - None", "-"), ("None - Vec3(1, 2, 3)", "-"), ("Vec3(1, 2, 3) * {}", "*"),
    ("Vec3(1, 2, 3) / [1, 2, 3, 4]", "/"), ("'a' / Vec3(1, 2, 3)", "/"), ("Vec3(1, 2, 3) % 'x'", "%"),
])
def test_unusable_operand(expr, symbol):
    with pytest.raises(TypeError) as info:
        eval(expr)
    assert str(info.value) == f"unsupported operand type for {symbol}"


@pytest.mark.parametrize("expr", ["3 % Vec3(1, 2, 3)", "(1, 2, 3) % Vec3(1, 2, 3)", "Vec3() // 2",
                                  "Vec3() ** 2", "Vec3() @ Vec3()", "abs(Vec3())"])
def test_operations_not_offered(expr):
    with pytest.raises(TypeError) as info:
        eval(expr)
    assert not str(info.value).startswith("unsupported operand type for")


def test_operand_own_operator_is_not_consulted():
    class Other:
        def __radd__(self, o):
            return "other"

    with pytest.raises(TypeError, match=r"^unsupported operand type for \+$"):
        Vec3() + Other()


# ---- length and items ----

def test_items():
    v = Vec3(1, 2, 3)
    assert len(v) == 3
    assert [v[0], v[1], v[2], v[-1], v[-2], v[-3]] == [1, 2, 3, 3, 2, 1]
    assert list(v) == [1.0, 2.0, 3.0] and tuple(v) == (1.0, 2.0, 3.0)
    x, y, z = v
    assert (x, y, z) == (1, 2, 3)
    assert v[True] == 2.0 and v[np.int64(2)] == 3.0


@pytest.mark.parametrize("index", [3, -4, 100, -100])
def test_index_out_of_range(index):
    with pytest.raises(IndexError) as info:
        Vec3()[index]
    assert str(info.value) == "index out of range"


@pytest.mark.parametrize("index, text", [
    (1.0, "argument 'idx': 'float' object cannot be interpreted as an integer"),
    (slice(0, 2), "argument 'idx': 'slice' object cannot be interpreted as an integer"),
    ("0", "argument 'idx': 'str' object cannot be interpreted as an integer"),
])
def test_index_not_an_integer(index, text):
    with pytest.raises(TypeError) as info:
        Vec3()[index]
    assert str(info.value) == text


@pytest.mark.parametrize("index", [2 ** 63, -(2 ** 63) - 1, 2 ** 100])
def test_index_beyond_64_bits_overflows_unchanged(index):
    with pytest.raises(OverflowError) as info:
        Vec3()[index]
    assert type(info.value) is OverflowError and str(info.value) == "Python int too large to convert to C long"


def test_no_item_assignment():
    with pytest.raises(TypeError):
        Vec3()[0] = 1


# ---- constants and predicates ----

@pytest.mark.parametrize("name, expected", [
    ("ZERO", (0, 0, 0)), ("ONE", (1, 1, 1)), ("NEG_ONE", (-1, -1, -1)), ("X", (1, 0, 0)), ("Y", (0, 1, 0)),
    ("Z", (0, 0, 1)), ("NEG_X", (-1, 0, 0)), ("NEG_Y", (0, -1, 0)), ("NEG_Z", (0, 0, -1)),
    ("INFINITY", (INF, INF, INF)), ("NEG_INFINITY", (-INF, -INF, -INF)),
])
def test_constants(name, expected):
    assert same(getattr(Vec3, name), expected)


def test_nan_constant():
    assert bits(Vec3.NAN) == struct.pack("<Q", 0x7FF8000000000000) * 3
    assert Vec3.NAN.is_nan() and not Vec3.NAN.is_finite()
    assert Vec3.NAN != Vec3.NAN


@pytest.mark.parametrize("value, finite, nan", [
    ((1, 2, 3), True, False), ((INF, 0, 0), False, False), ((0, -INF, 0), False, False),
    ((0, 0, math.nan), False, True), ((5e-324, 1e308, -0.0), True, False),
])
def test_predicates(value, finite, nan):
    assert Vec3(*value).is_finite() is finite
    assert Vec3(*value).is_nan() is nan


# ---- list and array forms ----

def test_lists():
    v = Vec3(1, 2.5, -0.0)
    for out in (v.to_list(), v.to_array()):
        assert type(out) is list and out == [1.0, 2.5, -0.0] and all(type(c) is float for c in out)
    assert v.to_list() is not v.to_list()


def test_to_numpy():
    v = Vec3(1, 2.5, -0.0)
    for a in (v.to_numpy(), v.__array__(), np.asarray(v)):
        assert a.dtype == np.float64 and a.shape == (3,) and a.tolist() == [1.0, 2.5, -0.0]
    for a in (v.to_numpy(), v.__array__()):
        assert a.flags.owndata and a.flags.writeable and a.flags.c_contiguous
    assert v.to_numpy() is not v.to_numpy()
    a = v.to_numpy()
    a[0] = 7
    assert v.x == 1.0
    assert np.asarray(v, dtype=np.float32).dtype == np.float32
    assert np.array(v, copy=True).tolist() == [1.0, 2.5, -0.0]
    if np.lib.NumpyVersion(np.__version__) >= "2.0.0":  # NumPy 1 reads copy=False as "if needed"
        with pytest.raises(ValueError):
            np.array(v, copy=False)


class ItemsOnly:
    """Passes the interpreter's sequence check but has no length."""

    def __getitem__(self, i):
        return 1.0


class LengthFails(ItemsOnly):
    def __init__(self, exc):
        self.exc = exc

    def __len__(self):
        raise self.exc


@pytest.mark.parametrize("arg, expected", [
    ((1, 2, 3), (1, 2, 3)), ([1.5, 2, True], (1.5, 2, 1)), (Vec3(4, 5, 6), (4, 5, 6)), (b"\x01\x02\x03", (1, 2, 3)),
    (np.array([1, 2, 3]), (1, 2, 3)),
])
def test_from_array(arg, expected):
    assert same(Vec3.from_array(arg), expected)
    assert same(Vec3.from_array(a=arg), expected)


@pytest.mark.parametrize("arg, error, text", [
    ((1, 2, 3, 4), ValueError, "expected a sequence of length 3 (got 4)"),
    ([1, 2], ValueError, "expected a sequence of length 3 (got 2)"),
    (5, TypeError, "argument 'a': 'int' object is not an instance of 'Sequence'"),
    ({1: 1, 2: 2, 3: 3}, TypeError, "argument 'a': 'dict' object is not an instance of 'Sequence'"),
    ((1, "b", 3), TypeError, "argument 'a': must be real number, not str"),
    ("123", TypeError, "argument 'a': must be real number, not str"),
    (ItemsOnly(), TypeError, "argument 'a': object of type 'ItemsOnly' has no len()"),
    (LengthFails(ValueError("no length")), ValueError, "no length"),
    (LengthFails(TypeError("no length")), TypeError, "argument 'a': no length"),
])
def test_from_array_errors(arg, error, text):
    with pytest.raises(error) as info:
        Vec3.from_array(arg)
    assert type(info.value) is error and str(info.value) == text


@pytest.mark.parametrize("arg, expected", [
    ([1, 2, 3], (1, 2, 3)), (np.arange(3), (0, 1, 2)), (np.array([1.5, 2.5, 3.5]), (1.5, 2.5, 3.5)),
    (np.arange(6.0)[::2], (0, 2, 4)), (np.array([1, 2, 3], dtype=">f8"), (1, 2, 3)),
    (np.arange(9.0).reshape(3, 3)[:, 1], (1, 4, 7)), (np.arange(3.0)[::-1], (2, 1, 0)),
    (np.arange(12.0).reshape(3, 4)[::-1, 2], (10, 6, 2)), (np.array([True, False, True]), (1, 0, 1)),
    (np.frombuffer(struct.pack("<x3d", 1, 2, 3), dtype="<f8", offset=1), (1, 2, 3)),
    (np.array([1, 2, 3], dtype=np.float32), (1, 2, 3)), (Vec3(7, 8, 9), (7, 8, 9)),
])
def test_from_numpy(arg, expected):
    assert same(Vec3.from_numpy(arg), expected)
    assert same(Vec3.from_numpy(array=arg), expected)


@pytest.mark.parametrize("arg", [np.zeros(4), [1, 2], np.zeros((3, 1)), np.zeros((1, 3)), np.zeros((3, 3)), 5.0,
                                 np.zeros(0), [[1, 2, 3]], np.zeros((3, 3))[0:0]])
def test_from_numpy_wrong_shape(arg):
    with pytest.raises(ValueError) as info:
        Vec3.from_numpy(arg)
    assert str(info.value) == "Vec3.from_numpy expected shape (3,)"


def test_from_numpy_conversion_errors():
    with pytest.raises(TypeError, match=r"^argument 'array': "):
        Vec3.from_numpy({1: 2})
    with pytest.raises(ValueError):
        Vec3.from_numpy(["a", "b", "c"])


# ---- the vector-like argument rule ----

class XYZ:
    def __init__(self, x, y, z):
        self.x, self.y, self.z = x, y, z


class XY:
    x, y = 1.0, 2.0


class Seq4WithAttrs(list):
    """A four-item sequence that also carries x, y, z, like a Vec4."""
    x, y, z = 7.0, 8.0, 9.0


class LengthFailsWithAttrs(LengthFails):
    """The failing sequence step is discarded; the attributes decide."""
    x, y, z = 4.0, 5.0, 6.0

    def __init__(self):
        super().__init__(ValueError("no length"))


@pytest.mark.parametrize("arg, expected", [
    (Vec3(1, 2, 3), (1, 2, 3)), ((1, 2, 3), (1, 2, 3)), ([1, 2, 3], (1, 2, 3)), (np.array([1, 2, 3]), (1, 2, 3)),
    (XYZ(1, 2, 3), (1, 2, 3)), (XYZ(True, 2, np.float64(3)), (1, 2, 3)), (Seq4WithAttrs([0, 0, 0, 0]), (7, 8, 9)),
    (b"\x01\x02\x03", (1, 2, 3)), (LengthFailsWithAttrs(), (4, 5, 6)),
])
def test_vector_like_accepts(arg, expected):
    assert Vec3(0, 0, 0).abs_diff_eq(arg, 0.0) is (expected == (0, 0, 0))
    assert same(Vec3(0, 0, 0) + arg, expected)


@pytest.mark.parametrize("arg, error, text", [
    ([1, 2], AttributeError, "'list' object has no attribute 'x'"),
    ((1, 2, 3, 4), AttributeError, "'tuple' object has no attribute 'x'"),
    (XY(), AttributeError, "'XY' object has no attribute 'z'"),
    (XYZ(1, "a", 3), TypeError, "argument 'rhs': must be real number, not str"),
    (["a", "b", "c"], AttributeError, "'list' object has no attribute 'x'"),
])
def test_vector_like_errors(arg, error, text):
    with pytest.raises(error) as info:
        Vec3().abs_diff_eq(arg, 1.0)
    assert type(info.value) is error and str(info.value) == text


@pytest.mark.skipif(not hasattr(quorixpy, "Vec4"), reason="Vec4 not built yet")
def test_vec4_and_vec2_as_vector_like():
    assert same(Vec3() + quorixpy.Vec4(1, 2, 3, 4), (1, 2, 3))
    with pytest.raises(AttributeError, match=r"^'Vec2' object has no attribute 'z'$"):
        Vec3().abs_diff_eq(quorixpy.Vec2(1, 2), 1.0)

"""The protocol the three vector classes share, checked with each size's own numbers: constants,
text, items, pickle state, hash, dataclass view, list and NumPy forms."""
import copy
import dataclasses
import math
import pickle
import struct

import pytest

from algebra_support import bits, float_state
from quorixpy import Vec2, Vec3, Vec4

np = pytest.importorskip("numpy")

INF = float("inf")
CLASSES = [(Vec2, 2), (Vec3, 3), (Vec4, 4)]
FIELDS = "xyzw"


@pytest.mark.parametrize("cls, n", CLASSES)
def test_constants(cls, n):
    expected = {"ZERO": [0.0] * n, "ONE": [1.0] * n, "NEG_ONE": [-1.0] * n,
                "INFINITY": [INF] * n, "NEG_INFINITY": [-INF] * n}
    for i in range(n):
        axis = [0.0] * n
        axis[i] = 1.0
        expected[FIELDS[i].upper()] = axis
        expected["NEG_" + FIELDS[i].upper()] = [-c if c else 0.0 for c in axis]
    for name, value in expected.items():
        got = getattr(cls, name)
        assert type(got) is cls and bits(got) == bits(value), name
    assert bits(cls.NAN) == struct.pack("<Q", 0x7FF8000000000000) * n
    if n < 4:
        assert not hasattr(cls, "NEG_" + "XYZW"[n]) and not hasattr(cls, "XYZW"[n])


@pytest.mark.parametrize("cls, n", CLASSES)
def test_constructor_defaults_and_keywords(cls, n):
    assert bits(cls()) == bits([0.0] * n)
    assert bits(cls(1)) == bits([1.0] + [0.0] * (n - 1))
    last = FIELDS[n - 1]
    assert bits(cls(**{last: 5})) == bits([0.0] * (n - 1) + [5.0])
    with pytest.raises(TypeError) as info:
        cls(*range(n + 1))
    assert str(info.value) == f"{cls.__name__}.__new__() takes from 0 to {n} positional arguments but {n + 1} were given"
    with pytest.raises(TypeError, match=rf"^argument '{last}': must be real number, not str$"):
        cls(**{last: "a"})


@pytest.mark.parametrize("cls, n", CLASSES)
def test_text_forms(cls, n):
    values = [1, 2.5, -0.0, float("nan")][:n]
    text = ", ".join(["1", "2.5", "-0", "NaN"][:n])
    assert repr(cls(*values)) == f"{cls.__name__}({text})"
    assert str(cls(*values)) == f"[{text}]"


@pytest.mark.parametrize("cls, n", CLASSES)
def test_items(cls, n):
    v = cls(*range(1, n + 1))
    assert len(v) == n and list(v) == [float(i) for i in range(1, n + 1)]
    assert v[-1] == n and v[-n] == 1 and bool(cls()) is True
    for bad in (n, -n - 1):
        with pytest.raises(IndexError, match="^index out of range$"):
            v[bad]


@pytest.mark.parametrize("cls, n", CLASSES)
def test_state_bytes_and_round_trip(cls, n):
    values = [1.0, 2.0, 3.0, 4.0][:n]
    args, kwargs = cls(*values).__getnewargs_ex__()
    assert args == () and kwargs == {"__pickle_state__": float_state(values)} and len(float_state(values)) == 5 + 9 * n
    odd = [-0.0, struct.unpack("<d", struct.pack("<Q", 0xFFF0000000000123))[0], 5e-324, -INF][:n]
    for back in (pickle.loads(pickle.dumps(cls(*odd))), copy.deepcopy(cls(*odd)), cls(__pickle_state__=float_state(odd))):
        assert type(back) is cls and bits(back) == bits(odd)


@pytest.mark.parametrize("cls, n", CLASSES)
def test_state_decode_errors(cls, n):
    short = pickle.dumps(tuple(range(n - 1)), protocol=3)
    with pytest.raises(ValueError) as info:
        cls(__pickle_state__=short)
    assert str(info.value) == (f"pickle decode failed: decoding error: invalid length {n - 1}, "
                               f"expected a sequence of {n} f64 values")
    assert bits(cls(__pickle_state__=pickle.dumps(list(range(n + 2)), protocol=3))) == bits(range(n))


@pytest.mark.parametrize("cls, n", CLASSES)
def test_hash_is_siphash13_of_the_bits(cls, n, run_python):
    run_python(f"""
        import struct
        from quorixpy import {cls.__name__} as V
        for t in [(1, 2, 3, 4), (0, 0, 0, 0), (float("nan"), 1, 2, 3), (1e300, -5e-324, 7, 8)]:
            t = t[:{n}]
            assert hash(V(*t)) == hash(struct.pack("<{n}d", *t)), t
        assert hash(V(*[-0.0] * {n})) == hash(bytes(8 * {n}))
    """, env={"PYTHONHASHSEED": "0"})


@pytest.mark.parametrize("cls, n", CLASSES)
def test_dataclass_view(cls, n):
    v = cls(*range(n))
    names = list(FIELDS[:n])
    assert list(cls.__dataclass_fields__) == names
    assert [f.name for f in dataclasses.fields(v)] == names
    assert v.__dict__ == dict(zip(names, map(float, range(n)))) and v.__dict__ is not v.__dict__
    assert dataclasses.asdict(v) == v.__dict__


@pytest.mark.parametrize("cls, n", CLASSES)
def test_with_component_and_splat(cls, n):
    v = cls(*range(n))
    for i in range(n):
        expected = [float(c) for c in range(n)]
        expected[i] = -0.0
        assert bits(getattr(v, "with_" + FIELDS[i])(-0.0)) == bits(expected)
    if n < 4:
        assert not hasattr(v, "with_" + FIELDS[n])
    assert bits(cls.splat(2)) == bits([2.0] * n)


@pytest.mark.parametrize("cls, n", CLASSES)
def test_lists_and_arrays(cls, n):
    values = [1.5, -0.0, 3.0, INF][:n]
    v = cls(*values)
    assert v.to_list() == values and v.to_array() == values and type(v.to_list()[0]) is float
    for a in (v.to_numpy(), v.__array__(), np.asarray(v), v.__array__(dtype=None, copy=True)):
        assert a.dtype == np.float64 and a.shape == (n,) and bits(a.tolist()) == bits(values)
    assert v.__array__(np.float32).dtype == np.float32
    with pytest.raises(ValueError):
        v.__array__(copy=False)
    assert bits(cls.from_array(values)) == bits(values)
    assert bits(cls.from_numpy(np.array(values))) == bits(values)
    assert bits(cls.from_numpy(np.arange(2.0 * n)[::2])) == bits(np.arange(2.0 * n)[::2].tolist())


@pytest.mark.parametrize("cls, n", CLASSES)
def test_from_array_and_numpy_shape_errors(cls, n):
    with pytest.raises(ValueError) as info:
        cls.from_array([0.0] * (n + 1))
    assert str(info.value) == f"expected a sequence of length {n} (got {n + 1})"
    with pytest.raises(TypeError) as info:
        cls.from_array(1.0)
    assert str(info.value) == "argument 'a': 'float' object is not an instance of 'Sequence'"
    for wrong in (np.zeros(n + 1), np.zeros(n - 1), np.zeros((n, 1))):
        with pytest.raises(ValueError) as info:
            cls.from_numpy(wrong)
        assert str(info.value) == f"{cls.__name__}.from_numpy expected shape ({n},)"


@pytest.mark.parametrize("cls, n", CLASSES)
def test_predicates_and_abs_diff_eq(cls, n):
    assert cls(*[1.0] * n).is_finite() and not cls(*[1.0] * n).is_nan()
    for i in range(n):
        values = [0.0] * n
        values[i] = math.nan
        assert cls(*values).is_nan() and not cls(*values).is_finite()
        values[i] = -INF
        assert not cls(*values).is_nan() and not cls(*values).is_finite()
    near = cls(*[0.0] * n).with_x(0.1)
    assert cls().abs_diff_eq(near, 0.1) and not cls().abs_diff_eq(near, 0.09999)


@pytest.mark.parametrize("cls, n", CLASSES)
def test_arithmetic_per_component(cls, n):
    a_vals = [5.0, -5.0, 7.5, -0.0][:n]
    b_vals = [3.0, 2.0, -0.5, 4.0][:n]
    a, b = cls(*a_vals), cls(*b_vals)
    table = [
        (a + b, [p + q for p, q in zip(a_vals, b_vals)]),
        (a - b, [p - q for p, q in zip(a_vals, b_vals)]),
        (a * b, [p * q for p, q in zip(a_vals, b_vals)]),
        (a / b, [p / q for p, q in zip(a_vals, b_vals)]),
        (a % b, [math.fmod(p, q) for p, q in zip(a_vals, b_vals)]),
        (a + 1.5, [p + 1.5 for p in a_vals]),
        (10 - a, [10 - p for p in a_vals]),
        (2 / b, [2 / q for q in b_vals]),
        (a * 0.1, [p * 0.1 for p in a_vals]),
        (a % 3, [math.fmod(p, 3) for p in a_vals]),
        (-a, [-p for p in a_vals]),
        (+a, a_vals),
    ]
    for got, expected in table:
        assert type(got) is cls and bits(got) == bits(expected)
    for symbol in "+-*/%":
        with pytest.raises(TypeError) as info:
            eval(f"a {symbol} 'x'")
        assert str(info.value) == f"unsupported operand type for {symbol}"
    with pytest.raises(TypeError) as info:
        3 % a
    assert "unsupported operand type(s) for %" in str(info.value)


def test_numpy_is_loaded_on_first_use_only(run_python):
    proc = run_python("""
        import sys
        import quorixpy
        v = quorixpy.Vec4(1, 2, 3, 4)
        v.normalize().to_list(), v == (1, 2, 3, 4), quorixpy.Vec3.from_json("[1,2,3]")
        assert "numpy" not in sys.modules
        print(quorixpy.Vec2(1, 2).to_numpy().tolist(), "numpy" in sys.modules)
    """)
    assert proc.stdout.strip() == "[1.0, 2.0] True"


def test_vectors_work_with_numpy_blocked(run_python):
    proc = run_python("""
        import sys

        class Block:
            def find_spec(self, name, path=None, target=None):
                if name == "numpy" or name.startswith("numpy."):
                    raise ImportError("numpy is blocked")

        sys.meta_path.insert(0, Block())
        import quorixpy
        for cls, n in ((quorixpy.Vec2, 2), (quorixpy.Vec3, 3), (quorixpy.Vec4, 4)):
            v = cls(*range(n))
            assert (v + 1).to_list() == [float(i + 1) for i in range(n)]
            for attempt in (v.to_numpy, v.__array__, lambda: cls.from_numpy([0] * n)):
                try:
                    attempt()
                except BaseException as e:
                    assert type(e).__name__ == "PanicException", type(e)
                    assert str(e).startswith("Failed to access NumPy array API capsule"), str(e)
                    assert "numpy is blocked" in str(e)
                else:
                    raise AssertionError("NumPy form without NumPy")
        print("ok")
    """)
    assert proc.stdout.strip() == "ok"

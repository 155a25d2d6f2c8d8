"""What Mat3 and Mat4 share: construction from columns, the matrix argument rule, operators,
comparison, text, state, list and NumPy forms, indexing and the inverse family."""
import dataclasses
import struct

import pytest
from hypothesis import given, settings, strategies as st

from algebra_support import Cols, bits, float_state, same_values, state
from quorixpy import Mat3, Mat4, Vec3, Vec4

np = pytest.importorskip("numpy")
NAN, INF = float("nan"), float("inf")

# class, size, column class, name of the add method
KINDS = [(Mat3, 3, Vec3, "add_mat3"), (Mat4, 4, Vec4, "add_mat4")]
kinds = pytest.mark.parametrize("cls, n, col, add", KINDS, ids=["Mat3", "Mat4"])


def counting(cls, n):
    """The matrix whose entries are 1, 2, 3, ... in storage order."""
    return cls.from_cols_array(range(1, n * n + 1))


@kinds
def test_construction_and_columns(cls, n, col, add):
    m = counting(cls, n)
    axes = [m.x_axis, m.y_axis, m.z_axis, getattr(m, "w_axis", None)][:n]
    assert all(type(a) is col for a in axes)
    assert cls(*axes) == m and cls(*[tuple(a) for a in axes]) == m
    assert bits(cls.from_cols(*axes)) == bits(m)
    assert [f.name for f in dataclasses.fields(m)] == ["x_axis", "y_axis", "z_axis", "w_axis"][:n]
    assert list(vars(m)) == ["x_axis", "y_axis", "z_axis", "w_axis"][:n] and vars(m)["x_axis"] == axes[0]


@kinds
@pytest.mark.parametrize("given_count", [0, 1, 2])
def test_constructor_requires_every_axis(cls, n, col, add, given_count):
    text = f"{cls.__name__} requires x_axis, y_axis, z_axis{', w_axis' if n == 4 else ''} arguments"
    for args in ([(0,) * n] * given_count, [(0,) * n] * (n - 1) + [None]):
        with pytest.raises(ValueError) as info:
            cls(*args)
        assert str(info.value) == text


@kinds
def test_state(cls, n, col, add):
    m = counting(cls, n)
    s = state(m)
    assert len(s) == 5 + 9 * n * n and s == float_state(range(1, n * n + 1))
    assert len(state(cls.IDENTITY)) == (86 if n == 3 else 149) and state(cls.IDENTITY)[:6] == bytes.fromhex("800328473ff0")
    assert cls(*[(9,) * n] * n, __pickle_state__=s) == m
    with pytest.raises(AttributeError, match=r"^'str' object has no attribute 'x'$"):
        cls((0,) * n, "bad", __pickle_state__=s)
    with pytest.raises(ValueError, match=rf"^pickle decode failed: decoding error: invalid length 2, expected a sequence of {n * n} f64values$"):
        cls(__pickle_state__=float_state((1.0, 2.0)))
    odd = cls.from_cols_array([-0.0, NAN, INF] + [5e-324] * (n * n - 3))
    assert bits(cls(__pickle_state__=state(odd))) == bits(odd)


@kinds
def test_text(cls, n, col, add):
    cols = ", ".join("[" + ", ".join("1" if r == c else "0" for r in range(n)) + "]" for c in range(n))
    assert repr(cls.IDENTITY) == str(cls.IDENTITY) == f"{cls.__name__}({cols})"
    assert repr(-cls.ZERO).startswith(f"{cls.__name__}([-0, -0")


# ---- the matrix argument rule ----

@kinds
def test_foreign_matrix_with_tuples(cls, n, col, add):
    ident = tuple(tuple(float(r == c) for r in range(n)) for c in range(n))
    assert cls.IDENTITY == Cols(ident)
    assert getattr(cls.IDENTITY, add)(Cols(ident)) == cls.IDENTITY * 2
    assert type(cls.IDENTITY + Cols(ident)) is cls and type(cls.IDENTITY * Cols(ident)) is cls


@kinds
@pytest.mark.parametrize("make, error, text", [
    (lambda m, n: Cols(m.to_cols_array_2d()), TypeError, "argument 'rhs': 'list' object is not an instance of 'tuple'"),
    (lambda m, n: Cols(((1.0,) * n,) * 2), ValueError, "expected tuple of length {n}, but got tuple of length 2"),
    (lambda m, n: Cols(((1.0,) * n,) * (n - 1) + ([1.0] * n,)), TypeError,
     "argument 'rhs': 'list' object is not an instance of 'tuple'"),
    (lambda m, n: Cols(((1.0,) * n,) * (n - 1) + (("x",) * n,)), TypeError,
     "argument 'rhs': must be real number, not str"),
    (lambda m, n: [[1, 0, 0], [0, 1, 0], [0, 0, 1]], AttributeError,
     "'list' object has no attribute 'to_cols_array_2d'"),
])
def test_matrix_rule_failures(cls, n, col, add, make, error, text):
    m = cls.IDENTITY
    other = make(m, n)
    with pytest.raises(error) as info:
        getattr(m, add)(other)
    assert str(info.value) == text.format(n=n)
    assert (m == other) is False and (m != other) is True


# ---- operators ----

@kinds
def test_operators(cls, n, col, add):
    m = counting(cls, n)
    v = tuple(range(1, n + 1))
    assert type(m * v) is col and list(m * v) == (m.to_numpy() @ v).tolist()
    assert bits(m * col(*v)) == bits(m * list(v))
    assert m * cls.IDENTITY == m and cls.IDENTITY * m == m
    assert bits(m * 2) == bits(2 * m) == bits(m + m)
    assert bits(m / 0.0) == bits([INF] * (n * n))
    assert bits(m - m) == bits([0.0] * (n * n)) and bits(-cls.ZERO) == bits([-0.0] * (n * n))


@kinds
@pytest.mark.parametrize("expr, ours", [
    ("m * 'x'", True), ("'x' * m", True), ("m * [[1, 0, 0], [0, 1, 0], [0, 0, 1]]", True), ("m * None", True),
    ("m + 1", False), ("1 + m", False), ("m - 'x'", False), ("2 / m", False), ("m / 'x'", False),
    ("m < m", False), ("+m", False), ("m @ m", False), ("len(m)", False), ("m[0]", False),
])
def test_operator_failures(cls, n, col, add, expr, ours):
    m = cls.IDENTITY
    with pytest.raises(TypeError) as info:
        eval(expr)
    assert (str(info.value) == "unsupported operand type for *") is ours


@kinds
def test_equality_and_hash(cls, n, col, add):
    assert cls.NAN != cls.NAN and cls.ZERO == -cls.ZERO and hash(cls.ZERO) == hash(-cls.ZERO)
    assert hash(counting(cls, n)) == hash(counting(cls, n)) and (cls.ZERO == 5) is False


# ---- lists, arrays, indexing ----

@kinds
def test_list_and_numpy_forms(cls, n, col, add):
    m = counting(cls, n)
    flat = [float(k) for k in range(1, n * n + 1)]
    assert m.to_cols_array() == flat
    assert m.to_cols_array_2d() == [flat[c * n:(c + 1) * n] for c in range(n)]
    for a in (m.to_numpy(), np.asarray(m)):
        assert a.dtype == np.float64 and a.shape == (n, n)
        assert a[1, 0] == m.x_axis.y and a[0, 1] == m.y_axis.x  # rows first
    assert cls.from_numpy(m.to_numpy()) == m and cls.from_cols_array_2d(m.to_cols_array_2d()) == m
    assert cls.from_numpy(np.arange(n * n).reshape(n, n)) == cls.from_cols_array(range(n * n)).transpose()
    assert cls.from_numpy(m.to_numpy().T.copy().T) == m


@kinds
@pytest.mark.parametrize("call, error, text", [
    (lambda c, n: c.from_numpy(np.zeros((2, n))), ValueError, "{name}.from_numpy expected shape ({n}, {n})"),
    (lambda c, n: c.from_numpy(np.zeros(n * n)), TypeError,
     "argument 'array': 'ndarray' object is not an instance of 'ndarray'"),
    (lambda c, n: c.from_cols_array([0.0] * (n * n - 1)), ValueError, "expected a sequence of length {nn} (got {nn1})"),
    (lambda c, n: c.from_cols_array({}), TypeError, "argument 'm': 'dict' object is not an instance of 'Sequence'"),
    (lambda c, n: c.from_cols_array_2d([[0] * n] * (n + 1)), ValueError, "expected a sequence of length {n} (got {n1})"),
    (lambda c, n: c.from_cols_array_2d([[0] * n] * (n - 1) + [5]), TypeError,
     "argument 'm': 'int' object is not an instance of 'Sequence'"),
    (lambda c, n: c.IDENTITY.col(n), IndexError, "column index out of range"),
    (lambda c, n: c.IDENTITY.row(n), IndexError, "row index out of range"),
    (lambda c, n: c.IDENTITY.col(-1), OverflowError, "can't convert negative int to unsigned"),
    (lambda c, n: c.IDENTITY.col(1.0), TypeError, "argument 'index': 'float' object cannot be interpreted as an integer"),
])
def test_array_and_index_errors(cls, n, col, add, call, error, text):
    with pytest.raises(error) as info:
        call(cls, n)
    assert str(info.value) == text.format(name=cls.__name__, n=n, nn=n * n, nn1=n * n - 1, n1=n + 1)


@kinds
def test_rows_columns_and_entrywise(cls, n, col, add):
    m = counting(cls, n)
    assert m.row(0) == tuple(1 + n * c for c in range(n)) and m.col(1) == m.y_axis
    assert m.diagonal() == tuple(1 + (n + 1) * i for i in range(n)) and m.transpose().row(1) == m.col(1)
    assert (-m).abs() == m and m.recip().to_cols_array()[1] == 0.5
    assert m.mul_scalar(2) == m * 2 and m.div_scalar(2) == m / 2
    assert m.mul_diagonal_scale(tuple(range(n))).x_axis == (0,) * n


# ---- inverse family ----

@kinds
def test_inverse_family_edges(cls, n, col, add):
    assert cls.ZERO.try_inverse() is None and cls.ZERO.inverse_or_zero() == cls.ZERO
    assert all(v != v or abs(v) == INF for v in cls.ZERO.inverse().to_cols_array())
    assert same_values(cls.NAN.try_inverse(), [NAN] * (n * n))
    assert cls.IDENTITY.inverse() == cls.IDENTITY and cls.IDENTITY.determinant() == 1.0
    assert (-cls.ZERO).try_inverse() is None


entries = st.floats(-10, 10)


@pytest.mark.parametrize("cls, n", [(Mat3, 3), (Mat4, 4)])
@settings(max_examples=60, deadline=None)
@given(data=st.data())
def test_inverse_times_matrix_is_identity(cls, n, data):
    m = cls.from_cols_array(data.draw(st.lists(entries, min_size=n * n, max_size=n * n)))
    det = m.determinant()
    assert det == pytest.approx(np.linalg.det(m.to_numpy()), rel=1e-9, abs=1e-9)
    if abs(det) > 1e-2:
        scale = max(1.0, max(abs(v) for v in m.inverse().to_cols_array()))
        assert (m.inverse() * m).abs_diff_eq(cls.IDENTITY, 1e-9 * scale)
        assert m.try_inverse() == m.inverse() == m.inverse_or_zero()

"""Element-wise and geometric methods of Vec2, Vec3 and Vec4 against plain Python float arithmetic
in the same order, bit for bit (NaN results compare as NaN unless their bits are fixed)."""
import math
import struct
from fractions import Fraction

import pytest

from algebra_support import check, fdiv, key
from quorixpy import Vec2, Vec3, Vec4

np = pytest.importorskip("numpy")

NAN = float("nan")
INF = float("inf")
CLASSES = [Vec2, Vec3, Vec4]
SIZE = {Vec2: 2, Vec3: 3, Vec4: 4}


def vec(cls, values):
    return cls(*values[:SIZE[cls]])


def zero_signed(r, c):
    return math.copysign(0.0, c) if r == 0 else r


def round_away(c):
    if not math.isfinite(c):
        return c
    t = float(math.trunc(c))
    if abs(c - t) >= 0.5:
        t += math.copysign(1.0, c)
    return zero_signed(t, c)


def max_num(a, b):
    if math.isnan(a):
        return b
    if math.isnan(b):
        return a
    if a == b:
        return b if math.copysign(1, a) < 0 else a
    return a if a > b else b


def min_num(a, b):
    if math.isnan(a):
        return b
    if math.isnan(b):
        return a
    if a == b:
        return a if math.copysign(1, a) < 0 else b
    return a if a < b else b


# ---- element-wise, one receiver ----

MIXED = [(0.5, -0.5, 2.5, -2.5), (-0.0, 0.0, -1.7, 1.7), (1e300, -1e-300, 5e-324, -3.5),
         (0.49999999999999994, -0.49999999999999994, 4503599627370497.0, -7.25), (INF, -INF, NAN, -0.0),
         (-1.25, 1.25, -1e-20, 3.0)]

UNARY = [
    ("abs", math.fabs, MIXED),
    ("signum", lambda c: NAN if math.isnan(c) else math.copysign(1.0, c), MIXED),
    ("floor", lambda c: float(np.floor(c)), MIXED),
    ("ceil", lambda c: float(np.ceil(c)), MIXED),
    ("round", round_away, MIXED),
    ("trunc", lambda c: float(np.trunc(c)), MIXED),
    ("fract", lambda c: c - float(np.trunc(c)), MIXED),
    ("fract_gl", lambda c: c - float(np.floor(c)), MIXED),
    ("recip", lambda c: fdiv(1.0, c), MIXED),
    ("saturate", lambda c: min_num(max_num(c, 0.0), 1.0), MIXED),
    ("exp", math.exp, [(0.5, -0.5, 2.5, -700.0), (1e-10, 700.0, 0.0, -INF), (INF, NAN, 1.0, -1.0)]),
    ("exp2", math.exp2, [(0.5, -0.5, 2.5, -1074.0), (1e-10, 1023.5, 0.0, -INF), (INF, NAN, 0.1, -0.1)]),
    ("ln", math.log, [(0.5, 2.5, 1e300, 5e-324), (1.0, 10.0, INF, 3.0)]),
    ("log2", math.log2, [(0.5, 2.5, 1e300, 5e-324), (1.0, 10.0, INF, 3.0)]),
    ("sqrt", math.sqrt, [(0.0, -0.0, 2.0, 1e300), (5e-324, 0.5, INF, 9.0)]),
    ("sin", math.sin, [(0.5, -0.5, 2.5, 1e10), (0.0, -0.0, math.pi, 1e300)]),
    ("cos", math.cos, [(0.5, -0.5, 2.5, 1e10), (0.0, -0.0, math.pi, 1e300)]),
]


@pytest.mark.parametrize("cls", CLASSES)
@pytest.mark.parametrize("name, ref, rows", UNARY, ids=[u[0] for u in UNARY])
def test_unary(cls, name, ref, rows):
    for row in rows:
        v = vec(cls, row)
        out = getattr(v, name)()
        check(out, cls, [ref(c) for c in v])
        assert out is not v


@pytest.mark.parametrize("cls", CLASSES)
def test_sin_cos(cls):
    v = vec(cls, (0.5, -2.0, 1e10, 0.0))
    s, c = v.sin_cos()
    check(s, cls, [math.sin(x) for x in v])
    check(c, cls, [math.cos(x) for x in v])
    assert type(v.sin_cos()) is tuple and len(v.sin_cos()) == 2


NEG_NAN = struct.unpack("<d", struct.pack("<Q", 0xFFF8000000000001))[0]

# (method, receiver component, exact result component): the special values each method fixes.
SPECIAL = [
    ("abs", -0.0, 0.0), ("abs", -INF, INF), ("abs", NEG_NAN, struct.unpack("<d", struct.pack("<Q", 0x7FF8000000000001))[0]),
    ("signum", 0.0, 1.0), ("signum", -0.0, -1.0), ("signum", -INF, -1.0), ("signum", NEG_NAN, NAN),
    ("floor", -0.5, -1.0), ("floor", -0.0, -0.0), ("ceil", -0.5, -0.0), ("round", -0.4, -0.0), ("round", 2.5, 3.0),
    ("round", -0.5, -1.0), ("trunc", -1.7, -1.0), ("trunc", -0.5, -0.0), ("fract", -1.25, -0.25),
    ("fract", -3.0, 0.0), ("fract", -0.0, 0.0), ("fract_gl", -1.25, 0.75), ("fract_gl", -1e-20, 1.0),
    ("exp", -INF, 0.0), ("exp2", INF, INF), ("ln", 0.0, -INF), ("ln", -0.0, -INF), ("ln", INF, INF),
    ("log2", 0.0, -INF), ("sqrt", -0.0, -0.0), ("sqrt", INF, INF), ("recip", -0.0, -INF), ("recip", -INF, -0.0),
    ("saturate", NAN, 0.0), ("saturate", -0.0, 0.0), ("saturate", -INF, 0.0), ("saturate", INF, 1.0),
]


@pytest.mark.parametrize("cls", CLASSES)
@pytest.mark.parametrize("name, value, expected", SPECIAL)
def test_special_values_bit_exact(cls, name, value, expected):
    out = getattr(cls.splat(value), name)()
    assert struct.pack(f"<{SIZE[cls]}d", *out) == struct.pack("<d", expected) * SIZE[cls]


@pytest.mark.parametrize("cls", CLASSES)
@pytest.mark.parametrize("name, value", [("ln", -1.0), ("ln", -INF), ("log2", -2.0), ("sqrt", -1.0),
                                         ("sin", INF), ("cos", -INF), ("fract", INF), ("fract_gl", -INF)])
def test_special_values_giving_nan(cls, name, value):
    assert all(math.isnan(c) for c in getattr(cls.splat(value), name)())


# ---- element-wise with vector parameters ----

def fma(a, b, c):
    exact = Fraction(a) * Fraction(b) + Fraction(c)
    try:
        return float(exact)
    except OverflowError:
        return INF if exact > 0 else -INF


def div_euclid(c, r):
    q = float(np.trunc(fdiv(c, r)))
    m = math.fmod(c, r)
    if m < 0.0:
        return q - 1.0 if r > 0.0 else q + 1.0
    return q


def rem_euclid(c, r):
    m = math.fmod(c, r)
    return abs(r) + m if m < 0.0 else m


PAIRS = [((1.0, NAN, 5.0, -0.0), (NAN, 1.0, 5.0, 0.0)), ((-7.0, 7.0, -7.0, 7.5), (2.0, -2.0, -2.0, 0.5)),
         ((0.1, -1e300, 5e-324, -4.0), (10.0, 3.0, -1.0, 2.0)), ((-1e-20, 3.0, -0.0, INF), (1.0, INF, -INF, -3.0))]

BINARY = [
    ("copysign", math.copysign),
    ("step", lambda c, r: 0.0 if r < c else 1.0),
    ("min", lambda c, r: c if c < r else r),
    ("max", lambda c, r: c if c > r else r),
    ("div_euclid", div_euclid),
    ("rem_euclid", rem_euclid),
]


@pytest.mark.parametrize("cls", CLASSES)
@pytest.mark.parametrize("name, ref", BINARY, ids=[b[0] for b in BINARY])
def test_binary(cls, name, ref):
    rows = PAIRS if name not in ("div_euclid", "rem_euclid") else [p for p in PAIRS if INF not in p[0] and NAN not in p[1]]
    for a, b in rows:
        v, r = vec(cls, a), vec(cls, b)
        check(getattr(v, name)(r), cls, [ref(c, q) for c, q in zip(v, r)])
        check(getattr(v, name)(rhs=list(r) if cls is not Vec2 else r), cls, [ref(c, q) for c, q in zip(v, r)])


@pytest.mark.parametrize("expr, expected", [
    ("Vec3(-7, 7, -7).div_euclid(Vec3(2, -2, -2))", (-4, -3, 4)),
    ("Vec3(-7, 7, -7).rem_euclid(Vec3(2, -2, -2))", (1, 1, 1)),
    ("Vec2(1, 0).div_euclid(Vec2(0, 0))", (INF, NAN)),
    ("Vec2(1, 0).rem_euclid(Vec2(0, 0))", (NAN, NAN)),
    ("Vec2(-4, 4).rem_euclid(Vec2(2, 2))", (-0.0, 0.0)),
    ("Vec2(INF, 1).div_euclid(Vec2(2, INF))", (INF, 0.0)),
    ("Vec2(-1, 5).rem_euclid(Vec2(INF, -INF))", (INF, 5.0)),
    ("Vec2(1.0, NAN).copysign(Vec2(-0.0, -1.0))", (-1.0, NAN)),
    ("Vec2(NAN, 2.0).powf(0.0)", (1.0, 1.0)),
    ("Vec2(1.0, -8.0).powf(NAN)", (1.0, NAN)),
    ("Vec2(-2.0, 2.0).powf(0.5)", (NAN, math.sqrt(2.0))),
    ("Vec3(5, 0, NAN).clamp(Vec3(3, 3, 3), Vec3(1, 1, 1))", (1, 1, 1)),
    ("Vec3(5, 0, NAN).clamp(max=Vec3(1, 1, 1), min=Vec3(3, 3, 3))", (1, 1, 1)),
    ("Vec3(NAN, 1, 1).min(Vec3(1, NAN, 2))", (1, NAN, 1)),
    ("Vec3(NAN, 1, 1).max(Vec3(1, NAN, 2))", (1, NAN, 2)),
    ("Vec3(1, 2, 3).step(Vec3(2, 2, 2))", (1, 1, 0)),
])
def test_element_wise_examples(expr, expected):
    out = eval(expr)
    assert [key(c) for c in out] == [key(c) for c in expected]


def test_copysign_takes_the_sign_of_a_nan():
    out = Vec2(1.0, NAN).copysign(Vec2(NEG_NAN, -1.0))
    assert out.x == -1.0 and math.copysign(1, out.y) == -1.0 and math.isnan(out.y)


@pytest.mark.parametrize("cls", CLASSES)
def test_mul_add_rounds_once(cls):
    rows = [((0.1, 3.0, 1e308, -0.0), (10.0, 1 / 3, 10.0, 5.0), (-1.0, -1.0, -1e308, 0.0)),
            ((1 + 2**-52, 2.0, 5e-324, 7.0), (1 - 2**-53, 0.5, 0.5, 1e-300), (-1.0, 1e-17, 0.0, -7e-300))]
    for a, b, c in rows:
        v = vec(cls, a)
        expected = [fma(p, q, r) for p, q, r in zip(v, vec(cls, b), vec(cls, c))]
        check(v.mul_add(vec(cls, b), vec(cls, c)), cls, expected)
    assert Vec2(0.1, 0.0).mul_add(Vec2(10.0, 0.0), Vec2(-1.0, 0.0)).x == 5.551115123125783e-17


@pytest.mark.parametrize("cls", CLASSES)
def test_clamp_and_powf(cls):
    a, lo, hi = (5.0, -0.0, NAN, 0.5), (3.0, 0.0, 1.0, NAN), (1.0, 1.0, 2.0, 1.0)
    expected = []
    for c, p, q in zip(a, lo, hi):
        m = c if c > p else p
        expected.append(m if m < q else q)
    check(vec(cls, a).clamp(vec(cls, lo), vec(cls, hi)), cls, expected[:SIZE[cls]])
    base = (2.0, 0.5, 10.0, 1.5)
    for n in (2, 0.5, -1.5, 300):
        check(vec(cls, base).powf(n), cls, [math.pow(c, n) for c in base[:SIZE[cls]]])


# ---- reductions ----

def chain(values, better):
    acc = values[-1]
    for c in reversed(values[:-1]):
        acc = c if better(c, acc) else acc
    return acc


def position(values, better, better_or_equal):
    if len(values) == 2:
        return 0 if better_or_equal(values[0], values[1]) else 1
    best = 0
    for i in range(1, len(values)):
        if better(values[i], values[best]):
            best = i
    return best


REDUCE_ROWS = [(1.0, 1.0, 1.0, 1.0), (NAN, 5.0, 6.0, 0.0), (1.0, NAN, 3.0, 2.0), (1.0, 2.0, NAN, NAN),
               (1.0, 3.0, 3.0, 2.0), (NAN, 1.0, 0.0, 5.0), (2.0, 1.0, 1.0, NAN), (-0.0, 0.0, -0.0, 0.0),
               (1.0, 1e16, -1e16, 3.0), (0.0, INF, 2.0, 1.0)]


@pytest.mark.parametrize("cls", CLASSES)
@pytest.mark.parametrize("row", REDUCE_ROWS)
def test_reductions(cls, row):
    v = vec(cls, row)
    values = list(v)
    lt, gt = (lambda p, q: p < q), (lambda p, q: p > q)
    assert key(v.min_element()) == key(chain(values, lt))
    assert key(v.max_element()) == key(chain(values, gt))
    assert v.min_position() == position(values, lt, lambda p, q: p <= q)
    assert v.max_position() == position(values, gt, lambda p, q: p >= q)
    assert type(v.min_position()) is int
    s = p = values[0]
    for c in values[1:]:
        s, p = s + c, p * c
    assert key(v.element_sum()) == key(s) and key(v.element_product()) == key(p)


@pytest.mark.parametrize("expr, expected", [
    ("Vec3(1, 1, 1).max_position()", 0), ("Vec3(NAN, 5, 6).max_position()", 0), ("Vec3(1, NAN, 3).max_position()", 2),
    ("Vec2(NAN, 1).max_position()", 1), ("Vec2(1, NAN).max_position()", 1), ("Vec2(NAN, 1).min_position()", 1),
    ("Vec4(1, 3, 3, 2).max_position()", 1), ("Vec4(NAN, 1, 0, 5).min_position()", 0),
    ("Vec3(1, NAN, 3).max_element()", 3.0), ("Vec4(NAN, 1, 0, 5).min_element()", 0.0),
    ("Vec3(1, 1e16, -1e16).element_sum()", 0.0), ("Vec2(0, INF).element_product()", NAN),
])
def test_reduction_examples(expr, expected):
    assert key(eval(expr)) == key(expected)


# ---- geometric ----

def dot(a, b):
    s = a[0] * b[0]
    for p, q in zip(a[1:], b[1:]):
        s = s + p * q
    return s


def length(a):
    return math.sqrt(dot(a, a))


def usable_recip(a):
    r = fdiv(1.0, length(a))
    return r if math.isfinite(r) and r > 0 else None


def scaled(k, a):
    return [k * c for c in a]


def clamp_length(a, lo, hi):
    q = dot(a, a)
    if lo is not None and q < lo * lo:
        return scaled(lo, [fdiv(c, math.sqrt(q)) for c in a])
    if hi is not None and q > hi * hi:
        return scaled(hi, [fdiv(c, math.sqrt(q)) for c in a])
    return list(a)


def move_towards(a, b, d):
    delta = [q - p for p, q in zip(a, b)]
    n = length(delta)
    if n <= d or n <= 1e-4:
        return list(b)
    return [c + d * (e / n) for c, e in zip(a, delta)]


def refract(a, n, eta):
    t = dot(n, a)
    k = 1.0 - (eta * eta) * (1.0 - t * t)
    if not k >= 0:
        return [0.0] * len(a)
    along = eta * t + math.sqrt(k)
    return [eta * c - m * along for c, m in zip(a, n)]


def project(a, b):
    t, r = dot(a, b), fdiv(1.0, dot(b, b))
    return [r * (q * t) for q in b]


def reject(a, b):
    t, r = dot(a, b), fdiv(1.0, dot(b, b))
    return [c - r * (q * t) for c, q in zip(a, b)]


GEO_ROWS = [((1.0, 2.0, 3.0, 4.0), (4.0, -5.0, 6.0, 0.5)), ((0.0, 0.0, 0.0, 0.0), (3.0, 4.0, 0.0, 0.0)),
            ((1e200, 0.0, 0.0, 0.0), (1.0, 1.0, 1.0, 1.0)), ((1e-200, 0.0, 0.0, 0.0), (0.0, 1.0, 0.0, 0.0)),
            ((0.6, 0.8, 0.0, 0.0), (0.0, 1.0, 0.0, 0.0)), ((-0.0, 0.1, 0.2, 0.3), (0.0, 0.0, 0.0, 0.0)),
            ((NAN, 1.0, 1.0, 1.0), (1.0, 2.0, 3.0, 4.0)), ((0.8, -0.6, 0.0, 0.0), (0.0, 1.0, 0.0, 0.0)),
            ((0.1, 0.2, 0.3, 0.4), (0.10001, 0.2, 0.3, 0.4)), ((1.00009, 0.0, 0.0, 0.0), (-1.0, -0.0, 0.0, 0.0))]

GEOMETRIC = [
    ("dot", (), lambda a, b: dot(a, b)),
    ("distance", (), lambda a, b: length([p - q for p, q in zip(a, b)])),
    ("distance_squared", (), lambda a, b: (lambda d: dot(d, d))([p - q for p, q in zip(a, b)])),
    ("midpoint", (), lambda a, b: [(p + q) * 0.5 for p, q in zip(a, b)]),
    ("project_onto", (), project),
    ("reject_from", (), reject),
    ("project_onto_normalized", (), lambda a, b: [q * dot(a, b) for q in b]),
    ("reject_from_normalized", (), lambda a, b: [p - q * dot(a, b) for p, q in zip(a, b)]),
    ("reflect", (), lambda a, b: [p - q * (dot(a, b) + dot(a, b)) for p, q in zip(a, b)]),
    ("normalize_or", (), lambda a, b: scaled(usable_recip(a), a) if usable_recip(a) else list(b)),
    ("lerp", (0.5,), lambda a, b, s: [q * s + (1.0 - s) * p for p, q in zip(a, b)]),
    ("lerp", (2.0,), lambda a, b, s: [q * s + (1.0 - s) * p for p, q in zip(a, b)]),
    ("lerp", (-0.3,), lambda a, b, s: [q * s + (1.0 - s) * p for p, q in zip(a, b)]),
    ("move_towards", (2.0,), move_towards),
    ("move_towards", (5.0,), move_towards),
    ("move_towards", (-1.0,), move_towards),
    ("refract", (1.5,), refract),
    ("refract", (1.0,), refract),
    ("refract", (0.5,), refract),
]


@pytest.mark.parametrize("cls", CLASSES)
@pytest.mark.parametrize("name, extra, ref", GEOMETRIC, ids=[f"{g[0]}{g[1]}" for g in GEOMETRIC])
def test_geometric_binary(cls, name, extra, ref):
    for a, b in GEO_ROWS:
        v, r = vec(cls, a), vec(cls, b)
        out = getattr(v, name)(r, *extra)
        expected = ref(list(v), list(r), *extra)
        if isinstance(expected, float):
            assert type(out) is float and key(out) == key(expected)
        else:
            check(out, cls, expected)


@pytest.mark.parametrize("cls", CLASSES)
def test_geometric_unary(cls):
    for a, _ in GEO_ROWS:
        v = vec(cls, a)
        values = list(v)
        n, r = length(values), usable_recip(values)
        assert key(v.length()) == key(n) and key(v.length_squared()) == key(dot(values, values))
        assert key(v.length_recip()) == key(fdiv(1.0, n))
        check(v.normalize(), cls, scaled(fdiv(1.0, n), values))
        if r is None:
            assert v.try_normalize() is None
            check(v.normalize_or_zero(), cls, [0.0] * len(values))
            unit, size = v.normalize_and_length()
            check(unit, cls, [1.0] + [0.0] * (len(values) - 1))
            assert key(size) == key(0.0)
        else:
            check(v.try_normalize(), cls, scaled(r, values))
            check(v.normalize_or_zero(), cls, scaled(r, values))
            unit, size = v.normalize_and_length()
            check(unit, cls, scaled(fdiv(1.0, n), values))
            assert key(size) == key(n)
        assert v.is_normalized() is (abs(dot(values, values) + (-1.0)) <= 2e-4)


@pytest.mark.parametrize("cls", CLASSES)
@pytest.mark.parametrize("lo, hi", [(2.0, 1.0), (0.5, 3.0), (-2.0, 5.0), (0.0, 0.0), (NAN, NAN), (1.0, INF)])
def test_clamp_length(cls, lo, hi):
    for a, _ in GEO_ROWS:
        v = vec(cls, a)
        values = list(v)
        check(v.clamp_length(lo, hi), cls, clamp_length(values, lo, hi))
        check(v.clamp_length_max(hi), cls, clamp_length(values, None, hi))
        check(v.clamp_length_min(lo), cls, clamp_length(values, lo, None))


@pytest.mark.parametrize("expr, expected", [
    ("Vec3(0, 0, 0).normalize_or((0, 0, 1))", (0, 0, 1)),
    ("Vec3(1e200, 0, 0).normalize()", (0, 0, 0)),
    ("Vec3(1, 0, 0).clamp_length(2, 1)", (2, 0, 0)),
    ("Vec3(3, 0, 0).clamp_length(2, 1)", (1, 0, 0)),
    ("Vec3(1, 0, 0).clamp_length_min(-2)", (-2, -0.0, -0.0)),
    ("Vec3(0, 0, 0).clamp_length_min(1)", (NAN, NAN, NAN)),
    ("Vec3(0, 0, 0).clamp_length_max(1)", (0, 0, 0)),
    ("Vec3(0, 0, 0).move_towards((3, 4, 0), 2)", (1.2, 1.6, 0)),
    ("Vec3(0, 0, 0).move_towards((3, 4, 0), 5)", (3, 4, 0)),
    ("Vec3(0, 0, 0).move_towards((1e-4, 0, 0), -7)", (1e-4, 0, 0)),
    ("Vec3(0, 0, 0).move_towards((3, 4, 0), -1)", (-0.6, -0.8, 0.0)),
    ("Vec3(0, 0, 0).lerp((1, 1, 1), 2)", (2, 2, 2)),
    ("Vec3(0.8, -0.6, 0).refract((0, 1, 0), 1.5)", (0, 0, 0)),
    ("Vec3(0, -1, 0).refract((0, 1, 0), 1.0)", (0, -1, 0)),
    ("Vec2(0.6, 0.8).is_normalized()", True),
    ("Vec3(1.00009, 0, 0).is_normalized()", True),
    ("Vec3(1.0001, 0, 0).is_normalized()", False),
    ("Vec3(1e-200, 0, 0).length()", 0.0),
    ("Vec3(1, 2, 3).dot([4, 5, 6])", 32.0),
    ("Vec3(1, 2, 3).lerp(rhs=(0, 0, 0), s=0.5)", (0.5, 1, 1.5)),
    ("Vec4(1, 2, 3, 4).dot((1, 1, 1, 1))", 10.0),
])
def test_geometric_examples(expr, expected):
    out = eval(expr)
    if isinstance(expected, tuple):
        assert [key(c) for c in out] == [key(c) for c in expected]
    else:
        assert type(out) is type(expected) and key(out) == key(expected)


# ---- the wrapper shape ----

@pytest.mark.parametrize("cls", CLASSES)
def test_every_vector_result_is_a_new_object(cls):
    v = vec(cls, (1.0, 2.0, 3.0, 4.0))
    for out in (v.abs(), v.clamp_length_max(100), v.min(v), v.lerp(v, 0.0),
                vec(cls, (0.0,) * 4).normalize_or(v), v.clamp(v, v), v.midpoint(v)):
        assert out is not v and out == v


@pytest.mark.parametrize("cls", CLASSES)
@pytest.mark.parametrize("name, params", [
    ("clamp", "($self, min, max)"), ("element_sum", "($self)"), ("mul_add", "($self, a, b)"), ("powf", "($self, n)"),
    ("dot", "($self, rhs)"), ("refract", "($self, normal, eta)"), ("normalize_or", "($self, fallback)"),
    ("clamp_length", "($self, min, max)"), ("move_towards", "($self, rhs, d)"),
])
def test_text_signatures(cls, name, params):
    method = getattr(cls, name)
    assert method.__text_signature__ == params
    assert method.__doc__ is None


class XY:
    def __init__(self, x, y):
        self.x, self.y = x, y


@pytest.mark.parametrize("call, error, text", [
    (lambda: Vec3(1, 2, 3).min(0.5), AttributeError, "'float' object has no attribute 'x'"),
    (lambda: Vec3().powf("a"), TypeError, "argument 'n': must be real number, not str"),
    (lambda: Vec3().mul_add([1], "x"), AttributeError, "'list' object has no attribute 'x'"),
    (lambda: Vec2().mul_add(Vec2(), XY(1, "a")), TypeError, "argument 'b': must be real number, not str"),
    (lambda: Vec3().dot(), TypeError, "Vec3.dot() missing 1 required positional argument: 'rhs'"),
    (lambda: Vec4().lerp(Vec4()), TypeError, "Vec4.lerp() missing 1 required positional argument: 's'"),
    (lambda: Vec2().clamp(Vec2(), Vec2(), Vec2()), TypeError,
     "Vec2.clamp() takes 2 positional arguments but 3 were given"),
    (lambda: Vec3().abs(1), TypeError, "Vec3.abs() takes 0 positional arguments but 1 was given"),
    # The interpreter's method descriptor checks the receiver before the method runs.
    (lambda: Vec3.abs(Vec2()), TypeError, "descriptor 'abs' for 'Vec3' objects doesn't apply to a 'Vec2' object"),
    (lambda: Vec4.dot(Vec3(), Vec4()), TypeError, "descriptor 'dot' for 'Vec4' objects doesn't apply to a 'Vec3' object"),
    (lambda: Vec3().normalize_or(None), AttributeError, "'NoneType' object has no attribute 'x'"),
    (lambda: Vec3().clamp_length(1, "x"), TypeError, "argument 'max': must be real number, not str"),
    (lambda: Vec3().refract(normal=(0, 1, 0), eta=None), TypeError,
     "argument 'eta': must be real number, not NoneType"),
])
def test_argument_errors(call, error, text):
    with pytest.raises(error) as info:
        call()
    assert type(info.value) is error and str(info.value) == text

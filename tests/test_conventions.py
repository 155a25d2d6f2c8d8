"""Conventions every class follows, shown on Vec3: pickle state, dataclass view, equality and
hash, approximate equality, number text and the error forms of the binding layer."""
import copy
import dataclasses
import pickle
import re
import struct

import pytest

import quorixpy
from quorixpy import Vec3

STATE_123 = bytes.fromhex("80032847 3ff0000000000000 47 4000000000000000 47 4008000000000000 742e"
                          .replace(" ", ""))


# ---- pickle state ----

def test_state_bytes_of_vec3():
    assert len(STATE_123) == 32
    args, kwargs = Vec3(1, 2, 3).__getnewargs_ex__()
    assert args == () and kwargs == {"__pickle_state__": STATE_123}
    assert type(kwargs["__pickle_state__"]) is bytes


@pytest.mark.parametrize("value", [
    (1.0, 2.0, 3.0), (-0.0, 5e-324, 1e308), (float("inf"), -float("inf"), 0.1),
])
def test_state_round_trips_bit_for_bit(value):
    v = Vec3(*value)
    state = v.__getnewargs_ex__()[1]["__pickle_state__"]
    assert state == b"\x80\x03(" + b"".join(b"G" + struct.pack(">d", c) for c in value) + b"t."
    for back in (copy.copy(v), copy.deepcopy(v), pickle.loads(pickle.dumps(v)), Vec3(__pickle_state__=state)):
        assert type(back) is Vec3
        assert struct.pack("<3d", *back) == struct.pack("<3d", *value)


def test_nan_bits_survive_pickling():
    nan = struct.unpack("<d", struct.pack("<Q", 0x7FF8000000000123))[0]
    back = pickle.loads(pickle.dumps(Vec3(nan, 0, 0)))
    assert struct.pack("<d", back.x) == struct.pack("<Q", 0x7FF8000000000123)


class BytesSub(bytes):
    pass


class StrSub(str):
    pass


class IterFails:
    """A sequence whose iteration raises the given exception."""

    def __init__(self, exc):
        self.exc = exc

    def __len__(self):
        return 1

    def __getitem__(self, i):
        raise self.exc


class LongerThanItIs(list):
    def __len__(self):
        return 2 ** 62


class ByteArraySub(bytearray):
    pass


@pytest.mark.parametrize("state", [
    STATE_123, BytesSub(STATE_123), bytearray(STATE_123), ByteArraySub(STATE_123), list(STATE_123),
    tuple(STATE_123), memoryview(STATE_123),
])
def test_state_forms_accepted(state):
    assert tuple(Vec3(__pickle_state__=state)) == (1.0, 2.0, 3.0)


def test_state_wins_over_ordinary_arguments():
    assert tuple(Vec3(x=5, __pickle_state__=STATE_123)) == (1.0, 2.0, 3.0)
    assert tuple(Vec3(7, 8, 9, __pickle_state__=None)) == (7.0, 8.0, 9.0)
    assert tuple(Vec3(__pickle_state__=None)) == (0.0, 0.0, 0.0)


def test_ordinary_arguments_fail_before_the_state_is_read():
    with pytest.raises(TypeError, match=r"^argument 'x': must be real number, not str$"):
        Vec3("a", __pickle_state__=STATE_123)
    with pytest.raises(TypeError, match=r"^argument 'y': "):
        Vec3(1, "a", __pickle_state__="not even a state")


@pytest.mark.parametrize("state, error, text", [
    ("abc", TypeError, "argument '__pickle_state__': Can't extract `str` to `Vec`"),
    (1.5, TypeError, "argument '__pickle_state__': 'float' object is not an instance of 'Sequence'"),
    ({1: 2}, TypeError, "argument '__pickle_state__': 'dict' object is not an instance of 'Sequence'"),
    ([1.5], TypeError, "argument '__pickle_state__': 'float' object cannot be interpreted as an integer"),
    ([256], OverflowError, "out of range integral type conversion attempted"),
    ([-1], OverflowError, "out of range integral type conversion attempted"),
    ([2 ** 70], OverflowError, "Python int too large to convert to C long"),
    (StrSub("abc"), TypeError, "argument '__pickle_state__': Can't extract `str` to `Vec`"),
    (iter(STATE_123), TypeError, "argument '__pickle_state__': 'bytes_iterator' object is not an instance of 'Sequence'"),
    ({128, 3}, TypeError, "argument '__pickle_state__': 'set' object is not an instance of 'Sequence'"),
    (["a"], TypeError, "argument '__pickle_state__': 'str' object cannot be interpreted as an integer"),
    (IterFails(TypeError("no items")), TypeError, "argument '__pickle_state__': no items"),
    (IterFails(ValueError("no items")), ValueError, "no items"),
    # The length is a hint only: the items decide.
    (range(2 ** 40), OverflowError, "out of range integral type conversion attempted"),
    (LongerThanItIs(b"\x80\x03N"), ValueError, "pickle decode failed: eval error at offset 3: EOF while parsing"),
])
def test_state_argument_errors(state, error, text):
    with pytest.raises(error) as info:
        Vec3(__pickle_state__=state)
    assert type(info.value) is error and str(info.value) == text


@pytest.mark.parametrize("payload, expected", [
    ([1, 2, 3, 4], (1.0, 2.0, 3.0)),
    ((1.5, -2.5, 3), (1.5, -2.5, 3.0)),
    ([1.0, 2.0, 3.0], (1.0, 2.0, 3.0)),
    # Items after the third are not looked at, whatever they hold.
    ([1, 2, 3, "a"], (1.0, 2.0, 3.0)),
    ((1, 2, 3, None, {"k": [2 ** 100]}), (1.0, 2.0, 3.0)),
    ((-(2 ** 63), 2 ** 63 - 1, 0), (-(2.0 ** 63), 2.0 ** 63, 0.0)),
])
@pytest.mark.parametrize("protocol", range(6))
def test_decoder_accepts_sequences_of_numbers(payload, expected, protocol):
    assert tuple(Vec3(__pickle_state__=pickle.dumps(payload, protocol=protocol))) == expected


@pytest.mark.parametrize("state, text", [
    (pickle.dumps((1.0, 2.0), protocol=3),
     "decoding error: invalid length 2, expected a sequence of 3 f64 values"),
    (pickle.dumps(5, protocol=3), "decoding error: invalid type: integer `5`, expected a sequence of 3 f64 values"),
    (pickle.dumps("abc", protocol=3),
     'decoding error: invalid type: string "abc", expected a sequence of 3 f64 values'),
    (pickle.dumps([1, "a", 3], protocol=3), 'decoding error: invalid type: string "a", expected f64'),
    (pickle.dumps((1, 2, True), protocol=3), "decoding error: invalid type: boolean `true`, expected f64"),
    (pickle.dumps((1, None, 3), protocol=3), "decoding error: invalid type: unit value, expected f64"),
    (pickle.dumps((1, 2, 2 ** 64), protocol=3), "decoding error: invalid value: integer too large"),
    (pickle.dumps({1: 2}, protocol=3), "decoding error: invalid type: map, expected a sequence of 3 f64 values"),
    (pickle.dumps(1.5, protocol=3),
     "decoding error: invalid type: floating point `1.5`, expected a sequence of 3 f64 values"),
    (pickle.dumps([], protocol=3), "decoding error: invalid length 0, expected a sequence of 3 f64 values"),
    (pickle.dumps(Vec3(1, 2, 3), protocol=3), "eval error at offset 2: unsupported global: quorixpy._rebuild"),
    (STATE_123 + b".", "eval error at offset 32: trailing bytes found"),
    (b"", "eval error at offset 0: EOF while parsing"),
    (STATE_123[:20], "eval error at offset 20: EOF while parsing"),
])
def test_decoder_errors(state, text):
    with pytest.raises(ValueError) as info:
        Vec3(__pickle_state__=state)
    assert str(info.value) == "pickle decode failed: " + text


def test_state_from_a_sequence_that_claims_a_huge_length():
    assert tuple(Vec3(__pickle_state__=LongerThanItIs(STATE_123))) == (1.0, 2.0, 3.0)


@pytest.mark.parametrize("constructor", ["set", "latin1"])
def test_shared_constructor_arguments_cost_linear_memory(constructor, run_python):
    # One memoized value of 20000 items handed 3000 times to a builtin constructor: some 60
    # million items if each call copied it.
    proc = run_python(f"""
        import resource, struct
        import quorixpy
        if {constructor!r} == "latin1":
            head = b"X" + struct.pack("<I", 20000) + b"a" * 20000 + b"q\\x00c_codecs\\nencode\\nq\\x01"
            head += b"X\\x06\\x00\\x00\\x00latin1q\\x02"
            call = b"h\\x01h\\x00h\\x02\\x86R0"
        else:
            head = b"]q\\x00(" + b"K\\x07" * 20000 + b"ecbuiltins\\nset\\nq\\x01"
            call = b"h\\x01h\\x00\\x85R0"
        state = b"\\x80\\x03" + head + call * 3000 + b"N."
        before = resource.getrusage(resource.RUSAGE_SELF).ru_maxrss
        for cls in (quorixpy.Vec2, quorixpy.Vec3, quorixpy.Vec4, quorixpy.Quat, quorixpy.Mat3, quorixpy.Mat4,
                    quorixpy.Affine3):
            try:
                cls(__pickle_state__=state)
            except ValueError as e:
                print(e)
        print(resource.getrusage(resource.RUSAGE_SELF).ru_maxrss - before)
    """)
    *messages, grown_kb = proc.stdout.split("\n")[:-1]
    assert len(messages) == 7
    for m in messages:
        assert re.fullmatch(r"pickle decode failed: eval error at offset \d+: "
                            r"shared references expand beyond the size limit", m), m
    assert int(grown_kb) < 64 * 1024


# ---- dataclass view ----

def test_dataclass_view():
    v = Vec3(1, 2, 3)
    assert [f.name for f in dataclasses.fields(v)] == ["x", "y", "z"]
    assert dataclasses.is_dataclass(v)
    assert dataclasses.asdict(v) == {"x": 1.0, "y": 2.0, "z": 3.0}
    assert v.__dict__ == {"x": 1.0, "y": 2.0, "z": 3.0}
    assert v.__dict__ is not v.__dict__
    d = v.__dict__
    d["x"] = 9
    assert v.x == 1.0


def test_dataclass_fields_are_built_per_class():
    fields = Vec3.__dict__["__dataclass_fields__"]
    assert list(fields) == ["x", "y", "z"]
    assert fields is Vec3.__dataclass_fields__


# ---- equality and hash ----

@pytest.mark.parametrize("other, equal", [
    (Vec3(1, 2, 3), True), ((1, 2, 3), True), ([1, 2, 3], True), (Vec3(1, 2, 4), False),
    ("abc", False), ((1, 2), False), (None, False), (1, False),
])
def test_equality_converts_the_other_operand(other, equal):
    v = Vec3(1, 2, 3)
    assert (v == other) is equal
    assert (v != other) is (not equal)


def test_equality_is_ieee():
    assert Vec3(0.0, 0, 0) == Vec3(-0.0, 0, 0)
    assert Vec3.NAN != Vec3.NAN
    assert not (Vec3.NAN == Vec3.NAN)


@pytest.mark.parametrize("op", ["<", "<=", ">", ">="])
def test_ordering_is_not_offered(op):
    with pytest.raises(TypeError):
        eval(f"a {op} b", {"a": Vec3(1, 2, 3), "b": Vec3(1, 2, 4)})


def test_hash_is_siphash13_of_the_component_bits(run_python):
    # With hash seed 0 the interpreter's bytes hash is SipHash-1-3 under zero keys.
    run_python("""
        import struct
        from quorixpy import Vec3
        for t in [(1, 2, 3), (0, 0, 0), (float("nan"), 1, 2), (1e300, -5e-324, 7)]:
            assert hash(Vec3(*t)) == hash(struct.pack("<3d", *t)), t
        assert hash(Vec3(-0.0, 0, -0.0)) == hash(struct.pack("<3d", 0, 0, 0))
    """, env={"PYTHONHASHSEED": "0"})


def siphash13(data):
    """SipHash-1-3 under two zero keys, written out from the algorithm's description."""
    mask = (1 << 64) - 1

    def rotl(x, b):
        return ((x << b) | (x >> (64 - b))) & mask

    v = [0x736F6D6570736575, 0x646F72616E646F6D, 0x6C7967656E657261, 0x7465646279746573]

    def sipround():
        v[0] = (v[0] + v[1]) & mask; v[1] = rotl(v[1], 13) ^ v[0]; v[0] = rotl(v[0], 32)
        v[2] = (v[2] + v[3]) & mask; v[3] = rotl(v[3], 16) ^ v[2]
        v[0] = (v[0] + v[3]) & mask; v[3] = rotl(v[3], 21) ^ v[0]
        v[2] = (v[2] + v[1]) & mask; v[1] = rotl(v[1], 17) ^ v[2]; v[2] = rotl(v[2], 32)

    tail = len(data) % 8
    blocks = [int.from_bytes(data[i:i + 8], "little") for i in range(0, len(data) - tail, 8)]
    blocks.append(int.from_bytes(data[len(data) - tail:], "little") | ((len(data) & 0xFF) << 56))
    for m in blocks:
        v[3] ^= m
        sipround()
        v[0] ^= m
    v[2] ^= 0xFF
    for _ in range(3):
        sipround()
    h = v[0] ^ v[1] ^ v[2] ^ v[3]
    h = h - (1 << 64) if h >= 1 << 63 else h
    return -2 if h == -1 else h


def from_bits(b):
    return struct.unpack("<d", struct.pack("<Q", b))[0]


HASH_VALUES = [
    (1.0, 2.0, 3.0, 4.0), (0.0, 0.0, 0.0, 0.0), (-0.0, 0.0, -0.0, 0.0), (5e-324, -5e-324, 1e308, -1e-308),
    (float("inf"), -float("inf"), 0.1, -0.1), (from_bits(0x7FF8000000000000), from_bits(0xFFF8000000000001),
                                               from_bits(0x7FF0000000000001), 1.0),
]


@pytest.mark.parametrize("values", HASH_VALUES)
@pytest.mark.parametrize("cls", [quorixpy.Vec2, Vec3, quorixpy.Vec4])
def test_hash_is_siphash13_over_the_little_endian_bits(cls, values):
    n = {quorixpy.Vec2: 2, Vec3: 3, quorixpy.Vec4: 4}[cls]
    unsigned_zeros = [0.0 if c == 0 else c for c in values[:n]]
    assert hash(cls(*values[:n])) == siphash13(struct.pack(f"<{n}d", *unsigned_zeros))


def test_hash_follows_the_bits():
    assert hash(Vec3(1, 2, 3)) == hash(Vec3(1, 2, 3))
    assert hash(Vec3.NAN) == hash(Vec3.NAN)
    assert hash(Vec3(1, 2, 3)) != hash(Vec3(1, 2, 3.0000000000000004))


@pytest.mark.parametrize("make", [
    lambda z: quorixpy.Vec2(z, 1), lambda z: Vec3(2, z, 1), lambda z: quorixpy.Vec4(1, 2, 3, z),
    lambda z: quorixpy.Quat(z, 0, 0, 1), lambda z: quorixpy.Mat3.from_diagonal((1, z, 2)),
    lambda z: quorixpy.Mat4.from_diagonal((1, 2, z, 3)), lambda z: quorixpy.Affine3.from_translation((z, 1, z)),
])
def test_equal_values_with_signed_zeros_hash_equal(make):
    plus, minus = make(0.0), make(-0.0)
    assert plus == minus and hash(plus) == hash(minus)
    assert len({plus, minus}) == 1 and {plus: "found"}[minus] == "found"


# ---- approximate equality ----

@pytest.mark.parametrize("a, b, tol, expected", [
    ((0, 0, 0), (0.1, 0, 0), 0.1, True),
    ((0, 0, 0), (0.1, 0, 0), 0.09999, False),
    ((float("nan"), 0, 0), (float("nan"), 0, 0), 1.0, False),
    ((0, 0, 0), (0, 0, 0), -1.0, False),
    ((0, 0, 0), (0, 0, 0), float("nan"), False),
    ((float("inf"), 0, 0), (float("inf"), 0, 0), 1.0, False),
    ((1, 2, 3), (1, 2, 3), 0.0, True),
])
def test_abs_diff_eq(a, b, tol, expected):
    assert Vec3(*a).abs_diff_eq(b, tol) is expected
    assert Vec3(*a).abs_diff_eq(rhs=Vec3(*b), max_abs_diff=tol) is expected


# ---- number text ----

@pytest.mark.parametrize("value, text", [
    (1.0, "1"), (-0.0, "-0"), (0.0, "0"), (0.1, "0.1"), (1.5, "1.5"), (-2.25, "-2.25"),
    (1e20, "100000000000000000000"), (1e23, "100000000000000000000000"), (1e-7, "0.0000001"),
    (5e-324, "0." + "0" * 323 + "5"), (123456789.125, "123456789.125"), (1 / 3, "0.3333333333333333"),
    (float("nan"), "NaN"), (-float("nan"), "NaN"), (float("inf"), "inf"), (-float("inf"), "-inf"),
    (1.7976931348623157e308, "17976931348623157" + "0" * 292),
])
def test_number_text(value, text):
    assert repr(Vec3(value, 0, 0)) == f"Vec3({text}, 0, 0)"
    assert str(Vec3(0, 0, value)) == f"[0, 0, {text}]"


def test_text_examples():
    assert repr(Vec3(1.0, -0.0, 1e20)) == "Vec3(1, -0, 100000000000000000000)"
    assert str(Vec3(1e-7, float("nan"), float("-inf"))) == "[0.0000001, NaN, -inf]"
    assert repr(Vec3(1, 2.5, -0.0)) == "Vec3(1, 2.5, -0)"
    assert str(Vec3(1, 2.5, -0.0)) == "[1, 2.5, -0]"


# ---- argument errors ----

@pytest.mark.parametrize("call, text", [
    (lambda: Vec3(1, 2, 3, 4), "Vec3.__new__() takes from 0 to 3 positional arguments but 4 were given"),
    (lambda: Vec3(q=1), "Vec3.__new__() got an unexpected keyword argument 'q'"),
    (lambda: Vec3(1, x=2), "Vec3.__new__() got multiple values for argument 'x'"),
    (lambda: Vec3(1, 2, 3, 4, __pickle_state__=None),
     "Vec3.__new__() takes from 0 to 3 positional arguments but 4 were given"),
    (lambda: Vec3().with_x(), "Vec3.with_x() missing 1 required positional argument: 'x'"),
    (lambda: Vec3().with_x(1, 2), "Vec3.with_x() takes 1 positional arguments but 2 were given"),
    (lambda: Vec3().abs_diff_eq(), "Vec3.abs_diff_eq() missing 2 required positional arguments: "
                                    "'rhs' and 'max_abs_diff'"),
    (lambda: Vec3().abs_diff_eq(max_abs_diff=1), "Vec3.abs_diff_eq() missing 1 required positional argument: "
                                                  "'rhs'"),
    (lambda: Vec3().abs_diff_eq(1, rhs=2), "Vec3.abs_diff_eq() got multiple values for argument 'rhs'"),
    (lambda: Vec3.splat(), "Vec3.splat() missing 1 required positional argument: 'v'"),
    (lambda: Vec3.splat(1, 2), "Vec3.splat() takes 1 positional arguments but 2 were given"),
    (lambda: Vec3.splat(1, w=2), "Vec3.splat() got an unexpected keyword argument 'w'"),
    (lambda: Vec3.from_array(), "Vec3.from_array() missing 1 required positional argument: 'a'"),
    (lambda: Vec3().to_list(1), "Vec3.to_list() takes 0 positional arguments but 1 was given"),
    (lambda: Vec3().to_list(a=1), "Vec3.to_list() got an unexpected keyword argument 'a'"),
    (lambda: Vec3().is_nan(1, 2), "Vec3.is_nan() takes 0 positional arguments but 2 were given"),
    (lambda: Vec3().__getnewargs_ex__(protocol=2), "Vec3.__getnewargs_ex__() got an unexpected keyword argument 'protocol'"),
    (lambda: quorixpy.Vec2(1, 2).abs(1), "Vec2.abs() takes 0 positional arguments but 1 was given"),
    (lambda: Vec3(1, 2, 3).element_sum(x=1), "Vec3.element_sum() got an unexpected keyword argument 'x'"),
    (lambda: quorixpy.Mat3.IDENTITY.transpose(1), "Mat3.transpose() takes 0 positional arguments but 1 was given"),
    (lambda: quorixpy.Quat().normalize(q=1), "Quat.normalize() got an unexpected keyword argument 'q'"),
    (lambda: Vec3().rotate_axis(), "Vec3.rotate_axis() missing 2 required positional arguments: 'axis' and 'angle'"),
    (lambda: Vec3().rotate_axis(angle=1), "Vec3.rotate_axis() missing 1 required positional argument: 'axis'"),
    (lambda: Vec3().rotate_axis(1, 2, 3), "Vec3.rotate_axis() takes 2 positional arguments but 3 were given"),
    (lambda: Vec3().rotate_axis(1, 2, axis=3), "Vec3.rotate_axis() got multiple values for argument 'axis'"),
    (lambda: Vec3.splat(1, v=2), "Vec3.splat() got multiple values for argument 'v'"),
    (lambda: quorixpy.Vec2(1, 2, 3), "Vec2.__new__() takes from 0 to 2 positional arguments but 3 were given"),
    (lambda: quorixpy.Vec4(w=1, v=2), "Vec4.__new__() got an unexpected keyword argument 'v'"),
    (lambda: Vec3.__new__(Vec3, 1, 2, 3, 4), "Vec3.__new__() takes from 0 to 3 positional arguments but 4 were given"),
    (lambda: Vec3.__new__(Vec3, 1, x=1), "Vec3.__new__() got multiple values for argument 'x'"),
    (lambda: Vec3(**{"__pickle_state__": None, "y": 1, "bad": 2}),
     "Vec3.__new__() got an unexpected keyword argument 'bad'"),
])
def test_argument_parsing_errors(call, text):
    with pytest.raises(TypeError) as info:
        call()
    assert str(info.value) == text


@pytest.mark.skipif(not hasattr(quorixpy, "Mat4"), reason="matrices not built yet")
@pytest.mark.parametrize("call, text", [
    (lambda: quorixpy.Mat3.from_cols(),
     "Mat3.from_cols() missing 3 required positional arguments: 'x_axis', 'y_axis', and 'z_axis'"),
    (lambda: quorixpy.Mat4.from_cols(),
     "Mat4.from_cols() missing 4 required positional arguments: 'x_axis', 'y_axis', 'z_axis', and 'w_axis'"),
    (lambda: quorixpy.Mat4.from_cols(1, z_axis=2),
     "Mat4.from_cols() missing 2 required positional arguments: 'y_axis' and 'w_axis'"),
])
def test_missing_argument_lists(call, text):
    with pytest.raises(TypeError) as info:
        call()
    assert str(info.value) == text


def test_receiver_check_of_slots():
    # Called through the slot wrapper with a foreign receiver the interpreter refuses first.
    with pytest.raises(TypeError):
        Vec3.__add__(5, 1)
    with pytest.raises(TypeError):
        Vec3.to_list(5)


class FloatLike:
    def __init__(self, v):
        self.v = v

    def __float__(self):
        return self.v


class IndexLike:
    def __index__(self):
        return 7


class FailsWithCause:
    def __float__(self):
        try:
            raise ValueError("inner")
        except ValueError as e:
            raise TypeError("outer") from e


@pytest.mark.parametrize("arg, expected", [
    (2.5, 2.5), (3, 3.0), (True, 1.0), (FloatLike(4.5), 4.5), (IndexLike(), 7.0), (2 ** 70, 2.0 ** 70),
])
def test_float_rule(arg, expected):
    assert Vec3(arg).x == expected
    assert Vec3().with_y(arg).y == expected


def test_argument_error_is_renamed_and_keeps_the_cause():
    with pytest.raises(TypeError) as info:
        Vec3(1, FailsWithCause())
    assert str(info.value) == "argument 'y': outer"
    assert type(info.value.__cause__) is ValueError and str(info.value.__cause__) == "inner"


class TypeErrorKind(TypeError):
    pass


class FailsWith:
    def __init__(self, exc):
        self.exc = exc

    def __float__(self):
        raise self.exc


def test_only_an_exact_type_error_is_renamed():
    # A subclass of TypeError passes unchanged, like any other error type.
    with pytest.raises(TypeErrorKind) as info:
        Vec3(1, FailsWith(TypeErrorKind("kind")))
    assert str(info.value) == "kind"
    with pytest.raises(TypeError) as info:
        Vec3(FailsWith(TypeError("plain")))
    assert type(info.value) is TypeError and str(info.value) == "argument 'x': plain"
    assert info.value.__cause__ is None


@pytest.mark.parametrize("arg, error, text", [
    ("1", TypeError, "argument 'x': must be real number, not str"),
    (None, TypeError, "argument 'x': must be real number, not NoneType"),
    (2 ** 2000, OverflowError, "int too large to convert to float"),
    (FloatLike("no"), TypeError, "argument 'x': FloatLike.__float__ returned non-float (type str)"),
])
def test_float_rule_errors(arg, error, text):
    with pytest.raises(error) as info:
        Vec3(arg)
    assert type(info.value) is error and str(info.value) == text


# ---- errors raised by user code are discarded only when ordinary ----

class Raising:
    """A sequence whose length, items and attributes raise the given exception."""

    def __init__(self, exc):
        self.exc = exc

    def __len__(self):
        raise self.exc

    def __getitem__(self, i):
        raise self.exc

    def __getattr__(self, name):
        raise self.exc

    def __float__(self):
        raise self.exc


@pytest.mark.parametrize("exc", [KeyboardInterrupt, SystemExit, MemoryError])
def test_interrupts_are_never_discarded(exc):
    v = Vec3(1, 2, 3)
    for attempt in (lambda: v + Raising(exc()), lambda: v == Raising(exc()), lambda: v * Raising(exc()),
                    lambda: Vec3(__pickle_state__=Raising(exc()))):
        with pytest.raises(exc):
            attempt()


def test_ordinary_failures_are_discarded():
    v = Vec3(1, 2, 3)
    with pytest.raises(TypeError, match=r"^unsupported operand type for \+$"):
        v + Raising(ValueError())
    assert (v == Raising(ValueError())) is False
    # A failing length of a state sequence is ignored; its items still decide.
    with pytest.raises(ValueError, match="^boom$"):
        Vec3(__pickle_state__=Raising(ValueError("boom")))


# ---- internal faults ----

@pytest.mark.parametrize("call", [
    lambda: Vec3(0, 0, 0).rotate_towards(Vec3(1, 0, 0), 0.1),
    lambda: Vec3(1, 0, 0).rotate_towards((float("nan"), 0, 0), 0.1),
    lambda: quorixpy.Vec2(0, 0).rotate_towards(quorixpy.Vec2(1, 0), 0.1),
    lambda: quorixpy.Vec2(1, 0).rotate_towards(quorixpy.Vec2(float("inf"), 0), 0.1),
])
def test_internal_fault_becomes_panic_exception(call):
    with pytest.raises(BaseException) as info:
        call()
    exc_type = type(info.value)
    assert not issubclass(exc_type, Exception)
    assert f"{exc_type.__module__}.{exc_type.__qualname__}" == "pyo3_runtime.PanicException"
    assert str(info.value) == "min > max, or either was NaN. min = NaN, max = NaN"


def test_panic_exception_type_is_created_once():
    kinds = set()
    for call in (lambda: Vec3(0, 0, 0).rotate_towards(Vec3(1, 0, 0), 0.1),
                 lambda: quorixpy.Vec2(0, 0).rotate_towards(quorixpy.Vec2(1, 0), 0.1)):
        for _ in range(2):
            try:
                call()
            except BaseException as e:
                kinds.add(type(e))
    (kind,) = kinds
    assert kind.__bases__ == (BaseException,)
    assert kind.__module__ == "pyo3_runtime" and kind.__name__ == "PanicException"


def test_panic_leaves_the_interpreter_running(run_python):
    proc = run_python("""
        import quorixpy
        for _ in range(3):
            try:
                quorixpy.Vec3(0, 0, 0).rotate_towards((1, 0, 0), 0.1)
            except BaseException as e:
                kind = type(e)
        assert kind.__name__ == "PanicException"
        print(quorixpy.Vec3(1, 0, 0).rotate_towards((0, 1, 0), 0.0))
    """)
    assert proc.stdout.strip() == "[1, 0, 0]"
    # One short report per fault: the thread, where the fault was raised, then its message.
    lines = proc.stderr.splitlines()
    assert len(lines) == 6
    for head, message in zip(lines[::2], lines[1::2]):
        assert re.fullmatch(r"thread '[^']+' faulted at .+\.(cpp|hpp):\d+:\d+:", head), head
        assert message == "min > max, or either was NaN. min = NaN, max = NaN"

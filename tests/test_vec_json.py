"""JSON text and plain-data (tuple) forms of Vec3."""
import collections.abc
import math
import struct
import sys

import pytest

from quorixpy import Vec2, Vec3, Vec4

NAN = float("nan")
INF = float("inf")


def bits(v):
    return struct.pack("<3d", *v)


@pytest.mark.parametrize("value, text", [
    ((1, 2.5, -0.0), "[1.0,2.5,-0.0]"),
    ((1e20, 1e-7, NAN), "[1e+20,1e-7,null]"),
    ((1e15, 1e16, 1e-5), "[1000000000000000.0,1e+16,0.00001]"),
    ((5e-324, 1.5e300, -INF), "[5e-324,1.5e+300,null]"),
    ((0.1, -123456.789, 1e-6), "[0.1,-123456.789,1e-6]"),
    ((0.0001, 999999999999999.9, 1.7976931348623157e308), "[0.0001,999999999999999.9,1.7976931348623157e+308]"),
    ((12345678901234567890.0, -1.5e-5, INF), "[1.2345678901234567e+19,-0.000015,null]"),
])
def test_to_json_text(value, text):
    assert Vec3(*value).to_json() == text


@pytest.mark.parametrize("value", [
    (1, 2, 3), (-0.0, 0.0, 5e-324), (0.1, 1 / 3, 2.2250738585072014e-308), (1e308, -1e-308, 123.456e78),
])
def test_json_round_trips_bit_for_bit(value):
    v = Vec3(*value)
    assert bits(Vec3.from_json(v.to_json())) == bits(v)


@pytest.mark.parametrize("text, expected", [
    (" [1, 2, 3] ", (1, 2, 3)),
    ("\n[\t1 ,2\r\n,3]\n", (1, 2, 3)),
    ("[1e2,-0,3.5E-1]", (100, -0.0, 0.35)),
    ("[-0.0,1E+2,0.1e1]", (-0.0, 100, 1)),
])
def test_from_json_accepts(text, expected):
    v = Vec3.from_json(text)
    assert type(v) is Vec3 and bits(v) == bits(expected)
    assert bits(Vec3.try_from_json(text)) == bits(expected)


@pytest.mark.parametrize("text, message", [
    ("[1,2]", "invalid length 2, expected a sequence of 3 f64 values at line 1 column 5"),
    ("[]", "invalid length 0, expected a sequence of 3 f64 values at line 1 column 2"),
    ("[1,2,3,4]", "trailing characters at line 1 column 8"),
    ("[1,2,3] x", "trailing characters at line 1 column 9"),
    ("[1,null,3]", "invalid type: null, expected f64 at line 1 column 7"),
    ("{}", "invalid type: map, expected a sequence of 3 f64 values at line 1 column 0"),
    ("[1,2", "EOF while parsing a list at line 1 column 4"),
    ("[1 2]", "expected `,` or `]` at line 1 column 4"),
    ("[1,\n2,\n3,\n4]", "trailing characters at line 4 column 1"),
])
def test_from_json_messages(text, message):
    with pytest.raises(ValueError) as info:
        Vec3.from_json(text)
    assert type(info.value) is ValueError and str(info.value) == message
    assert Vec3.try_from_json(text) is None


@pytest.mark.parametrize("text", ["", "null", '"abc"', "[1,2,3,]", "[1,2,3", "[1,2,NaN]", "[1,2,3]]", "[[1],2,3]"])
def test_try_from_json_gives_none(text):
    assert Vec3.try_from_json(text) is None
    with pytest.raises(ValueError, match=r" at line \d+ column \d+$"):
        Vec3.from_json(text)


def test_non_finite_components_do_not_round_trip():
    text = Vec3(1, INF, NAN).to_json()
    assert text == "[1.0,null,null]"
    assert Vec3.try_from_json(text) is None


@pytest.mark.parametrize("method", ["from_json", "try_from_json"])
@pytest.mark.parametrize("arg, type_name", [(b"[1,2,3]", "bytes"), (None, "NoneType"), ([1, 2, 3], "list")])
def test_json_argument_must_be_str(method, arg, type_name):
    with pytest.raises(TypeError) as info:
        getattr(Vec3, method)(arg)
    assert str(info.value) == f"argument 'json': '{type_name}' object is not an instance of 'str'"


def test_json_takes_str_subclasses_and_keywords():
    class Text(str):
        pass
    assert Vec3.from_json(json=Text("[1,2,3]")) == Vec3(1, 2, 3)


# ---- plain-data form ----

def test_to_dict_is_a_tuple_of_floats():
    d = Vec3(1, -0.0, NAN).to_dict()
    assert type(d) is tuple and len(d) == 3 and all(type(c) is float for c in d)
    assert d[0] == 1.0 and math.copysign(1, d[1]) == -1 and math.isnan(d[2])


class Seq(collections.abc.Sequence):
    def __init__(self, items):
        self.items = items

    def __len__(self):
        return len(self.items)

    def __getitem__(self, i):
        return self.items[i]


class FloatSub(float):
    pass


@pytest.mark.parametrize("obj, expected", [
    ([1, 2, 3], (1, 2, 3)),
    ((1.0, 2.0, 3.0), (1, 2, 3)),
    (range(3), (0, 1, 2)),
    (Seq([0.5, -0.0, 7]), (0.5, -0.0, 7)),
    ([FloatSub(1.5), 2**53 + 1, -(10**20)], (1.5, 2.0**53, -1e20)),
    (Vec3(1, 2, 3).to_dict(), (1, 2, 3)),
])
def test_from_dict_accepts(obj, expected):
    v = Vec3.from_dict(obj)
    assert type(v) is Vec3 and bits(v) == bits(expected)
    assert bits(Vec3.try_from_dict(obj=obj)) == bits(expected)


@pytest.mark.parametrize("obj, message", [
    ({"x": 1}, "'dict' object is not an instance of 'Sequence'"),
    (Vec3(1, 2, 3), "'Vec3' object is not an instance of 'Sequence'"),
    (5, "'int' object is not an instance of 'Sequence'"),
    ({1, 2, 3}, "'set' object is not an instance of 'Sequence'"),
    ([1, 2], "expected sequence of length 3, got 2"),
    ((1, 2, 3, 4), "expected sequence of length 3, got 4"),
    ("abc", 'invalid type: string "a", expected f64'),
    ([1, None, 3], "invalid type: unit value, expected f64"),
    ([1, 2, True], "invalid type: boolean `true`, expected f64"),
    ([1, [2], 3], "invalid type: sequence, expected f64"),
    ([1, b"2", 3], "invalid type: byte array, expected f64"),
    ([1, "say \"hi\"\n", 3], 'invalid type: string "say \\"hi\\"\\n", expected f64'),
    ([1, 2, 10**400], "int too large to convert to float"),
])
def test_from_dict_messages(obj, message):
    with pytest.raises(ValueError) as info:
        Vec3.from_dict(obj)
    assert type(info.value) is ValueError and str(info.value) == message
    assert Vec3.try_from_dict(obj) is None


def test_from_dict_item_errors_become_value_errors():
    class Broken(collections.abc.Sequence):
        def __len__(self):
            return 3

        def __getitem__(self, i):
            raise KeyError("gone")

    with pytest.raises(ValueError, match="gone") as info:
        Vec3.from_dict(Broken())
    assert isinstance(info.value.__cause__, KeyError)
    assert Vec3.try_from_dict(Broken()) is None


def test_try_from_dict_lets_interrupts_through():
    class Interrupting(collections.abc.Sequence):
        def __len__(self):
            return 3

        def __getitem__(self, i):
            raise KeyboardInterrupt

    with pytest.raises(KeyboardInterrupt):
        Vec3.try_from_dict(Interrupting())


class Evasive:
    @property
    def __class__(self):
        raise RuntimeError("no class")


def test_failing_instance_test_counts_as_not_a_sequence(monkeypatch):
    reported = []
    monkeypatch.setattr(sys, "unraisablehook", reported.append)
    with pytest.raises(ValueError, match="^'Evasive' object is not an instance of 'Sequence'$"):
        Vec3.from_dict(Evasive())
    assert len(reported) == 1 and type(reported[0].exc_value) is RuntimeError
    assert Vec3.try_from_dict(Evasive()) is None


@pytest.mark.parametrize("cls", [Vec2, Vec4])
def test_only_vec3_has_the_forms(cls):
    for name in ("to_json", "from_json", "try_from_json", "to_dict", "from_dict", "try_from_dict"):
        assert not hasattr(cls, name)

"""JSON text and plain-data forms of Quat, Mat3 and Affine3: the stored values in storage order,
with each class's count in the readers' messages. Mat4 has neither form."""
import copy
import pickle

import pytest

from algebra_support import bits, components
from quorixpy import Affine3, Mat3, Mat4, Quat

FORMS = [
    (Quat, 4, "a sequence of 4 f64 values", Quat(1, 2.5, -0.0, 1e20)),
    (Mat3, 9, "a sequence of 9 f64values", Mat3.from_cols_array([1, 2.5, -0.0, 1e20, 1e-7, 0.1, 7, 8, 9])),
    (Affine3, 12, "a sequence of 12 f64values", Affine3.from_cols_array([1, 2.5, -0.0, 1e20, 1e-7, 0.1, 7, 8, 9, 10, 11, 1e16])),
]
forms = pytest.mark.parametrize("cls, n, expected, value", FORMS, ids=["Quat", "Mat3", "Affine3"])
TEXTS = ["1.0", "2.5", "-0.0", "1e+20", "1e-7", "0.1", "7.0", "8.0", "9.0", "10.0", "11.0", "1e+16"]


@forms
def test_round_trips(cls, n, expected, value):
    text = value.to_json()
    assert text == "[" + ",".join(TEXTS[:n]) + "]"
    assert bits(cls.from_json(text)) == bits(value) and bits(cls.try_from_json(" " + text)) == bits(value)
    plain = value.to_dict()
    assert type(plain) is tuple and plain == tuple(components(value))
    assert bits(cls.from_dict(plain)) == bits(value) and bits(cls.try_from_dict(list(plain))) == bits(value)


@forms
def test_refusals(cls, n, expected, value):
    with pytest.raises(ValueError) as info:
        cls.from_json("[1,2]")
    assert str(info.value) == f"invalid length 2, expected {expected} at line 1 column 5"
    for text, found, column in [("{}", "map", 0), ("null", "null", 4), ("7", "integer `7`", 1)]:
        with pytest.raises(ValueError) as info:
            cls.from_json(text)
        assert str(info.value) == f"invalid type: {found}, expected {expected} at line 1 column {column}"
    with pytest.raises(ValueError, match=r"^trailing characters at line 1 column"):
        cls.from_json("[" + ",".join(["1"] * (n + 1)) + "]")
    with pytest.raises(TypeError, match=r"^argument 'json': "):
        cls.try_from_json(b"[]")
    with pytest.raises(ValueError) as info:
        cls.from_dict([1.0] * (n - 1))
    assert str(info.value) == f"expected sequence of length {n}, got {n - 1}"
    with pytest.raises(ValueError, match=r"^'dict' object is not an instance of 'Sequence'$"):
        cls.from_dict({})
    assert cls.try_from_json(cls.NAN.to_json()) is None and cls.NAN.to_json().count("null") == n
    assert cls.try_from_dict(value) is None and cls.try_from_dict("x" * n) is None


def test_mat4_has_no_plain_forms():
    assert not any(hasattr(Mat4, name) for name in ("to_json", "from_json", "to_dict", "from_dict"))


@pytest.mark.parametrize("value", [Quat(1, -0.0, 3, float("nan")), Mat3.from_cols_array(range(9)),
                                   Mat4.from_cols_array([-0.0] * 16), Affine3.from_cols_array(range(12))])
def test_pickle_and_copy(value):
    for back in (pickle.loads(pickle.dumps(value)), copy.copy(value), copy.deepcopy(value)):
        assert type(back) is type(value) and back is not value and bits(back) == bits(value)

"""Crafted pickle states, for every kind of class: memory bounded by the input, and refusals that
are always ValueError "pickle decode failed: ..." with a message that is text."""
import pytest

from peak_memory import PEAK_ABOVE, needs_peak_counter
from quorixpy import Collider, ConvexPolygon, Mat4, Pointcloud, Quat, Sphere, SphereCollection, Vec3

CLASSES = [Vec3, Quat, Mat4, Sphere, ConvexPolygon, Pointcloud, SphereCollection, Collider]


@pytest.mark.parametrize("cls", CLASSES, ids=lambda c: c.__name__)
@pytest.mark.parametrize("line, quoted", [
    (b"F\xff\n", "literal is invalid: \ufffd"),
    (b"I1\xe0\x80\n", "literal is invalid: 1\ufffd\ufffd"),
    (b"L\xf0\x9f\x98\n", "literal is invalid: \ufffd"),
    (b"c\xff\nx\n", "unsupported global: \ufffd.x"),
])
def test_messages_quoting_bytes_that_are_not_utf8(cls, line, quoted):
    with pytest.raises(ValueError) as info:
        cls(__pickle_state__=b"\x80\x03" + line + b".")
    assert type(info.value) is ValueError
    assert str(info.value) == "pickle decode failed: eval error at offset 2: " + quoted


# About 1 MB states (k bytes of memo opcodes after a None) made of one memo form each; every one
# ends refused ("unit value").
MEMO_FORMS = {
    "scattered LONG_BINPUT": 'b"".join(b"r" + struct.pack("<I", i * 1024 + 1023) for i in range(k // 5))',
    "scattered PUT": 'b"".join(b"p%d\\n" % (i * 1024 + 1023) for i in range(k // 9))',
    "far LONG_BINPUT repeated": 'b"r\\xff\\xff\\xff\\xff" * (k // 5)',
    "BINPUT 255 repeated": 'b"q\\xff" * (k // 2)',
    "MEMOIZE repeated": 'b"\\x94" * k',
}

MEMO_MEMORY = PEAK_ABOVE + """
import struct
import quorixpy

k = 1 << 20
state = b"\\x80\\x04N" + {form} + b"."

def decode():
    try:
        quorixpy.{cls}(__pickle_state__=state)
    except ValueError as e:
        assert "invalid type: unit value" in str(e), e

print(len(state), peak_above(decode)[1])
"""


@needs_peak_counter
@pytest.mark.parametrize("cls", [Vec3, Sphere, Pointcloud, Collider], ids=lambda c: c.__name__)
@pytest.mark.parametrize("form", MEMO_FORMS)
def test_memo_forms_stay_within_the_budget(run_python, form, cls):
    size, peak = map(int, run_python(MEMO_MEMORY.format(form=MEMO_FORMS[form], cls=cls.__name__)).stdout.split())
    # Memo entries cost a few bytes each, and no entry takes less than one input byte: some ten
    # bytes of memory per input byte at most. The scattered forms used to take a thousand.
    assert peak <= 16 * size

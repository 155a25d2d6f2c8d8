"""Crafted pickle states, for every kind of class: memory bounded by the input, and refusals that
are always ValueError "pickle decode failed: ..." with a message that is text."""
import gc
import itertools
import math
import os
import pickle
import struct
import time
from concurrent.futures import ThreadPoolExecutor

import pytest

from peak_memory import PEAK_ABOVE, needs_native_speed, needs_peak_counter, run_fresh
from quorixpy import Collider, ConvexPolygon, Mat4, Pointcloud, Quat, Sphere, SphereCollection, Vec3

CLASSES = [Vec3, Quat, Mat4, Sphere, ConvexPolygon, Pointcloud, SphereCollection, Collider]


@pytest.mark.parametrize("cls", CLASSES, ids=lambda c: c.__name__)
@pytest.mark.parametrize("line, quoted", [
    (b"F\xff\n", "literal is invalid: \ufffd"),
    (b"I1\xe0\x80\n", "literal is invalid: 1\ufffd\ufffd"),
    (b"L\xf0\x9f\x98\n", "literal is invalid: \ufffd"),
    (b"c\xff\nx\n", "unsupported global: \ufffd.x"),
    (b"F1\x00x\xff\n", "literal is invalid: 1\x00x\ufffd"),
])
def test_messages_quote_the_stream_whole_as_text(cls, line, quoted):
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
    "far LONG_BINPUTs, then MEMOIZE": 'b"".join(b"r" + struct.pack("<I", 0x80000000 + i) for i in range(1100)) + b"\\x94" * (k - 5500)',
    "far LONG_BINPUT and MEMOIZE interleaved": 'b"".join(b"r" + struct.pack("<I", 0x80000000 + i) + b"\\x94" * 3 for i in range(k // 8))',
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


def memo_puts_then_gets(indices):
    return (b"\x80\x04N" + b"".join(b"r" + struct.pack("<I", i) for i in indices)
            + b"".join(b"j" + struct.pack("<I", i) + b"0" for i in indices) + b".")


def best_decode_time(state):
    times = []
    for _ in range(3):
        start = time.perf_counter()
        with pytest.raises(ValueError, match="invalid type: unit value"):
            Vec3(__pickle_state__=state)
        times.append(time.perf_counter() - start)
    return min(times)


# Indices that are all multiples of p, a bucket count that a plain integer-keyed hash table reaches
# at p entries, against indices as scattered that no such table gathers: the same size of state,
# and time within one order of magnitude (the first used to grow with the square of the size).
@pytest.mark.parametrize("p", [10273, 42043])
def test_memo_indices_chosen_to_collide_cost_what_scattered_ones_do(p):
    colliding = memo_puts_then_gets([i * p for i in range(1, p + 1)])
    scattered = memo_puts_then_gets([i * (p + 1) for i in range(1, p + 1)])
    assert len(colliding) == len(scattered)
    assert best_decode_time(colliding) < 10 * best_decode_time(scattered) + 0.01


def binfloat(x):
    return b"G" + struct.pack(">d", x)


# A set holds each member once, kept as the first that Python holds equal (1, 1.0 and True; 0 and
# -0.0), in the stream's order.
@pytest.mark.parametrize("state, members", [
    (b"\x80\x02(" + binfloat(1) + binfloat(1) + binfloat(2) + binfloat(3) + b"\x91.", (1, 2, 3)),
    (b"\x80\x04\x8f(K\x01" + binfloat(1) + b"\x88" + binfloat(2) + b"\x90(I01\nK\x02" + binfloat(3) + b"\x90.",
     (1, 2, 3)),
    (b"\x80\x02c__builtin__\nset\n](" + binfloat(-0.0) + b"K\x01\x89\x88" + binfloat(2) + b"e\x85R.",
     (-0.0, 1, 2)),
], ids=["FROZENSET", "EMPTY_SET and ADDITEMS", "builtins.set"])
def test_set_members_python_holds_equal_count_once(state, members):
    assert sorted(pickle.loads(state)) == sorted(members)
    got = Vec3(__pickle_state__=state)
    assert got == Vec3(*members)
    assert math.copysign(1, got.x) == math.copysign(1, members[0])  # the first stays: -0.0 keeps its sign


def int_list(n):
    return b"]" + b"".join(b"(" + b"".join(b"M" + struct.pack("<H", i) for i in range(s, min(n, s + 1000))) + b"e"
                           for s in range(0, n, 1000))


def padded(head, size):
    pad = size - len(head) - 8
    return head + b"B" + struct.pack("<I", pad) + b"\0" * pad + b"0N."


# frozenset() of one memoized list of ints, as many times as the budget for stored items allows;
# each result popped, or all kept as the members of one frozenset.
def frozensets_of_one_list(size, kept):
    n = 65536 if size >= 1 << 20 else 4096
    copies = ((1 << 20) + 8 * size) // (2 * n) - 1
    call = b"h\x00h\x01\x85R"
    head = b"\x80\x04cbuiltins\nfrozenset\nq\x000" + int_list(n) + b"q\x010"
    return padded(head + (b"(" + call * copies + b"\x910" if kept else (call + b"0") * copies), size)


SET_MEMORY = PEAK_ABOVE + """
import quorixpy

state = open({path!r}, "rb").read()

def decode():
    try:
        quorixpy.Vec3(__pickle_state__=state)
    except ValueError as e:
        return str(e)

message, peak = peak_above(decode)
print(len(state), peak, message)
"""

DECODED = "invalid type: unit value"
REFUSED = "shared references expand beyond the size limit"


def decode_peak(path):
    """The length of the state at `path`, the peak of its decode in a fresh interpreter, and the
    outcome."""
    length, peak, message = run_fresh(SET_MEMORY.format(path=str(path))).stdout.split(maxsplit=2)
    return int(length), int(peak), message


def measure(path, state):
    """The state's length, the peak of its decode in a fresh interpreter, and the outcome."""
    path.write_bytes(state)
    return decode_peak(path)


# The repeated frozenset() streams, whose bookkeeping once kept a record of every member of every
# set, decode within 48 bytes per input byte plus 16 MiB.
@needs_peak_counter
@pytest.mark.parametrize("size", [1 << 14, 1 << 20, 1 << 22])
@pytest.mark.parametrize("kept", [False, True], ids=["popped", "kept"])
def test_repeated_frozensets_stay_within_the_memory_bound(tmp_path, kept, size):
    length, peak, message = measure(tmp_path / "state", frozensets_of_one_list(size, kept))
    assert DECODED in message
    assert peak <= 48 * length + (16 << 20)


def fitted(make, size):
    """make(n) for an n whose pickle (protocol 4) leaves room to pad it to `size` bytes, and no more
    than about size / 2048, and that pickle without its STOP. Past 2**16 items, where every int takes
    one opcode, the pickle grows by as much per item, but for its frames and batches."""
    gc.disable()  # millions of new containers: collecting them would take longer than making them
    try:
        a, b = (len(pickle.dumps(make(n), 4)) for n in (1 << 17, (1 << 17) + (1 << 14)))
        n = (1 << 17) + int((size - 16 - size // 2048 - a) * (1 << 14) / (b - a))
        n -= 2 if n % 1000 < 2 else 0  # no last batch of one, nor an empty one (see set_and_list)
        value = make(n)
        head = pickle.dumps(value, 4)[:-1]
    finally:
        gc.enable()
    assert len(head) <= size - 16
    return value, head


def set_and_list(items, size):
    """A set of items(n) as pickle.dumps writes it, padded to `size`, and the list of its members in
    its order, which Python writes alike: EMPTY_LIST for EMPTY_SET, then MARK, a batch of up to 1000
    and APPENDS for ADDITEMS. Unlike a set, a list ends on no empty batch and writes a last batch of
    one with APPEND."""
    members, head = fitted(lambda n: set(items(n)), size)
    twin_head = pickle.dumps(list(members), 4)[:-1]
    assert len(twin_head) == len(head)
    return [padded(head, size), padded(twin_head, size)]


def one_member_sets_and_lists(size):
    """A list of {None} as pickle.dumps writes it, padded to `size`, and the same stream with each
    set's opcodes swapped in place: Python would write [None] with APPEND, not MARK and APPENDS."""
    state = padded(fitted(lambda n: [{None} for _ in range(n)], size)[1], size)
    return [state, state.replace(b"\x8f\x94(N\x90", b"]\x94(Ne")]


# Each stream with sets, and its twin: the same stream with lists and tuples in their place
# (EMPTY_LIST and APPENDS for EMPTY_SET and ADDITEMS, TUPLE for FROZENSET), of the same length.
SET_STREAMS = {
    "levels in a frozenset": lambda size: [
        b"\x80\x04(K\x01" + b"2\x85" * ((size - 10) // 2) + close + b"0N." for close in (b"\x91", b"t")],
    "levels added to a set": lambda size: [
        b"\x80\x04" + empty + b"(K\x01" + b"2\x85" * ((size - 11) // 2) + add + b"0N."
        for empty, add in ((b"\x8f", b"\x90"), (b"]", b"e"))],
    "set of ints": lambda size: set_and_list(range, size),
    "set of 3-tuples": lambda size: set_and_list(
        lambda n: itertools.islice(itertools.product(range(128), repeat=3), n), size),
    "list of one-member sets": lambda size: one_member_sets_and_lists(size),
    # one chain of 1-tuples as deep as the state is long, named twice as the members of a frozenset
    "tuple chain": lambda size: [
        b"\x80\x04(K\x01" + b"\x85" * (size - 20) + b"q\x00h\x00" + close + b"0N." for close in (b"\x91", b"t")],
}


# Python writes one set after another, so that no set is extended again after another one was and
# none keeps a record of its members: one-member sets take about what one-item lists do.
OWN_BOOKKEEPING = {"list of one-member sets": 1}


# Sizes where the decoder's arrays have just doubled, and sizes between.
STREAM_SIZES = [(1 << 20) + 6, 3 << 20, 1 << 22, (1 << 22) + 6]

WRITE_STREAMS = """
import sys
sys.path.insert(0, {tests!r})
from test_pickle_states import SET_STREAMS

with_sets, twin = SET_STREAMS[{form!r}]({size})
assert len(with_sets) == len(twin) and with_sets != twin
open({paths[0]!r}, "wb").write(with_sets)
open({paths[1]!r}, "wb").write(twin)
"""


@pytest.fixture(scope="module")
def set_stream_peaks(tmp_path_factory):
    """(form, size) -> the decodes of the stream with sets and of its twin, as decode_peak gives
    them. Each pair is written and decoded in fresh interpreters of its own, as many side by side as
    there are cores: a process's peak is its own."""
    directory = tmp_path_factory.mktemp("set-streams")

    def measure_pair(case):
        paths = [str(directory / f"{case[0]}-{case[1]}-{variant}") for variant in ("sets", "twin")]
        run_fresh(WRITE_STREAMS.format(tests=os.path.dirname(__file__), form=case[0], size=case[1], paths=paths))
        decodes = [decode_peak(path) for path in paths]
        for path in paths:
            os.remove(path)
        return decodes

    cases = [(form, size) for form in SET_STREAMS for size in STREAM_SIZES]
    with ThreadPoolExecutor(os.cpu_count()) as pool:
        return dict(zip(cases, pool.map(measure_pair, cases)))


# What the sets take beyond their twin stays within 32 bytes per input byte plus 8 MiB, and the
# whole decode within 96 bytes per input byte plus 16 MiB. Only the chain, whose classes are as many
# as its bytes, may be refused.
@needs_peak_counter
@pytest.mark.parametrize("size", STREAM_SIZES)
@pytest.mark.parametrize("form", SET_STREAMS)
def test_set_bookkeeping_stays_within_its_allowance(set_stream_peaks, form, size):
    (length, peak, message), (_, twin_peak, twin_message) = set_stream_peaks[form, size]
    assert DECODED in twin_message
    assert DECODED in message or (form == "tuple chain" and REFUSED in message)
    assert peak - twin_peak <= OWN_BOOKKEEPING.get(form, 32) * length + (8 << 20)
    assert peak <= 96 * length + (16 << 20)


# Each frozenset sifted on its own: about the time of Python's own pickle.loads (which the old
# record of every member made some ten times longer).
@needs_native_speed
@pytest.mark.parametrize("kept", [False, True], ids=["popped", "kept"])
def test_frozensets_of_one_list_decode_about_as_fast_as_pickle_loads(kept):
    state = frozensets_of_one_list(1 << 20, kept)
    loads = []
    for _ in range(3):
        start = time.perf_counter()
        assert pickle.loads(state) is None
        loads.append(time.perf_counter() - start)
    assert best_decode_time(state) < 1.5 * min(loads) + 0.01


def padded_long4(value, length):
    """LONG4 of `value` with sign bytes up to `length` bytes."""
    body = value.to_bytes(9, "little", signed=True)
    return b"\x8b" + struct.pack("<i", length) + body + (b"\xff" if value < 0 else b"\0") * (length - 9)


# A number written long, then as many bytes of members equal to it in a short form: each member is
# compared with the first as its magnitude was worked out once, so the state decodes in about the
# time of the same stream with a tuple in place of the frozenset (it used to take seconds).
@needs_native_speed
@pytest.mark.parametrize("first, member", [
    (padded_long4(2 ** 64, 1 << 17), binfloat(2.0 ** 64)),
    (padded_long4(-2 ** 64, 1 << 17), binfloat(-2.0 ** 64)),
    (b"I" + b" " * (1 << 17) + b"18446744073709551616\n", b"\x8a\x09" + (2 ** 64).to_bytes(9, "little")),
    (b"L" + b" " * (1 << 17) + b"18446744073709551616L\n", binfloat(2.0 ** 64)),
    (b"L" + b"0" * 4000 + b"18446744073709551616L\n", binfloat(2.0 ** 64)),
], ids=["LONG4 zero bytes", "LONG4 ff bytes", "INT spaces", "LONG spaces", "LONG zeros"])
def test_members_equal_to_a_long_written_number_take_linear_time(first, member):
    members = b"(" + first + member * ((1 << 17) // len(member))
    with_set, twin = (b"\x80\x04" + members + close + b"0N." for close in (b"\x91", b"t"))
    assert best_decode_time(with_set) < 3 * best_decode_time(twin) + 0.02


# States Python writes, with a small set after a large list: the set's bookkeeping is small, and
# the state decodes as it would without it.
@pytest.mark.parametrize("cls, value, protocol", [
    (Vec3, [1.0, 2.0, 3.0, [None] * (2 ** 20 + 64), {1}], 4),
    (Vec3, [1.0, 2.0, 3.0, [()] * (2 ** 20 + 64), frozenset({1})], 2),
    (Vec3, [1.0, 2.0, 3.0, [True, False] * (2 ** 19 + 32), {"a", "b"}], 4),
    (Sphere, {"center": (1.0, 2.0, 3.0), "radius": 4.0, "pad": [None] * (2 ** 20 + 100), "names": {"a"}}, 4),
], ids=["None list and a set", "tuple list and a frozenset", "bool list and a set", "Sphere state"])
def test_a_small_set_after_a_large_list_decodes(cls, value, protocol):
    got = cls(__pickle_state__=pickle.dumps(value, protocol))
    assert repr(got) == ("Vec3(1, 2, 3)" if cls is Vec3 else "Sphere(center: [1, 2, 3], radius: 4)")

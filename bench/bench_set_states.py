"""States holding sets: the state decoder against the interpreter's own pickle, side by side in one
run.

    .venv/bin/python bench/bench_set_states.py

Each state is `[1.0, 2.0, 3.0, data]`, read as a Vec3 (the decoder reads the whole stream, sets
included) and by `pickle.loads`. Columns: our time, pickle.loads's, their ratio (below 1 is faster),
and our time on the twin state, where lists and tuples stand in for the sets (EMPTY_LIST and APPENDS
for EMPTY_SET and ADDITEMS, TUPLE for FROZENSET): the last ratio is what the sets themselves cost.
Checks first: both read the same three numbers. Times are the best of five.
"""
import gc
import pickle
import pickletools
import struct
import time

from quorixpy import Vec3

TWIN_OPCODES = {"\x8f": b"]", "\x90": b"e", "\x91": b"t"}


def twin(state):
    out = bytearray(state)
    for op, _, pos in pickletools.genops(state):
        if op.code in TWIN_OPCODES:
            out[pos:pos + 1] = TWIN_OPCODES[op.code]
    return bytes(out)


def best(fn, repeat=5):
    times = []
    for _ in range(repeat):
        gc.collect()
        start = time.perf_counter()
        fn()
        times.append(time.perf_counter() - start)
    return min(times)


def binfloat(x):
    return b"G" + struct.pack(">d", x)


def equal_to_a_long_number(first, member, size=1 << 20):
    """A frozenset of a number written long, then `size` bytes of members equal to it."""
    return b"\x80\x04(G?\xf0\x00\x00\x00\x00\x00\x00G@\x00\x00\x00\x00\x00\x00\x00G@\x08\x00\x00\x00\x00\x00\x00(" + \
        first + member * (size // len(member)) + b"\x91l."


def python_written(data, protocol=4):
    return pickle.dumps([1.0, 2.0, 3.0, data], protocol)


STATES = {
    "list of 300,000 {i}": lambda: python_written([{i} for i in range(300_000)]),
    "list of 300,000 {1}": lambda: python_written([{1} for _ in range(300_000)]),
    "set of 10^6 ints": lambda: python_written(set(range(10 ** 6))),
    "dict of 100,000 three-member sets": lambda: python_written({i: {i, i + 1, i + 2} for i in range(100_000)}),
    "set of 2^20 3-tuples, protocol 5": lambda: python_written(
        {(x, y, z) for x in range(128) for y in range(128) for z in range(64)}, 5),
    "2**64 in LONG4 + 512 KiB zeros, 1 MiB of equal floats": lambda: equal_to_a_long_number(
        b"\x8b" + struct.pack("<i", 1 << 19) + (2 ** 64).to_bytes(9, "little") + b"\0" * ((1 << 19) - 9),
        binfloat(2.0 ** 64)),
    "2**64 after 512 KiB of spaces, 1 MiB of equal floats": lambda: equal_to_a_long_number(
        b"I" + b" " * (1 << 19) + b"18446744073709551616\n", binfloat(2.0 ** 64)),
}


def decode(state):
    return Vec3(__pickle_state__=state)


def main():
    print(f"{'state':<56} {'MiB':>5} {'ours s':>8} {'loads s':>8} {'ratio':>6} {'twin s':>8} {'sets/twin':>9}")
    for name, make in STATES.items():
        state = make()
        twin_state = twin(state)
        assert tuple(decode(state)) == tuple(pickle.loads(state)[:3]) == tuple(decode(twin_state))
        ours, loads, lists = best(lambda: decode(state)), best(lambda: pickle.loads(state)), \
            best(lambda: decode(twin_state))
        print(f"{name:<56} {len(state) / 2 ** 20:>5.1f} {ours:>8.4f} {loads:>8.4f} {ours / loads:>6.2f} "
              f"{lists:>8.4f} {ours / lists:>9.2f}")


if __name__ == "__main__":
    main()

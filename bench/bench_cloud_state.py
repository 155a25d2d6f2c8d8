"""Point-cloud pickle states at scale: the state codec against the interpreter's own pickle, side by
side in one run.

    .venv/bin/python bench/bench_cloud_state.py [points,...]      (default 100000)

For a cloud of N points on the walls of a 4 x 4 x 3 m room (point radius 0.01, the radius range
`from_numpy` picks), whose state holds its whole point tree:
1. decode: `Pointcloud(__pickle_state__=state)` against `pickle.loads(state)` of the same bytes,
   which builds the plain lists and floats;
   encode: `cloud.__getnewargs_ex__()` against `pickle.dumps(plain, protocol=3)` of that plain data;
   copy: `copy.copy` of the cloud and of a collider holding it (an encode and a decode each).
2. Peak memory, each codec call in a fresh interpreter: decoding above the state it reads, encoding
   above the state it writes, as fractions of the state's size.
Checks first: the decoded cloud writes the same bytes back, and Python's own pickle of the plain
data decodes to the same cloud. Times are the best of three; ratios are ours / peer (below 1 is
faster). Targets: decode <= 0.1, encode <= 0.2 of the peer; peaks <= 0.75 (decode) and <= 0.25
(encode) of the state. A peer that runs out of memory (run under `ulimit -v`) shows "MemoryError".
"""
import copy
import gc
import os
import pickle
import subprocess
import sys
import tempfile
import time

import numpy as np

import quorixpy as q
import cloud_points


def best(fn, repeat=3):
    times = []
    for _ in range(repeat):
        t = time.perf_counter()
        fn()
        times.append(time.perf_counter() - t)
        gc.collect()
    return min(times)


def peer_time(fn):
    try:
        return best(fn)
    except MemoryError:
        return None


def state(obj):
    return obj.__getnewargs_ex__()[1]["__pickle_state__"]


def text(seconds, width=9, digits=3):
    return f"{'MemoryError':>{width}}" if seconds is None else f"{seconds:>{width}.{digits}f}"


def ratio(ours, peer):
    return f"{'-':>7}" if peer is None else f"{ours / peer:>7.3f}"


def speed(n):
    cloud = q.Pointcloud.from_numpy(cloud_points.scene("room", n, np.random.default_rng(7)), 0.01)
    held = q.Collider()
    held.add(cloud)
    s = state(cloud)
    assert state(q.Pointcloud(__pickle_state__=s)) == s, "decoded cloud writes other bytes"
    decode = best(lambda: q.Pointcloud(__pickle_state__=s))
    encode = best(lambda: state(cloud))
    copies = best(lambda: copy.copy(cloud)), best(lambda: copy.copy(held))
    loads = dumps = None
    try:
        plain = pickle.loads(s)
        python_written = pickle.dumps(plain, protocol=3)
        assert state(q.Pointcloud(__pickle_state__=python_written)) == s, "Python's bytes decode to another cloud"
        del python_written
        loads = peer_time(lambda: pickle.loads(s))
        dumps = peer_time(lambda: pickle.dumps(plain, protocol=3))
        del plain
    except MemoryError:
        pass
    print(f"{n:>8}{len(s) / 1e6:>9.0f}{text(decode)}{text(loads)}{ratio(decode, loads)}"
          f"{text(encode)}{text(dumps)}{ratio(encode, dumps)}{text(copies[0], 8, 2)}{text(copies[1], 8, 2)}")
    return s


# Reads a state from a file, decodes it, writes it again: the peak above the process's size before
# each call, from the kernel's own counter (reset before the call).
MEMORY_SNIPPET = r"""
import sys
import quorixpy as q

def rss(field):
    return next(int(l.split()[1]) * 1024 for l in open("/proc/self/status") if l.startswith(field))

def peak_above(run):
    open("/proc/self/clear_refs", "w").write("5")
    before = rss("VmRSS")
    out = run()
    return out, rss("VmHWM") - before

s = open(sys.argv[1], "rb").read()
cloud, decoding = peak_above(lambda: q.Pointcloud(__pickle_state__=s))
del s
again, encoding = peak_above(lambda: cloud.__getnewargs_ex__()[1]["__pickle_state__"])
print(decoding, encoding - len(again), len(again))
"""


def memory(s):
    with tempfile.NamedTemporaryFile(suffix=".state") as f:
        f.write(s)
        f.flush()
        proc = subprocess.run([sys.executable, "-c", MEMORY_SNIPPET, f.name], capture_output=True, text=True)
    if proc.returncode != 0:
        return f"failed: {proc.stderr.strip().splitlines()[-1]}"
    decoding, encoding, size = map(int, proc.stdout.split())
    return f"decode {decoding / 1e6:.0f} MB ({decoding / size:.3f}x), encode {encoding / 1e6:.0f} MB ({encoding / size:.3f}x)"


def main():
    sizes = [int(s) for s in sys.argv[1].split(",")] if len(sys.argv) > 1 else [100_000]
    print(f"{'points':>8}{'state MB':>9}{'decode s':>9}{'loads s':>9}{'ratio':>7}"
          f"{'encode s':>9}{'dumps s':>9}{'ratio':>7}{'copy s':>8}{'coll. s':>8}")
    peaks = []
    for n in sizes:
        peaks.append((n, memory(speed(n)) if os.path.exists("/proc/self/clear_refs") else "no peak counter here"))
        gc.collect()
    print("peak memory above the input (decode) and above the finished state (encode):")
    for n, line in peaks:
        print(f"{n:>8}  {line}")


if __name__ == "__main__":
    main()

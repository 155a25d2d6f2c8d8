"""The Pointcloud class: construction forms and errors, NumPy layouts, recorded motions and their
bounds, pickle state."""
import copy
import os
import pickle
import random

import pytest

from peak_memory import PEAK_ABOVE, needs_peak_counter
from quorixpy import Affine3, Collider, Mat3, Pointcloud, Sphere

np = pytest.importorskip("numpy")
PTS = [(1, 0, 0), (0, 2, 0)]
F32_033 = 0.032999999821186066


DIAGONAL = float(np.float32(5 ** 0.5))


# A box shorter than the point radius (none at all included) is served up to the point radius; NaN
# marks only a cloud whose tree cannot afford even that within the budget.
@pytest.mark.parametrize("points, radius, top", [
    ([], 0.5, 0.5),
    ([], 0.0, 0.0),
    ([(1, 2, 3)], 0.5, 0.5),
    ([(1, 2, 3)] * 40, 0.1, float(np.float32(0.1))),
    ([(1, 2, 3), (1, 2, 3.25)], 0.5, 0.5),
    ([(1, 2, 3), (1, 2, 3.25)], 0.125, 0.25),
    ([(1, 2, 3)] * 5000, 0.5, "nan"),
])
def test_chosen_range_of_small_boxes(points, radius, top):
    lo, hi = fields(Pointcloud.from_list(points, radius))["r_range"]
    assert lo == 0 and (hi != hi if top == "nan" else hi == top)


def state(obj):
    return obj.__getnewargs_ex__()[1]["__pickle_state__"]


def fields(obj):
    return pickle.loads(state(obj))


@pytest.mark.parametrize("make, r_range, radius", [
    (lambda: Pointcloud(points=PTS), (0, 0), 0),
    (lambda: Pointcloud(PTS, (0.5, 2.0), 0.1), (0.5, 2.0), 0.10000000149011612),
    # Chosen for queries within the memory budget: from 0, here up to the points' box diagonal.
    (lambda: Pointcloud.from_list(PTS, 0.5), (0, DIAGONAL), 0.5),
    (lambda: Pointcloud.from_numpy(np.array(PTS, float)), (0, DIAGONAL), F32_033),
    (lambda: Pointcloud.from_numpy([[1, 0, 0], [0, 2, 0]], point_radius=0.0), (0, DIAGONAL), 0),
    (lambda: Pointcloud([(9, 9, 9)], (0.0, 1.0), 3.0, __pickle_state__=state(Pointcloud.from_list(PTS, 0.5))),
     (0, DIAGONAL), 0.5),
])
def test_construction_forms(make, r_range, radius):
    f = fields(make())
    assert (f["r_range"], f["point_radius"], f["inverse_transform"]) == (r_range, radius, None)


@pytest.mark.parametrize("make, kind, text", [
    (lambda: Pointcloud(), ValueError, "Pointcloud requires points argument"),
    (lambda: Pointcloud(points="abc"), TypeError, "argument 'points': Can't extract `str` to `Vec`"),
    (lambda: Pointcloud(points=5, __pickle_state__=b""), TypeError, "argument 'points': 'int' object is not an instance of 'Sequence'"),
    (lambda: Pointcloud.from_list([(1, 2)], 0.0), ValueError, "expected a sequence of length 3 (got 2)"),
    (lambda: Pointcloud(PTS, [0.0, 1.0]), TypeError, "argument 'r_range': 'list' object is not an instance of 'tuple'"),
    (lambda: Pointcloud(PTS, (0.0,)), ValueError, "expected tuple of length 2, but got tuple of length 1"),
    (lambda: Pointcloud.from_numpy(np.zeros((4, 2))), ValueError, "points must be (N, 3)"),
    (lambda: Pointcloud.from_numpy(np.zeros((4, 2)), None), TypeError,
     "argument 'point_radius': must be real number, not NoneType"),
    (lambda: Pointcloud.from_numpy(np.zeros(3)), TypeError,
     "argument 'points': expected a 2-dimensional array of shape (N, 3), got 1 dimension"),
    (lambda: Pointcloud.from_numpy(7.0), TypeError,
     "argument 'points': expected a 2-dimensional array of shape (N, 3), got 0 dimensions"),
    (lambda: Pointcloud.from_numpy(np.zeros((2, 4, 3)), None), TypeError,
     "argument 'points': expected a 2-dimensional array of shape (N, 3), got 3 dimensions"),
])
def test_construction_errors(make, kind, text):
    with pytest.raises(kind) as info:
        make()
    assert str(info.value) == text


@pytest.mark.parametrize("make", [
    lambda p: Pointcloud(points=p), lambda p: Pointcloud.from_list(p, 0.1), lambda p: Pointcloud.from_numpy(np.array(p)),
    lambda p: Pointcloud.from_list([(0, 0, 0)], 0.1).scaled(1e39),
])
def test_non_finite_point_panics(make):
    with pytest.raises(BaseException) as info:
        make([(0, 0, 0), (float("nan"), 0, 0)])
    assert type(info.value).__name__ == "PanicException"
    assert str(info.value) == "index type I must be able to support all points in CAPT during construction: NonFinite"


@pytest.mark.parametrize("layout", [
    lambda a: a, lambda a: np.asfortranarray(a), lambda a: np.repeat(a, 2, axis=1)[:, ::2],
    lambda a: a[::-1, ::-1], lambda a: np.broadcast_to(a[:1], (5, 3)), lambda a: a.astype(np.float32), lambda a: a.astype(">f8"), lambda a: a[:0],
])
def test_from_numpy_reads_any_layout(layout):
    a = layout(np.random.default_rng(3).uniform(-5, 5, (37, 3)))
    assert state(Pointcloud.from_numpy(a, 0.25)) == state(Pointcloud.from_list(a.tolist(), 0.25))


@pytest.mark.skipif("libasan" in os.environ.get("LD_PRELOAD", ""),
                    reason="AddressSanitizer's shadow memory does not fit an address-space cap")
def test_allocation_failure_raises_memory_error(run_python):
    run_python("""
        import resource, random
        from quorixpy import Pointcloud, Sphere
        pts = [(random.random(), random.random(), random.random()) for _ in range(15000)]
        resource.setrlimit(resource.RLIMIT_AS, (1 << 30, 1 << 30))
        try:
            Pointcloud(pts, (0.0, 100.0))  # every point afforded to every leaf: about 2.7 GB
            raise SystemExit("built")
        except MemoryError:
            pass
        assert Pointcloud(pts[:100], (0.0, 100.0)).collides(Sphere(pts[0], 0.0))
    """)


MOTIONS = [
    lambda c: c.translated((1, -2, 3)), lambda c: c.rotated_quat((0, 0, 0.6, 0.8)), lambda c: c.rotated_quat((0, 0, 1, 1)),
    lambda c: c.rotated_mat(Mat3.from_cols_array([2, 0, 0, 0, 0.5, 0, 1, 0, 1])),
    lambda c: c.transformed(Affine3.from_scale_rotation_translation((1, 2, 3), (0.6, 0, 0, 0.8), (4, 5, 6))),
    lambda c: c.translated((1, 0, 0)).rotated_quat((0.6, 0, 0, 0.8)).translated((0, 0, -7)),
]


@pytest.mark.parametrize("move", MOTIONS)
def test_motion_is_recorded_and_bounds_follow(move):
    cloud = Pointcloud.from_numpy(np.random.default_rng(4).uniform(-1, 1, (200, 3)), 0.01)
    moved, world = move(cloud), move(cloud).scaled(1.0)  # scaled applies the recorded motion to the points
    assert fields(moved)["inverse_transform"] is not None and fields(world)["inverse_transform"] is None
    assert moved.abs_diff_eq(cloud, 0.0) and fields(moved)["tree"] == fields(cloud)["tree"]
    pts = np.array([fields(world)["spheres"][k][:200] for k in "xyz"]).T
    box, sphere = fields(moved.aabb()), moved.broadphase()
    lo, hi = np.subtract(box["center"], box["half_extents"]), np.add(box["center"], box["half_extents"])
    assert (pts >= lo).all() and (pts <= hi).all()
    assert (np.linalg.norm(pts - list(sphere.center), axis=1) <= sphere.radius).all()
    assert moved.collides(Sphere(tuple(pts[7]), 0.001)) and not cloud.collides(Sphere((9, 9, 9), 1))


def test_scaled_applies_the_motion_and_text_forms():
    c = Pointcloud(points=PTS)
    moved = c.translated((1, 0, 0)).scaled(1.0)
    assert fields(moved.aabb())["center"] == (1.5, 1.0, 0.0) and fields(moved)["inverse_transform"] is None
    assert not c.scaled(2.0).abs_diff_eq(c, 0.0)
    assert repr(c) == "Pointcloud(...)" and c.__dict__ == {} and Pointcloud.__dataclass_fields__ == {}


@pytest.mark.parametrize("copier", [lambda c: pickle.loads(pickle.dumps(c)), copy.copy, copy.deepcopy,
                                    lambda c: Pointcloud(__pickle_state__=bytearray(state(c)))])
def test_pickle_round_trip_keeps_tree_and_motion(copier):
    c = Pointcloud.from_list([(i, i * i % 7, -i) for i in range(40)], 0.2).rotated_quat((0, 0.6, 0, 0.8))
    assert state(copier(c)) == state(c)


@pytest.mark.parametrize("protocol", [2, 3, 4, 5])
def test_states_python_writes_read_alike(protocol):
    # Python's pickle of the same plain data: memo puts, small-integer opcodes, TUPLE2, a new
    # frame every 64 KB.
    c = Pointcloud.from_list([(i, i * i % 7, -i) for i in range(100)], 0.2).rotated_quat((0, 0.6, 0, 0.8))
    assert len(state(c)) > 150_000
    held = Collider()
    held.add(c)
    assert state(Pointcloud(__pickle_state__=pickle.dumps(fields(c), protocol=protocol))) == state(c)
    assert state(Collider(__pickle_state__=pickle.dumps(fields(held), protocol=protocol))) == state(held)


# Peak memory of a cloud's and a collider's state codec, in a fresh interpreter: decoding above the
# state it reads, encoding above the state it writes (one buffer, written in place).
STATE_MEMORY = PEAK_ABOVE + """
import numpy as np
from quorixpy import Collider, Pointcloud
resource.setrlimit(resource.RLIMIT_AS, (4 << 30, 4 << 30))

g = np.random.default_rng(7)
n = 30000
wall, s, h = g.integers(0, 4, n), g.uniform(-2, 2, n), g.uniform(0, 3, n)
points = np.stack([np.where(wall == 0, -2.0, np.where(wall == 1, 2.0, s)),
                   np.where(wall == 2, -2.0, np.where(wall == 3, 2.0, s)), h], axis=1)
cloud = Pointcloud.from_numpy(points, 0.01)
held = Collider()
held.add(cloud)
for cls, value in ((Pointcloud, cloud), (Collider, held)):
    state, encoding = peak_above(lambda: value.__getnewargs_ex__()[1]["__pickle_state__"])
    decoded, decoding = peak_above(lambda: cls(__pickle_state__=state))
    print(len(state), encoding - len(state), decoding)
    del state, decoded
"""


@needs_peak_counter
def test_state_codec_memory_is_a_fraction_of_the_state(run_python):
    for line in run_python(STATE_MEMORY).stdout.split("\n")[:-1]:
        size, encoding, decoding = map(int, line.split())
        assert size > 40_000_000
        assert encoding <= 0.25 * size and decoding <= 0.75 * size, line


def corrupt(key, part, change):
    f = fields(Pointcloud.from_list([(i, i * i % 7, -i) for i in range(40)], 0.2))
    target = f[key] if part is None else f[key][part]
    change(target) if callable(change) else target.__setitem__(*change)
    return pickle.dumps(f, protocol=3)


@pytest.mark.parametrize("bad, message", [
    (lambda: corrupt("tree", "starts", (3, 5)), "run bound 5 at 3 is not a non-decreasing multiple of 8"),
    (lambda: corrupt("tree", "tests", list.pop), "split values, expected one less than a power of two"),
    (lambda: corrupt("tree", None, ("lanes_log2", 62)), "invalid parameters to Layout::from_size_align"),
    (lambda: corrupt("tree", None, ("r_point", 1.0)), "point cloud tree radius differs from point_radius"),
    (lambda: corrupt("spheres", None, ("len", 10**12)), "sphere set len 1000000000000 exceeds its stride 48"),
    (lambda: corrupt("tree", None, lambda t: t.update(fields(Pointcloud(PTS))["tree"])), "tree has 2 leaves, expected 64"),
    (lambda: pickle.dumps({"tree": 1}, protocol=3), "invalid type: integer `1`, expected struct CaptData"),
    (lambda: state(Pointcloud(points=PTS))[:-1], "EOF while parsing"),
])
def test_bad_state_is_refused(bad, message):
    with pytest.raises(ValueError, match="^pickle decode failed: ") as info:
        Pointcloud(__pickle_state__=bad())
    assert message in str(info.value)


def test_mutated_states_are_refused_or_usable():
    cloud = Pointcloud.from_list([(i % 5, i * i % 7, -i % 3) for i in range(23)], 0.2).translated((1, 2, 3))
    rnd, good = random.Random(5), state(cloud)
    for _ in range(3000):
        b = bytearray(good)
        for _ in range(rnd.randint(1, 4)):
            b[rnd.randrange(len(b))] = rnd.randrange(256)
        try:
            c = Pointcloud(__pickle_state__=bytes(b))
        except ValueError:
            continue
        c.collides(Sphere((rnd.uniform(-5, 5), rnd.uniform(-5, 5), 0), rnd.uniform(0, 3)))
        assert state(pickle.loads(pickle.dumps(c))) == state(c)

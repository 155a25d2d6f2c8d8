"""Vec2, Vec3 and Vec4 against PyGLM's dvec2, dvec3 and dvec4: time per operation and the ratio
(ours / PyGLM; below 1 is faster), every case of every size in one run.

    .venv/bin/pip install pyglm && .venv/bin/python bench/bench_vectors.py [calls per repeat]
"""
import pickle
import sys
import timeit

import glm
import numpy

import quorixpy

# (label, our statement, PyGLM's statement); `V`/`G` are the classes, `a`, `b` instances, `t` a tuple.
CASES = [
    ("construct floats", "V(*f)", "G(*f)"),
    ("construct literal", "{lit_ours}", "{lit_glm}"),
    ("from tuple", "V.from_array(t)", "G(t)"),
    ("a + b", "a + b", "a + b"),
    ("a * 2.0", "a * 2.0", "a * 2.0"),
    ("a + tuple", "a + t", "a + t"),
    ("dot", "a.dot(b)", "glm.dot(a, b)"),
    ("length", "a.length()", "glm.length(a)"),
    ("normalize", "a.normalize()", "glm.normalize(a)"),
    ("lerp", "a.lerp(b, 0.25)", "glm.lerp(a, b, 0.25)"),
    ("a[1]", "a[1]", "a[1]"),
    ("a.x", "a.x", "a.x"),
    ("a == b", "a == b", "a == b"),
    ("to_list", "a.to_list()", "a.to_list()"),
    ("to_numpy", "a.to_numpy()", "numpy.array(a)"),
    ("-a", "-a", "-a"),
    ("repr", "repr(a)", "repr(a)"),
    ("pickle round trip", "pickle.loads(pickle.dumps(a))", "pickle.loads(pickle.dumps(a))"),
    ("cross", "a.cross(b)", "glm.cross(a, b)"),
]
# Cases that do not exist for every size: Vec2 takes no sequence as a vector, only Vec3 has cross.
ONLY = {"a + tuple": (3, 4), "cross": (3,)}


def best_time(stmt, env, number):
    """Seconds per call: the best of several repeats, so one noisy run does not count."""
    return min(timeit.repeat(stmt, globals=env, number=number, repeat=5)) / number


def main():
    number = int(sys.argv[1]) if len(sys.argv) > 1 else 100_000
    print(f"{'class':<6}{'operation':<20}{'ours ns':>10}{'glm ns':>10}{'ratio':>8}")
    worst = 0.0
    for n in (2, 3, 4):
        ours_cls = getattr(quorixpy, f"Vec{n}")
        glm_cls = getattr(glm, f"dvec{n}")
        a_vals = tuple(float(i + 1) for i in range(n))
        b_vals = tuple(float(2 * i + 3) for i in range(n))
        literal = ", ".join(repr(c) for c in a_vals)
        env_ours = {"V": ours_cls, "a": ours_cls(*a_vals), "b": ours_cls(*b_vals), "t": a_vals, "f": a_vals,
                    "pickle": pickle}
        env_glm = {"G": glm_cls, "a": glm_cls(*a_vals), "b": glm_cls(*b_vals), "t": a_vals, "f": a_vals,
                   "glm": glm, "numpy": numpy, "pickle": pickle}
        for label, mine, theirs in CASES:
            if n not in ONLY.get(label, (n,)):
                continue
            mine = mine.format(lit_ours=f"V({literal})")
            theirs = theirs.format(lit_glm=f"G({literal})")
            t_ours = best_time(mine, env_ours, number)
            t_glm = best_time(theirs, env_glm, number)
            ratio = t_ours / t_glm
            worst = max(worst, ratio)
            print(f"Vec{n:<3}{label:<20}{t_ours * 1e9:>10.1f}{t_glm * 1e9:>10.1f}{ratio:>8.2f}", flush=True)
    print(f"worst ratio {worst:.2f}")


if __name__ == "__main__":
    main()

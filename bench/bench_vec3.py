"""Vec3 against PyGLM's dvec3: time per operation and the ratio (ours / PyGLM; below 1 is faster).

    .venv/bin/pip install pyglm && .venv/bin/python bench/bench_vec3.py
"""
import pickle
import sys
import timeit

import glm

from quorixpy import Vec3


def best_time(stmt, env, number):
    """Seconds per call: the best of several repeats, so one noisy run does not count."""
    return min(timeit.repeat(stmt, globals=env, number=number, repeat=7)) / number


def main():
    number = int(sys.argv[1]) if len(sys.argv) > 1 else 200_000
    ours = {"Vec3": Vec3, "a": Vec3(1.0, 2.0, 3.0), "b": Vec3(4.0, 5.0, 6.0), "pickle": pickle}
    glms = {"glm": glm, "a": glm.dvec3(1.0, 2.0, 3.0), "b": glm.dvec3(4.0, 5.0, 6.0), "pickle": pickle}

    cases = [
        ("construct", "Vec3(1.0, 2.0, 3.0)", "glm.dvec3(1.0, 2.0, 3.0)"),
        ("a + b", "a + b", "a + b"),
        ("a * 2.0", "a * 2.0", "a * 2.0"),
        ("-a", "-a", "-a"),
        ("a == b", "a == b", "a == b"),
        ("a[1]", "a[1]", "a[1]"),
        ("a.x", "a.x", "a.x"),
        ("to_list", "a.to_list()", "a.to_list()"),
        ("repr", "repr(a)", "repr(a)"),
        ("pickle round trip", "pickle.loads(pickle.dumps(a))", "pickle.loads(pickle.dumps(a))"),
    ]
    # Methods of the geometric vector set, timed once they exist on Vec3.
    optional = [
        ("dot", "a.dot(b)", "glm.dot(a, b)"),
        ("cross", "a.cross(b)", "glm.cross(a, b)"),
        ("length", "a.length()", "glm.length(a)"),
    ]
    for name, mine, theirs in optional:
        if hasattr(Vec3, name):
            cases.insert(3, (name, mine, theirs))
        else:
            print(f"(Vec3.{name} not built yet: skipped)")

    print(f"{'operation':<20}{'Vec3 ns':>10}{'dvec3 ns':>10}{'ratio':>8}")
    worst = 0.0
    for label, mine, theirs in cases:
        t_ours = best_time(mine, ours, number)
        t_glm = best_time(theirs, glms, number)
        ratio = t_ours / t_glm
        worst = max(worst, ratio)
        print(f"{label:<20}{t_ours * 1e9:>10.1f}{t_glm * 1e9:>10.1f}{ratio:>8.2f}")
    print(f"worst ratio {worst:.2f}")


if __name__ == "__main__":
    main()

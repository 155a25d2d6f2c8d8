"""Rotations and matrices against PyGLM (and SciPy's Rotation for Euler conversions): time per
operation and the ratio (ours / peer; below 1 is faster).

    .venv/bin/pip install pyglm scipy && .venv/bin/python bench/bench_matrices.py
"""
import math
import sys
import timeit

import glm

from quorixpy import Affine3, EulerRot, Mat3, Mat4, Quat, Vec3

try:
    from scipy.spatial.transform import Rotation
except ImportError:  # the Euler rows then compare with PyGLM only
    Rotation = None


def best_time(stmt, env, number):
    """Seconds per call: the best of several repeats, so one noisy run does not count."""
    return min(timeit.repeat(stmt, globals=env, number=number, repeat=7)) / number


def main():
    number = int(sys.argv[1]) if len(sys.argv) > 1 else 100_000
    axis = (0.2672612419124244, 0.5345224838248488, 0.8017837257372732)
    ours = {
        "Quat": Quat, "Mat4": Mat4, "EulerRot": EulerRot,
        "q": Quat.from_axis_angle(axis, 0.7), "r": Quat.from_axis_angle((0, 0, 1), 0.3),
        "v": Vec3(1.0, 2.0, 3.0), "m3": Mat3.from_axis_angle(axis, 0.7),
        "m4": Mat4.from_scale_rotation_translation((1, 2, 3), Quat.from_axis_angle(axis, 0.7), (4, 5, 6)),
        "n4": Mat4.perspective_rh(1.0, 1.5, 0.1, 100.0),
        "a3": Affine3.from_scale_rotation_translation((1, 2, 3), Quat.from_axis_angle(axis, 0.7), (4, 5, 6)),
        "eye": Vec3(1.0, 2.0, 3.0), "center": Vec3(0.0, 0.0, 0.0), "up": Vec3(0.0, 1.0, 0.0),
    }
    glq = glm.angleAxis(0.7, glm.dvec3(*axis))
    glm4 = glm.translate(glm.dmat4(1.0), glm.dvec3(4, 5, 6)) * glm.mat4_cast(glq) * glm.scale(glm.dmat4(1.0), glm.dvec3(1, 2, 3))
    glms = {
        "glm": glm, "q": glq, "r": glm.angleAxis(0.3, glm.dvec3(0, 0, 1)), "v": glm.dvec3(1.0, 2.0, 3.0),
        "m3": glm.mat3_cast(glq), "m4": glm4, "n4": glm.dmat4(glm.perspectiveRH_ZO(1.0, 1.5, 0.1, 100.0)),
        "eye": glm.dvec3(1.0, 2.0, 3.0), "center": glm.dvec3(0.0, 0.0, 0.0), "up": glm.dvec3(0.0, 1.0, 0.0),
    }
    cases = [
        ("Quat * Vec3", "q * v", "q * v"),
        ("Quat * Quat", "q * r", "q * r"),
        ("Mat4 * Mat4", "m4 * n4", "m4 * n4"),
        ("Mat4.inverse", "m4.inverse()", "glm.inverse(m4)"),
        ("Mat3 * Vec3", "m3 * v", "m3 * v"),
        ("Quat.from_euler", "Quat.from_euler(EulerRot.XYZ, 0.1, 0.2, 0.3)", "glm.dquat(glm.dvec3(0.1, 0.2, 0.3))"),
        ("Mat4.look_at_rh", "Mat4.look_at_rh(eye, center, up)", "glm.lookAtRH(eye, center, up)"),
        ("Mat4.perspective_rh", "Mat4.perspective_rh(1.0, 1.5, 0.1, 100.0)", "glm.perspectiveRH_ZO(1.0, 1.5, 0.1, 100.0)"),
        ("Affine3.inverse", "a3.inverse()", "glm.affineInverse(m4)"),
    ]

    print(f"{'operation':<22}{'ours ns':>10}{'PyGLM ns':>10}{'ratio':>8}")
    worst = 0.0
    for label, mine, theirs in cases:
        t_ours = best_time(mine, ours, number)
        t_glm = best_time(theirs, glms, number)
        worst = max(worst, t_ours / t_glm)
        print(f"{label:<22}{t_ours * 1e9:>10.1f}{t_glm * 1e9:>10.1f}{t_ours / t_glm:>8.2f}")
    print(f"worst ratio against PyGLM {worst:.2f}")
    # Shown apart: glm.eulerAngles has one fixed order and an asin where every order here takes
    # three atan2 calls, so it is not the same work.
    t_ours = best_time("q.to_euler(EulerRot.XYZ)", ours, number)
    t_glm = best_time("glm.eulerAngles(q)", glms, number)
    print(f"{'(Quat.to_euler)':<22}{t_ours * 1e9:>10.1f}{t_glm * 1e9:>10.1f}{t_ours / t_glm:>8.2f}")

    if Rotation is None:
        print("(SciPy not installed: Euler conversions not compared with Rotation)")
        return
    sci = {"Rotation": Rotation, "r": Rotation.from_quat([0.0, 0.0, math.sin(0.35), math.cos(0.35)])}
    scipy_cases = [
        ("Quat.from_euler", "Quat.from_euler(EulerRot.XYZ, 0.1, 0.2, 0.3)",
         "Rotation.from_euler('XYZ', (0.1, 0.2, 0.3)).as_quat()"),
        ("Quat.to_euler", "q.to_euler(EulerRot.XYZ)", "r.as_euler('XYZ')"),
        ("Mat3.from_euler", "Mat3.from_euler(EulerRot.ZYXEx, 0.1, 0.2, 0.3)",
         "Rotation.from_euler('xyz', (0.1, 0.2, 0.3)).as_matrix()"),
    ]
    ours["Mat3"] = Mat3
    print(f"\n{'operation':<22}{'ours ns':>10}{'SciPy ns':>10}{'ratio':>8}")
    for label, mine, theirs in scipy_cases:
        t_ours = best_time(mine, ours, number // 10)
        t_sci = best_time(theirs, sci, number // 10)
        print(f"{label:<22}{t_ours * 1e9:>10.1f}{t_sci * 1e9:>10.1f}{t_ours / t_sci:>8.2f}")


if __name__ == "__main__":
    main()

import dataclasses
import importlib.util
import os
import subprocess
import threading
from pathlib import Path

import pytest

import quorixpy
from quorixpy import _quorixpy

CLASS_ORDER = [
    "EulerRot", "Vec2", "Vec3", "Vec4", "Quat", "Mat3", "Mat4", "Affine3", "Sphere", "Capsule", "Cuboid",
    "Cylinder", "ConvexPolytope", "ConvexPolygon", "Line", "Ray", "LineSegment", "Plane", "Pointcloud",
    "SphereCollection", "Shape", "Collider",
]

TEXT_SIGNATURES = {
    "Vec2": "(x=0.0, y=0.0, *, __pickle_state__=None)",
    "Vec3": "(x=0.0, y=0.0, z=0.0, *, __pickle_state__=None)",
    "Vec4": "(x=0.0, y=0.0, z=0.0, w=0.0, *, __pickle_state__=None)",
    "Quat": "(x=0.0, y=0.0, z=0.0, w=1.0, *, __pickle_state__=None)",
    "Mat3": "(x_axis=None, y_axis=None, z_axis=None, *, __pickle_state__=None)",
    "Mat4": "(x_axis=None, y_axis=None, z_axis=None, w_axis=None, *, __pickle_state__=None)",
    "Affine3": "(translation=None, rotation=None, *, __pickle_state__=None)",
}

PRESENT = [name for name in CLASS_ORDER if name in _quorixpy.__all__]


def test_only_the_init_function_is_exported():
    out = subprocess.run(["nm", "-D", "--defined-only", _quorixpy.__file__],
                         capture_output=True, text=True, check=True).stdout
    exported = [line.split()[-1] for line in out.splitlines()
                if line.split()[1] in "TDBRVWiu"]
    assert exported == ["PyInit__quorixpy"]


def test_module_docstring_is_empty():
    assert _quorixpy.__doc__ == ""
    assert Path(_quorixpy.__file__).suffix == ".so"


def test_all_lists_the_classes_in_their_fixed_order():
    assert "Vec3" in _quorixpy.__all__
    assert _quorixpy.__all__ == PRESENT
    for name in _quorixpy.__all__:
        assert getattr(_quorixpy, name).__name__ == name
    assert quorixpy.__all__ == _quorixpy.__all__


def test_module_has_nothing_but_classes_and_all():
    standard = {"__name__", "__doc__", "__package__", "__loader__", "__spec__", "__file__"}
    assert set(vars(_quorixpy)) - standard == {"__all__", *_quorixpy.__all__}


@pytest.mark.parametrize("name", PRESENT)
def test_class_object_naming(name):
    cls = getattr(_quorixpy, name)
    assert cls.__module__ == "builtins"
    assert cls.__qualname__ == name
    assert cls.__base__ is object or name == "EulerRot"


@pytest.mark.parametrize("name", [n for n in PRESENT if n in TEXT_SIGNATURES])
def test_docstring_is_the_text_signature(name):
    cls = getattr(_quorixpy, name)
    assert cls.__text_signature__ == TEXT_SIGNATURES[name]
    assert cls.__doc__ == ""


@pytest.mark.parametrize("name", [n for n in PRESENT if n != "Shape"])
def test_classes_refuse_subclassing(name):
    with pytest.raises(TypeError, match="is not an acceptable base type"):
        type("Sub", (getattr(_quorixpy, name),), {})


@pytest.mark.parametrize("name", [n for n in PRESENT if n != "EulerRot"])
def test_dataclass_fields_are_ready_at_import(name):
    fields = getattr(_quorixpy, name).__dict__["__dataclass_fields__"]
    assert isinstance(fields, dict)
    assert all(isinstance(f, dataclasses.Field) for f in fields.values())


def test_interpreter_messages_use_the_bare_class_name():
    v = _quorixpy.Vec3()
    with pytest.raises(AttributeError, match=r"^'Vec3' object has no attribute 'w'$"):
        v.w
    with pytest.raises(TypeError, match=r"^'Vec3' object does not support item assignment$"):
        v[0] = 1.0


def test_import_raises_no_warning(run_python):
    run_python("""
        import warnings
        warnings.simplefilter("error")
        import quorixpy
    """)


def test_import_works_without_numpy(run_python):
    proc = run_python("""
        import sys
        sys.modules["numpy"] = None
        import quorixpy
        v = quorixpy.Vec3(1, 2, 3)
        assert v + v == (2, 4, 6) and v.to_list() == [1.0, 2.0, 3.0]
        try:
            v.to_numpy()
        except BaseException as e:
            assert type(e).__name__ == "PanicException"
            assert str(e).startswith("Failed to access NumPy array API capsule")
            print("no numpy")
    """)
    assert proc.stdout.strip() == "no numpy"


def fresh_module():
    """A second module object from the same extension file, before its execution step."""
    spec = importlib.util.spec_from_file_location("_quorixpy", _quorixpy.__file__)
    return spec, importlib.util.module_from_spec(spec)


def test_second_module_object_shares_the_classes():
    spec, module = fresh_module()
    spec.loader.exec_module(module)
    assert module.__all__ == _quorixpy.__all__
    assert module.__all__ is not _quorixpy.__all__
    assert module.Vec3 is _quorixpy.Vec3


def test_all_that_is_not_a_list_fails_the_execution_step():
    spec, module = fresh_module()
    module.__all__ = ("preset",)
    with pytest.raises(TypeError, match=r"^'tuple' object is not an instance of 'list'$"):
        spec.loader.exec_module(module)


def test_existing_all_list_is_extended():
    spec, module = fresh_module()
    module.__all__ = ["preset"]
    spec.loader.exec_module(module)
    assert module.__all__ == ["preset", *PRESENT]


@pytest.mark.parametrize("patch, cause_text", [
    ("def broken(*a, **k):\n    raise ValueError('no dataclasses today')\n"
     "dataclasses.make_dataclass = broken",
     "ValueError: no dataclasses today"),
    ("class Odd:\n    __dataclass_fields__ = 5\n"
     "dataclasses.make_dataclass = lambda *a: Odd",
     "RuntimeError: make_dataclass did not expose __dataclass_fields__: "
     "'int' object is not an instance of 'dict'"),
])
def test_failed_class_creation_is_chained(run_python, patch, cause_text):
    proc = run_python(f"""
import dataclasses
{patch}
try:
    import quorixpy
except RuntimeError as e:
    chain = []
    while e is not None:
        chain.append(f"{{type(e).__name__}}: {{e}}")
        e = e.__cause__
    print("\\n".join(chain))
""")
    first_class = next(n for n in PRESENT if n != "EulerRot")
    assert proc.stdout.splitlines() == [
        f"RuntimeError: An error occurred while initializing class {first_class}",
        f"RuntimeError: An error occurred while initializing `{first_class}.__dataclass_fields__`",
        cause_text,
    ]


def test_import_from_many_threads_at_once(run_python):
    proc = run_python("""
        import sys, threading
        barrier = threading.Barrier(8)
        seen = []
        def work():
            barrier.wait()
            import quorixpy
            seen.append((quorixpy.Vec3, quorixpy.Vec3.ZERO + 1))
        threads = [threading.Thread(target=work) for _ in range(8)]
        for t in threads: t.start()
        for t in threads: t.join()
        assert len({id(cls) for cls, _ in seen}) == 1
        assert all(v == (1, 1, 1) for _, v in seen)
        print(len(seen))
    """)
    assert proc.stdout.strip() == "8"

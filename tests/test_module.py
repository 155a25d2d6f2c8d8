import dataclasses
import importlib.util
import inspect
import json
import os
import subprocess
import threading
import weakref
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
import inspect
import json
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


# ---- class objects: flags and instance layout ----

HEAPTYPE, BASETYPE, HAVE_GC, IMMUTABLETYPE, DISALLOW_INSTANTIATION = 1 << 9, 1 << 10, 1 << 14, 1 << 8, 1 << 7
ALGEBRA_SIZES = {"Vec2": 2, "Vec3": 3, "Vec4": 4, "Quat": 4, "Mat3": 9, "Mat4": 16, "Affine3": 12}


@pytest.mark.parametrize("name", PRESENT)
def test_class_flags(name):
    cls = getattr(_quorixpy, name)
    flags = cls.__flags__
    assert flags & HEAPTYPE
    assert bool(flags & BASETYPE) is (name == "Shape")
    assert bool(flags & DISALLOW_INSTANTIATION) is (name in ("EulerRot", "Shape"))
    assert not flags & IMMUTABLETYPE
    if name in ALGEBRA_SIZES:
        assert not flags & HAVE_GC
    if name in ("EulerRot", "Shape"):
        assert cls.__doc__ is None and cls.__text_signature__ is None
        with pytest.raises(TypeError, match=rf"^cannot create '{name}' instances$"):
            cls()
    if name == "Shape":
        assert type("Sub", (cls,), {}).__base__ is cls
    # Not frozen: a class attribute can be bound and removed again from Python.
    cls._probe = 1
    del cls._probe
    assert not hasattr(cls, "_probe")


@pytest.mark.parametrize("name", [n for n in PRESENT if n in ALGEBRA_SIZES])
def test_algebra_instances_hold_only_their_floats(name):
    cls = getattr(_quorixpy, name)
    assert cls.__basicsize__ == object.__basicsize__ + 8 * ALGEBRA_SIZES[name]
    assert cls.__dictoffset__ == 0 and cls.__weakrefoffset__ == 0
    instance = next(v for v in vars(cls).values() if type(v) is cls)  # a class constant
    with pytest.raises(TypeError, match="^cannot create weak reference to "):
        weakref.ref(instance)
    # Every field, and __dict__, is a property with a getter only.
    for field in [*DATACLASS_FIELDS[name], "__dict__"]:
        assert type(vars(cls)[field]).__name__ == "getset_descriptor"
        with pytest.raises(AttributeError) as info:
            setattr(instance, field, 1.0)
        assert str(info.value) == f"attribute '{field}' of '{name}' objects is not writable"


def test_method_text_signatures():
    for name in PRESENT:
        cls = getattr(_quorixpy, name)
        for attr in vars(cls).values():
            if callable(attr) and not isinstance(attr, type) and hasattr(attr, "__text_signature__"):
                sig = attr.__text_signature__
                assert sig and sig.startswith("("), (name, attr)
                inspect.signature(attr)  # parses
    assert _quorixpy.Vec3.with_x.__text_signature__ == "($self, x)"
    assert _quorixpy.Vec3.to_list.__text_signature__ == "($self)"
    assert _quorixpy.Vec3.splat.__text_signature__ == "(v)"
    assert _quorixpy.Vec3.abs_diff_eq.__text_signature__ == "($self, rhs, max_abs_diff)"
    assert _quorixpy.Vec3.with_x.__doc__ is None


# ---- dataclass fields: one make_dataclass call per class ----

DATACLASS_FIELDS = {
    "Vec2": ["x", "y"], "Vec3": ["x", "y", "z"], "Vec4": ["x", "y", "z", "w"], "Quat": ["x", "y", "z", "w"],
    "Mat3": ["x_axis", "y_axis", "z_axis"], "Mat4": ["x_axis", "y_axis", "z_axis", "w_axis"],
    "Affine3": ["matrix3", "translation"], "Sphere": ["center", "radius"], "Capsule": ["p1", "p2", "radius"],
    "Cuboid": ["center", "axes", "half_extents"], "Cylinder": ["p1", "p2", "radius"],
    "ConvexPolytope": ["planes", "vertices"],
    "ConvexPolygon": ["center", "normal", "u_axis", "v_axis", "vertices_2d"], "Line": ["origin", "dir"],
    "Ray": ["origin", "dir"], "LineSegment": ["p1", "p2"], "Plane": ["normal", "d"], "Pointcloud": [],
    "SphereCollection": [], "Shape": [], "Collider": [],
}


def test_make_dataclass_is_called_once_per_class(run_python):
    proc = run_python("""
        import json, sys
        assert "dataclasses" not in sys.modules
        import dataclasses
        real = dataclasses.make_dataclass
        calls = []
        def recording(*args, **kwargs):
            calls.append([args[0], type(args[1]).__name__, list(args[1]), sorted(kwargs)])
            return real(*args, **kwargs)
        dataclasses.make_dataclass = recording
        import quorixpy
        print(json.dumps(calls))
    """)
    expected = [["_QuorixpyDataclassShape", "list", DATACLASS_FIELDS[n], []] for n in PRESENT if n != "EulerRot"]
    assert json.loads(proc.stdout) == expected


def test_dataclass_fields_are_distinct_per_class():
    fields = [getattr(_quorixpy, n).__dict__["__dataclass_fields__"] for n in PRESENT if n != "EulerRot"]
    assert len({id(f) for f in fields}) == len(fields)
    for n in PRESENT:
        if n != "EulerRot":
            assert list(getattr(_quorixpy, n).__dataclass_fields__) == DATACLASS_FIELDS[n]


def test_import_imports_dataclasses(run_python):
    proc = run_python("""
        import sys
        before = "dataclasses" in sys.modules
        import quorixpy
        print(before, "dataclasses" in sys.modules)
    """)
    assert proc.stdout.split() == ["False", "True"]


# ---- failed class creation ----

def test_dataclasses_import_failure_is_the_cause(run_python):
    proc = run_python("""
        import sys
        sys.modules["dataclasses"] = None
        try:
            import quorixpy
        except RuntimeError as e:
            while e is not None:
                print(f"{type(e).__name__}: {e}")
                e = e.__cause__
    """)
    first = next(n for n in PRESENT if n != "EulerRot")
    assert proc.stdout.splitlines() == [
        f"RuntimeError: An error occurred while initializing class {first}",
        f"RuntimeError: An error occurred while initializing `{first}.__dataclass_fields__`",
        "ModuleNotFoundError: import of dataclasses halted; None in sys.modules",
    ]


def test_failed_class_is_created_on_a_later_attempt(run_python):
    # Vec3 fails; the classes added before it stay on the failed module object. A Vec2 method that
    # needs a Vec3 then faults; once make_dataclass works again, the import succeeds.
    proc = run_python(f"""
        import dataclasses, importlib.util, sys
        real = dataclasses.make_dataclass
        def refuse_xyz(name, fields):
            if list(fields) == ["x", "y", "z"]:
                raise ValueError("no Vec3 today")
            return real(name, fields)
        dataclasses.make_dataclass = refuse_xyz
        spec = importlib.util.spec_from_file_location("_quorixpy", {_quorixpy.__file__!r})
        module = importlib.util.module_from_spec(spec)
        try:
            spec.loader.exec_module(module)
        except RuntimeError as e:
            print("import:", e)
        print("added:", module.__all__, hasattr(module, "Vec3"))
        unraisable = []
        sys.unraisablehook = lambda u: unraisable.append(u.exc_value)
        try:
            module.Vec2(1, 2).extend(3)
        except BaseException as e:
            print("extend:", type(e).__name__, e)
        print("unraisable:", [str(e) for e in unraisable])
        dataclasses.make_dataclass = real
        import quorixpy
        print("retry:", quorixpy.Vec2(1, 2).extend(3), list(quorixpy.Vec3.__dataclass_fields__), quorixpy.Vec3.ZERO)
    """)
    assert proc.stdout.splitlines() == [
        "import: An error occurred while initializing class Vec3",
        f"added: {PRESENT[:PRESENT.index('Vec3')]} False",
        "extend: PanicException failed to create type object for `Vec3`",
        "unraisable: ['An error occurred while initializing class Vec3']",
        "retry: [1, 2, 3] ['x', 'y', 'z'] [0, 0, 0]",
    ]


def test_all_may_be_a_list_subclass():
    class Names(list):
        pass

    spec, module = fresh_module()
    module.__all__ = Names(["preset"])
    spec.loader.exec_module(module)
    assert type(module.__all__) is Names and module.__all__ == ["preset", *PRESENT]


def test_classes_created_by_several_threads_at_once(run_python):
    # Fresh module objects executed in parallel: the first execution creates the classes while the
    # others wait for, or join in computing, the class attributes; each class is stored once.
    proc = run_python(f"""
        import importlib.util, sys, threading
        sys.setswitchinterval(1e-6)
        barrier = threading.Barrier(8)
        results = []
        def work():
            spec = importlib.util.spec_from_file_location("_quorixpy", {_quorixpy.__file__!r})
            module = importlib.util.module_from_spec(spec)
            barrier.wait()
            spec.loader.exec_module(module)
            # Each class with everything stored on it, as this thread saw it.
            results.append([(getattr(module, n), *vars(getattr(module, n)).values()) for n in module.__all__])
        threads = [threading.Thread(target=work) for _ in range(8)]
        for t in threads: t.start()
        for t in threads: t.join()
        assert len(results) == 8
        for row in results[1:]:
            assert all(a is b for x, y in zip(results[0], row) for a, b in zip(x, y))
        print(len(results[0]))
    """)
    assert proc.stdout.strip() == str(len(PRESENT))


def test_numpy_loads_once_while_threads_race_for_it(run_python):
    proc = run_python("""
        import threading
        import quorixpy
        barrier = threading.Barrier(8)
        results = []
        def work():
            barrier.wait()
            results.append(quorixpy.Vec3(1, 2, 3).to_numpy().tolist())
        threads = [threading.Thread(target=work) for _ in range(8)]
        for t in threads: t.start()
        for t in threads: t.join()
        print(results == [[1.0, 2.0, 3.0]] * 8)
    """)
    assert proc.stdout.strip() == "True"

"""The Shape union: variant classes, item access, pattern matching, and the any-shape argument."""
import pickle

import pytest

import quorixpy
from quorixpy import Shape, Sphere

KINDS = ["Sphere", "Capsule", "Cuboid", "Cylinder", "ConvexPolytope", "ConvexPolygon", "Line", "Ray",
         "LineSegment", "Plane", "Pointcloud"]


def state(obj):
    return obj.__getnewargs_ex__()[1]["__pickle_state__"]


def from_record(cls, **fields):
    return cls(__pickle_state__=pickle.dumps(fields, protocol=3))


class Duck:
    def __init__(self, **attrs):
        self.__dict__.update(attrs)


@pytest.mark.parametrize("kind", KINDS)
def test_variant_classes(kind):
    variant = getattr(Shape, kind)
    assert variant.__qualname__ == f"Shape.{kind}"
    assert variant.__name__ == kind
    assert variant.__match_args__ == ("_0",)
    assert variant.__text_signature__ == "(_0)"
    assert issubclass(variant, Shape) and variant.__base__ is Shape
    with pytest.raises(TypeError):
        type("Sub", (variant,), {})
    assert list(Shape.__dataclass_fields__) == []


def test_variant_objects_behave_as_one_item_tuples():
    s = Sphere((1, 2, 3), 0.5)
    v = Shape.Sphere(s)
    assert type(v) is Shape.Sphere and isinstance(v, Shape)
    assert len(v) == 1
    first, again = v[0], v._0
    assert type(first) is Sphere and first is not again and first is not s
    assert state(first) == state(again) == state(s)
    assert v.__dict__ == {}
    match v:
        case Shape.Sphere(held):
            assert state(held) == state(s)
        case _:
            pytest.fail("no match")


@pytest.mark.parametrize("idx, exc, text", [
    (1, IndexError, "tuple index out of range"),
    (2**70, OverflowError, None),
    (-1, OverflowError, None),
    ("0", TypeError, "argument 'idx': "),
])
def test_item_errors(idx, exc, text):
    with pytest.raises(exc) as info:
        Shape.Sphere(Sphere((0, 0, 0)))[idx]
    if text:
        assert str(info.value).startswith(text)


def test_variant_constructor_conversions():
    duck = Duck(center=(1, 2, 3), radius=4)
    assert repr(Shape.Sphere(_0=duck)[0]) == "Sphere(center: [1, 2, 3], radius: 4)"
    # A missing attribute is not a TypeError: it passes unrenamed.
    with pytest.raises(AttributeError, match="'Duck' object has no attribute 'radius'"):
        Shape.Sphere(Duck(center=(1, 2, 3)))
    with pytest.raises(TypeError, match=r"^argument '_0': 'Ray' object is not an instance of 'Line'$"):
        Shape.Line(from_record(quorixpy.Ray, origin=(0.0, 0.0, 0.0), dir=(1.0, 0.0, 0.0), rdv=1.0))
    with pytest.raises(TypeError, match=r"missing 1 required positional argument: '_0'"):
        Shape.Sphere()
    with pytest.raises(TypeError, match="^cannot create 'Shape' instances$"):
        Shape()


def test_capsule_variant_reads_a_cylinder_by_its_attributes():
    cylinder = from_record(quorixpy.Cylinder, p1=(0.0, 0.0, 0.0), dir=(0.0, 0.0, 2.0), radius=0.5, rdv=0.25,
                           z_aligned=True)
    held = Shape.Capsule(cylinder)[0]
    assert type(held) is quorixpy.Capsule
    assert pickle.loads(state(held)) == pickle.loads(state(cylinder))


@pytest.mark.parametrize("bad", [42, None, "abc", [1, 2, 3], Duck(center=(0, 0))])
def test_anything_else_is_not_a_shape(bad):
    with pytest.raises(TypeError, match=r"^argument 'other': expected a Shape \(Sphere, Cuboid, Cylinder, etc\.\)$"):
        Sphere((0, 0, 0), 1).collides(bad)


class Raising:
    def __init__(self, exc):
        self.exc = exc

    @property
    def center(self):
        raise self.exc


@pytest.mark.parametrize("exc", [KeyboardInterrupt, SystemExit])
def test_only_ordinary_errors_of_foreign_attributes_are_discarded(exc):
    with pytest.raises(exc):
        Sphere((0, 0, 0), 1).collides(Raising(exc()))


def test_ordinary_errors_of_foreign_attributes_are_discarded():
    with pytest.raises(TypeError, match="expected a Shape"):
        Sphere((0, 0, 0), 1).collides(Raising(RuntimeError("boom")))

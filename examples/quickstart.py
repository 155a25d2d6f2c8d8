"""A first look at quorixpy: immutable double-precision vectors."""
import pickle

from quorixpy import Vec2, Vec3, Vec4

a = Vec3(1, 2, 3)
b = Vec3.from_array((0.5, -1, 2))

print("a         =", a)
print("a + b     =", a + b)
print("a * 2     =", repr(a * 2))
print("a . b     =", a.dot(b))
print("a x b     =", a.cross(b))
print("|a|       =", a.length())
print("a unit    =", a.normalize())
print("lerp      =", a.lerp(b, 0.25))
print("extend    =", a.extend(1.0), Vec4(1, 2, 3, 4).truncate(), Vec2(3, 4).length())
print("json      =", a.to_json(), "->", Vec3.from_json(a.to_json()))
assert pickle.loads(pickle.dumps(a)) == a
print("pickled   =", pickle.loads(pickle.dumps(a)))

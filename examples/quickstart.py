"""A first look at quorixpy: immutable double-precision vectors, rotations and matrices."""
import math
import pickle

from quorixpy import Affine3, EulerRot, Mat3, Mat4, Quat, Vec2, Vec3, Vec4

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

# Rotations, matrices and affine transforms.
q = Quat.from_axis_angle((0, 0, 1), math.pi / 2)
print("q * x     =", q * (1, 0, 0))
print("euler     =", q.to_euler(EulerRot.ZYX), "->", Quat.from_euler(EulerRot.ZYX, *q.to_euler(EulerRot.ZYX)))
print("Mat3      =", Mat3.from_quat(q))
view = Mat4.look_at_rh((0, 0, 5), (0, 0, 0), (0, 1, 0))
proj = Mat4.perspective_rh(math.pi / 3, 16 / 9, 0.1, 100.0)
print("projected =", (proj * view).project_point3((0, 0, 0)))
pose = Affine3.from_scale_rotation_translation((2, 2, 2), q, (1, 2, 3))
print("pose      =", pose)
print("inverse   =", pose.inverse().transform_point3(pose.transform_point3((1, 1, 1))))

# Collision shapes: single-precision solids, lines and planes; touching counts as a collision.
from quorixpy import Capsule, ConvexPolytope, Cuboid, Plane, Pointcloud, Ray, Shape, Sphere

import numpy

ball = Sphere((0, 0, 0), 0.5)
box = Cuboid((1, 0, 0), ((1, 0, 0), (0, 1, 0), (0, 0, 1)), (0.5, 0.5, 0.5))
rod = Capsule((0, -1, 0), (0, 1, 0), 0.1)
floor = Plane((0, 0, 1), -1.0)
print("ball-box  =", ball.collides(box), "| ball-floor =", ball.collides(floor))
print("moved box =", box.translated((0.1, 0, 0)).collides(ball), box.rotated_quat(q).aabb())
print("ray hits  =", Ray((-5, 0, 0), (1, 0, 0)).collides(box))

# A swept shape: the ball moving by (2, 0, 0) becomes a capsule, returned as Shape values.
(swept,) = ball.stretch((2, 0, 0))
match swept:
    case Shape.Capsule(capsule):
        print("swept     =", capsule, "hits box:", capsule.collides(box))

# A point cloud from a NumPy array, queried with shapes.
rng = numpy.random.default_rng(0)
points = rng.uniform(-1, 1, (10_000, 3)) * (1, 1, 0) + (0, 0, 2)  # a flat sheet at z = 2
cloud = Pointcloud.from_numpy(points, 0.01)
print("cloud     =", cloud, "bounds:", cloud.aabb())
print("near hit  =", cloud.collides(Sphere((0, 0, 1.95), 0.05)), "| far miss =",
      cloud.collides(Sphere((0, 0, 1.5), 0.05)))
print("moved     =", cloud.translated((0, 0, -2)).collides(ball), cloud.collides(box))

# A collider: many shapes and the cloud in one container, queried with a shape or another collider.
from quorixpy import Collider

scene = Collider()
scene.add(box)
scene.add(Capsule((3, 0, 0), (3, 0, 2), 0.25))
scene.add(cloud)
scene.include([Sphere((-3, 0, 0), 0.5), Sphere((-3, 0, 1), 0.5)])
print("collider  =", scene, "bound:", scene.broadphase())
print("hits      =", scene.collides(Sphere((3, 0, 1), 0.3)), scene.collides(Sphere((0, 5, 0), 0.3)))
robot = Collider()
robot.add(Sphere((0, 0, 1.9), 0.2))
print("robot     =", scene.collides_other(robot), "| moved away:", scene.collides_other(robot.translated((0, 9, 0))))

"""A first look at quorixpy, in two halves.

Algebra: immutable double-precision vectors, quaternions, matrices and affine transforms.
Collision: single-precision shapes (touching counts as a collision), the volume a shape sweeps, a
point cloud read from NumPy, and a collider holding many shapes.
"""
import math
import pickle

import numpy

from quorixpy import (Affine3, Capsule, Collider, Cuboid, EulerRot, Mat3, Mat4, Plane, Pointcloud, Quat, Ray,
                      Shape, Sphere, Vec2, Vec3, Vec4)

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

# Rotations, matrices and affine transforms. q turns 120 degrees about (1, 1, 1), taking x to y, y to
# z and z to x; its components are exact in binary, so every result below is exact too.
q = Quat.from_xyzw(0.5, 0.5, 0.5, 0.5)
print("q * x     =", q * (1, 0, 0))
print("Mat3      =", Mat3.from_quat(q))
angles = q.to_euler(EulerRot.ZYZ)
print("euler ZYZ =", [math.degrees(t) for t in angles], "degrees; back:",
      Quat.from_euler(EulerRot.ZYZ, *angles).abs_diff_eq(q, 1e-12))
# Angles in radians such as pi / 2 are rounded, and so are the results: compare them with a tolerance.
quarter = Quat.from_rotation_z(math.pi / 2)
print("pi/2 turn =", (quarter * (1, 0, 0)).abs_diff_eq((0, 1, 0), 1e-12))
view = Mat4.look_at_rh((0, 0, 5), (0, 0, 0), (0, 1, 0))
proj = Mat4.perspective_rh(math.pi / 3, 16 / 9, 0.1, 100.0)
print("projected =", (proj * view).project_point3((0, 0, 0)))
pose = Affine3.from_scale_rotation_translation((2, 2, 2), q, (1, 2, 3))
print("pose      =", pose)
print("pose * x  =", pose.transform_point3((1, 0, 0)))
print("inverse   =", pose.inverse().transform_point3(pose.transform_point3((1, 1, 1))))

# Collision shapes: single-precision solids, lines and planes; touching counts as a collision.
ball = Sphere((0, 0, 0), 0.5)
box = Cuboid((1, 0, 0), ((1, 0, 0), (0, 1, 0), (0, 0, 1)), (0.5, 0.5, 0.5))
floor = Plane((0, 0, 1), -1.0)  # the half-space z <= -1
print("ball-box  =", ball.collides(box), "| ball-floor =", ball.collides(floor))
print("moved box =", box.translated((0.1, 0, 0)).collides(ball), box.rotated_quat(q).aabb())
print("ray hits  =", Ray((-5, 0, 0), (1, 0, 0)).collides(box))

# A swept shape: the ball moving by (2, 0, 0) covers a capsule, returned as a list of Shape values;
# each holds one shape, taken out by pattern matching (or swept[0], swept._0).
(swept,) = ball.stretch((2, 0, 0))
match swept:
    case Shape.Capsule(capsule):
        print("swept     =", capsule, "hits box:", capsule.collides(box))

# A point cloud from a NumPy array: a 101 x 101 grid on the square [-1, 1] x [-1, 1] at z = 0.
grid = numpy.linspace(-1, 1, 101)
xs, ys = numpy.meshgrid(grid, grid)
points = numpy.column_stack([xs.ravel(), ys.ravel(), numpy.zeros(xs.size)])
cloud = Pointcloud.from_numpy(points, 0.01)
print("cloud     =", cloud, "bounds:", cloud.aabb())
print("near hit  =", cloud.collides(Sphere((0, 0, 0.05), 0.05)), "| far miss =",
      cloud.collides(Sphere((0, 0, 0.5), 0.05)))
print("with ball =", cloud.collides(ball), "| moved up:", cloud.translated((0, 0, 2)).collides(ball))

# A collider: many shapes and the cloud in one container, queried with a shape or another collider.
scene = Collider()
scene.add(box)
scene.add(Capsule((3, 0, 0), (3, 0, 2), 0.25))
scene.add(cloud)
scene.include([Sphere((-3, 0, 0), 0.5), Sphere((-3, 0, 1), 0.5)])
print("collider  =", scene, "bound:", scene.broadphase())
print("hits      =", scene.collides(Sphere((3, 0, 1), 0.3)), scene.collides(Sphere((0, 5, 0), 0.3)))
robot = Collider()
robot.add(Sphere((0, 0, 0.1), 0.2))
print("robot     =", scene.collides_other(robot), "| moved away:", scene.collides_other(robot.translated((0, 9, 0))))

"""Every method of the rotation and matrix classes and of the shared vector method sets: its name,
its kind (instance or static), its parameter names as the interpreter reports them, and an empty
docstring (the docstring slot holds only the signature)."""
import pytest

from quorixpy import Affine3, Mat3, Mat4, Quat, Vec2, Vec3, Vec4


def table(text):
    """'name(a, b)' entries separated by ';' -> {name: '(a, b)'}."""
    entries = (entry.strip() for entry in text.split(";"))
    return {e.split("(", 1)[0]: "(" + e.split("(", 1)[1] for e in entries if e}


def instance(text):
    """The same entries as instance methods: '$self' leads the parameters."""
    return {name: "($self" + (", " + p[1:] if p != "()" else ")") for name, p in table(text).items()}


ELEMENTWISE = instance(
    "abs(); signum(); floor(); ceil(); round(); trunc(); fract(); fract_gl(); exp(); exp2(); ln(); log2(); sqrt(); "
    "recip(); sin(); cos(); sin_cos(); saturate(); powf(n); copysign(rhs); mul_add(a, b); step(rhs); "
    "div_euclid(rhs); rem_euclid(rhs); min(rhs); max(rhs); clamp(min, max); min_element(); max_element(); "
    "min_position(); max_position(); element_sum(); element_product()")
GEOMETRIC = instance(
    "dot(rhs); length(); length_squared(); length_recip(); distance(rhs); distance_squared(rhs); normalize(); "
    "try_normalize(); normalize_or(fallback); normalize_or_zero(); normalize_and_length(); is_normalized(); "
    "clamp_length(min, max); clamp_length_max(max); clamp_length_min(min); lerp(rhs, s); move_towards(rhs, d); "
    "midpoint(rhs); project_onto(rhs); reject_from(rhs); project_onto_normalized(rhs); "
    "reject_from_normalized(rhs); reflect(normal); refract(normal, eta)")
VEC3_ONLY = {**instance(
    "cross(rhs); slerp(rhs, s); angle_between(rhs); rotate_x(angle); rotate_y(angle); rotate_z(angle); "
    "rotate_axis(axis, angle); rotate_towards(rhs, max_angle); any_orthogonal_vector(); any_orthonormal_vector(); "
    "any_orthonormal_pair(); extend(w); truncate(); to_homogeneous()"), **table("from_homogeneous(v)")}
FORMS = {**instance("to_json(); to_dict()"), **table("from_json(json); try_from_json(json); from_dict(obj); try_from_dict(obj)")}
SHARED = instance("is_finite(); is_nan(); abs_diff_eq(rhs, max_abs_diff); __getnewargs_ex__()")
MATRIX = {**instance(
    "col(index); row(index); diagonal(); transpose(); determinant(); inverse(); try_inverse(); inverse_or_zero(); "
    "mul_scalar(rhs); div_scalar(rhs); mul_diagonal_scale(scale); abs(); recip(); to_cols_array(); "
    "to_cols_array_2d(); to_numpy(); to_euler(order)"), **table(
    "from_cols_array(m); from_cols_array_2d(m); from_numpy(array); from_diagonal(diagonal); from_quat(rotation); "
    "from_axis_angle(axis, angle); from_rotation_x(angle); from_rotation_y(angle); from_rotation_z(angle); "
    "from_euler(order, a, b, c)")}
ROTATIONS = table("from_rotation_x(angle); from_rotation_y(angle); from_rotation_z(angle); from_axis_angle(axis, angle)")
PERSPECTIVE, INFINITE = "fov_y_radians, aspect_ratio, z_near, z_far", "fov_y_radians, aspect_ratio, z_near"
BOX, FRUSTUM = "left, right, bottom, top, near, far", "left, right, bottom, top, z_near, z_far"
VIEWS = table("look_to_lh(eye, dir, up); look_to_rh(eye, dir, up); look_at_lh(eye, center, up); look_at_rh(eye, center, up)")

METHODS = {
    Vec2: {**ELEMENTWISE, **GEOMETRIC},
    Vec3: {**ELEMENTWISE, **GEOMETRIC, **VEC3_ONLY, **FORMS},
    Vec4: {**ELEMENTWISE, **GEOMETRIC},
    Quat: {**SHARED, **FORMS, **ROTATIONS, **instance(
        "dot(rhs); length(); length_squared(); length_recip(); normalize(); is_normalized(); is_near_identity(); "
        "conjugate(); inverse(); xyz(); mul_quat(rhs); mul_vec3(rhs); lerp(end, s); slerp(end, s); "
        "angle_between(rhs); rotate_towards(rhs, max_angle); to_axis_angle(); to_scaled_axis(); to_euler(order); "
        "to_array(); to_numpy()"), **table(
        "from_xyzw(x, y, z, w); from_array(a); from_numpy(array); from_scaled_axis(v); from_euler(order, a, b, c); "
        "from_rotation_axes(x_axis, y_axis, z_axis); from_mat3(mat); from_mat4(mat); from_affine3(a); "
        "from_rotation_arc(from, to); from_rotation_arc_colinear(from, to); from_rotation_arc_2d(from, to); "
        "look_to_lh(dir, up); look_to_rh(dir, up); look_at_lh(eye, center, up); look_at_rh(eye, center, up)")},
    Mat3: {**SHARED, **FORMS, **MATRIX, **instance(
        "add_mat3(rhs); sub_mat3(rhs); mul_mat3(rhs); mul_vec3(rhs); mul_transpose_vec3(rhs); "
        "transform_point2(rhs); transform_vector2(rhs)"), **table(
        "from_cols(x_axis, y_axis, z_axis); from_mat4(m); from_mat4_minor(m, i, j); look_to_lh(dir, up); "
        "look_to_rh(dir, up); from_angle(angle); from_scale(scale); from_translation(translation); "
        "from_scale_angle_translation(scale, angle, translation)")},
    Mat4: {**SHARED, **MATRIX, **VIEWS, **instance(
        "add_mat4(rhs); sub_mat4(rhs); mul_mat4(rhs); mul_vec4(rhs); mul_transpose_vec4(rhs); transform_point3(rhs); "
        "transform_vector3(rhs); project_point3(rhs); to_scale_rotation_translation()"), **table(
        "from_cols(x_axis, y_axis, z_axis, w_axis); from_scale(scale); from_translation(translation); from_mat3(m); "
        "from_mat3_translation(mat3, translation); from_rotation_translation(rotation, translation); "
        "from_scale_rotation_translation(scale, rotation, translation); "
        f"perspective_lh({PERSPECTIVE}); perspective_rh({PERSPECTIVE}); perspective_rh_gl({PERSPECTIVE}); "
        f"perspective_infinite_lh({INFINITE}); perspective_infinite_rh({INFINITE}); "
        f"perspective_infinite_reverse_lh({INFINITE}); perspective_infinite_reverse_rh({INFINITE}); "
        f"orthographic_lh({BOX}); orthographic_rh({BOX}); orthographic_rh_gl({BOX}); "
        f"frustum_lh({FRUSTUM}); frustum_rh({FRUSTUM}); frustum_rh_gl({FRUSTUM})")},
    Affine3: {**SHARED, **FORMS, **ROTATIONS, **VIEWS, **instance(
        "transform_point3(rhs); transform_vector3(rhs); inverse(); to_scale_rotation_translation(); "
        "to_cols_array(); to_cols_array_2d(); to_numpy()"), **table(
        "from_cols(x_axis, y_axis, z_axis, w_axis); from_cols_array(m); from_cols_array_2d(m); from_numpy(array); "
        "from_mat3(mat3); from_mat3_translation(mat3, translation); from_mat4(m); from_quat(rotation); "
        "from_rotation_translation(rotation, translation); from_scale_rotation_translation(scale, rotation, translation); "
        "from_scale(scale); from_translation(translation)")},
}
CASES = [(cls, name, params) for cls, methods in METHODS.items() for name, params in methods.items()]


@pytest.mark.parametrize("cls, name, params", CASES, ids=[f"{c.__name__}.{n}" for c, n, _ in CASES])
def test_method_signature(cls, name, params):
    raw = cls.__dict__[name]
    assert isinstance(raw, staticmethod) is (not params.startswith("($self"))
    method = getattr(cls, name)
    assert method.__text_signature__ == params
    assert not method.__doc__


@pytest.mark.parametrize("cls, constants, properties", [
    (Quat, ["IDENTITY", "NAN"], ["x", "y", "z", "w"]),
    (Mat3, ["IDENTITY", "ZERO", "NAN"], ["x_axis", "y_axis", "z_axis"]),
    (Mat4, ["IDENTITY", "ZERO", "NAN"], ["x_axis", "y_axis", "z_axis", "w_axis"]),
    (Affine3, ["IDENTITY", "ZERO", "NAN"], ["matrix3", "translation"]),
])
def test_no_other_public_names(cls, constants, properties):
    public = {name for name in vars(cls) if not name.startswith("_")}
    assert public == {n for n in METHODS[cls] if not n.startswith("_")} | set(constants) | set(properties)
    assert all(type(getattr(cls, name)) is cls for name in constants)

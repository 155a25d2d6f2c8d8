#include "trelk_wrappers/list_args.hpp"

#include <array>

#include "binding/errors.hpp"
#include "glam_wrappers/algebra_args.hpp"

namespace quorix::py {

bool Arg<VertexRow>::read(PyObject* o, trelk::Vec3& out) {
    std::array<float, 3> a;
    if (!Arg<std::array<float, 3>>::read(o, a)) return false;
    out = {a[0], a[1], a[2]};
    return true;
}

bool Arg<NormalOffsetRow>::read(PyObject* o, trelk::Plane& out) {
    if (!check_tuple(o, 2)) return false;
    double d;
    if (!Arg<VertexRow>::read(PyTuple_GET_ITEM(o, 0), out.normal) || !read_float(PyTuple_GET_ITEM(o, 1), d)) return false;
    out.d = f32(d);
    return true;
}

namespace {

template <std::size_t N>
PyObject* float_row(const float* v) {
    Ref row = check(PyList_New(N));
    for (std::size_t i = 0; i < N; ++i) PyList_SET_ITEM(row.get(), i, ToPy<float>::convert(v[i]));
    return row.release();
}

PyObject* vec3_row(const trelk::Vec3& v) {
    const float a[3] = {v.x, v.y, v.z};
    return float_row<3>(a);
}

}  // namespace

PyObject* rows_list(std::span<const trelk::Vec2f> rows) {
    return list_of(rows, [](const trelk::Vec2f& v) { return float_row<2>(v.data()); });
}

PyObject* rows_list(std::span<const trelk::Vec3> rows) { return list_of(rows, vec3_row); }

PyObject* planes_list(std::span<const trelk::Plane> planes) {
    return list_of(planes, [](const trelk::Plane& p) {
        Ref normal(vec3_row(p.normal));
        Ref d(ToPy<float>::convert(p.d));
        return check(PyTuple_Pack(2, normal.get(), d.get())).release();
    });
}

}  // namespace quorix::py

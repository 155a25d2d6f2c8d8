// The extension module: definition, execution step and the order in which classes are added.
#include "binding/errors.hpp"
#include "binding/lazy_type.hpp"
#include "glam_wrappers/classes.hpp"
#include "trelk_wrappers/classes.hpp"
#include "support/fault.hpp"

namespace quorix::py {
namespace {

// The classes in the order they are added to the module and to __all__.
LazyType& (*const module_classes[])() = {
    &ClassOf<EulerRot>::lazy,
    &ClassOf<DVec2>::lazy,
    &ClassOf<DVec3>::lazy,
    &ClassOf<DVec4>::lazy,
    &ClassOf<DQuat>::lazy,
    &ClassOf<DMat3>::lazy,
    &ClassOf<DMat4>::lazy,
    &ClassOf<DAffine3>::lazy,
    &ClassOf<trelk::Sphere>::lazy,
    &ClassOf<trelk::Capsule>::lazy,
    &ClassOf<trelk::Cuboid>::lazy,
    &ClassOf<trelk::Cylinder>::lazy,
    &ClassOf<trelk::ConvexPolytope>::lazy,
    &ClassOf<trelk::ConvexPolygon>::lazy,
    &ClassOf<trelk::Line>::lazy,
    &ClassOf<trelk::Ray>::lazy,
    &ClassOf<trelk::LineSegment>::lazy,
    &ClassOf<trelk::Plane>::lazy,
    &ClassOf<trelk::Pointcloud>::lazy,
    &ClassOf<PySphereCollection>::lazy,
    &ClassOf<ShapeUnion>::lazy,
    &ClassOf<PyCollider>::lazy,
};

// Appends `name` to the module's __all__ (made on first use) and binds it to `value`.
void add_to_module(PyObject* module, PyObject* name, PyObject* value) {
    PyObject* raw = PyObject_GetAttrString(module, "__all__");
    if (!raw) {
        if (!PyErr_ExceptionMatches(PyExc_AttributeError)) throw PythonError{};
        PyErr_Clear();
        raw = check(PyList_New(0)).release();
        if (PyObject_SetAttrString(module, "__all__", raw) < 0) {
            Py_DECREF(raw);
            throw PythonError{};
        }
    }
    Ref all(raw);
    if (!PyList_Check(all.get())) raise_not_instance(all.get(), "list");
    if (PyList_Append(all.get(), name) < 0) {
        PyErr_Clear();
        throw Fault("could not append __name__ to __all__");
    }
    check(PyObject_SetAttr(module, name, value));
}

int exec_module(PyObject* module) {
    return guard_value(-1, [&] {
        if (!PyModule_Check(module)) raise_not_instance(module, "module");
        for (auto lazy : module_classes) {
            LazyType& cls = lazy();
            PyTypeObject* type = cls.get();
            Ref name = check(PyUnicode_FromString(cls.name()));
            add_to_module(module, name.get(), reinterpret_cast<PyObject*>(type));
        }
        return 0;
    });
}

PyModuleDef_Slot module_slots[] = {
    {Py_mod_exec, reinterpret_cast<void*>(&exec_module)},
#if PY_VERSION_HEX >= 0x030C0000
    // The class objects are process-wide, so they cannot serve several interpreters.
    {Py_mod_multiple_interpreters, Py_MOD_MULTIPLE_INTERPRETERS_NOT_SUPPORTED},
#endif
#ifdef Py_mod_gil
    {Py_mod_gil, Py_MOD_GIL_NOT_USED},
#endif
    {0, nullptr}};

PyModuleDef module_def = {PyModuleDef_HEAD_INIT, "_quorixpy", "", 0, nullptr, module_slots, nullptr, nullptr, nullptr};

}  // namespace
}  // namespace quorix::py

PyMODINIT_FUNC PyInit__quorixpy(void) { return PyModuleDef_Init(&quorix::py::module_def); }

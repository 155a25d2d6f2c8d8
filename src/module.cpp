#include <Python.h>

// Placeholder module definition; the class frame replaces it.
static int quorix_exec(PyObject* module) {
    PyObject* all = PyList_New(0);
    if (!all) return -1;
    int rc = PyModule_AddObjectRef(module, "__all__", all);
    Py_DECREF(all);
    return rc;
}

static PyModuleDef_Slot quorix_slots[] = {
    {Py_mod_exec, reinterpret_cast<void*>(quorix_exec)},
#if PY_VERSION_HEX >= 0x030C0000
    {Py_mod_multiple_interpreters, Py_MOD_MULTIPLE_INTERPRETERS_NOT_SUPPORTED},
#endif
#ifdef Py_GIL_DISABLED
    {Py_mod_gil, Py_MOD_GIL_NOT_USED},
#endif
    {0, nullptr}};

static PyModuleDef quorix_module = {PyModuleDef_HEAD_INIT, "_quorixpy", "", 0, nullptr, quorix_slots,
                                    nullptr, nullptr, nullptr};

PyMODINIT_FUNC PyInit__quorixpy(void) { return PyModuleDef_Init(&quorix_module); }

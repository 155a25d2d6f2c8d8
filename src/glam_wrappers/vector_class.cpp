#include "glam_wrappers/vector_class.hpp"

#include <atomic>

namespace quorix::py {

PyObject* const* component_names() {
    // Published once; a thread that loses the race drops its own strings. No lock is held while
    // the interpreter runs.
    static std::atomic<PyObject**> published{nullptr};
    if (PyObject** names = published.load(std::memory_order_acquire)) return names;
    auto* made = new PyObject*[4];
    const char* text[4] = {"x", "y", "z", "w"};
    for (int i = 0; i < 4; ++i) {
        made[i] = PyUnicode_InternFromString(text[i]);
        if (!made[i]) {
            for (int j = 0; j < i; ++j) Py_DECREF(made[j]);
            delete[] made;
            throw PythonError{};
        }
    }
    PyObject** expected = nullptr;
    if (!published.compare_exchange_strong(expected, made, std::memory_order_acq_rel)) {
        for (int i = 0; i < 4; ++i) Py_DECREF(made[i]);
        delete[] made;
        return expected;
    }
    return made;
}

}  // namespace quorix::py

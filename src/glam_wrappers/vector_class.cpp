#include "glam_wrappers/vector_class.hpp"

#include "support/fault.hpp"

namespace quorix::py {

PyObject* const* component_names() {
    static PyObject* const* names = [] {
        static PyObject* interned[4];
        const char* text[4] = {"x", "y", "z", "w"};
        for (int i = 0; i < 4; ++i) {
            interned[i] = PyUnicode_InternFromString(text[i]);
            if (!interned[i]) throw PythonError{};
        }
        return interned;
    }();
    return names;
}

}  // namespace quorix::py

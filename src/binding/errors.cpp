#include "binding/errors.hpp"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <thread>

#include "binding/borrow.hpp"
#include "support/fault.hpp"

namespace quorix::py {
namespace {

[[noreturn]] void abort_at_boundary() {
    std::fputs("uncaught panic at ffi boundary\n", stderr);
    std::fflush(stderr);
    std::abort();
}

void report_fault(const char* message, const std::source_location* where) {
    std::ostringstream thread;
    thread << std::this_thread::get_id();
    if (where)
        std::fprintf(stderr, "thread '%s' faulted at %s:%u:%u:\n%s\n", thread.str().c_str(), where->file_name(),
                     unsigned(where->line()), unsigned(where->column()), message);
    else
        std::fprintf(stderr, "thread '%s' faulted:\n%s\n", thread.str().c_str(), message);
    std::fflush(stderr);
}

void raise_panic(const char* message) {
    PyObject* type = panic_exception_type();
    if (!type) return;  // its creation error is set
    PyErr_SetString(type, (message && *message) ? message : "internal fault in the quorixpy extension");
}

#if PY_VERSION_HEX >= 0x030C0000
PyObject* take_error() { return PyErr_GetRaisedException(); }
void restore_error(PyObject* exc) { PyErr_SetRaisedException(exc); }
#else
PyObject* take_error() {
    PyObject *type, *value, *tb;
    PyErr_Fetch(&type, &value, &tb);
    PyErr_NormalizeException(&type, &value, &tb);
    if (tb) PyException_SetTraceback(value, tb);
    Py_XDECREF(type);
    Py_XDECREF(tb);
    return value;
}
void restore_error(PyObject* exc) {
    PyObject* type = Py_NewRef(reinterpret_cast<PyObject*>(Py_TYPE(exc)));
    PyErr_Restore(type, exc, PyException_GetTraceback(exc));
}
#endif

}  // namespace

void set_error_from_current_exception() noexcept {
    try {
        try {
            throw;
        } catch (const PythonError&) {
            if (!PyErr_Occurred()) raise_panic("error reported without a Python exception");
        } catch (const std::bad_alloc&) {
            PyErr_NoMemory();
        } catch (const BorrowError& e) {
            PyErr_SetString(PyExc_RuntimeError, e.what());
        } catch (const Fault& f) {
            report_fault(f.what(), &f.where);
            raise_panic(f.what());
        } catch (const std::exception& e) {
            report_fault(e.what(), nullptr);
            raise_panic(e.what());
        } catch (...) {
            report_fault("unknown C++ exception", nullptr);
            raise_panic(nullptr);
        }
    } catch (...) {
        abort_at_boundary();
    }
}

PyObject* panic_exception_type() {
    static std::atomic<PyObject*> cached{nullptr};
    PyObject* t = cached.load(std::memory_order_acquire);
    if (t) return t;
    PyObject* made = PyErr_NewExceptionWithDoc(
        "pyo3_runtime.PanicException",
        "An internal fault of the quorixpy extension.\n\n"
        "Derived from BaseException, like SystemExit, so that it is not caught by\n"
        "`except Exception` and normally ends the program.\n",
        PyExc_BaseException, nullptr);
    if (!made) return nullptr;
    PyObject* expected = nullptr;
    if (!cached.compare_exchange_strong(expected, made, std::memory_order_acq_rel)) {
        Py_DECREF(made);  // another thread was first; only one type is ever handed out
        return expected;
    }
    return made;
}

void rename_argument_error(const char* name) {
    if (!PyErr_Occurred()) return;
    PyObject* exc = take_error();
    if (Py_TYPE(exc) != reinterpret_cast<PyTypeObject*>(PyExc_TypeError)) {
        restore_error(exc);
        return;
    }
    PyObject* text = PyObject_Str(exc);
    PyObject* renamed = nullptr;
    if (text) {
        renamed = PyUnicode_FromFormat("argument '%s': %U", name, text);
        Py_DECREF(text);
    }
    PyObject* fresh = renamed ? PyObject_CallOneArg(PyExc_TypeError, renamed) : nullptr;
    Py_XDECREF(renamed);
    if (!fresh) {
        Py_DECREF(exc);
        return;  // the failure to build the message is the error now
    }
    PyException_SetCause(fresh, PyException_GetCause(exc));  // steals the cause reference
    Py_DECREF(exc);
    restore_error(fresh);
}

bool discard_ordinary_error() {
    if (PyErr_ExceptionMatches(PyExc_Exception) && !PyErr_ExceptionMatches(PyExc_MemoryError)) {
        PyErr_Clear();
        return true;
    }
    return false;
}

std::string type_name(PyObject* obj) {
    std::string out;
    PyObject* q = PyType_GetQualName(Py_TYPE(obj));
    if (q) {
        Py_ssize_t n = 0;
        const char* s = PyUnicode_AsUTF8AndSize(q, &n);
        if (s) out.assign(s, static_cast<std::size_t>(n));
        Py_DECREF(q);
    }
    if (out.empty()) {
        PyErr_Clear();
        out = Py_TYPE(obj)->tp_name;
    }
    return out;
}

void set_not_instance(PyObject* obj, const char* expected) {
    std::string name = type_name(obj);
    PyErr_Format(PyExc_TypeError, "'%s' object is not an instance of '%s'", name.c_str(), expected);
}

void raise_not_instance(PyObject* obj, const char* expected) {
    set_not_instance(obj, expected);
    throw PythonError{};
}

void chain_error(PyObject* type, const std::string& message) {
    PyObject* cause = PyErr_Occurred() ? take_error() : nullptr;
    PyObject* fresh = PyObject_CallFunction(type, "s", message.c_str());
    if (!fresh) {
        Py_XDECREF(cause);
        return;
    }
    PyException_SetCause(fresh, cause);  // steals
    restore_error(fresh);
}

}  // namespace quorix::py

// How failures reach Python: the entry guard around every C API callback, the argument-error
// re-raise, PanicException for internal faults, and the rule for discarding a failed attempt.
#pragma once

#include <string>

#include "binding/python.hpp"

namespace quorix::py {

// Sets the Python exception for the C++ exception being handled: a PythonError keeps what is set,
// quorix::Fault and other C++ errors become PanicException (after a report on stderr),
// std::bad_alloc MemoryError, a BorrowError RuntimeError. Never throws.
void set_error_from_current_exception() noexcept;

// Runs `body` and turns anything it throws into a Python exception and the C API's error result.
template <class F>
PyObject* guard(F&& body) noexcept {
    try {
        return body();
    } catch (...) {
        set_error_from_current_exception();
        return nullptr;
    }
}

template <class R, class F>
R guard_value(R error_result, F&& body) noexcept {
    try {
        return body();
    } catch (...) {
        set_error_from_current_exception();
        return error_result;
    }
}

// The process-wide PanicException type (BaseException subclass "pyo3_runtime.PanicException").
PyObject* panic_exception_type();

// When the pending error is exactly a TypeError, replaces it by TypeError
// "argument '{name}': {message}" carrying the original's cause; other errors stay as they are.
void rename_argument_error(const char* name);

// After a failed attempt that has alternatives: an ordinary failure (an Exception other than
// MemoryError) is cleared and true returned; anything else (KeyboardInterrupt, SystemExit,
// MemoryError, ...) stays set and false is returned, so the caller lets it through.
bool discard_ordinary_error();

// TypeError "'{type of obj}' object is not an instance of '{expected}'".
[[noreturn]] void raise_not_instance(PyObject* obj, const char* expected);
void set_not_instance(PyObject* obj, const char* expected);

// The qualified name of an object's type ("list", "ndarray", "Vec3").
std::string type_name(PyObject* obj);

// Replaces the pending error by `type(message)` whose __cause__ is the pending error.
void chain_error(PyObject* type, const std::string& message);

}  // namespace quorix::py

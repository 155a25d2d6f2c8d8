// Class objects: each class is described by groups of slots, methods, read-only properties and
// class attributes registered at load time, and its type object is created once per process on
// first need (get or create). Creating a class computes its class attributes, which may build
// instances of the class itself; such re-entrant requests get the not yet complete type.
#pragma once

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "binding/python.hpp"

namespace quorix::py {

// A class attribute computed once while the class is created; returns a new reference, or throws
// PythonError / returns null with a Python error set.
struct ClassAttribute {
    const char* name;
    PyObject* (*make)();
};

class LazyType;

// One group of a class's declarations. Groups register themselves with their class when the
// module file is loaded; creating the class merges them in registration order.
struct ClassGroup {
    ClassGroup(LazyType& owner, std::vector<PyType_Slot> slots, std::vector<PyMethodDef> methods,
               std::vector<PyGetSetDef> getsets = {}, std::vector<ClassAttribute> attributes = {});

    std::vector<PyType_Slot> slots;
    std::vector<PyMethodDef> methods;
    std::vector<PyGetSetDef> getsets;
    std::vector<ClassAttribute> attributes;
    ClassGroup* next = nullptr;
};

struct ClassOptions {
    const char* name;            // bare class name, "Vec3"
    const char* text_signature;  // "Vec3(x=0.0, ...)", or nullptr for no docstring
    Py_ssize_t basicsize;
    unsigned long extra_flags = 0;  // Py_TPFLAGS_BASETYPE, Py_TPFLAGS_DISALLOW_INSTANTIATION
    vectorcallfunc vectorcall = nullptr;
    PyTypeObject* (*base)() = nullptr;  // the base class, when not object
};

class LazyType {
public:
    explicit LazyType(ClassOptions options) : options_(options) {}
    LazyType(const LazyType&) = delete;
    LazyType& operator=(const LazyType&) = delete;

    const char* name() const { return options_.name; }

    // Adds a group; called only while the module file is loaded.
    void add(ClassGroup* group);

    // The type object, created on first use. On failure raises (PythonError) RuntimeError
    // "An error occurred while initializing class {}" chained to the failing step.
    PyTypeObject* get();

    // For use inside methods, where a creation failure is an internal fault.
    PyTypeObject* get_or_fault();

    // The type once it has been created (complete or not), else null.
    PyTypeObject* created() const { return type_.load(std::memory_order_acquire); }

    // The complete type, or null while it is not complete.
    PyTypeObject* ready() const {
        return complete_.load(std::memory_order_acquire) ? type_.load(std::memory_order_relaxed) : nullptr;
    }

private:
    std::vector<const ClassGroup*> ordered_groups() const;
    PyTypeObject* create_type();
    PyTypeObject* get_unchained();

    ClassOptions options_;
    std::atomic<ClassGroup*> groups_{nullptr};
    std::atomic<PyTypeObject*> type_{nullptr};
    std::atomic<bool> complete_{false};
    std::mutex mutex_;
    std::vector<std::thread::id> filling_;  // threads computing the class attributes
    // Storage the type object points into; kept for the life of the process.
    std::string doc_;
    std::vector<PyMethodDef>* methods_ = nullptr;
    std::vector<PyGetSetDef>* getsets_ = nullptr;
};

// Locks `m`, letting other Python threads run while it waits, so that a thread holding the
// mutex can still take the interpreter lock.
std::unique_lock<std::mutex> lock_detached(std::mutex& m);

}  // namespace quorix::py

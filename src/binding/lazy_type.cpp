#include "binding/lazy_type.hpp"

#include <algorithm>
#include <utility>

#include "binding/errors.hpp"
#include "support/fault.hpp"

namespace quorix::py {

ClassGroup::ClassGroup(LazyType& owner, std::vector<PyType_Slot> slots_, std::vector<PyMethodDef> methods_,
                       std::vector<PyGetSetDef> getsets_, std::vector<ClassAttribute> attributes_)
    : slots(std::move(slots_)),
      methods(std::move(methods_)),
      getsets(std::move(getsets_)),
      attributes(std::move(attributes_)) {
    owner.add(this);
}

void LazyType::add(ClassGroup* group) {
    ClassGroup* head = groups_.load(std::memory_order_relaxed);
    do {
        group->next = head;
    } while (!groups_.compare_exchange_weak(head, group, std::memory_order_release, std::memory_order_relaxed));
}

std::unique_lock<std::mutex> lock_detached(std::mutex& m) {
    std::unique_lock<std::mutex> lock(m, std::try_to_lock);
    if (!lock.owns_lock()) {
        Py_BEGIN_ALLOW_THREADS
        lock.lock();
        Py_END_ALLOW_THREADS
    }
    return lock;
}

std::vector<const ClassGroup*> LazyType::ordered_groups() const {
    // Groups are pushed at the head: reverse to registration order.
    std::vector<const ClassGroup*> groups;
    for (const ClassGroup* g = groups_.load(std::memory_order_acquire); g; g = g->next) groups.push_back(g);
    std::reverse(groups.begin(), groups.end());
    return groups;
}

PyTypeObject* LazyType::create_type() {
    std::vector<const ClassGroup*> groups = ordered_groups();
    auto* methods = new std::vector<PyMethodDef>();
    auto* getsets = new std::vector<PyGetSetDef>();
    std::vector<PyType_Slot> slots;
    for (const ClassGroup* g : groups) {
        methods->insert(methods->end(), g->methods.begin(), g->methods.end());
        getsets->insert(getsets->end(), g->getsets.begin(), g->getsets.end());
        slots.insert(slots.end(), g->slots.begin(), g->slots.end());
    }
    methods->push_back(PyMethodDef{nullptr, nullptr, 0, nullptr});
    getsets->push_back(PyGetSetDef{nullptr, nullptr, nullptr, nullptr, nullptr});
    slots.push_back({Py_tp_methods, methods->data()});
    slots.push_back({Py_tp_getset, getsets->data()});
    if (options_.text_signature && *options_.text_signature) {
        doc_ = std::string(options_.text_signature) + "\n--\n\n";
        slots.push_back({Py_tp_doc, const_cast<char*>(doc_.c_str())});
    }
    slots.push_back({0, nullptr});
    methods_ = methods;
    getsets_ = getsets;

    // "builtins." gives __module__ "builtins"; the type's own name is then set to the bare class
    // name, which the interpreter's messages quote ("'Vec3' object has no attribute 'w'").
    std::string* full_name = new std::string("builtins." + std::string(options_.name));
    PyType_Spec spec{full_name->c_str(), static_cast<int>(options_.basicsize), 0,
                     static_cast<unsigned int>(Py_TPFLAGS_DEFAULT | options_.extra_flags), slots.data()};
    PyObject* base = options_.base ? reinterpret_cast<PyObject*>(options_.base()) : nullptr;
    auto* type = reinterpret_cast<PyTypeObject*>(base ? PyType_FromSpecWithBases(&spec, base) : PyType_FromSpec(&spec));
    if (!type) return nullptr;
    type->tp_name = options_.name;
    if (options_.vectorcall) type->tp_vectorcall = options_.vectorcall;
    return type;
}

PyTypeObject* LazyType::get_unchained() {
    if (PyTypeObject* t = ready()) return t;
    const std::thread::id me = std::this_thread::get_id();
    auto lock = lock_detached(mutex_);
    if (complete_.load(std::memory_order_acquire)) return type_.load(std::memory_order_relaxed);
    PyTypeObject* type = type_.load(std::memory_order_relaxed);
    if (type && std::find(filling_.begin(), filling_.end(), me) != filling_.end())
        return type;  // a class attribute of this class asks for its own class
    if (!type) {
        type = create_type();
        if (!type) throw PythonError{};
        type_.store(type, std::memory_order_release);
    }
    filling_.push_back(me);
    lock.unlock();

    // Compute the attributes without the mutex: they run Python code and may need other classes.
    std::vector<std::pair<const char*, Ref>> values;
    bool computed = true;
    std::string failed;
    for (const ClassGroup* g : ordered_groups()) {
        for (const ClassAttribute& a : g->attributes) {
            PyObject* v = nullptr;
            try {
                v = a.make();
            } catch (...) {
                set_error_from_current_exception();
            }
            if (!v) {
                computed = false;
                failed = a.name;
                break;
            }
            values.emplace_back(a.name, Ref(v));
        }
        if (!computed) break;
    }

    lock = lock_detached(mutex_);
    filling_.erase(std::find(filling_.begin(), filling_.end(), me));
    if (!computed) {
        lock.unlock();
        chain_error(PyExc_RuntimeError,
                    std::string("An error occurred while initializing `") + options_.name + "." + failed + "`");
        throw PythonError{};
    }
    if (!complete_.load(std::memory_order_relaxed)) {
        // The first thread to finish stores its values; later ones discard theirs.
        for (auto& [name, value] : values) {
            if (PyObject_SetAttrString(reinterpret_cast<PyObject*>(type), name, value.get()) < 0) {
                lock.unlock();
                chain_error(PyExc_RuntimeError,
                            std::string("An error occurred while initializing `") + options_.name + ".__dict__`");
                throw PythonError{};
            }
        }
        complete_.store(true, std::memory_order_release);
    }
    return type;
}

PyTypeObject* LazyType::get() {
    if (PyTypeObject* t = ready()) return t;
    try {
        return get_unchained();
    } catch (const PythonError&) {
        chain_error(PyExc_RuntimeError, std::string("An error occurred while initializing class ") + options_.name);
        throw;
    }
}

PyTypeObject* LazyType::get_or_fault() {
    if (PyTypeObject* t = ready()) return t;
    try {
        return get();
    } catch (const PythonError&) {
        PyErr_WriteUnraisable(nullptr);
        throw Fault(std::string("failed to create type object for `") + options_.name + "`");
    }
}

}  // namespace quorix::py

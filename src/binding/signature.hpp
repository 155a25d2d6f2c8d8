// Parameters of a method as its text signature declares them, and the parser that places the
// arguments of a vectorcall (positional array plus keyword names) into them without building a
// tuple or dictionary. Failures raise the TypeErrors every class shows.
#pragma once

#include <string>
#include <vector>

#include "binding/python.hpp"

namespace quorix::py {

// Built from plain text without calling the interpreter, so a signature can safely be a
// function-local static.
class Signature {
public:
    // `owner` is the class name, `method` the Python method name, `params` the parenthesised text
    // signature: "($self, rhs, max_abs_diff)", "(x=0.0, y=0.0, *, __pickle_state__=None)".
    // "$self" marks an instance method, "name=default" an optional parameter, "*" the start of
    // the keyword-only ones and "/" the end of the positional-only ones.
    Signature(const char* owner, const char* method, const char* params);

    std::size_t size() const { return params_.size(); }
    const char* name(std::size_t i) const { return params_[i].name.c_str(); }
    bool has_self() const { return has_self_; }

    // Places the arguments into out[0..size()); absent optional parameters are left null. The
    // pointers are borrowed from the call. Raises (PythonError) on any mismatch.
    void parse(PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames, PyObject** out) const;

    // The same for the tuple-and-dictionary calling convention (tp_new).
    void parse_tuple(PyObject* args, PyObject* kwargs, PyObject** out) const;

private:
    struct Param {
        std::string name;
        bool required;
    };

    int find_keyword(PyObject* key) const;
    [[noreturn]] void too_many_positional(Py_ssize_t given) const;
    [[noreturn]] void missing(const char* kind, const std::vector<std::string>& names) const;

    std::string full_name_;  // "Vec3.with_x()"
    std::vector<Param> params_;
    std::size_t positional_ = 0;       // parameters before "*"
    std::size_t positional_only_ = 0;  // parameters before "/"
    std::size_t required_positional_ = 0;
    bool has_self_ = false;
};

}  // namespace quorix::py

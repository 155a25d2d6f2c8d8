#include "binding/signature.hpp"

#include <cstring>

namespace quorix::py {
namespace {

std::string trim(std::string s) {
    std::size_t b = s.find_first_not_of(" \t");
    std::size_t e = s.find_last_not_of(" \t");
    return b == std::string::npos ? std::string() : s.substr(b, e - b + 1);
}

}  // namespace

std::string quoted_name_list(const std::vector<std::string>& names) {
    std::string out;
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (i != 0) {
            if (names.size() > 2) out += ',';
            out += (i == names.size() - 1) ? " and " : " ";
        }
        out += '\'';
        out += names[i];
        out += '\'';
    }
    return out;
}

Signature::Signature(const char* owner, const char* method, const char* params) {
    full_name_ = std::string(owner) + "." + method + "()";
    std::string text(params);
    if (text.size() >= 2 && text.front() == '(' && text.back() == ')') text = text.substr(1, text.size() - 2);
    bool keyword_only = false;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t comma = text.find(',', start);
        if (comma == std::string::npos) comma = text.size();
        std::string item = trim(text.substr(start, comma - start));
        start = comma + 1;
        if (item.empty()) continue;
        if (item == "$self" || item == "$cls" || item == "$type") {
            has_self_ = item == "$self";
            continue;
        }
        if (item == "/") {
            positional_only_ = params_.size();
            continue;
        }
        if (item == "*") {
            keyword_only = true;
            continue;
        }
        std::size_t eq = item.find('=');
        Param p;
        p.name = trim(item.substr(0, eq));
        p.required = eq == std::string::npos;
        p.interned = PyUnicode_InternFromString(p.name.c_str());
        if (!p.interned) throw PythonError{};
        params_.push_back(std::move(p));
        if (!keyword_only) {
            positional_ = params_.size();
            if (params_.back().required) required_positional_ = positional_;
        }
    }
}

int Signature::find_keyword(PyObject* key) const {
    for (std::size_t i = 0; i < params_.size(); ++i)
        if (params_[i].interned == key) return static_cast<int>(i);
    if (!PyUnicode_Check(key)) return -1;
    for (std::size_t i = 0; i < params_.size(); ++i)
        if (PyUnicode_Compare(params_[i].interned, key) == 0) return static_cast<int>(i);
    PyErr_Clear();
    return -1;
}

void Signature::too_many_positional(Py_ssize_t given) const {
    const char* was = given == 1 ? "was" : "were";
    if (required_positional_ != positional_)
        PyErr_Format(PyExc_TypeError, "%s takes from %zu to %zu positional arguments but %zd %s given",
                     full_name_.c_str(), required_positional_, positional_, given, was);
    else
        PyErr_Format(PyExc_TypeError, "%s takes %zu positional arguments but %zd %s given", full_name_.c_str(),
                     positional_, given, was);
    throw PythonError{};
}

void Signature::missing(const char* kind, const std::vector<std::string>& names) const {
    std::string msg = full_name_ + " missing " + std::to_string(names.size()) + " required " + kind +
                      (names.size() == 1 ? " argument: " : " arguments: ") + quoted_name_list(names);
    raise(PyExc_TypeError, msg.c_str());
}

void Signature::parse(PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames, PyObject** out) const {
    const std::size_t n = params_.size();
    if (static_cast<std::size_t>(nargs) > positional_) too_many_positional(nargs);
    for (std::size_t i = 0; i < n; ++i) out[i] = i < static_cast<std::size_t>(nargs) ? args[i] : nullptr;

    if (kwnames) {
        std::vector<std::string> positional_only_as_keyword;
        Py_ssize_t nkw = PyTuple_GET_SIZE(kwnames);
        for (Py_ssize_t k = 0; k < nkw; ++k) {
            PyObject* key = PyTuple_GET_ITEM(kwnames, k);
            PyObject* value = args[nargs + k];
            int i = find_keyword(key);
            if (i >= 0 && static_cast<std::size_t>(i) < positional_only_) {
                positional_only_as_keyword.push_back(params_[i].name);
                continue;
            }
            if (i < 0) {
                PyErr_Format(PyExc_TypeError, "%s got an unexpected keyword argument '%S'", full_name_.c_str(), key);
                throw PythonError{};
            }
            if (out[i]) {
                PyErr_Format(PyExc_TypeError, "%s got multiple values for argument '%s'", full_name_.c_str(),
                             params_[i].name.c_str());
                throw PythonError{};
            }
            out[i] = value;
        }
        if (!positional_only_as_keyword.empty()) {
            std::string msg = full_name_ + " got some positional-only arguments passed as keyword arguments: " +
                              quoted_name_list(positional_only_as_keyword);
            raise(PyExc_TypeError, msg.c_str());
        }
    }

    if (static_cast<std::size_t>(nargs) < required_positional_) {
        std::vector<std::string> absent;
        for (std::size_t i = 0; i < required_positional_; ++i)
            if (!out[i] && params_[i].required) absent.push_back(params_[i].name);
        if (!absent.empty()) missing("positional", absent);
    }
    std::vector<std::string> absent_keywords;
    for (std::size_t i = positional_; i < n; ++i)
        if (!out[i] && params_[i].required) absent_keywords.push_back(params_[i].name);
    if (!absent_keywords.empty()) missing("keyword", absent_keywords);
}

void Signature::parse_tuple(PyObject* args, PyObject* kwargs, PyObject** out) const {
    Py_ssize_t nargs = PyTuple_GET_SIZE(args);
    Py_ssize_t nkw = kwargs ? PyDict_GET_SIZE(kwargs) : 0;
    std::vector<PyObject*> flat(static_cast<std::size_t>(nargs + nkw));
    for (Py_ssize_t i = 0; i < nargs; ++i) flat[i] = PyTuple_GET_ITEM(args, i);
    Ref names;
    if (nkw > 0) {
        names = check(PyTuple_New(nkw));
        Py_ssize_t pos = 0, k = 0;
        PyObject *key, *value;
        while (PyDict_Next(kwargs, &pos, &key, &value)) {
            PyTuple_SET_ITEM(names.get(), k, Py_NewRef(key));
            flat[nargs + k] = value;
            ++k;
        }
    }
    parse(flat.data(), nargs, names.get(), out);
}

}  // namespace quorix::py

#include "binding/signature.hpp"

#include <cstring>

#include "binding/arg_messages.hpp"

namespace quorix::py {
namespace {

std::string trim(std::string s) {
    std::size_t b = s.find_first_not_of(" \t");
    std::size_t e = s.find_last_not_of(" \t");
    return b == std::string::npos ? std::string() : s.substr(b, e - b + 1);
}

}  // namespace

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
        params_.push_back(std::move(p));
        if (!keyword_only) {
            positional_ = params_.size();
            if (params_.back().required) required_positional_ = positional_;
        }
    }
}

int Signature::find_keyword(PyObject* key) const {
    if (!PyUnicode_Check(key)) return -1;
    for (std::size_t i = 0; i < params_.size(); ++i)
        if (PyUnicode_CompareWithASCIIString(key, params_[i].name.c_str()) == 0) return static_cast<int>(i);
    return -1;
}

void Signature::too_many_positional(Py_ssize_t given) const {
    std::string msg =
        too_many_positional_message(full_name_, required_positional_, positional_, static_cast<std::size_t>(given));
    raise(PyExc_TypeError, msg.c_str());
}

void Signature::missing(const char* kind, const std::vector<std::string>& names) const {
    std::string msg = missing_arguments_message(full_name_, kind, names);
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
                Ref text = check(PyObject_Str(key));
                const char* s = PyUnicode_AsUTF8(text.get());
                if (!s) throw PythonError{};
                raise(PyExc_TypeError, unexpected_keyword_message(full_name_, s).c_str());
            }
            if (out[i]) raise(PyExc_TypeError, multiple_values_message(full_name_, params_[i].name).c_str());
            out[i] = value;
        }
        if (!positional_only_as_keyword.empty()) {
            std::string msg = positional_only_message(full_name_, positional_only_as_keyword);
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

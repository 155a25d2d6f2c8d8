// Texts of the argument-parsing errors. Plain C++ so they can be checked without an interpreter.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace quorix::py {

// "'a'", "'a' and 'b'", "'a', 'b', and 'c'".
inline std::string quoted_name_list(const std::vector<std::string>& names) {
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

// `kind` is "positional" or "keyword".
inline std::string missing_arguments_message(const std::string& function, const char* kind,
                                             const std::vector<std::string>& names) {
    return function + " missing " + std::to_string(names.size()) + " required " + kind +
           (names.size() == 1 ? " argument: " : " arguments: ") + quoted_name_list(names);
}

inline std::string too_many_positional_message(const std::string& function, std::size_t required,
                                               std::size_t accepted, std::size_t given) {
    const char* was = given == 1 ? "was" : "were";
    if (required != accepted)
        return function + " takes from " + std::to_string(required) + " to " + std::to_string(accepted) +
               " positional arguments but " + std::to_string(given) + " " + was + " given";
    return function + " takes " + std::to_string(accepted) + " positional arguments but " + std::to_string(given) +
           " " + was + " given";
}

inline std::string positional_only_message(const std::string& function, const std::vector<std::string>& names) {
    return function + " got some positional-only arguments passed as keyword arguments: " + quoted_name_list(names);
}

inline std::string unexpected_keyword_message(const std::string& function, const std::string& keyword) {
    return function + " got an unexpected keyword argument '" + keyword + "'";
}

inline std::string multiple_values_message(const std::string& function, const std::string& name) {
    return function + " got multiple values for argument '" + name + "'";
}

}  // namespace quorix::py

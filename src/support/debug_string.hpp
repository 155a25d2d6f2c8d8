// The quoted, escaped form in which error messages show a found string.
#pragma once

#include <string>
#include <string_view>

namespace quorix {

// "\"a\\\"b\\n\"" for a"b<newline>: quotes, backslashes, \0 \t \r \n escaped, other control
// characters (C0, DEL, C1) as \u{hex}; everything else kept. Input is UTF-8.
std::string debug_quoted(std::string_view utf8);

}  // namespace quorix

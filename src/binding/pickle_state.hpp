// The pickle-state protocol: reading the constructor's `__pickle_state__` argument and writing
// `__getnewargs_ex__` for values stored as a tuple of floats.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "binding/python.hpp"

namespace quorix::py {

// The bytes of a state argument: a view of a bytes object, or a copy of anything else.
struct PickleState {
    std::span<const std::uint8_t> bytes;
    std::vector<std::uint8_t> copy;
};

// False when the argument is absent or None. Raises (PythonError) for unusable arguments; the
// TypeErrors are renamed "argument '__pickle_state__': {}".
bool read_pickle_state(PyObject* arg, PickleState& state);

// Decodes a state holding a sequence of at least out.size() numbers; raises ValueError
// "pickle decode failed: {}" otherwise. `expected` names the sequence ("a sequence of 3 f64 values").
void decode_float_state(const PickleState& state, std::span<double> out, std::string_view expected);

// Asks the system to back a large fresh buffer with huge pages, as NumPy does for its arrays: a
// state of hundreds of megabytes is then written without a page fault every 4 KB. A hint only.
void prefer_large_pages(std::span<std::uint8_t> buffer);

// ((), {"__pickle_state__": bytes}).
PyObject* bytes_newargs(Ref bytes);

// ((), {"__pickle_state__": <protocol-3 tuple of the values>}).
PyObject* float_tuple_newargs(std::span<const double> values);

// ((), {"__pickle_state__": state}) for a state of `size` bytes that write(std::span<std::uint8_t>)
// fills in place, inside the bytes object handed to Python: the state is never copied.
template <class Write>
PyObject* state_newargs(std::size_t size, const Write& write) {
    Ref bytes = check(PyBytes_FromStringAndSize(nullptr, static_cast<Py_ssize_t>(size)));
    const std::span out(reinterpret_cast<std::uint8_t*>(PyBytes_AS_STRING(bytes.get())), size);
    prefer_large_pages(out);
    write(out);
    return bytes_newargs(std::move(bytes));
}

// Raises ValueError "pickle decode failed: {message}".
[[noreturn]] void raise_decode_failed(std::string_view message);

}  // namespace quorix::py

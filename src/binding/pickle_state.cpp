#include "binding/pickle_state.hpp"

#include <algorithm>
#include <cstdint>
#include <string>

#if defined(__linux__)
#include <sys/mman.h>
#include <unistd.h>
#endif

#include "binding/convert.hpp"
#include "binding/errors.hpp"
#include "pickle/pickle.hpp"

namespace quorix::py {
namespace {

constexpr const char* argument = "__pickle_state__";
constexpr std::size_t max_reserved_bytes = std::size_t{1} << 16;

void copy_bytearray(PyObject* arg, std::vector<std::uint8_t>& out) {
    // Another thread could resize the bytearray while it is copied.
#if PY_VERSION_HEX >= 0x030D0000
    Py_BEGIN_CRITICAL_SECTION(arg);
#endif
    auto* p = reinterpret_cast<const std::uint8_t*>(PyByteArray_AS_STRING(arg));
    out.assign(p, p + PyByteArray_GET_SIZE(arg));
#if PY_VERSION_HEX >= 0x030D0000
    Py_END_CRITICAL_SECTION();
#endif
}

void read_byte_sequence(PyObject* arg, std::vector<std::uint8_t>& out) {
    if (!check_list_like(arg)) return;
    // The length is only a hint (it may be huge or a lie): reserve a bounded amount and let
    // the items themselves decide how far the state goes.
    Py_ssize_t hint = PySequence_Size(arg);
    if (hint < 0) {
        if (!discard_ordinary_error()) return;
        hint = 0;
    }
    out.reserve(std::min(static_cast<std::size_t>(hint), max_reserved_bytes));
    Ref iter(PyObject_GetIter(arg));
    if (!iter) return;
    while (PyObject* raw = PyIter_Next(iter.get())) {
        Ref item(raw);
        long v = PyLong_AsLong(item.get());
        if (v == -1 && PyErr_Occurred()) return;
        if (v < 0 || v > 255) {
            PyErr_SetString(PyExc_OverflowError, "out of range integral type conversion attempted");
            return;
        }
        out.push_back(static_cast<std::uint8_t>(v));
    }
}

}  // namespace

bool read_pickle_state(PyObject* arg, PickleState& state) {
    if (!arg || arg == Py_None) return false;
    if (PyBytes_Check(arg)) {
        state.bytes = {reinterpret_cast<const std::uint8_t*>(PyBytes_AS_STRING(arg)),
                       static_cast<std::size_t>(PyBytes_GET_SIZE(arg))};
        return true;
    }
    if (PyByteArray_Check(arg)) {
        copy_bytearray(arg, state.copy);
    } else {
        read_byte_sequence(arg, state.copy);
        if (PyErr_Occurred()) {
            rename_argument_error(argument);
            throw PythonError{};
        }
    }
    state.bytes = state.copy;
    return true;
}

void decode_float_state(const PickleState& state, std::span<double> out, std::string_view expected) {
    try {
        pickle::read_float_sequence(state.bytes, out, expected);
    } catch (const pickle::DecodeError& e) {
        raise_decode_failed(e.message());
    }
}

void prefer_large_pages(std::span<std::uint8_t> buffer) {
#if defined(__linux__) && defined(MADV_HUGEPAGE)
    constexpr std::size_t large = std::size_t{4} << 20;
    if (buffer.size() < large) return;
    static const auto page = static_cast<std::uintptr_t>(sysconf(_SC_PAGESIZE));
    const auto begin = (reinterpret_cast<std::uintptr_t>(buffer.data()) + page - 1) / page * page;
    const auto end = (reinterpret_cast<std::uintptr_t>(buffer.data()) + buffer.size()) / page * page;
    madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
#else
    (void)buffer;
#endif
}

PyObject* bytes_newargs(Ref bytes) {
    Ref kwargs = check(PyDict_New());
    check(PyDict_SetItemString(kwargs.get(), argument, bytes.get()));
    Ref args = check(PyTuple_New(0));
    return check(PyTuple_Pack(2, args.get(), kwargs.get())).release();
}

PyObject* float_tuple_newargs(std::span<const double> values) {
    return state_newargs(pickle::float_tuple_size(values.size()),
                         [&](std::span<std::uint8_t> out) { pickle::write_float_tuple(values, out.data()); });
}

void raise_decode_failed(std::string_view message) {
    raise(PyExc_ValueError, "pickle decode failed: " + std::string(message));
}

}  // namespace quorix::py

// libFuzzer target for the JSON array reader; see fuzz/README.md.
#include "json_fuzz_body.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    quorix_fuzz::fuzz_json_input({reinterpret_cast<const char*>(data), size});
    return 0;
}

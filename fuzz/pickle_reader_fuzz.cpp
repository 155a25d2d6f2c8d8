// libFuzzer target for the pickle readers; see fuzz/README.md.
#include "pickle_fuzz_body.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    quorix_fuzz::fuzz_pickle_input({data, size});
    return 0;
}

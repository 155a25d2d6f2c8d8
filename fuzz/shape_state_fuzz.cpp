// libFuzzer target for the stored states of the collision values; see fuzz/README.md.
#include "shape_state_fuzz_body.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    quorix_fuzz::fuzz_shape_state({data, size});
    return 0;
}

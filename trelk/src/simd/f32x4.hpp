// The four-lane float type used by trelk: SSE2 on x86_64, NEON on arm64, plain C++ elsewhere or when
// TRELK_SCALAR is defined. Operations are free functions found by argument lookup, so lane code reads
// like the scalar formula: `le(dist_sq, r * r)`, `select(m, a, b)`, `min(a, b)`.
#pragma once

#include "simd/f32x4_neon.hpp"
#include "simd/f32x4_scalar.hpp"
#include "simd/f32x4_sse2.hpp"

namespace trelk::simd {

#if defined(TRELK_SCALAR)
namespace native = scalar;
#elif defined(__SSE2__)
namespace native = sse2;
#elif defined(__aarch64__)
namespace native = neon;
#else
namespace native = scalar;
#endif

using F32x4 = native::F32x4;
using Mask4 = native::Mask4;

}  // namespace trelk::simd

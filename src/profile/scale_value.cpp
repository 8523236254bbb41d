#include "profile/scale_value.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <limits>

namespace vx {

std::int16_t EffectiveScale(std::int32_t scale) {
  return static_cast<std::int16_t>(static_cast<std::uint32_t>(scale) & 0xFFFFu);
}

// The product is formed and rounded in integers rather than by converting a
// double product: on 32-bit x86 the floating-point unit may keep excess
// precision, and then neither the rounding nor the range check would be
// dependable.
float ScaleValue(float value, std::int16_t scale) {
  if (value == 0.0f || scale == 0) return value * static_cast<float>(scale);

  // value = m * 2^k exactly, |m| < 2^24; the product m * scale < 2^39.
  int exponent = 0;
  const float fraction = std::frexp(value, &exponent);
  const auto m = static_cast<std::int64_t>(std::ldexp(fraction, 24));
  int k = exponent - 24;
  const std::int64_t product = m * scale;
  std::uint64_t magnitude =
      static_cast<std::uint64_t>(product < 0 ? -product : product);

  // Keep 24 significant bits, but no bit below 2^-149; ties to even.
  const int width = static_cast<int>(std::bit_width(magnitude));
  const int drop = std::max(width - 24, -149 - k);
  if (drop > 0) {
    const std::uint64_t half = std::uint64_t{1} << (drop - 1);
    const std::uint64_t rest = magnitude & ((half << 1) - 1);
    magnitude >>= drop;
    if (rest > half || (rest == half && (magnitude & 1) != 0)) ++magnitude;
    k += drop;
  }
  float result = std::numeric_limits<float>::infinity();
  if (static_cast<int>(std::bit_width(magnitude)) + k <= 128) {  // < 2^128
    result = std::ldexp(static_cast<float>(magnitude), k);
  }
  return product < 0 ? -result : result;
}

}  // namespace vx

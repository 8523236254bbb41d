#include "profile/scale_value.h"

namespace vx {

std::int16_t EffectiveScale(std::int32_t scale) {
  return static_cast<std::int16_t>(static_cast<std::uint32_t>(scale) & 0xFFFFu);
}

float ScaleValue(float value, std::int16_t scale) {
  // A 24-bit significand times a 16-bit integer needs at most 40 bits, so
  // the double product is exact and the one conversion rounds it once.
  const double product = static_cast<double>(value) * scale;
  return static_cast<float>(product);
}

}  // namespace vx

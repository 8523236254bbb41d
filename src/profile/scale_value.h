// Multiplying damage box numbers by the scale.
#ifndef VEXTOR_PROFILE_SCALE_VALUE_H
#define VEXTOR_PROFILE_SCALE_VALUE_H

#include <cstdint>

namespace vx {

// Only the low 16 bits of the scale count, as a signed number: 65538 acts
// as 2, 65535 as -1, 32768 as -32768.
std::int16_t EffectiveScale(std::int32_t scale);

// The single precision value nearest to value * scale, ties to even; an
// infinity of its sign when the product is beyond the single precision
// range.
float ScaleValue(float value, std::int16_t scale);

}  // namespace vx

#endif  // VEXTOR_PROFILE_SCALE_VALUE_H

// Reading the scale given with -s.
#ifndef VEXTOR_CLI_SCALE_TEXT_H
#define VEXTOR_CLI_SCALE_TEXT_H

#include <cstdint>

namespace vx {

inline constexpr std::int32_t MIN_SCALE = -32768;
inline constexpr std::int32_t MAX_SCALE = 32767;

// Reads `text` as a whole decimal number from MIN_SCALE to MAX_SCALE:
// optional white space, an optional sign, decimal digits, optional white
// space, nothing else. Returns 1 and stores the value in `scale`, or 0 and
// leaves `scale` untouched. A lenient reading would turn a typo such as
// "-s x" or "-s 1.5" into a silent rescale of every box, so anything else is
// refused.
int ReadScale(const char* text, std::int32_t* scale);

}  // namespace vx

#endif  // VEXTOR_CLI_SCALE_TEXT_H

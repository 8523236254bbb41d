// The process-wide option word. Set while the options are scanned, only
// read afterwards.
#ifndef VEXTOR_CLI_RUN_FLAGS_H
#define VEXTOR_CLI_RUN_FLAGS_H

#include <cstdint>

namespace vx {

inline constexpr std::uint32_t FLAG_DEBUG = 0x00000001;     // -x
inline constexpr std::uint32_t FLAG_ERRTEXT = 0x00000002;   // -e
inline constexpr std::uint32_t FLAG_NOLOGO = 0x00000004;    // -nologo
inline constexpr std::uint32_t FLAG_VIEWONLY = 0x10000000;  // -v

extern std::uint32_t RunFlags;

}  // namespace vx

#endif  // VEXTOR_CLI_RUN_FLAGS_H

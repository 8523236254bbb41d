#include "cli/run_flags.h"

namespace vx {

std::uint32_t RunFlags = 0;

}  // namespace vx

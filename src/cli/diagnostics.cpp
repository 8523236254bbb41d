#include "cli/diagnostics.h"

#include <cstdarg>
#include <cstdio>

#include "cli/run_flags.h"
#include "platform/platform.h"

namespace vx {

int DbgMessage(const char* format, ...) {
  if ((RunFlags & FLAG_DEBUG) == 0) return 0;
  // Keeps the debug text after the listing lines printed before it when
  // both streams go to the same place.
  std::fflush(stdout);
  std::va_list args;
  va_start(args, format);
  const int written = std::vfprintf(stderr, format, args);
  va_end(args);
  return written < 0 ? 0 : written;
}

void ShowErrorText(std::uint32_t code) {
  if ((RunFlags & FLAG_ERRTEXT) == 0) return;
  std::fflush(stdout);
  // Room for the longest system text; longer texts count as none.
  char text[1024] = {};
  if (plat::GetSystemMessage(code, text, sizeof text) != 0) {
    std::fprintf(stderr, "%s", text);
  } else {
    std::fprintf(stderr, "No message text for error code X\"%x\".\n", code);
  }
}

}  // namespace vx

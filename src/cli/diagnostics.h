// The two diagnostic outputs shared by every layer: the debug log (-x) and
// the system's text for an error code (-e). Both write to standard error.
#ifndef VEXTOR_CLI_DIAGNOSTICS_H
#define VEXTOR_CLI_DIAGNOSTICS_H

#include <cstdint>

namespace vx {

// printf-style print to standard error, only while FLAG_DEBUG is set.
// Returns the number of characters written, 0 when FLAG_DEBUG is clear.
#if defined(__GNUC__)
__attribute__((format(printf, 1, 2)))
#endif
int DbgMessage(const char* format, ...);

// Writes the system's message text for `code` to standard error, only while
// FLAG_ERRTEXT is set; a fallback line where the system has no text.
void ShowErrorText(std::uint32_t code);

}  // namespace vx

#endif  // VEXTOR_CLI_DIAGNOSTICS_H

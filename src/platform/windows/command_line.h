// Splitting of a Windows command line into arguments.
//
// Console programs on Windows receive one command-line text and split it
// themselves; the C runtime's rules are the ones users expect from every
// program, so the text is split by those rules here, where the program can
// also see which arguments were typed in double quotes.
#ifndef VEXTOR_PLATFORM_WINDOWS_COMMAND_LINE_H
#define VEXTOR_PLATFORM_WINDOWS_COMMAND_LINE_H

#include <vector>

#include "platform/platform.h"

namespace vx::plat {

// Nonzero when the byte opens a double-byte character of the ANSI code page.
using LeadBytePredicate = int (*)(unsigned char byte);

// Splits `line` the way the C runtime splits a console program's command
// line. The first argument is the program name: blanks and tabs end it
// outside double quotes, quotes only group, backslashes are literal. Every
// later argument:
//   - blanks and tabs outside double quotes separate arguments;
//   - a double quote starts or ends a quoted stretch, and is dropped;
//   - inside a quoted stretch, "" is one literal double quote;
//   - 2n backslashes before a double quote give n backslashes and the quote
//     acts as above; 2n+1 give n backslashes and a literal double quote;
//   - backslashes not followed by a double quote are literal;
//   - a double-byte character (lead byte per `is_lead_byte`, which may be
//     null) is copied whole, so its second byte is never taken for a
//     backslash or a quote.
// `quoted` is set when the argument's text as typed begins with a double
// quote. A null `line` yields no arguments.
std::vector<Argument> SplitCommandLine(const char* line,
                                       LeadBytePredicate is_lead_byte);

}  // namespace vx::plat

#endif  // VEXTOR_PLATFORM_WINDOWS_COMMAND_LINE_H

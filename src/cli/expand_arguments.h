// The program's own expansion of name patterns on its command line, so that
// "*.DP" means the same on every platform and whatever the shell did.
#ifndef VEXTOR_CLI_EXPAND_ARGUMENTS_H
#define VEXTOR_CLI_EXPAND_ARGUMENTS_H

#include <string>
#include <vector>

#include "platform/platform.h"

namespace vx {

// Returns the argument texts with every pattern replaced by the names it
// matches. A pattern is an argument after argument 0 that holds '*' or '?'
// and was not typed inside double quotes; options are no exception. Its
// matches (files and directories, never "." or "..") are prefixed with the
// pattern's directory part and sorted without regard to letter case; a
// pattern that matches nothing stays as typed.
std::vector<std::string> ExpandArguments(
    const std::vector<plat::Argument>& arguments);

// Orders names the way an expanded pattern lists them: ASCII letters
// compared without regard to case, byte order deciding between names that
// differ only in case.
bool PatternNameLess(const std::string& left, const std::string& right);

}  // namespace vx

#endif  // VEXTOR_CLI_EXPAND_ARGUMENTS_H

// The program's fixed texts, printed on standard output.
#ifndef VEXTOR_CLI_TEXTS_H
#define VEXTOR_CLI_TEXTS_H

namespace vx {

// Program name, version and copyright line, then an empty line.
void ShowBanner();
// The usage line and an empty line.
void ShowUsage();
// The usage text followed by the description of every option.
void ShowHelp();

}  // namespace vx

#endif  // VEXTOR_CLI_TEXTS_H

// The command driver: scans the options, prints the banner and hands every
// file argument in turn to the update transaction.
#ifndef VEXTOR_CLI_DRIVER_H
#define VEXTOR_CLI_DRIVER_H

namespace vx {

// Exit statuses of a run.
inline constexpr int EXIT_ALL_DONE = 0;        // every named file succeeded
                                               // (or -h / -? was given)
inline constexpr int EXIT_SOME_FAILED = 1;     // at least one file failed
inline constexpr int EXIT_BAD_COMMAND = 87;    // no file, bad option or scale

// Runs the program on an argument vector whose patterns are already
// expanded; `argv[0]` is the program name as typed. Returns the exit status.
// Uses the process-wide option scanner, so it runs once per process.
int RunVextor(int argc, char** argv);

}  // namespace vx

#endif  // VEXTOR_CLI_DRIVER_H

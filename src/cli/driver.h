// The command driver: scans the options, prints the banner and hands every
// file argument in turn to the update transaction.
#ifndef VEXTOR_CLI_DRIVER_H
#define VEXTOR_CLI_DRIVER_H

namespace vx {

// Exit statuses of a run.
// Every named file succeeded, or -h / -? was given.
inline constexpr int EXIT_ALL_DONE = 0;
// At least one named file failed; every file was still tried.
inline constexpr int EXIT_SOME_FAILED = 1;
// No file name, an option error or an unreadable scale: nothing was touched.
inline constexpr int EXIT_BAD_COMMAND = 87;

// Runs the program on an argument vector whose patterns are already
// expanded; `argv[0]` is the program name as typed. Returns the exit status.
// Uses the process-wide option scanner, so it runs once per process.
int RunVextor(int argc, char** argv);

}  // namespace vx

#endif  // VEXTOR_CLI_DRIVER_H

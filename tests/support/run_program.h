// Runs the program under test as a child process: given arguments, a given
// working directory, no standard input; captures standard output, standard
// error and the exit status.
//
// The command is a parameter so that one test binary can drive both the
// native build and a Windows build: VEXTOR_PROGRAM names the program and
// VEXTOR_PROGRAM_LAUNCHER, when set, runs it (e.g. a Windows emulator:
// launcher, program, arguments). Without VEXTOR_PROGRAM the default the
// test binary was built with is used.
#ifndef VEXTOR_TESTS_SUPPORT_RUN_PROGRAM_H
#define VEXTOR_TESTS_SUPPORT_RUN_PROGRAM_H

#include <filesystem>
#include <string>
#include <vector>

namespace vx::test {

struct ProgramRun {
  // The exit status, or -1 when the program did not exit by itself (killed
  // by `signal`, timed out, or never started).
  int status = -1;
  int signal = 0;
  // Everything written to each stream, with CRLF line ends turned into LF
  // so that the texts of a Windows build compare equal.
  std::string out;
  std::string err;
};

class ProgramRunner {
 public:
  // `default_program` is used when VEXTOR_PROGRAM is not set.
  explicit ProgramRunner(const std::string& default_program);

  // The program's path as passed to it as argument 0.
  const std::string& program() const { return program_; }
  const std::string& launcher() const { return launcher_; }

  // True for a Windows build: one run through a launcher, or a program
  // whose name ends in ".exe".
  bool IsWindowsBuild() const;

  // Runs the program with `arguments` (argument 0 is added) in `directory`.
  // A run that takes longer than a minute is killed and fails the test.
  ProgramRun Run(const std::vector<std::string>& arguments,
                 const std::filesystem::path& directory) const;
  // Runs it in the current directory.
  ProgramRun Run(const std::vector<std::string>& arguments) const;

 private:
  std::string program_;
  std::string launcher_;
};

}  // namespace vx::test

#endif  // VEXTOR_TESTS_SUPPORT_RUN_PROGRAM_H

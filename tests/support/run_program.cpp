#include "support/run_program.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>

extern char** environ;

namespace vx::test {
namespace {

namespace fs = std::filesystem;

// Relative program paths mean relative to where the test binary started,
// not to the scratch directory a test happens to stand in.
const fs::path kStartDirectory = fs::current_path();

constexpr int kTimeoutMilliseconds = 60 * 1000;

std::string FromEnvironment(const char* name) {
  const char* value = std::getenv(name);
  return value == nullptr ? std::string() : std::string(value);
}

std::string Absolute(const std::string& path) {
  if (path.empty()) return path;
  return (kStartDirectory / path).lexically_normal().string();
}

std::string NormaliseLineEnds(const std::string& text) {
  std::string normal;
  normal.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    normal.push_back(text[i]);
  }
  return normal;
}

// The child's environment: ours, with an emulator's own diagnostics
// silenced unless the caller asked for them.
std::vector<std::string> ChildEnvironment(bool launched) {
  std::vector<std::string> entries;
  bool has_debug_setting = false;
  for (char** entry = environ; *entry != nullptr; ++entry) {
    entries.emplace_back(*entry);
    if (std::strncmp(*entry, "WINEDEBUG=", 10) == 0) has_debug_setting = true;
  }
  if (launched && !has_debug_setting) entries.emplace_back("WINEDEBUG=-all");
  return entries;
}

std::vector<char*> Pointers(std::vector<std::string>& texts) {
  std::vector<char*> pointers;
  for (std::string& text : texts) pointers.push_back(text.data());
  pointers.push_back(nullptr);
  return pointers;
}

long long NowMilliseconds() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<long long>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

// Reads both pipes until both are closed or the deadline passes. Returns
// false on a timeout.
bool Drain(int out_fd, int err_fd, std::string* out, std::string* err) {
  const long long deadline = NowMilliseconds() + kTimeoutMilliseconds;
  pollfd fds[2] = {{out_fd, POLLIN, 0}, {err_fd, POLLIN, 0}};
  std::string* sinks[2] = {out, err};
  int open_count = 2;
  while (open_count > 0) {
    const long long left = deadline - NowMilliseconds();
    if (left <= 0) return false;
    const int ready = poll(fds, 2, static_cast<int>(left));
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0) return false;
    for (int i = 0; i < 2; ++i) {
      if (fds[i].fd < 0 || fds[i].revents == 0) continue;
      char chunk[4096];
      const ssize_t count = read(fds[i].fd, chunk, sizeof chunk);
      if (count > 0) {
        sinks[i]->append(chunk, static_cast<std::size_t>(count));
      } else if (count == 0 || errno != EINTR) {
        fds[i].fd = -1;
        --open_count;
      }
    }
  }
  return true;
}

}  // namespace

ProgramRunner::ProgramRunner(const std::string& default_program) {
  const std::string program = FromEnvironment("VEXTOR_PROGRAM");
  program_ = Absolute(program.empty() ? default_program : program);
  launcher_ = FromEnvironment("VEXTOR_PROGRAM_LAUNCHER");
  // A launcher given by bare name is looked up on the PATH.
  if (launcher_.find('/') != std::string::npos) launcher_ = Absolute(launcher_);
}

bool ProgramRunner::IsWindowsBuild() const {
  if (!launcher_.empty()) return true;
  if (program_.size() < 4) return false;
  std::string suffix = program_.substr(program_.size() - 4);
  for (char& c : suffix) c = static_cast<char>(std::tolower(c));
  return suffix == ".exe";
}

ProgramRun ProgramRunner::Run(const std::vector<std::string>& arguments) const {
  return Run(arguments, fs::current_path());
}

ProgramRun ProgramRunner::Run(const std::vector<std::string>& arguments,
                              const fs::path& directory) const {
  ProgramRun run;
  std::vector<std::string> command;
  if (!launcher_.empty()) command.push_back(launcher_);
  command.push_back(program_);
  command.insert(command.end(), arguments.begin(), arguments.end());
  std::vector<std::string> environment = ChildEnvironment(!launcher_.empty());
  std::vector<char*> argv = Pointers(command);
  std::vector<char*> envp = Pointers(environment);

  int out_pipe[2];
  int err_pipe[2];
  if (pipe2(out_pipe, O_CLOEXEC) != 0) {
    ADD_FAILURE() << "pipe: " << std::strerror(errno);
    return run;
  }
  if (pipe2(err_pipe, O_CLOEXEC) != 0) {
    ADD_FAILURE() << "pipe: " << std::strerror(errno);
    close(out_pipe[0]);
    close(out_pipe[1]);
    return run;
  }

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null",
                                   O_RDONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, out_pipe[1], STDOUT_FILENO);
  posix_spawn_file_actions_adddup2(&actions, err_pipe[1], STDERR_FILENO);
  const std::string where = directory.string();
  posix_spawn_file_actions_addchdir_np(&actions, where.c_str());

  pid_t child = 0;
  const bool by_path = !launcher_.empty() && launcher_.find('/') == std::string::npos;
  const int spawned =
      by_path ? posix_spawnp(&child, argv[0], &actions, nullptr, argv.data(),
                             envp.data())
              : posix_spawn(&child, argv[0], &actions, nullptr, argv.data(),
                            envp.data());
  posix_spawn_file_actions_destroy(&actions);
  close(out_pipe[1]);
  close(err_pipe[1]);
  if (spawned != 0) {
    ADD_FAILURE() << "cannot start " << argv[0] << ": "
                  << std::strerror(spawned);
    close(out_pipe[0]);
    close(err_pipe[0]);
    return run;
  }

  std::string out;
  std::string err;
  if (!Drain(out_pipe[0], err_pipe[0], &out, &err)) {
    ADD_FAILURE() << "the program ran longer than "
                  << kTimeoutMilliseconds / 1000 << " s and was killed";
    kill(child, SIGKILL);
  }
  close(out_pipe[0]);
  close(err_pipe[0]);

  int wait_status = 0;
  while (waitpid(child, &wait_status, 0) < 0 && errno == EINTR) {
  }
  if (WIFEXITED(wait_status)) {
    run.status = WEXITSTATUS(wait_status);
  } else if (WIFSIGNALED(wait_status)) {
    run.signal = WTERMSIG(wait_status);
  }
  run.out = NormaliseLineEnds(out);
  run.err = NormaliseLineEnds(err);
  return run;
}

}  // namespace vx::test

// The program killed outright at random points while it rescales many
// files: whatever the moment, every DP file must hold either exactly its old
// contents or exactly its rescaled contents, and a rescaled one must have a
// backup holding its old contents. POSIX only: it kills a native child
// process with SIGKILL.
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "support/scratch_dir.h"

namespace vx {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kFiles = 50;
constexpr int kKills = 30;

std::string FileName(int i) {
  return "P" + std::to_string(100 + i).substr(1) + ".DP";
}

// Profiles of different sizes, so that the copies take different times.
std::string Profile(int i) {
  std::string text = "[INFO]\nTitle=Profile " + std::to_string(i) + "\n\n[BOXES]\n";
  for (int box = 0; box <= i % 7 + 2 * (i % 3); ++box) {
    text += "Box" + std::to_string(box) + "=part " + std::to_string(box) + "," +
            std::to_string(i) + ".25,-" + std::to_string(box) + ".5,3,4,5," +
            std::to_string(i * box) + "\n";
  }
  text += "\n[NOTES]\n";
  for (int line = 0; line < 40 * (i % 5); ++line) {
    text += "Note" + std::to_string(line) + "=unchanged text " +
            std::to_string(line * i) + "\n";
  }
  return text;
}

void WriteProfiles(const test::ScratchDir& dir, const std::string& subdir) {
  fs::create_directory(dir.path() / subdir);
  for (int i = 0; i < kFiles; ++i) {
    dir.Write(subdir + "/" + FileName(i), Profile(i));
  }
}

// Starts the program on every profile in `directory`, its output discarded.
pid_t Start(const fs::path& directory) {
  std::vector<std::string> arguments = {VEXTOR_CRASH_PROGRAM, "-nologo"};
  for (int i = 0; i < kFiles; ++i) arguments.push_back(FileName(i));
  std::vector<char*> argv;
  for (std::string& argument : arguments) argv.push_back(argument.data());
  argv.push_back(nullptr);

  const pid_t pid = fork();
  if (pid == 0) {
    const int null = open("/dev/null", O_WRONLY);
    if (null < 0 || dup2(null, 1) < 0 || dup2(null, 2) < 0 ||
        chdir(directory.c_str()) != 0) {
      _exit(126);
    }
    execv(argv[0], argv.data());
    _exit(127);
  }
  return pid;
}

int Wait(pid_t pid) {
  int status = 0;
  while (waitpid(pid, &status, 0) < 0) {
  }
  return status;
}

std::vector<std::string> BackupsOf(const test::ScratchDir& dir,
                                   const std::string& subdir, int i) {
  const std::string prefix = FileName(i).substr(0, 3) + ".Z";
  std::vector<std::string> backups;
  for (const std::string& name : dir.List(subdir)) {
    if (name.rfind(prefix, 0) == 0) backups.push_back(name);
  }
  return backups;
}

TEST(CrashTest, KilledRunLeavesEveryFileOldOrRescaledWithItsBackup) {
  test::ScratchDir dir;

  // A whole run shows what each file becomes and how long a run takes.
  WriteProfiles(dir, "reference");
  const Clock::time_point started = Clock::now();
  const int status = Wait(Start(dir.path() / "reference"));
  const auto run_time = Clock::now() - started;
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0)
      << "the program does not rescale the test profiles: " << status;
  std::vector<std::string> rescaled;
  for (int i = 0; i < kFiles; ++i) {
    rescaled.push_back(dir.Read("reference/" + FileName(i)));
    ASSERT_NE(Profile(i), rescaled.back()) << FileName(i);
  }

  const unsigned seed = std::random_device{}();
  SCOPED_TRACE("seed " + std::to_string(seed));
  std::mt19937 random(seed);
  const auto longest = std::chrono::duration_cast<std::chrono::microseconds>(
      run_time * 11 / 10);
  std::uniform_int_distribution<long long> delay(0, longest.count());

  int interrupted_midway = 0;
  for (int kill_number = 0; kill_number < kKills; ++kill_number) {
    const std::string subdir = "run" + std::to_string(kill_number);
    SCOPED_TRACE(subdir);
    WriteProfiles(dir, subdir);
    const pid_t pid = Start(dir.path() / subdir);
    ASSERT_GT(pid, 0);
    std::this_thread::sleep_for(std::chrono::microseconds(delay(random)));
    kill(pid, SIGKILL);
    Wait(pid);

    int done = 0;
    for (int i = 0; i < kFiles; ++i) {
      SCOPED_TRACE(FileName(i));
      const std::string now = dir.Read(subdir + "/" + FileName(i));
      const std::vector<std::string> backups = BackupsOf(dir, subdir, i);
      ASSERT_LE(backups.size(), 1u);
      if (now == rescaled[i]) {
        ++done;
        ASSERT_EQ(1u, backups.size()) << "rescaled without a backup";
        EXPECT_EQ(Profile(i), dir.Read(subdir + "/" + backups[0]));
      } else {
        ASSERT_EQ(Profile(i), now) << "neither old nor rescaled";
        // A backup being copied when the program died may be short, but it
        // never holds anything else.
        if (!backups.empty()) {
          const std::string backup = dir.Read(subdir + "/" + backups[0]);
          EXPECT_EQ(0u, Profile(i).rfind(backup, 0)) << backups[0];
        }
      }
    }
    if (done > 0 && done < kFiles) ++interrupted_midway;
  }
  // Kills that all fell before the first or after the last file would have
  // shown nothing.
  EXPECT_GT(interrupted_midway, 0);
}

}  // namespace
}  // namespace vx

// Time to list and rescale a profile of 20,000 damage boxes (about 1 MB).
// Run by hand: build the profile_benchmark target and start it.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#ifdef _WIN32
#include <io.h>
#define dup _dup
#define dup2 _dup2
#define fileno _fileno
#else
#include <unistd.h>
#endif

#include "profile/scale_damage_boxes.h"

namespace {

namespace fs = std::filesystem;

std::string MakeProfile(int boxes) {
  std::mt19937 random(1);
  std::uniform_int_distribution<int> hundredths(-99999, 99999);
  std::string text = "; generated damage profile\r\n[BOXES]\r\n";
  for (int i = 0; i < boxes; ++i) {
    text += "Box" + std::to_string(i) + "=part " + std::to_string(i);
    for (int v = 0; v < 6; ++v) {
      const int n = hundredths(random);
      text += "," + std::to_string(n / 100) + "." +
              std::to_string(100 + std::abs(n % 100)).substr(1);
    }
    text += "\r\n";
  }
  return text;
}

// A fresh directory for the run, removed afterwards.
class TempDir {
 public:
  TempDir()
      : path_(fs::temp_directory_path() /
              ("vextor-bench-" + std::to_string(std::random_device{}()))) {
    fs::create_directories(path_);
  }
  ~TempDir() {
    std::error_code ec;
    fs::remove_all(path_, ec);
  }
  fs::path File(const char* name) const { return path_ / name; }

 private:
  fs::path path_;
};

// Sends standard output to the null device while it lives.
class QuietStdout {
 public:
  QuietStdout() {
    std::fflush(stdout);
    saved_ = dup(fileno(stdout));
#ifdef _WIN32
    null_ = std::fopen("NUL", "w");
#else
    null_ = std::fopen("/dev/null", "w");
#endif
    dup2(fileno(null_), fileno(stdout));
  }
  ~QuietStdout() {
    std::fflush(stdout);
    dup2(saved_, fileno(stdout));
    std::fclose(null_);
  }

 private:
  int saved_;
  std::FILE* null_;
};

void BM_ScaleTwentyThousandBoxes(benchmark::State& state) {
  const std::string profile = MakeProfile(20000);
  TempDir dir;
  const std::string file = dir.File("bench.DP").string();
  for (auto _ : state) {
    state.PauseTiming();
    std::ofstream(file, std::ios::binary | std::ios::trunc) << profile;
    state.ResumeTiming();
    int result = 0;
    {
      QuietStdout quiet;
      result = vx::ScaleDamageBoxes(file.c_str(), 3);
    }
    if (result != 1) state.SkipWithError("ScaleDamageBoxes failed");
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(profile.size()));
}
BENCHMARK(BM_ScaleTwentyThousandBoxes)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();

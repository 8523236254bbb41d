// Test helpers for the file layer: a platform with a clock under the
// test's control, and scoped installation of platforms and run flags.
#ifndef VEXTOR_TESTS_FILES_TEST_OS_H
#define VEXTOR_TESTS_FILES_TEST_OS_H

#include <cstdint>

#include "cli/run_flags.h"
#include "platform/platform.h"

namespace vx::test {

// The clock reads a fixed time (as local time: the UTC-to-local step
// changes nothing), can be made to advance one second after a number of
// readings, and Sleep only counts.
class FakeClockOs : public plat::ForwardingOs {
 public:
  // 28 May 1999, 19:39:54, a Friday.
  plat::SYSTEMTIME now{1999, 5, 5, 28, 19, 39, 54, 0};
  // The clock moves on one second after this many readings; 0: never.
  int readings_per_second = 0;
  int readings = 0;
  int sleeps = 0;

  void GetSystemTime(plat::SYSTEMTIME* utc) override {
    *utc = now;
    ++readings;
    if (readings_per_second != 0 && readings % readings_per_second == 0) {
      AdvanceOneSecond();
    }
  }
  int FileTimeToLocalFileTime(const plat::FILETIME* utc,
                              plat::FILETIME* local) override {
    *local = *utc;
    return 1;
  }
  void Sleep(plat::DWORD) override { ++sleeps; }

  void AdvanceOneSecond() {
    plat::FILETIME ticks{};
    plat::RealOs().SystemTimeToFileTime(&now, &ticks);
    unsigned long long value =
        (static_cast<unsigned long long>(ticks.dwHighDateTime) << 32) |
        ticks.dwLowDateTime;
    value += 10000000ULL;
    ticks.dwLowDateTime = static_cast<plat::DWORD>(value);
    ticks.dwHighDateTime = static_cast<plat::DWORD>(value >> 32);
    plat::RealOs().FileTimeToSystemTime(&ticks, &now);
  }
};

// Installs an Os for the lifetime of the object.
class InstalledOs {
 public:
  explicit InstalledOs(plat::Os* os) : previous_(plat::InstallOs(os)) {}
  ~InstalledOs() { plat::InstallOs(previous_); }
  InstalledOs(const InstalledOs&) = delete;
  InstalledOs& operator=(const InstalledOs&) = delete;

 private:
  plat::Os* previous_;
};

// Sets the run flags for the lifetime of the object.
class FlagsFor {
 public:
  explicit FlagsFor(std::uint32_t flags) : previous_(RunFlags) {
    RunFlags = flags;
  }
  ~FlagsFor() { RunFlags = previous_; }
  FlagsFor(const FlagsFor&) = delete;
  FlagsFor& operator=(const FlagsFor&) = delete;

 private:
  std::uint32_t previous_;
};

}  // namespace vx::test

#endif  // VEXTOR_TESTS_FILES_TEST_OS_H

#include <stdlib.h>
#include <time.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>

#include "platform/platform.h"

namespace vx::plat {
namespace {

// Sets the time zone for one test and puts the old one back.
class TimeZone {
 public:
  explicit TimeZone(const char* zone) {
    if (const char* old = getenv("TZ")) old_ = old;
    setenv("TZ", zone, 1);
    tzset();
  }
  ~TimeZone() {
    if (old_) setenv("TZ", old_->c_str(), 1); else unsetenv("TZ");
    tzset();
  }

 private:
  std::optional<std::string> old_;
};

constexpr std::int64_t kHour = 36000000000LL;

FILETIME FromTicks(std::uint64_t ticks) {
  return FILETIME{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
}

std::uint64_t Ticks(const FILETIME& f) {
  return (static_cast<std::uint64_t>(f.dwHighDateTime) << 32) | f.dwLowDateTime;
}

// Stricter than some Windows emulations, which let these through.
TEST(TimeConversionPosix, LeapDaysAndTheLastYearAreChecked) {
  struct Case {
    std::uint16_t year, month, day;
    int valid;
  };
  const Case cases[] = {{1900, 2, 29, 0}, {2023, 2, 29, 0}, {2024, 2, 29, 1},
                        {2000, 2, 29, 1}, {2100, 2, 29, 0}, {30827, 12, 31, 1},
                        {30828, 1, 1, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.year << "-" << c.month << "-" << c.day);
    const SYSTEMTIME time{c.year, c.month, 0, c.day, 0, 0, 0, 0};
    FILETIME out{};
    SetLastError(0);
    EXPECT_EQ(SystemTimeToFileTime(&time, &out), c.valid);
    EXPECT_EQ(GetLastError(), c.valid ? ERROR_SUCCESS : ERROR_INVALID_PARAMETER);
  }
}

TEST(LocalTime, AddsTheOffsetInForceAtThatInstant) {
  const std::uint64_t summer = 125723939941230000ull;  // 1999-05-28 19:39:54.123 UTC
  const std::uint64_t winter = 125584128000000000ull;  // 1998-12-18 00:00:00 UTC
  struct Case {
    const char* zone;
    std::uint64_t utc;
    std::int64_t offset;
  };
  const Case cases[] = {
      {"UTC0", summer, 0},
      {"XST-3", summer, 3 * kHour},
      {"YST5", winter, -5 * kHour},
      {"CET-1CEST,M3.5.0,M10.5.0/3", summer, 2 * kHour},
      {"CET-1CEST,M3.5.0,M10.5.0/3", winter, 1 * kHour},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.zone);
    TimeZone zone(c.zone);
    const FILETIME utc = FromTicks(c.utc);
    FILETIME local{};
    ASSERT_EQ(FileTimeToLocalFileTime(&utc, &local), 1);
    EXPECT_EQ(static_cast<std::int64_t>(Ticks(local) - c.utc), c.offset);
  }
}

TEST(LocalTime, OutOfRangeIsRefused) {
  TimeZone zone("YST5");
  const FILETIME cases[] = {FromTicks(0), FromTicks(0x8000000000000000ull)};
  for (const FILETIME& utc : cases) {
    FILETIME local{};
    SetLastError(0);
    EXPECT_EQ(FileTimeToLocalFileTime(&utc, &local), 0);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
  }
}

}  // namespace
}  // namespace vx::plat

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>

#include "platform/platform.h"

namespace vx::plat {
namespace {

SYSTEMTIME Make(int year, int month, int day, int hour = 0, int minute = 0,
                int second = 0, int ms = 0) {
  SYSTEMTIME t{};
  t.wYear = static_cast<std::uint16_t>(year);
  t.wMonth = static_cast<std::uint16_t>(month);
  t.wDay = static_cast<std::uint16_t>(day);
  t.wHour = static_cast<std::uint16_t>(hour);
  t.wMinute = static_cast<std::uint16_t>(minute);
  t.wSecond = static_cast<std::uint16_t>(second);
  t.wMilliseconds = static_cast<std::uint16_t>(ms);
  return t;
}

std::uint64_t Ticks(const FILETIME& f) {
  return (static_cast<std::uint64_t>(f.dwHighDateTime) << 32) | f.dwLowDateTime;
}

FILETIME FromTicks(std::uint64_t ticks) {
  return FILETIME{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
}

struct KnownInstant {
  SYSTEMTIME time;
  int day_of_week;
  std::uint64_t ticks;
};

// Instants worked out independently of the code under test.
const KnownInstant kKnown[] = {
    {Make(1601, 1, 1), 1, 0},
    {Make(1970, 1, 1), 4, 116444736000000000ull},
    {Make(1999, 5, 28, 19, 39, 54, 123), 5, 125723939941230000ull},
    {Make(2000, 2, 29, 23, 59, 59, 999), 2, 125963423999990000ull},  // leap day
    {Make(2100, 3, 1), 1, 157520160000000000ull},  // 2100 is no leap year
    {Make(30828, 9, 14, 2, 48, 5, 477), 4, 0x7FFFFFFFFFFFFFFFull / 10000 * 10000},
};

TEST(TimeConversion, KnownInstantsBothWays) {
  for (const KnownInstant& k : kKnown) {
    SCOPED_TRACE(k.ticks);
    FILETIME file{};
    if (k.time.wYear <= 30827) {
      ASSERT_EQ(SystemTimeToFileTime(&k.time, &file), 1);
      EXPECT_EQ(Ticks(file), k.ticks);
    }
    SYSTEMTIME back{};
    file = FromTicks(k.ticks);
    ASSERT_EQ(FileTimeToSystemTime(&file, &back), 1);
    EXPECT_EQ(back.wYear, k.time.wYear);
    EXPECT_EQ(back.wMonth, k.time.wMonth);
    EXPECT_EQ(back.wDay, k.time.wDay);
    EXPECT_EQ(back.wHour, k.time.wHour);
    EXPECT_EQ(back.wMinute, k.time.wMinute);
    EXPECT_EQ(back.wSecond, k.time.wSecond);
    EXPECT_EQ(back.wMilliseconds, k.time.wMilliseconds);
    EXPECT_EQ(back.wDayOfWeek, k.day_of_week);
  }
}

TEST(TimeConversion, EveryDayOfSeveralYearsRoundTrips) {
  // Walks day by day across the century leap rules (1700, 1900, 2000).
  for (std::uint64_t day = 0; day < 150000; day += 1) {
    const std::uint64_t ticks = day * 864000000000ull + 12345670000ull;
    FILETIME file = FromTicks(ticks);
    SYSTEMTIME calendar{};
    ASSERT_EQ(FileTimeToSystemTime(&file, &calendar), 1);
    ASSERT_EQ(calendar.wDayOfWeek, (day + 1) % 7);
    FILETIME again{};
    ASSERT_EQ(SystemTimeToFileTime(&calendar, &again), 1) << day;
    ASSERT_EQ(Ticks(again), ticks) << day;
  }
}

TEST(TimeConversion, InvalidFieldsAreRefused) {
  const SYSTEMTIME invalid[] = {
      Make(1600, 12, 31),
      Make(1999, 0, 1),             Make(1999, 13, 1),
      Make(1999, 1, 0),             Make(1999, 4, 31),
      Make(1999, 1, 1, 24),         Make(1999, 1, 1, 0, 60),
      Make(1999, 1, 1, 0, 0, 60),   Make(1999, 1, 1, 0, 0, 0, 1000),
  };
  for (const SYSTEMTIME& t : invalid) {
    SCOPED_TRACE(testing::Message() << t.wYear << "-" << t.wMonth << "-" << t.wDay
                                    << " " << t.wHour << ":" << t.wMinute << ":"
                                    << t.wSecond << "." << t.wMilliseconds);
    FILETIME out{0x1234, 0x5678};
    SetLastError(0);
    EXPECT_EQ(SystemTimeToFileTime(&t, &out), 0);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
  }
  // The day of week is ignored, as the one field a caller cannot know.
  SYSTEMTIME odd = Make(1999, 5, 28);
  odd.wDayOfWeek = 9;
  FILETIME out{};
  EXPECT_EQ(SystemTimeToFileTime(&odd, &out), 1);
}

TEST(TimeConversion, TicksBeyondTheSignedRangeAreRefused) {
  const FILETIME file = FromTicks(0x8000000000000000ull);
  SYSTEMTIME out{};
  SetLastError(0);
  EXPECT_EQ(FileTimeToSystemTime(&file, &out), 0);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
}

TEST(TimeConversion, SystemTimeIsTheCurrentUtcTime) {
  const auto before = std::chrono::system_clock::now();
  SYSTEMTIME now{};
  GetSystemTime(&now);
  const auto after = std::chrono::system_clock::now();
  FILETIME file{};
  ASSERT_EQ(SystemTimeToFileTime(&now, &file), 1);
  const auto unix_ms = [](std::chrono::system_clock::time_point p) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(p.time_since_epoch())
        .count();
  };
  const auto ms = static_cast<long long>(Ticks(file) / 10000) - 11644473600000LL;
  EXPECT_GE(ms, unix_ms(before) - 1);
  EXPECT_LE(ms, unix_ms(after));
  SYSTEMTIME again{};
  ASSERT_EQ(FileTimeToSystemTime(&file, &again), 1);
  EXPECT_EQ(again.wDayOfWeek, now.wDayOfWeek);
}

}  // namespace
}  // namespace vx::plat

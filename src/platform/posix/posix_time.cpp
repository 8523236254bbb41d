// The clock and the Win32 calendar conversions, on 100-ns ticks since
// 1 January 1601 (the proleptic Gregorian calendar throughout).
#include <time.h>

#include <cstdint>

#include "platform/posix/posix_internal.h"

namespace vx::plat::posix {
namespace {

constexpr std::int64_t kTicksPerMillisecond = 10000;
constexpr std::int64_t kTicksPerSecond = 10000000;
constexpr std::int64_t kSecondsPerDay = 86400;
// Seconds from 1601-01-01 to the POSIX epoch 1970-01-01.
constexpr std::int64_t kEpochOffsetSeconds = 11644473600;
constexpr std::uint64_t kLargestTicks = 0x7FFFFFFFFFFFFFFFull;

bool IsLeapYear(std::int64_t year) {
  return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
}

unsigned DaysInMonth(std::int64_t year, unsigned month) {
  static constexpr unsigned kDays[12] = {31, 28, 31, 30, 31, 30,
                                         31, 31, 30, 31, 30, 31};
  return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

// Days from 1 March of year 0 to the given date. Counting years from
// March puts the leap day at the end of the year, so the month lengths
// before any day of the year follow one formula: (153 * m + 2) / 5 gives
// the days of the m months that begin in March.
std::int64_t DaysFromMarchZero(std::int64_t year, unsigned month,
                               unsigned day) {
  if (month <= 2) --year;  // January and February close the previous year
  const std::int64_t cycle = year / 400;  // years here are never negative
  const std::int64_t year_of_cycle = year - cycle * 400;
  const unsigned months_since_march = (month + 9) % 12;
  const std::int64_t day_of_year = (153 * months_since_march + 2) / 5 + day - 1;
  const std::int64_t day_of_cycle = year_of_cycle * 365 + year_of_cycle / 4 -
                                    year_of_cycle / 100 + day_of_year;
  return cycle * 146097 + day_of_cycle;
}

const std::int64_t kDaysTo1601 = DaysFromMarchZero(1601, 1, 1);

// The inverse of DaysFromMarchZero for days that are not negative.
void DateFromMarchZero(std::int64_t days, std::int64_t* year, unsigned* month,
                       unsigned* day) {
  const std::int64_t cycle = days / 146097;
  const std::int64_t day_of_cycle = days - cycle * 146097;
  // Remove the leap days of the 4-, 100- and 400-year periods to count
  // whole years of 365 days.
  const std::int64_t year_of_cycle =
      (day_of_cycle - day_of_cycle / 1460 + day_of_cycle / 36524 -
       day_of_cycle / 146096) / 365;
  const std::int64_t day_of_year =
      day_of_cycle -
      (365 * year_of_cycle + year_of_cycle / 4 - year_of_cycle / 100);
  const std::int64_t months_since_march = (5 * day_of_year + 2) / 153;
  *day = static_cast<unsigned>(day_of_year - (153 * months_since_march + 2) / 5 + 1);
  *month = static_cast<unsigned>(months_since_march < 10 ? months_since_march + 3
                                                         : months_since_march - 9);
  *year = cycle * 400 + year_of_cycle + (*month <= 2 ? 1 : 0);
}

bool IsValid(const SYSTEMTIME& t) {
  if (t.wYear < 1601 || t.wYear > 30827) return false;
  if (t.wMonth < 1 || t.wMonth > 12) return false;
  if (t.wDay < 1 || t.wDay > DaysInMonth(t.wYear, t.wMonth)) return false;
  return t.wHour < 24 && t.wMinute < 60 && t.wSecond < 60 &&
         t.wMilliseconds < 1000;
}

}  // namespace

int TicksFromSystemTime(const SYSTEMTIME& time, std::uint64_t* ticks) {
  if (!IsValid(time)) return Fail(ERROR_INVALID_PARAMETER);
  const std::int64_t days =
      DaysFromMarchZero(time.wYear, time.wMonth, time.wDay) - kDaysTo1601;
  const std::int64_t seconds =
      days * kSecondsPerDay + time.wHour * 3600 + time.wMinute * 60 + time.wSecond;
  *ticks = static_cast<std::uint64_t>(seconds * kTicksPerSecond +
                                      time.wMilliseconds * kTicksPerMillisecond);
  return 1;
}

int SystemTimeFromTicks(std::uint64_t ticks, SYSTEMTIME* time) {
  if (ticks > kLargestTicks) return Fail(ERROR_INVALID_PARAMETER);
  const auto all = static_cast<std::int64_t>(ticks);
  const std::int64_t milliseconds = all / kTicksPerMillisecond;
  const std::int64_t seconds = milliseconds / 1000;
  const std::int64_t days = seconds / kSecondsPerDay;
  const std::int64_t second_of_day = seconds % kSecondsPerDay;
  std::int64_t year = 0;
  unsigned month = 0;
  unsigned day = 0;
  DateFromMarchZero(days + kDaysTo1601, &year, &month, &day);
  time->wYear = static_cast<std::uint16_t>(year);
  time->wMonth = static_cast<std::uint16_t>(month);
  time->wDay = static_cast<std::uint16_t>(day);
  time->wDayOfWeek = static_cast<std::uint16_t>((days + 1) % 7);  // 1601-01-01: Monday
  time->wHour = static_cast<std::uint16_t>(second_of_day / 3600);
  time->wMinute = static_cast<std::uint16_t>(second_of_day / 60 % 60);
  time->wSecond = static_cast<std::uint16_t>(second_of_day % 60);
  time->wMilliseconds = static_cast<std::uint16_t>(milliseconds % 1000);
  return 1;
}

void CurrentUtc(SYSTEMTIME* utc) {
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  std::int64_t seconds = static_cast<std::int64_t>(now.tv_sec) + kEpochOffsetSeconds;
  if (seconds < 0) seconds = 0;  // a clock set before 1601 reads as 1601
  const auto ticks = static_cast<std::uint64_t>(seconds * kTicksPerSecond +
                                                now.tv_nsec / 100);
  SystemTimeFromTicks(ticks, utc);
}

int UtcTicksToLocal(std::uint64_t utc, std::uint64_t* local) {
  if (utc > kLargestTicks) return Fail(ERROR_INVALID_PARAMETER);
  const std::int64_t utc_ticks = static_cast<std::int64_t>(utc);
  const time_t instant =
      static_cast<time_t>(utc_ticks / kTicksPerSecond - kEpochOffsetSeconds);
  tm parts{};
  if (localtime_r(&instant, &parts) == nullptr) return Fail(ERROR_INVALID_PARAMETER);
  const std::int64_t offset = static_cast<std::int64_t>(parts.tm_gmtoff) * kTicksPerSecond;
  if ((offset < 0 && utc_ticks < -offset) ||
      (offset > 0 && utc_ticks > static_cast<std::int64_t>(kLargestTicks) - offset)) {
    return Fail(ERROR_INVALID_PARAMETER);
  }
  *local = static_cast<std::uint64_t>(utc_ticks + offset);
  return 1;
}

}  // namespace vx::plat::posix

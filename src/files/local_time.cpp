#include "files/local_time.h"

#include <cstdio>

namespace vx {

int SystemToLocalTime(const plat::SYSTEMTIME* utc, plat::SYSTEMTIME* local) {
  plat::FILETIME utc_file{};
  plat::FILETIME local_file{};
  if (plat::SystemTimeToFileTime(utc, &utc_file) == 0) return 0;
  if (plat::FileTimeToLocalFileTime(&utc_file, &local_file) == 0) return 0;
  return plat::FileTimeToSystemTime(&local_file, local) != 0 ? 1 : 0;
}

int GetLocalStamp(const plat::SYSTEMTIME* utc, char* stamp,
                  plat::DWORD size) {
  plat::SYSTEMTIME local{};
  if (SystemToLocalTime(utc, &local) == 0) return 0;
  // Formatted into a buffer of its own first, so that a stamp that does not
  // fit never reaches the caller cut short.
  char text[32];
  const int length = std::snprintf(
      text, sizeof text, "Z%d%02d%02d%02d%02d%02d", local.wYear, local.wMonth,
      local.wDay, local.wHour, local.wMinute, local.wSecond);
  if (length < 0 || static_cast<plat::DWORD>(length) >= size) {
    plat::SetLastError(plat::ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  for (int i = 0; i <= length; ++i) stamp[i] = text[i];
  return 1;
}

}  // namespace vx

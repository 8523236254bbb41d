// Local time for the backup names' stamps.
#ifndef VEXTOR_FILES_LOCAL_TIME_H
#define VEXTOR_FILES_LOCAL_TIME_H

#include "platform/platform.h"

namespace vx {

// Converts a UTC calendar time to local calendar time through the
// platform's file times. On failure returns 0 with the code the failing
// conversion left; `local` may then be partly written.
int SystemToLocalTime(const plat::SYSTEMTIME* utc, plat::SYSTEMTIME* local);

// Writes "Z" and the local time of `utc` as yyyymmddhhmmss (the year
// without leading zeros) into `stamp` (`size` bytes). Fails, leaving
// `stamp` untouched, when the conversion fails (its code is kept) or the
// stamp and its terminator do not fit (ERROR_INSUFFICIENT_BUFFER).
int GetLocalStamp(const plat::SYSTEMTIME* utc, char* stamp, plat::DWORD size);

}  // namespace vx

#endif  // VEXTOR_FILES_LOCAL_TIME_H

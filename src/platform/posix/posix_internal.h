// Pieces of the POSIX implementation of the platform layer that its
// separate source files share, and that its tests check directly.
#ifndef VEXTOR_PLATFORM_POSIX_POSIX_INTERNAL_H
#define VEXTOR_PLATFORM_POSIX_POSIX_INTERNAL_H

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/platform.h"

namespace vx::plat::posix {

// The Win32 code that stands for an errno value.
DWORD CodeFromErrno(int error_number);

// The calling thread's last-error value.
DWORD LastError();
void SetLast(DWORD code);
// Sets the last-error value from errno and returns 0, so that a failing
// operation can end with `return FailFromErrno();`.
int FailFromErrno();
// Sets the last-error value to `code` and returns 0.
int Fail(DWORD code);

// A name as the system wants it: '\' separates directory parts on Windows,
// so it becomes '/'.
std::string SystemPath(const char* name);

// Whether `name` matches the last-component `pattern` with '*' (any run of
// characters, also none) and '?' (exactly one character), ignoring ASCII
// letter case. A pattern ending in ".*" also matches the names its part
// before the ".*" matches, so "*.*" matches every name, dotted or not.
bool MatchesWildcard(std::string_view pattern, std::string_view name);

// Directory search.
FindHandle FindFirst(const char* pattern, FindData* data);
int FindNext(FindHandle search, FindData* data);
int FindEnd(FindHandle search);

// File operations.
int CopyFile(const char* source, const char* target, int fail_if_exists);
int ReplaceContents(const char* source, const char* target);
int FlushFile(const char* name);
int DeleteFile(const char* name);
unsigned MakeTempFile(const char* directory, const char* prefix,
                      unsigned unique, char* out);
int ReadFile(const char* name, std::string* contents);
int WriteFile(const char* name, const std::string& contents);
DWORD GetAttributes(const char* name);
int SetAttributes(const char* name, DWORD attributes);

// Attribute word for a stat mode.
DWORD AttributesFromMode(unsigned mode);

// Calendar arithmetic on 100-ns ticks since 1601-01-01.
int TicksFromSystemTime(const SYSTEMTIME& time, std::uint64_t* ticks);
int SystemTimeFromTicks(std::uint64_t ticks, SYSTEMTIME* time);
void CurrentUtc(SYSTEMTIME* utc);
int UtcTicksToLocal(std::uint64_t utc, std::uint64_t* local);

// Our own text for an error code; nullptr when there is none.
const char* MessageText(DWORD code);

}  // namespace vx::plat::posix

#endif  // VEXTOR_PLATFORM_POSIX_POSIX_INTERNAL_H

// The POSIX implementation of the platform interface: the Os that RealOs()
// returns. The work is done in the neighbouring files; this one binds it to
// the interface and holds the operations too small for a file of their own.
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <exception>
#include <new>

#include "platform/posix/posix_internal.h"

namespace vx::plat {
namespace posix {
namespace {

constexpr mode_t kAnyWriteBit = S_IWUSR | S_IWGRP | S_IWOTH;

FILETIME ToFileTime(std::uint64_t ticks) {
  return FILETIME{static_cast<DWORD>(ticks & 0xFFFFFFFFu),
                  static_cast<DWORD>(ticks >> 32)};
}

std::uint64_t FromFileTime(const FILETIME& time) {
  return (static_cast<std::uint64_t>(time.dwHighDateTime) << 32) |
         time.dwLowDateTime;
}

// No exception may leave the platform layer: running out of memory is a
// failure like any other, reported through the last-error value.
template <typename Result, typename Operation>
Result Guarded(Result on_failure, Operation operation) {
  try {
    return operation();
  } catch (const std::bad_alloc&) {
    Fail(ERROR_NOT_ENOUGH_MEMORY);
  } catch (const std::exception&) {
    Fail(ERROR_GEN_FAILURE);
  }
  return on_failure;
}

class PosixOs final : public Os {
 public:
  DWORD GetLastError() override { return LastError(); }
  void SetLastError(DWORD code) override { SetLast(code); }

  FindHandle FindFirstFileA(const char* pattern, FindData* data) override {
    return FindFirst(pattern, data);
  }
  int FindNextFileA(FindHandle search, FindData* data) override {
    return FindNext(search, data);
  }
  int FindClose(FindHandle search) override { return FindEnd(search); }

  DWORD GetFileAttributesA(const char* name) override {
    return Guarded(INVALID_FILE_ATTRIBUTES, [&] { return GetAttributes(name); });
  }
  int SetFileAttributesA(const char* name, DWORD attributes) override {
    return Guarded(0, [&] { return SetAttributes(name, attributes); });
  }
  int CopyFileA(const char* source, const char* target,
                int fail_if_exists) override {
    return Guarded(0, [&] { return CopyFile(source, target, fail_if_exists); });
  }
  int ReplaceFileContents(const char* source, const char* target) override {
    return Guarded(0, [&] { return ReplaceContents(source, target); });
  }
  int FlushFileToDisk(const char* name) override {
    return Guarded(0, [&] { return FlushFile(name); });
  }
  int DeleteFileA(const char* name) override {
    return Guarded(0, [&] { return DeleteFile(name); });
  }
  unsigned GetTempFileNameA(const char* directory, const char* prefix,
                            unsigned unique, char* out) override {
    return Guarded(0u, [&] { return MakeTempFile(directory, prefix, unique, out); });
  }
  int ReadWholeFile(const char* name, std::string* contents) override {
    return Guarded(0, [&] { return ReadFile(name, contents); });
  }
  int WriteWholeFile(const char* name, const std::string& contents) override {
    return Guarded(0, [&] { return WriteFile(name, contents); });
  }

  void GetSystemTime(SYSTEMTIME* utc) override {
    if (utc != nullptr) CurrentUtc(utc);
  }
  int SystemTimeToFileTime(const SYSTEMTIME* time, FILETIME* out) override {
    if (time == nullptr || out == nullptr) return Fail(ERROR_INVALID_PARAMETER);
    std::uint64_t ticks = 0;
    if (!TicksFromSystemTime(*time, &ticks)) return 0;
    *out = ToFileTime(ticks);
    return 1;
  }
  int FileTimeToLocalFileTime(const FILETIME* utc, FILETIME* local) override {
    if (utc == nullptr || local == nullptr) return Fail(ERROR_INVALID_PARAMETER);
    std::uint64_t ticks = 0;
    if (!UtcTicksToLocal(FromFileTime(*utc), &ticks)) return 0;
    *local = ToFileTime(ticks);
    return 1;
  }
  int FileTimeToSystemTime(const FILETIME* time, SYSTEMTIME* out) override {
    if (time == nullptr || out == nullptr) return Fail(ERROR_INVALID_PARAMETER);
    return SystemTimeFromTicks(FromFileTime(*time), out);
  }
  void Sleep(DWORD milliseconds) override {
    timespec left{static_cast<time_t>(milliseconds / 1000),
                  static_cast<long>(milliseconds % 1000) * 1000000L};
    while (nanosleep(&left, &left) != 0 && errno == EINTR) {
    }
  }

  DWORD GetSystemMessage(DWORD code, char* buffer, DWORD size) override {
    const char* text = MessageText(code);
    if (text == nullptr || buffer == nullptr) return 0;
    const std::size_t length = std::strlen(text);
    if (length + 1 > size) return 0;
    std::memcpy(buffer, text, length + 1);
    return static_cast<DWORD>(length);
  }

  void WriteErrorConsole(const char* text, std::size_t length) override {
    while (text != nullptr && length > 0) {
      const ssize_t written = write(STDERR_FILENO, text, length);
      if (written < 0 && errno == EINTR) continue;
      if (written <= 0) return;  // nowhere left to report it
      text += written;
      length -= static_cast<std::size_t>(written);
    }
  }

  std::vector<Argument> GetCommandArguments(int argc, char** argv) override {
    std::vector<Argument> arguments;
    const int complete = Guarded(0, [&] {
      for (int i = 0; i < argc && argv[i] != nullptr; ++i) {
        arguments.push_back(Argument{argv[i], false});  // the shell took the quotes
      }
      return 1;
    });
    // Part of the command line is worse than none: it would run on a
    // shorter list of files without saying so.
    if (!complete) arguments.clear();
    return arguments;
  }

  // No ANSI code page with double-byte characters exists here.
  int IsDBCSLeadByte(unsigned char) override { return 0; }
};

}  // namespace

DWORD AttributesFromMode(unsigned mode) {
  DWORD attributes = 0;
  if (S_ISDIR(mode)) attributes |= FILE_ATTRIBUTE_DIRECTORY;
  if ((mode & kAnyWriteBit) == 0) attributes |= FILE_ATTRIBUTE_READONLY;
  return attributes != 0 ? attributes : FILE_ATTRIBUTE_NORMAL;
}

DWORD GetAttributes(const char* name) {
  if (name == nullptr) {
    Fail(ERROR_INVALID_PARAMETER);
    return INVALID_FILE_ATTRIBUTES;
  }
  struct stat info {};
  if (stat(SystemPath(name).c_str(), &info) != 0) {
    FailFromErrno();
    return INVALID_FILE_ATTRIBUTES;
  }
  return AttributesFromMode(info.st_mode);
}

// Only the read-only bit has a meaning here. Clearing it gives back the
// owner's write permission, but only to a file that has no write bit at
// all, so that a round trip of the saved attributes restores the mode.
int SetAttributes(const char* name, DWORD attributes) {
  if (name == nullptr) return Fail(ERROR_INVALID_PARAMETER);
  const std::string path = SystemPath(name);
  struct stat info {};
  if (stat(path.c_str(), &info) != 0) return FailFromErrno();
  mode_t mode = info.st_mode & 07777;
  if ((attributes & FILE_ATTRIBUTE_READONLY) != 0) {
    mode &= ~kAnyWriteBit;
  } else if ((mode & kAnyWriteBit) == 0) {
    mode |= S_IWUSR;
  }
  if (mode == (info.st_mode & 07777)) return 1;
  if (chmod(path.c_str(), mode) != 0) return FailFromErrno();
  return 1;
}

}  // namespace posix

Os& RealOs() {
  static posix::PosixOs os;
  return os;
}

}  // namespace vx::plat

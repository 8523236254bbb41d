// The one interface between Vextor and the operating system.
//
// Everything above src/platform/ reaches files, directories, the clock, the
// error console and the command line only through the functions declared
// here. The operations keep the shape of the Win32 calls the program was
// designed around: they return nonzero (or a handle, or a count) on success
// and 0 on failure, and a failure leaves a Win32 error code in the calling
// thread's last-error value (GetLastError). The POSIX implementation maps
// errno to those codes so that the layers above see one vocabulary.
//
// Each operation is a free function that forwards to the Os currently
// installed. Production code always runs on RealOs(); tests install an Os of
// their own (usually derived from ForwardingOs) to inject failures.
//
// Include this header before any system header: the Win32 headers define
// several of the constant names below as macros.
#ifndef VEXTOR_PLATFORM_PLATFORM_H
#define VEXTOR_PLATFORM_PLATFORM_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace vx::plat {

using DWORD = std::uint32_t;

// Size of every name buffer the program passes around, terminator included.
inline constexpr DWORD MAX_NAME = 260;

// Win32 error codes the program sets or may see. Values are the Win32 ones.
inline constexpr DWORD ERROR_SUCCESS = 0;
inline constexpr DWORD ERROR_FILE_NOT_FOUND = 2;
inline constexpr DWORD ERROR_PATH_NOT_FOUND = 3;
inline constexpr DWORD ERROR_TOO_MANY_OPEN_FILES = 4;
inline constexpr DWORD ERROR_ACCESS_DENIED = 5;
inline constexpr DWORD ERROR_INVALID_HANDLE = 6;
inline constexpr DWORD ERROR_NOT_ENOUGH_MEMORY = 8;
inline constexpr DWORD ERROR_NO_MORE_FILES = 18;
inline constexpr DWORD ERROR_WRITE_FAULT = 29;
inline constexpr DWORD ERROR_READ_FAULT = 30;
inline constexpr DWORD ERROR_GEN_FAILURE = 31;
inline constexpr DWORD ERROR_SHARING_VIOLATION = 32;
inline constexpr DWORD ERROR_NOT_SUPPORTED = 50;
inline constexpr DWORD ERROR_FILE_EXISTS = 80;
inline constexpr DWORD ERROR_INVALID_PARAMETER = 87;
inline constexpr DWORD ERROR_DISK_FULL = 112;
inline constexpr DWORD ERROR_INSUFFICIENT_BUFFER = 122;
inline constexpr DWORD ERROR_INVALID_NAME = 123;
inline constexpr DWORD ERROR_BUSY = 170;
inline constexpr DWORD ERROR_ALREADY_EXISTS = 183;
inline constexpr DWORD ERROR_FILENAME_EXCED_RANGE = 206;
inline constexpr DWORD ERROR_DIRECTORY = 267;
inline constexpr DWORD ERROR_CANT_RESOLVE_FILENAME = 1921;

// File attribute bits (Win32 values).
inline constexpr DWORD FILE_ATTRIBUTE_READONLY = 0x01;
inline constexpr DWORD FILE_ATTRIBUTE_HIDDEN = 0x02;
inline constexpr DWORD FILE_ATTRIBUTE_SYSTEM = 0x04;
inline constexpr DWORD FILE_ATTRIBUTE_DIRECTORY = 0x10;
inline constexpr DWORD FILE_ATTRIBUTE_ARCHIVE = 0x20;
inline constexpr DWORD FILE_ATTRIBUTE_NORMAL = 0x80;
inline constexpr DWORD INVALID_FILE_ATTRIBUTES = 0xFFFFFFFFu;

// Calendar time, field for field as the Win32 SYSTEMTIME record.
struct SYSTEMTIME {
  std::uint16_t wYear;
  std::uint16_t wMonth;
  std::uint16_t wDayOfWeek;  // 0 = Sunday
  std::uint16_t wDay;
  std::uint16_t wHour;
  std::uint16_t wMinute;
  std::uint16_t wSecond;
  std::uint16_t wMilliseconds;
};

// 100-nanosecond intervals since 1 January 1601 (UTC or local, as the
// operation says), split like the Win32 FILETIME.
struct FILETIME {
  DWORD dwLowDateTime;
  DWORD dwHighDateTime;
};

// One directory entry as a search reports it.
struct FindData {
  DWORD dwFileAttributes;
  char cFileName[MAX_NAME];  // bare name, no directory part; zero-terminated
};

// An open directory search. FIND_INVALID is the failed search.
struct FindState;
using FindHandle = FindState*;
inline constexpr FindHandle FIND_INVALID = nullptr;

// One command-line argument. `quoted` is true when the text as typed began
// with a double quote; such an argument is never expanded as a pattern.
// Where the platform's shell has already removed quotes (POSIX), it is
// always false.
struct Argument {
  std::string text;
  bool quoted;
};

// The operating system as the program sees it.
class Os {
 public:
  virtual ~Os() = default;

  // The calling thread's last-error value.
  virtual DWORD GetLastError() = 0;
  virtual void SetLastError(DWORD code) = 0;

  // Directory search. `pattern` is a name, optionally with a directory part
  // ('/' and '\' both separate) and with the wildcards '*' and '?' in its
  // last component, matched without regard to ASCII letter case (an exact
  // match is preferred when a plain name is looked up). "." and ".." are
  // reported like the Win32 search reports them. FindFirstFileA returns
  // FIND_INVALID and sets the last error (2 for no match) on failure;
  // FindNextFileA returns 0 with ERROR_NO_MORE_FILES at the end.
  virtual FindHandle FindFirstFileA(const char* pattern, FindData* data) = 0;
  virtual int FindNextFileA(FindHandle search, FindData* data) = 0;
  virtual int FindClose(FindHandle search) = 0;

  // Attribute word of a file or directory; INVALID_FILE_ATTRIBUTES on
  // failure. On POSIX a file without any write permission bit reads as
  // FILE_ATTRIBUTE_READONLY.
  virtual DWORD GetFileAttributesA(const char* name) = 0;
  // FILE_ATTRIBUTE_NORMAL makes the file writable; READONLY takes write
  // permission away. 0 on failure.
  virtual int SetFileAttributesA(const char* name, DWORD attributes) = 0;

  // Copies a file's contents. With `fail_if_exists` nonzero an existing
  // target is never touched (ERROR_FILE_EXISTS); otherwise it is
  // overwritten. Nonzero on success.
  virtual int CopyFileA(const char* source, const char* target,
                        int fail_if_exists) = 0;

  // Replaces `target`'s contents with `source`'s atomically and durably:
  // the new contents are written to a sibling of the target, flushed to
  // disk, given the target's permissions (and owner where permitted), and
  // moved over the target in one step. A failure at any point leaves the
  // target exactly as it was. A target reached through a symbolic link has
  // the link's target replaced and the link kept. Nonzero on success.
  virtual int ReplaceFileContents(const char* source, const char* target) = 0;

  // Flushes a file's contents to stable storage. Nonzero on success.
  virtual int FlushFileToDisk(const char* name) = 0;

  // Deletes a file. Nonzero on success.
  virtual int DeleteFileA(const char* name) = 0;

  // Creates a new, empty file with a unique name in `directory`, the name
  // beginning with the (up to three) letters of `prefix`, and writes its
  // path (directory part included, as `directory` was given) into `out`,
  // which has room for MAX_NAME bytes. `unique` must be 0. Returns nonzero
  // on success, 0 on failure (ERROR_FILENAME_EXCED_RANGE when the path does
  // not fit).
  virtual unsigned GetTempFileNameA(const char* directory, const char* prefix,
                                    unsigned unique, char* out) = 0;

  // Reads a whole file into `contents`. Nonzero on success.
  virtual int ReadWholeFile(const char* name, std::string* contents) = 0;
  // Overwrites an existing file's contents with `contents` in place.
  // Nonzero on success.
  virtual int WriteWholeFile(const char* name, const std::string& contents) = 0;

  // Clock and calendar conversions, as the Win32 calls of the same names.
  virtual void GetSystemTime(SYSTEMTIME* utc) = 0;
  virtual int SystemTimeToFileTime(const SYSTEMTIME* time, FILETIME* out) = 0;
  virtual int FileTimeToLocalFileTime(const FILETIME* utc, FILETIME* local) = 0;
  virtual int FileTimeToSystemTime(const FILETIME* time, SYSTEMTIME* out) = 0;
  virtual void Sleep(DWORD milliseconds) = 0;

  // Writes the system's text for an error code into `buffer` (at most
  // `size` bytes, zero-terminated, ending in a line end). Returns the
  // number of characters written, 0 when there is no text for the code or
  // it does not fit.
  virtual DWORD GetSystemMessage(DWORD code, char* buffer, DWORD size) = 0;

  // Writes text straight to the error console, unbuffered; where standard
  // error is not a console, to the standard error handle.
  virtual void WriteErrorConsole(const char* text, std::size_t length) = 0;

  // The program's arguments after the platform's splitting, argument 0
  // included. `argc`/`argv` are what the entry point received.
  virtual std::vector<Argument> GetCommandArguments(int argc, char** argv) = 0;

  // Nonzero when `byte` opens a double-byte character in the system's ANSI
  // code page (its second byte is then never a separator or a dot).
  virtual int IsDBCSLeadByte(unsigned char byte) = 0;
};

// The operating system's own implementation (POSIX or Windows).
Os& RealOs();

// The Os the free functions below use: RealOs() unless a test installed
// another one.
Os& CurrentOs();

// Installs `os` for the free functions below; nullptr restores RealOs().
// Returns the one installed before. For tests.
Os* InstallOs(Os* os);

// An Os that forwards every call to RealOs(). Tests derive from it and
// override the operations they want to fail.
class ForwardingOs : public Os {
 public:
  DWORD GetLastError() override { return RealOs().GetLastError(); }
  void SetLastError(DWORD code) override { RealOs().SetLastError(code); }
  FindHandle FindFirstFileA(const char* pattern, FindData* data) override {
    return RealOs().FindFirstFileA(pattern, data);
  }
  int FindNextFileA(FindHandle search, FindData* data) override {
    return RealOs().FindNextFileA(search, data);
  }
  int FindClose(FindHandle search) override {
    return RealOs().FindClose(search);
  }
  DWORD GetFileAttributesA(const char* name) override {
    return RealOs().GetFileAttributesA(name);
  }
  int SetFileAttributesA(const char* name, DWORD attributes) override {
    return RealOs().SetFileAttributesA(name, attributes);
  }
  int CopyFileA(const char* source, const char* target,
                int fail_if_exists) override {
    return RealOs().CopyFileA(source, target, fail_if_exists);
  }
  int ReplaceFileContents(const char* source, const char* target) override {
    return RealOs().ReplaceFileContents(source, target);
  }
  int FlushFileToDisk(const char* name) override {
    return RealOs().FlushFileToDisk(name);
  }
  int DeleteFileA(const char* name) override {
    return RealOs().DeleteFileA(name);
  }
  unsigned GetTempFileNameA(const char* directory, const char* prefix,
                            unsigned unique, char* out) override {
    return RealOs().GetTempFileNameA(directory, prefix, unique, out);
  }
  int ReadWholeFile(const char* name, std::string* contents) override {
    return RealOs().ReadWholeFile(name, contents);
  }
  int WriteWholeFile(const char* name, const std::string& contents) override {
    return RealOs().WriteWholeFile(name, contents);
  }
  void GetSystemTime(SYSTEMTIME* utc) override { RealOs().GetSystemTime(utc); }
  int SystemTimeToFileTime(const SYSTEMTIME* time, FILETIME* out) override {
    return RealOs().SystemTimeToFileTime(time, out);
  }
  int FileTimeToLocalFileTime(const FILETIME* utc, FILETIME* local) override {
    return RealOs().FileTimeToLocalFileTime(utc, local);
  }
  int FileTimeToSystemTime(const FILETIME* time, SYSTEMTIME* out) override {
    return RealOs().FileTimeToSystemTime(time, out);
  }
  void Sleep(DWORD milliseconds) override { RealOs().Sleep(milliseconds); }
  DWORD GetSystemMessage(DWORD code, char* buffer, DWORD size) override {
    return RealOs().GetSystemMessage(code, buffer, size);
  }
  void WriteErrorConsole(const char* text, std::size_t length) override {
    RealOs().WriteErrorConsole(text, length);
  }
  std::vector<Argument> GetCommandArguments(int argc, char** argv) override {
    return RealOs().GetCommandArguments(argc, argv);
  }
  int IsDBCSLeadByte(unsigned char byte) override {
    return RealOs().IsDBCSLeadByte(byte);
  }
};

// The free functions the rest of the program calls.
inline DWORD GetLastError() { return CurrentOs().GetLastError(); }
inline void SetLastError(DWORD code) { CurrentOs().SetLastError(code); }
inline FindHandle FindFirstFileA(const char* pattern, FindData* data) {
  return CurrentOs().FindFirstFileA(pattern, data);
}
inline int FindNextFileA(FindHandle search, FindData* data) {
  return CurrentOs().FindNextFileA(search, data);
}
inline int FindClose(FindHandle search) {
  return CurrentOs().FindClose(search);
}
inline DWORD GetFileAttributesA(const char* name) {
  return CurrentOs().GetFileAttributesA(name);
}
inline int SetFileAttributesA(const char* name, DWORD attributes) {
  return CurrentOs().SetFileAttributesA(name, attributes);
}
inline int CopyFileA(const char* source, const char* target,
                     int fail_if_exists) {
  return CurrentOs().CopyFileA(source, target, fail_if_exists);
}
inline int ReplaceFileContents(const char* source, const char* target) {
  return CurrentOs().ReplaceFileContents(source, target);
}
inline int FlushFileToDisk(const char* name) {
  return CurrentOs().FlushFileToDisk(name);
}
inline int DeleteFileA(const char* name) {
  return CurrentOs().DeleteFileA(name);
}
inline unsigned GetTempFileNameA(const char* directory, const char* prefix,
                                 unsigned unique, char* out) {
  return CurrentOs().GetTempFileNameA(directory, prefix, unique, out);
}
inline int ReadWholeFile(const char* name, std::string* contents) {
  return CurrentOs().ReadWholeFile(name, contents);
}
inline int WriteWholeFile(const char* name, const std::string& contents) {
  return CurrentOs().WriteWholeFile(name, contents);
}
inline void GetSystemTime(SYSTEMTIME* utc) { CurrentOs().GetSystemTime(utc); }
inline int SystemTimeToFileTime(const SYSTEMTIME* time, FILETIME* out) {
  return CurrentOs().SystemTimeToFileTime(time, out);
}
inline int FileTimeToLocalFileTime(const FILETIME* utc, FILETIME* local) {
  return CurrentOs().FileTimeToLocalFileTime(utc, local);
}
inline int FileTimeToSystemTime(const FILETIME* time, SYSTEMTIME* out) {
  return CurrentOs().FileTimeToSystemTime(time, out);
}
inline void Sleep(DWORD milliseconds) { CurrentOs().Sleep(milliseconds); }
inline DWORD GetSystemMessage(DWORD code, char* buffer, DWORD size) {
  return CurrentOs().GetSystemMessage(code, buffer, size);
}
inline void WriteErrorConsole(const char* text, std::size_t length) {
  CurrentOs().WriteErrorConsole(text, length);
}
inline std::vector<Argument> GetCommandArguments(int argc, char** argv) {
  return CurrentOs().GetCommandArguments(argc, argv);
}
inline int IsDBCSLeadByte(unsigned char byte) {
  return CurrentOs().IsDBCSLeadByte(byte);
}

}  // namespace vx::plat

#endif  // VEXTOR_PLATFORM_PLATFORM_H

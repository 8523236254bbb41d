// The Os on Windows: the real kernel32 calls.
//
// platform.h comes first on purpose: <windows.h> defines many of its
// constant names (ERROR_..., FILE_ATTRIBUTE_...) as macros with the same
// values, so below this point those names are the Win32 macros. The types
// DWORD, SYSTEMTIME and FILETIME written without "::" are ours; the Win32
// ones are spelled with "::".
#include "platform/platform.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <new>

#include "platform/windows/command_line.h"

// The program expands name patterns itself (it must know which arguments
// were typed in quotes), so the C runtime must leave argv alone.
extern "C" {
int _dowildcard = 0;
}

struct vx::plat::FindState {
  HANDLE handle;
};

namespace vx::plat {
namespace {

// Language 0x400: the user's default language.
constexpr ::DWORD kUserDefaultLanguage = 0x400;

// Chunk size for reading and writing whole files.
constexpr ::DWORD kChunk = 64 * 1024;

// Closes a kernel handle on every way out, keeping the last-error value of
// the failure that led there.
class Handle {
 public:
  explicit Handle(HANDLE handle) : handle_(handle) {}
  ~Handle() {
    if (valid()) {
      const ::DWORD error = ::GetLastError();
      ::CloseHandle(handle_);
      ::SetLastError(error);
    }
  }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;

  bool valid() const { return handle_ != INVALID_HANDLE_VALUE; }
  HANDLE get() const { return handle_; }

  // Closes now and reports the result: a write-back error may surface only
  // here.
  bool Close() {
    const BOOL ok = ::CloseHandle(handle_);
    handle_ = INVALID_HANDLE_VALUE;
    return ok != 0;
  }

 private:
  HANDLE handle_;
};

int Fail(::DWORD code) {
  ::SetLastError(code);
  return 0;
}

void CopyFindData(const ::WIN32_FIND_DATAA& in, FindData* out) {
  static_assert(sizeof in.cFileName <= sizeof out->cFileName);
  out->dwFileAttributes = in.dwFileAttributes;
  const void* end = std::memchr(in.cFileName, '\0', sizeof in.cFileName);
  const std::size_t length =
      end != nullptr ? static_cast<const char*>(end) - in.cFileName
                     : sizeof in.cFileName - 1;
  std::memcpy(out->cFileName, in.cFileName, length);
  out->cFileName[length] = '\0';
}

// Writes all `size` bytes or fails with the system's code.
bool WriteAll(HANDLE file, const char* data, std::size_t size) {
  while (size > 0) {
    const ::DWORD piece = size < kChunk ? static_cast<::DWORD>(size) : kChunk;
    ::DWORD written = 0;
    if (!::WriteFile(file, data, piece, &written, nullptr)) return false;
    if (written == 0) return Fail(ERROR_WRITE_FAULT);
    data += written;
    size -= written;
  }
  return true;
}

// Reads the rest of `file` onto `out`.
bool ReadAll(HANDLE file, std::string* out) {
  char buffer[kChunk];
  for (;;) {
    ::DWORD got = 0;
    if (!::ReadFile(file, buffer, kChunk, &got, nullptr)) return false;
    if (got == 0) return true;
    try {
      out->append(buffer, got);
    } catch (const std::bad_alloc&) {
      return Fail(ERROR_NOT_ENOUGH_MEMORY);
    }
  }
}

// The directory part of `path` (up to and including its last separator or
// drive colon), "." when it has none. A double-byte character's second byte
// is never taken for a separator.
bool DirectoryOf(const char* path, char* out, std::size_t size) {
  std::size_t end = 0;
  for (std::size_t i = 0; path[i] != '\0'; ++i) {
    const char c = path[i];
    if (c == '\\' || c == '/' || c == ':') {
      end = i + 1;
    } else if (::IsDBCSLeadByte(static_cast<BYTE>(c)) && path[i + 1] != '\0') {
      ++i;
    }
  }
  if (end == 0) {
    std::memcpy(out, ".", 2);
    return true;
  }
  if (end >= size) return Fail(ERROR_FILENAME_EXCED_RANGE);
  std::memcpy(out, path, end);
  out[end] = '\0';
  return true;
}

// Room for the longest prefix of the system's own path form ("\\?\UNC\"),
// which a final path loses again before it is used.
constexpr std::size_t kLongPrefix = 8;

bool IsDrivePath(const char* path) {
  const char letter = static_cast<char>(path[0] | 0x20);
  return letter >= 'a' && letter <= 'z' && path[1] == ':' && path[2] == '\\';
}

// "\\?\C:\dir\x" becomes "C:\dir\x" and "\\?\UNC\server\share\x" becomes
// "\\server\share\x"; any other form (a volume without a drive letter)
// keeps its prefix, without which it names nothing.
bool WithoutLongPrefix(const char* path, char* out, std::size_t size) {
  const char* lead = "";
  const char* rest = path;
  if (std::strncmp(path, "\\\\?\\UNC\\", 8) == 0) {
    lead = "\\\\";
    rest = path + 8;
  } else if (std::strncmp(path, "\\\\?\\", 4) == 0 && IsDrivePath(path + 4)) {
    rest = path + 4;
  }
  const std::size_t lead_length = std::strlen(lead);
  const std::size_t rest_length = std::strlen(rest);
  if (lead_length + rest_length >= size) {
    return Fail(ERROR_FILENAME_EXCED_RANGE);
  }
  std::memcpy(out, lead, lead_length);
  std::memcpy(out + lead_length, rest, rest_length + 1);
  return true;
}

// The path of the file that `name` finally reaches, symbolic links (of the
// file or of a directory on the way) followed: replacing that path replaces
// the file where it lies and keeps every link to it.
bool FinalPathOf(const char* name, char* out, std::size_t size) {
  Handle file(::CreateFileA(
      name, FILE_READ_ATTRIBUTES,
      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.valid()) return false;
  char path[MAX_PATH + kLongPrefix];
  const ::DWORD length = ::GetFinalPathNameByHandleA(
      file.get(), path, sizeof path, FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
  if (length == 0) return false;
  // Too small a buffer gives the size needed instead.
  if (length >= sizeof path) return Fail(ERROR_FILENAME_EXCED_RANGE);
  return WithoutLongPrefix(path, out, size);
}

// Copies `source` onto the existing file `target` with every write going
// through to the disk, then flushes what the file system still holds.
bool CopyWriteThrough(const char* source, const char* target) {
  Handle in(::CreateFileA(source, GENERIC_READ, FILE_SHARE_READ, nullptr,
                          OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!in.valid()) return false;
  Handle out(::CreateFileA(target, GENERIC_WRITE, 0, nullptr,
                           TRUNCATE_EXISTING,
                           FILE_ATTRIBUTE_NORMAL | FILE_FLAG_WRITE_THROUGH,
                           nullptr));
  if (!out.valid()) return false;
  char buffer[kChunk];
  for (;;) {
    ::DWORD got = 0;
    if (!::ReadFile(in.get(), buffer, kChunk, &got, nullptr)) return false;
    if (got == 0) break;
    if (!WriteAll(out.get(), buffer, got)) return false;
  }
  return ::FlushFileBuffers(out.get()) && out.Close();
}

// The attributes a replacement takes over from the file it replaces. It
// stays writable so that it can be removed again if the replacing fails; the
// caller restores read-only itself.
::DWORD ReplacementAttributes(::DWORD target) {
  const ::DWORD kept = target & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                 FILE_ATTRIBUTE_ARCHIVE |
                                 FILE_ATTRIBUTE_NOT_CONTENT_INDEXED);
  return kept != 0 ? kept : FILE_ATTRIBUTE_NORMAL;
}

HANDLE OpenForFlush(const char* name) {
  return ::CreateFileA(name, GENERIC_WRITE,
                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                       nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

bool Flush(HANDLE file) {
  Handle handle(file);
  if (!handle.valid()) return false;
  return ::FlushFileBuffers(handle.get()) && handle.Close();
}

// Flushing needs write access, which a read-only file refuses (a backup of
// a read-only file is read-only too), so such a file is made writable for
// the moment of the flush and read-only again afterwards.
bool FlushReadOnly(const char* name, ::DWORD attributes) {
  if (!::SetFileAttributesA(name, attributes & ~FILE_ATTRIBUTE_READONLY)) {
    return false;
  }
  const bool flushed = Flush(OpenForFlush(name));
  const ::DWORD error = ::GetLastError();
  if (!::SetFileAttributesA(name, attributes)) return false;
  if (!flushed) return Fail(error);
  return true;
}

// System texts end their lines with CR LF; callers print them through
// text-mode streams, which add the CR again. Returns the new length.
::DWORD DropCarriageReturns(char* text, ::DWORD length) {
  ::DWORD out = 0;
  for (::DWORD in = 0; in < length; ++in) {
    if (text[in] == '\r' && in + 1 < length && text[in + 1] == '\n') continue;
    text[out++] = text[in];
  }
  text[out] = '\0';
  return out;
}

// Writes `text` to a file or pipe with each line end as CR LF, the way the C
// runtime writes standard error in text mode, so a redirected error stream
// has one kind of line end.
void WriteWithCrLf(HANDLE file, const char* text, std::size_t length) {
  std::size_t start = 0;
  for (std::size_t i = 0; i < length; ++i) {
    if (text[i] != '\n' || (i > 0 && text[i - 1] == '\r')) continue;
    if (!WriteAll(file, text + start, i - start)) return;
    if (!WriteAll(file, "\r", 1)) return;
    start = i;
  }
  WriteAll(file, text + start, length - start);
}

void WriteConsoleAll(HANDLE console, const char* text, std::size_t length) {
  while (length > 0) {
    const ::DWORD piece =
        length < kChunk ? static_cast<::DWORD>(length) : kChunk;
    ::DWORD written = 0;
    if (!::WriteConsoleA(console, text, piece, &written, nullptr) ||
        written == 0) {
      return;
    }
    text += written;
    length -= written;
  }
}

::SYSTEMTIME ToWin32(const SYSTEMTIME& t) {
  ::SYSTEMTIME out;
  out.wYear = t.wYear;
  out.wMonth = t.wMonth;
  out.wDayOfWeek = t.wDayOfWeek;
  out.wDay = t.wDay;
  out.wHour = t.wHour;
  out.wMinute = t.wMinute;
  out.wSecond = t.wSecond;
  out.wMilliseconds = t.wMilliseconds;
  return out;
}

SYSTEMTIME FromWin32(const ::SYSTEMTIME& t) {
  return SYSTEMTIME{t.wYear, t.wMonth,  t.wDayOfWeek, t.wDay,
                    t.wHour, t.wMinute, t.wSecond,    t.wMilliseconds};
}

::FILETIME ToWin32(const FILETIME& t) {
  ::FILETIME out;
  out.dwLowDateTime = t.dwLowDateTime;
  out.dwHighDateTime = t.dwHighDateTime;
  return out;
}

FILETIME FromWin32(const ::FILETIME& t) {
  return FILETIME{t.dwLowDateTime, t.dwHighDateTime};
}

// The documented ranges of the calendar fields. Not every Windows version
// (nor Wine) checks the day against the month's length, and an impossible
// date would silently become another one.
bool IsValidCalendarTime(const SYSTEMTIME& t) {
  static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (t.wYear < 1601 || t.wYear > 30827 || t.wMonth < 1 || t.wMonth > 12) {
    return false;
  }
  const bool leap =
      (t.wYear % 4 == 0 && t.wYear % 100 != 0) || t.wYear % 400 == 0;
  const int days = kDays[t.wMonth - 1] + (t.wMonth == 2 && leap ? 1 : 0);
  return t.wDay >= 1 && t.wDay <= days && t.wHour < 24 && t.wMinute < 60 &&
         t.wSecond < 60 && t.wMilliseconds < 1000;
}

// The system call puts a backslash after a directory that does not end in
// one, also after a slash ("work/" gives "work/\QTV1.tmp"). The directory
// is kept as given, followed by exactly one separator.
void DropSeparatorAfterSlash(const char* directory, char* path) {
  const std::size_t length = std::strlen(directory);
  if (length == 0 || directory[length - 1] != '/' || path[length] != '\\') {
    return;
  }
  std::memmove(path + length, path + length + 1,
               std::strlen(path + length + 1) + 1);
}

int LeadByte(unsigned char byte) { return ::IsDBCSLeadByte(byte) ? 1 : 0; }

class WindowsOs final : public Os {
 public:
  DWORD GetLastError() override { return ::GetLastError(); }
  void SetLastError(DWORD code) override { ::SetLastError(code); }

  FindHandle FindFirstFileA(const char* pattern, FindData* data) override {
    if (pattern == nullptr || data == nullptr) {
      Fail(ERROR_INVALID_PARAMETER);
      return FIND_INVALID;
    }
    ::WIN32_FIND_DATAA found;
    const HANDLE handle = ::FindFirstFileA(pattern, &found);
    if (handle == INVALID_HANDLE_VALUE) return FIND_INVALID;
    FindState* search = new (std::nothrow) FindState{handle};
    if (search == nullptr) {
      ::FindClose(handle);
      Fail(ERROR_NOT_ENOUGH_MEMORY);
      return FIND_INVALID;
    }
    CopyFindData(found, data);
    return search;
  }

  int FindNextFileA(FindHandle search, FindData* data) override {
    if (search == FIND_INVALID) return Fail(ERROR_INVALID_HANDLE);
    if (data == nullptr) return Fail(ERROR_INVALID_PARAMETER);
    ::WIN32_FIND_DATAA found;
    if (!::FindNextFileA(search->handle, &found)) return 0;
    CopyFindData(found, data);
    return 1;
  }

  int FindClose(FindHandle search) override {
    if (search == FIND_INVALID) return Fail(ERROR_INVALID_HANDLE);
    const BOOL ok = ::FindClose(search->handle);
    delete search;
    return ok ? 1 : 0;
  }

  DWORD GetFileAttributesA(const char* name) override {
    if (name == nullptr) {
      Fail(ERROR_INVALID_PARAMETER);
      return INVALID_FILE_ATTRIBUTES;
    }
    return ::GetFileAttributesA(name);
  }

  int SetFileAttributesA(const char* name, DWORD attributes) override {
    if (name == nullptr) return Fail(ERROR_INVALID_PARAMETER);
    return ::SetFileAttributesA(name, attributes) ? 1 : 0;
  }

  int CopyFileA(const char* source, const char* target,
                int fail_if_exists) override {
    if (source == nullptr || target == nullptr) {
      return Fail(ERROR_INVALID_PARAMETER);
    }
    return ::CopyFileA(source, target, fail_if_exists ? TRUE : FALSE) ? 1 : 0;
  }

  int ReplaceFileContents(const char* source, const char* target) override {
    if (source == nullptr || target == nullptr) {
      return Fail(ERROR_INVALID_PARAMETER);
    }
    char final_path[MAX_PATH];
    if (!FinalPathOf(target, final_path, sizeof final_path)) return 0;
    const ::DWORD attributes = ::GetFileAttributesA(final_path);
    if (attributes == INVALID_FILE_ATTRIBUTES) return 0;
    // Windows refuses to replace a read-only file; some file systems under
    // Wine do not, so the rule is kept here for every one.
    if (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY)) {
      return Fail(ERROR_ACCESS_DENIED);
    }
    char directory[MAX_PATH];
    if (!DirectoryOf(final_path, directory, sizeof directory)) return 0;
    // The replacement is written beside the target so that the final move
    // stays on one volume and replaces the target in one step.
    char sibling[MAX_PATH];
    if (::GetTempFileNameA(directory, "VXR", 0, sibling) == 0) return 0;
    if (CopyWriteThrough(source, sibling) &&
        ::SetFileAttributesA(sibling, ReplacementAttributes(attributes)) &&
        ::MoveFileExA(sibling, final_path,
                      MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
      return 1;
    }
    const ::DWORD error = ::GetLastError();
    ::DeleteFileA(sibling);
    return Fail(error);
  }

  int FlushFileToDisk(const char* name) override {
    if (name == nullptr) return Fail(ERROR_INVALID_PARAMETER);
    const HANDLE file = OpenForFlush(name);
    if (file != INVALID_HANDLE_VALUE) return Flush(file) ? 1 : 0;
    const ::DWORD error = ::GetLastError();
    const ::DWORD attributes = ::GetFileAttributesA(name);
    if (error == ERROR_ACCESS_DENIED && attributes != INVALID_FILE_ATTRIBUTES &&
        (attributes & FILE_ATTRIBUTE_READONLY) &&
        !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
      return FlushReadOnly(name, attributes) ? 1 : 0;
    }
    return Fail(error);
  }

  int DeleteFileA(const char* name) override {
    if (name == nullptr) return Fail(ERROR_INVALID_PARAMETER);
    return ::DeleteFileA(name) ? 1 : 0;
  }

  unsigned GetTempFileNameA(const char* directory, const char* prefix,
                            unsigned unique, char* out) override {
    if (directory == nullptr || prefix == nullptr || out == nullptr) {
      return Fail(ERROR_INVALID_PARAMETER);
    }
    static_assert(MAX_NAME >= MAX_PATH);
    const unsigned result = ::GetTempFileNameA(directory, prefix, unique, out);
    if (result != 0) DropSeparatorAfterSlash(directory, out);
    return result;
  }

  int ReadWholeFile(const char* name, std::string* contents) override {
    if (name == nullptr || contents == nullptr) {
      return Fail(ERROR_INVALID_PARAMETER);
    }
    Handle file(::CreateFileA(name, GENERIC_READ, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN,
                              nullptr));
    if (!file.valid()) return 0;
    std::string data;
    if (!ReadAll(file.get(), &data)) return 0;
    contents->swap(data);
    return 1;
  }

  int WriteWholeFile(const char* name, const std::string& contents) override {
    if (name == nullptr) return Fail(ERROR_INVALID_PARAMETER);
    Handle file(::CreateFileA(name, GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                              TRUNCATE_EXISTING, FILE_ATTRIBUTE_NORMAL,
                              nullptr));
    if (!file.valid()) return 0;
    if (!WriteAll(file.get(), contents.data(), contents.size())) return 0;
    return file.Close() ? 1 : 0;
  }

  void GetSystemTime(SYSTEMTIME* utc) override {
    if (utc == nullptr) return;
    ::SYSTEMTIME now;
    ::GetSystemTime(&now);
    *utc = FromWin32(now);
  }

  int SystemTimeToFileTime(const SYSTEMTIME* time, FILETIME* out) override {
    if (time == nullptr || out == nullptr) {
      return Fail(ERROR_INVALID_PARAMETER);
    }
    if (!IsValidCalendarTime(*time)) return Fail(ERROR_INVALID_PARAMETER);
    const ::SYSTEMTIME in = ToWin32(*time);
    ::FILETIME result;
    if (!::SystemTimeToFileTime(&in, &result)) return 0;
    *out = FromWin32(result);
    return 1;
  }

  int FileTimeToLocalFileTime(const FILETIME* utc, FILETIME* local) override {
    if (utc == nullptr || local == nullptr) {
      return Fail(ERROR_INVALID_PARAMETER);
    }
    const ::FILETIME in = ToWin32(*utc);
    ::FILETIME result;
    if (!::FileTimeToLocalFileTime(&in, &result)) return 0;
    *local = FromWin32(result);
    return 1;
  }

  int FileTimeToSystemTime(const FILETIME* time, SYSTEMTIME* out) override {
    if (time == nullptr || out == nullptr) {
      return Fail(ERROR_INVALID_PARAMETER);
    }
    const ::FILETIME in = ToWin32(*time);
    ::SYSTEMTIME result;
    if (!::FileTimeToSystemTime(&in, &result)) return 0;
    *out = FromWin32(result);
    return 1;
  }

  void Sleep(DWORD milliseconds) override { ::Sleep(milliseconds); }

  DWORD GetSystemMessage(DWORD code, char* buffer, DWORD size) override {
    if (buffer == nullptr || size == 0) return 0;
    buffer[0] = '\0';
    // No insert values exist to fill in, so inserts are left as written.
    ::DWORD length = ::FormatMessageA(
        FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
        code, kUserDefaultLanguage, buffer, size, nullptr);
    if (length == 0 || length >= size) {
      buffer[0] = '\0';
      return 0;
    }
    length = DropCarriageReturns(buffer, length);
    if (length > 0 && buffer[length - 1] == '\n') return length;
    if (length + 1 >= size) {
      buffer[0] = '\0';
      return 0;
    }
    buffer[length++] = '\n';
    buffer[length] = '\0';
    return length;
  }

  void WriteErrorConsole(const char* text, std::size_t length) override {
    if (text == nullptr || length == 0) return;
    const ::DWORD saved = ::GetLastError();
    // Whatever the C runtime still holds for standard error goes first, so
    // the two kinds of output keep their order.
    std::fflush(stderr);
    const HANDLE error = ::GetStdHandle(STD_ERROR_HANDLE);
    if (error != INVALID_HANDLE_VALUE && error != nullptr) {
      ::DWORD mode = 0;
      if (::GetConsoleMode(error, &mode)) {
        WriteConsoleAll(error, text, length);
      } else {
        WriteWithCrLf(error, text, length);
      }
    }
    ::SetLastError(saved);
  }

  std::vector<Argument> GetCommandArguments(int argc, char** argv) override {
    try {
      const char* line = ::GetCommandLineA();
      if (line != nullptr) return SplitCommandLine(line, LeadByte);
      std::vector<Argument> args;
      for (int i = 0; i < argc && argv != nullptr; ++i) {
        args.push_back(Argument{argv[i] != nullptr ? argv[i] : "", false});
      }
      return args;
    } catch (const std::bad_alloc&) {
      Fail(ERROR_NOT_ENOUGH_MEMORY);
      return {};
    }
  }

  int IsDBCSLeadByte(unsigned char byte) override { return LeadByte(byte); }
};

}  // namespace

Os& RealOs() {
  static WindowsOs os;
  return os;
}

}  // namespace vx::plat

#include "files/file_names.h"

#include <cstdio>
#include <cstring>

#include "cli/diagnostics.h"
#include "files/local_time.h"

namespace vx {
namespace {

// Pause between two passes over a backup name that is taken: the name can
// only change once the clock reaches the next second, so there is no point
// in asking the directory again at once.
constexpr plat::DWORD BACKUP_RETRY_PAUSE_MS = 50;

constexpr char COMPANION_EXTENSION[] = ".CDP";

// What every name operation checks before it touches anything. The buffer
// is cleared only after the checks, so a refused call writes nothing. A
// pointer that is not null but unusable cannot be detected portably.
int EnterNameOperation(const char* name, const char* buffer,
                       const plat::DWORD* length) {
  if (name == nullptr || buffer == nullptr || length == nullptr ||
      *length == 0) {
    plat::SetLastError(plat::ERROR_INVALID_PARAMETER);
    return 0;
  }
  return 1;
}

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

// Copies at most PART_SIZE - 1 bytes of [begin, end) and terminates the
// copy. Returns 1 when the whole range fitted.
int CopyPart(const char* begin, const char* end, char (&part)[PART_SIZE]) {
  std::size_t length = static_cast<std::size_t>(end - begin);
  const int whole = length < PART_SIZE ? 1 : 0;
  if (length >= PART_SIZE) length = PART_SIZE - 1;
  std::memcpy(part, begin, length);
  part[length] = '\0';
  return whole;
}

}  // namespace

int SplitName(const char* name, char (&drive)[DRIVE_SIZE],
              char (&directory)[PART_SIZE], char (&base)[PART_SIZE],
              char (&extension)[PART_SIZE]) {
  const char* rest = name;
  drive[0] = '\0';
  if (name[0] != '\0' && name[1] == ':') {
    drive[0] = name[0];
    drive[1] = ':';
    drive[2] = '\0';
    rest = name + 2;
  }

  const char* after_separator = rest;  // start of the base name
  const char* last_dot = nullptr;
  const char* p = rest;
  while (*p != '\0') {
    if (plat::IsDBCSLeadByte(static_cast<unsigned char>(*p)) != 0 &&
        p[1] != '\0') {
      p += 2;
      continue;
    }
    if (IsSeparator(*p)) {
      after_separator = p + 1;
      last_dot = nullptr;  // a dot in the directory starts no extension
    } else if (*p == '.') {
      last_dot = p;
    }
    ++p;
  }
  const char* end = p;
  const char* extension_begin = last_dot != nullptr ? last_dot : end;

  int whole = CopyPart(rest, after_separator, directory);
  whole &= CopyPart(after_separator, extension_begin, base);
  whole &= CopyPart(extension_begin, end, extension);
  return whole;
}

int BuildName(char* out, plat::DWORD size, const char* drive,
              const char* directory, const char* base, const char* extension) {
  const std::size_t directory_length = std::strlen(directory);
  const std::size_t base_length = std::strlen(base);
  const std::size_t extension_length = std::strlen(extension);
  const bool has_drive = drive[0] != '\0';
  const bool add_separator =
      directory_length != 0 && !IsSeparator(directory[directory_length - 1]);
  const bool add_dot = extension_length != 0 && extension[0] != '.';

  const std::size_t needed = (has_drive ? 2 : 0) + directory_length +
                             (add_separator ? 1 : 0) + base_length +
                             (add_dot ? 1 : 0) + extension_length;
  if (needed >= size) {  // one byte stays for the terminator
    plat::SetLastError(plat::ERROR_FILENAME_EXCED_RANGE);
    return 0;
  }
  char* p = out;
  if (has_drive) {
    *p++ = drive[0];
    *p++ = ':';
  }
  std::memcpy(p, directory, directory_length);
  p += directory_length;
  if (add_separator) *p++ = '\\';
  std::memcpy(p, base, base_length);
  p += base_length;
  if (add_dot) *p++ = '.';
  std::memcpy(p, extension, extension_length);
  p += extension_length;
  *p = '\0';
  return 1;
}

int GetTrueName(const char* Uname, char* Tname, plat::DWORD* length) {
  if (EnterNameOperation(Uname, Tname, length) == 0) return 0;
  std::memset(Tname, 0, *length);

  plat::FindData entry{};
  const plat::FindHandle search = plat::FindFirstFileA(Uname, &entry);
  if (search == plat::FIND_INVALID) {
    // The search's own code is not passed on: a name that cannot be found
    // is reported as missing, or as too long for the buffer.
    const std::size_t wanted = std::strlen(Uname);
    if (wanted > *length) {
      *length = static_cast<plat::DWORD>(wanted);
      plat::SetLastError(plat::ERROR_INSUFFICIENT_BUFFER);
    } else {
      plat::SetLastError(plat::ERROR_FILE_NOT_FOUND);
    }
    return 0;
  }

  const void* end_of_name =
      std::memchr(entry.cFileName, '\0', sizeof entry.cFileName);
  const std::size_t found =
      end_of_name != nullptr
          ? static_cast<std::size_t>(static_cast<const char*>(end_of_name) -
                                     entry.cFileName)
          : sizeof entry.cFileName;
  // The name needs one byte more than its length for the terminator.
  if (found >= *length) {
    plat::FindClose(search);
    *length = static_cast<plat::DWORD>(found);
    plat::SetLastError(plat::ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  std::memcpy(Tname, entry.cFileName, found);
  plat::FindClose(search);
  return 1;
}

int SplitWholeName(const char* name, NameParts* parts) {
  if (SplitName(name, parts->drive, parts->directory, parts->base,
                parts->extension) == 0) {
    plat::SetLastError(plat::ERROR_FILENAME_EXCED_RANGE);
    return 0;
  }
  return 1;
}

int MakeCdpName(const char* Uname, char* Cname, plat::DWORD* length) {
  if (EnterNameOperation(Uname, Cname, length) == 0) return 0;
  std::memset(Cname, 0, *length);

  NameParts parts;
  if (SplitWholeName(Uname, &parts) == 0) return 0;
  return BuildName(Cname, *length, parts.drive, parts.directory, parts.base,
                   COMPANION_EXTENSION);
}

int MakeBackupName(const char* Tname, char* Bname, plat::DWORD* length) {
  if (EnterNameOperation(Tname, Bname, length) == 0) return 0;

  for (;;) {
    std::memset(Bname, 0, *length);

    plat::SYSTEMTIME now{};
    plat::GetSystemTime(&now);
    char stamp[plat::MAX_NAME];
    if (GetLocalStamp(&now, stamp, sizeof stamp) == 0) return 0;

    NameParts parts;
    if (SplitWholeName(Tname, &parts) == 0) return 0;
    char stamped_base[plat::MAX_NAME];
    const int stamped_length = std::snprintf(stamped_base, sizeof stamped_base,
                                             "%s.%s", parts.base, stamp);
    if (stamped_length < 0 ||
        static_cast<std::size_t>(stamped_length) >= sizeof stamped_base) {
      plat::SetLastError(plat::ERROR_FILENAME_EXCED_RANGE);
      return 0;
    }
    if (BuildName(Bname, *length, parts.drive, parts.directory, stamped_base,
                  parts.extension) == 0) {
      return 0;
    }

    plat::FindData entry{};
    const plat::FindHandle search = plat::FindFirstFileA(Bname, &entry);
    if (search == plat::FIND_INVALID) return 1;
    plat::FindClose(search);
    DbgMessage("Dbg: ERROR:%x  The file %s already exists. Redriving.\n",
               plat::ERROR_FILE_EXISTS, Bname);
    plat::Sleep(BACKUP_RETRY_PAUSE_MS);
  }
}

}  // namespace vx

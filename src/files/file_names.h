// The names derived for one damage profile argument: the true name the
// directory holds, the companion ".CDP" name and a free, time-stamped backup
// name; and the two rules that split a name into its parts and join them.
#ifndef VEXTOR_FILES_FILE_NAMES_H
#define VEXTOR_FILES_FILE_NAMES_H

#include "platform/platform.h"

namespace vx {

// Room for each part of a split name, terminator included. A directory,
// base name or extension holds at most 255 characters.
inline constexpr plat::DWORD DRIVE_SIZE = 3;
inline constexpr plat::DWORD PART_SIZE = 256;

// The three name operations share their entry: a null name, buffer or
// length, or a length of 0, fails with ERROR_INVALID_PARAMETER and leaves
// buffer and length untouched. Otherwise the buffer is cleared over
// `*length` bytes first, so `*length` must not exceed the buffer's size.

// Looks `Uname` (which may hold the wildcards * and ?) up in its directory
// and writes the name of the first entry found, without drive or directory,
// into `Tname`. Fails with ERROR_FILE_NOT_FOUND when nothing is found, and
// with ERROR_INSUFFICIENT_BUFFER when the buffer is too small: `*length`
// then holds the needed length in characters, terminator not counted (that
// of `Uname` when nothing was found and `Uname` is longer than `*length`).
// A name that leaves no room for its terminator counts as too long.
int GetTrueName(const char* Uname, char* Tname, plat::DWORD* length);

// `Uname` with its extension replaced by ".CDP"; drive, directory and base
// name stay exactly as typed. Fails with ERROR_FILENAME_EXCED_RANGE when
// the result does not fit. Never writes `*length`.
int MakeCdpName(const char* Uname, char* Cname, plat::DWORD* length);

// `Tname` with ".Zyyyymmddhhmmss" (local time) inserted before its
// extension, retried (with a short pause between passes) until no file of
// that name exists. Fails with ERROR_FILENAME_EXCED_RANGE when the result
// does not fit; when the clock cannot be converted to local time it fails
// with the code the conversion left. Never writes `*length`.
int MakeBackupName(const char* Tname, char* Bname, plat::DWORD* length);

// Splits `name` into drive ("X:" or empty), directory (up to and including
// the last '\' or '/', or empty), base name and extension (the last dot
// after the directory and what follows it, or empty). The second byte of a
// double-byte ANSI character is never taken for a separator or a dot.
// Directory, base name and extension are cut to 255 bytes each; returns 1
// when nothing was cut, 0 when a part was.
int SplitName(const char* name, char (&drive)[DRIVE_SIZE],
              char (&directory)[PART_SIZE], char (&base)[PART_SIZE],
              char (&extension)[PART_SIZE]);

// A name split into its parts, for callers that need every part whole.
struct NameParts {
  char drive[DRIVE_SIZE];
  char directory[PART_SIZE];
  char base[PART_SIZE];
  char extension[PART_SIZE];
};

// SplitName for names that are used to reach a file: a cut directory or
// base name would name another file, so a part that does not fit fails with
// ERROR_FILENAME_EXCED_RANGE instead.
int SplitWholeName(const char* name, NameParts* parts);

// Joins the parts into `out` (`size` bytes): the drive's letter and a
// colon, the directory with a backslash added when it does not end in a
// separator, the base name, and the extension with a dot added when it does
// not begin with one. Empty parts add nothing. Fails with
// ERROR_FILENAME_EXCED_RANGE, writing nothing, when the name and its
// terminator do not fit.
int BuildName(char* out, plat::DWORD size, const char* drive,
              const char* directory, const char* base, const char* extension);

}  // namespace vx

#endif  // VEXTOR_FILES_FILE_NAMES_H

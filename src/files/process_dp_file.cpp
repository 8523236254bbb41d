// The per-file update transaction. The DP file is written once, by an
// atomic replacement from a rescaled work copy, and only after a backup of
// it is safely on disk; every failure undoes what the transaction made.
#include "files/process_dp_file.h"

#include <cstdio>
#include <cstring>

#include "cli/diagnostics.h"
#include "cli/run_flags.h"
#include "files/file_names.h"
#include "platform/platform.h"
#include "profile/scale_damage_boxes.h"

namespace vx {
namespace {

using plat::DWORD;

constexpr char WORK_FILE_PREFIX[] = "QTV";

// The names one call works with. All start zero-filled.
struct FileNames {
  char Tname[plat::MAX_NAME];  // the name as stored, no directory part
  char Cname[plat::MAX_NAME];  // the companion, beside the argument
  char Bname[plat::MAX_NAME];  // the backup, beside the DP file
  char Xname[plat::MAX_NAME];  // the work copy, beside the DP file
  // The DP file as reached from the current directory: the argument's drive
  // and directory followed by Tname, so that the file named is the file
  // processed, wherever it lies.
  char path[plat::MAX_NAME];
  // Where the work copy is made: the DP file's directory, "." when the
  // argument has none.
  char work_directory[plat::MAX_NAME];
};

// Reads the failing step's code at once, before anything can disturb it,
// and shows it under -x. The caller runs its undo steps and then leaves
// the code with FailWith.
DWORD ReportFailure(const char* format) {
  const DWORD code = plat::GetLastError();
  DbgMessage(format, code);
  return code;
}

int FailWith(DWORD code) {
  plat::SetLastError(code);
  return 0;
}

// The undo steps run after a failure, when the user is to be told why the
// file failed, not why a clean-up did: each leaves the last-error value as
// it found it.
void RestoreAttributes(const char* name, DWORD attributes) {
  const DWORD code = plat::GetLastError();
  plat::SetFileAttributesA(name, attributes);
  plat::SetLastError(code);
}

// Clears the attributes first: a read-only file (a backup copies them from
// its source) cannot be deleted on Windows.
void DiscardFile(const char* name) {
  if (name[0] == '\0') return;
  const DWORD code = plat::GetLastError();
  plat::SetFileAttributesA(name, plat::FILE_ATTRIBUTE_NORMAL);
  plat::DeleteFileA(name);
  plat::SetLastError(code);
}

// Gives the DP file its attributes back and removes the work copy on every
// way out of the rescaling and the replacement.
class WorkCopyCleanup {
 public:
  WorkCopyCleanup(const FileNames& names, DWORD saved_attributes)
      : names_(names), saved_attributes_(saved_attributes) {}
  WorkCopyCleanup(const WorkCopyCleanup&) = delete;
  WorkCopyCleanup& operator=(const WorkCopyCleanup&) = delete;
  ~WorkCopyCleanup() {
    RestoreAttributes(names_.path, saved_attributes_);
    DiscardFile(names_.Xname);
  }

 private:
  const FileNames& names_;
  DWORD saved_attributes_;
};

bool ViewOnly() { return (RunFlags & FLAG_VIEWONLY) != 0; }

// ASCII letters compared without regard to case, as the directory search
// matches names.
bool SameNameIgnoringCase(const char* a, const char* b) {
  for (;; ++a, ++b) {
    char x = *a;
    char y = *b;
    if (x >= 'a' && x <= 'z') x = static_cast<char>(x - 'a' + 'A');
    if (y >= 'a' && y <= 'z') y = static_cast<char>(y - 'a' + 'A');
    if (x != y) return false;
    if (x == '\0') return true;
  }
}

int LocateBesideArgument(const char* Uname, FileNames* names) {
  NameParts parts;
  if (SplitWholeName(Uname, &parts) == 0) return 0;
  if (BuildName(names->path, sizeof names->path, parts.drive, parts.directory,
                names->Tname, "") == 0) {
    return 0;
  }
  if (parts.directory[0] == '\0') {
    std::strcpy(names->work_directory, ".");
    return 1;
  }
  return BuildName(names->work_directory, sizeof names->work_directory,
                   parts.drive, parts.directory, "", "");
}

int AcquireNames(const char* Uname, FileNames* names) {
  DWORD length = plat::MAX_NAME;
  if (GetTrueName(Uname, names->Tname, &length) == 0) {
    return FailWith(ReportFailure("Dbg: ERROR:%x  Cannot acquire file.\n"));
  }
  DbgMessage("Dbg: Uname= %s, Tname= %s\n", Uname, names->Tname);

  length = plat::MAX_NAME;
  if (MakeCdpName(Uname, names->Cname, &length) == 0) {
    return FailWith(ReportFailure("Dbg: ERROR:%x  Cannot acquire file.\n"));
  }
  DbgMessage("Dbg: Cname= %s\n", names->Cname);

  if (LocateBesideArgument(Uname, names) == 0) {
    return FailWith(ReportFailure("Dbg: ERROR:%x  Cannot acquire file.\n"));
  }
  return 1;
}

int MakeBackup(FileNames* names) {
  DWORD length = plat::MAX_NAME;
  if (MakeBackupName(names->path, names->Bname, &length) == 0) {
    return FailWith(
        ReportFailure("Dbg: ERROR:%x  Cannot create backup filename.\n"));
  }
  DbgMessage("Dbg: Bname= %s\n", names->Bname);

  if (plat::CopyFileA(names->path, names->Bname, 1) == 0) {
    return FailWith(
        ReportFailure("Dbg: ERROR:%x  Cannot create backup file.\n"));
  }
  // The backup must survive a crash of the machine before the DP file may
  // be replaced; one that cannot be made durable is no backup.
  if (plat::FlushFileToDisk(names->Bname) == 0) {
    const DWORD code =
        ReportFailure("Dbg: ERROR:%x  Cannot create backup file.\n");
    DiscardFile(names->Bname);
    return FailWith(code);
  }
  DbgMessage("Dbg: Backup file created: %s\n", names->Bname);
  return 1;
}

int MakeWorkCopy(FileNames* names, DWORD saved_attributes) {
  if (plat::GetTempFileNameA(names->work_directory, WORK_FILE_PREFIX, 0,
                             names->Xname) == 0) {
    const DWORD code =
        ReportFailure("Dbg: ERROR:%x  Cannot create temporary filename.\n");
    RestoreAttributes(names->path, saved_attributes);
    DiscardFile(names->Bname);
    return FailWith(code);
  }
  DbgMessage("Dbg: Xname= %s\n", names->Xname);

  if (plat::CopyFileA(names->path, names->Xname, 0) == 0) {
    const DWORD code =
        ReportFailure("Dbg: ERROR:%x  Cannot create temporary file.\n");
    RestoreAttributes(names->path, saved_attributes);
    DiscardFile(names->Bname);
    DiscardFile(names->Xname);
    return FailWith(code);
  }
  DbgMessage("Dbg: Temporary file created: %s\n", names->Xname);
  return 1;
}

// Rescales the work copy and, in update mode, puts it in the DP file's
// place. The DP file is touched only once the whole work copy is rescaled.
int UpdateFromWorkCopy(const FileNames& names, DWORD saved_attributes,
                       std::int32_t Scale) {
  const WorkCopyCleanup cleanup(names, saved_attributes);

  if (ScaleDamageBoxes(names.Xname, Scale) == 0) {
    const DWORD code =
        ReportFailure("Dbg: ERROR:%x  Cannot update damage boxes.\n");
    DiscardFile(names.Bname);
    return FailWith(code);
  }
  if (ViewOnly()) return 1;

  // A failed replacement leaves the DP file exactly as it was, so the
  // backup of it is not needed.
  if (plat::ReplaceFileContents(names.Xname, names.path) == 0) {
    const DWORD code = ReportFailure("Dbg: ERROR:%x  Cannot update DP file.\n");
    DiscardFile(names.Bname);
    return FailWith(code);
  }
  DbgMessage("Dbg: DP file updated.\n");
  // An argument named like a companion (FOO.CDP) has itself for companion:
  // the file just updated is not deleted.
  if (!SameNameIgnoringCase(names.Cname, names.path)) {
    plat::DeleteFileA(names.Cname);
  }
  return 1;
}

}  // namespace

int ProcessDpFile(const char* Uname, std::int32_t Scale) {
  FileNames names{};
  if (AcquireNames(Uname, &names) == 0) return 0;

  const DWORD saved_attributes = plat::GetFileAttributesA(names.path);
  if (saved_attributes == plat::INVALID_FILE_ATTRIBUTES) {
    return FailWith(
        ReportFailure("Dbg: ERROR:%x  Cannot acquire file attributes.\n"));
  }

  if (!ViewOnly() && MakeBackup(&names) == 0) return 0;

  // Writable from here until the clean-up: the work copy is made from the
  // file in that state, and a read-only file can be replaced.
  if (plat::SetFileAttributesA(names.path, plat::FILE_ATTRIBUTE_NORMAL) == 0) {
    return FailWith(
        ReportFailure("Dbg: ERROR:%x  Cannot set file attributes.\n"));
  }

  std::printf("%s:\n", names.path);

  if (MakeWorkCopy(&names, saved_attributes) == 0) return 0;
  return UpdateFromWorkCopy(names, saved_attributes, Scale);
}

}  // namespace vx

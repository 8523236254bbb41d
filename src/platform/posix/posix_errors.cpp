// The last-error value, errno translation, name translation and the
// message texts of the POSIX platform layer.
#include <cerrno>

#include "platform/posix/posix_internal.h"

namespace vx::plat::posix {
namespace {

thread_local DWORD last_error = ERROR_SUCCESS;

struct CodeText {
  DWORD code;
  const char* text;
};

// One line per code the program can meet, in our own words.
constexpr CodeText kMessages[] = {
    {ERROR_SUCCESS, "The operation succeeded.\n"},
    {ERROR_FILE_NOT_FOUND, "The file cannot be found.\n"},
    {ERROR_PATH_NOT_FOUND, "The directory cannot be found.\n"},
    {ERROR_TOO_MANY_OPEN_FILES, "Too many files are open.\n"},
    {ERROR_ACCESS_DENIED, "Access is denied.\n"},
    {ERROR_INVALID_HANDLE, "The handle is not valid.\n"},
    {ERROR_NOT_ENOUGH_MEMORY, "There is not enough memory for the operation.\n"},
    {ERROR_NO_MORE_FILES, "No more files match.\n"},
    {ERROR_WRITE_FAULT, "The device could not be written.\n"},
    {ERROR_READ_FAULT, "The device could not be read.\n"},
    {ERROR_GEN_FAILURE, "The device failed to carry out the operation.\n"},
    {ERROR_SHARING_VIOLATION,
     "The file is in use and cannot be used this way.\n"},
    {ERROR_NOT_SUPPORTED, "The operation is not supported.\n"},
    {ERROR_FILE_EXISTS, "The file already exists.\n"},
    {ERROR_INVALID_PARAMETER, "A parameter is not valid.\n"},
    {ERROR_DISK_FULL, "There is no space left on the disk.\n"},
    {ERROR_INSUFFICIENT_BUFFER, "The buffer is too small for the data.\n"},
    {ERROR_INVALID_NAME, "The name is not valid.\n"},
    {ERROR_BUSY, "The resource is busy.\n"},
    {ERROR_ALREADY_EXISTS, "The name is already in use.\n"},
    {ERROR_FILENAME_EXCED_RANGE, "The name is too long.\n"},
    {ERROR_DIRECTORY, "The name is not a directory.\n"},
    {ERROR_CANT_RESOLVE_FILENAME,
     "The name cannot be resolved: too many symbolic links.\n"},
};

}  // namespace

DWORD CodeFromErrno(int error_number) {
  switch (error_number) {
    case 0:
      // A failure that left no errno still has to read as a failure.
      return ERROR_GEN_FAILURE;
    case ENOENT:
      return ERROR_FILE_NOT_FOUND;
    case ENOTDIR:
      return ERROR_PATH_NOT_FOUND;
    case EMFILE:
    case ENFILE:
      return ERROR_TOO_MANY_OPEN_FILES;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:  // Windows refuses a directory as a file with "denied"
      return ERROR_ACCESS_DENIED;
    case EBADF:
      return ERROR_INVALID_HANDLE;
    case ENOMEM:
      return ERROR_NOT_ENOUGH_MEMORY;
    case EBUSY:
      return ERROR_BUSY;
    case EEXIST:
      return ERROR_FILE_EXISTS;
    case EINVAL:
      return ERROR_INVALID_PARAMETER;
    case ENOSPC:
#ifdef EDQUOT
    case EDQUOT:
#endif
      return ERROR_DISK_FULL;
    case ENAMETOOLONG:
      return ERROR_FILENAME_EXCED_RANGE;
    case ELOOP:
      return ERROR_CANT_RESOLVE_FILENAME;
    default:
      return ERROR_GEN_FAILURE;
  }
}

DWORD LastError() { return last_error; }

void SetLast(DWORD code) { last_error = code; }

int FailFromErrno() {
  last_error = CodeFromErrno(errno);
  return 0;
}

int Fail(DWORD code) {
  last_error = code;
  return 0;
}

std::string SystemPath(const char* name) {
  std::string path(name);
  for (char& c : path) {
    if (c == '\\') c = '/';
  }
  return path;
}

const char* MessageText(DWORD code) {
  for (const CodeText& entry : kMessages) {
    if (entry.code == code) return entry.text;
  }
  return nullptr;
}

}  // namespace vx::plat::posix

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <thread>

#include "platform/platform.h"
#include "platform/posix/posix_internal.h"

namespace vx::plat {
namespace {

TEST(Errors, ErrnoBecomesTheWin32Code) {
  struct Case {
    int error_number;
    DWORD code;
  };
  const Case cases[] = {
      {ENOENT, 2},   {ENOTDIR, 3},      {EMFILE, 4},  {ENFILE, 4},    {EACCES, 5},
      {EPERM, 5},    {EROFS, 5},        {EISDIR, 5},  {EBADF, 6},     {ENOMEM, 8},
      {EBUSY, 170},  {EEXIST, 80},      {EINVAL, 87}, {ENOSPC, 112},  {EDQUOT, 112},
      {ENAMETOOLONG, 206}, {ELOOP, 1921}, {EIO, 31},  {EXDEV, 31},    {0, 31},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(posix::CodeFromErrno(c.error_number), c.code)
        << std::strerror(c.error_number);
  }
}

TEST(Errors, OperationsReportTheMappedCode) {
  const std::string too_long(300, 'n');
  SetLastError(0);
  EXPECT_EQ(GetFileAttributesA(too_long.c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(GetLastError(), ERROR_FILENAME_EXCED_RANGE);
}

TEST(Errors, LastErrorBelongsToTheThread) {
  SetLastError(ERROR_DISK_FULL);
  DWORD seen_by_other = 12345;
  std::thread other([&] {
    seen_by_other = GetLastError();
    SetLastError(ERROR_ACCESS_DENIED);
  });
  other.join();
  EXPECT_EQ(seen_by_other, ERROR_SUCCESS);
  EXPECT_EQ(GetLastError(), ERROR_DISK_FULL);
}

TEST(Messages, OneLineForEveryCodeTheProgramCanMeet) {
  const DWORD codes[] = {
      ERROR_SUCCESS,          ERROR_FILE_NOT_FOUND,      ERROR_PATH_NOT_FOUND,
      ERROR_TOO_MANY_OPEN_FILES, ERROR_ACCESS_DENIED,    ERROR_INVALID_HANDLE,
      ERROR_NOT_ENOUGH_MEMORY, ERROR_NO_MORE_FILES,      ERROR_WRITE_FAULT,
      ERROR_READ_FAULT,       ERROR_GEN_FAILURE,         ERROR_SHARING_VIOLATION,
      ERROR_NOT_SUPPORTED,    ERROR_FILE_EXISTS,         ERROR_INVALID_PARAMETER,
      ERROR_DISK_FULL,        ERROR_INSUFFICIENT_BUFFER, ERROR_INVALID_NAME,
      ERROR_BUSY,             ERROR_ALREADY_EXISTS,      ERROR_FILENAME_EXCED_RANGE,
      ERROR_DIRECTORY,        ERROR_CANT_RESOLVE_FILENAME,
  };
  for (DWORD code : codes) {
    SCOPED_TRACE(code);
    char buffer[512];
    std::memset(buffer, '#', sizeof buffer);
    const DWORD length = GetSystemMessage(code, buffer, sizeof buffer);
    ASSERT_GT(length, 1u);
    const std::string text(buffer, length);
    EXPECT_EQ(buffer[length], '\0');
    EXPECT_EQ(text.find('\n'), length - 1) << text;  // one line, ending it
    EXPECT_EQ(text.find('%'), std::string::npos) << text;  // nothing to fill in
  }
}

TEST(Messages, NoTextOrNoRoomGivesZero) {
  char buffer[64];
  EXPECT_EQ(GetSystemMessage(12345, buffer, sizeof buffer), 0u);
  const DWORD length = GetSystemMessage(ERROR_FILE_NOT_FOUND, buffer, sizeof buffer);
  ASSERT_GT(length, 0u);
  // Exactly room for the text and its terminator, then one byte less.
  std::memset(buffer, '#', sizeof buffer);
  EXPECT_EQ(GetSystemMessage(ERROR_FILE_NOT_FOUND, buffer, length + 1), length);
  std::memset(buffer, '#', sizeof buffer);
  EXPECT_EQ(GetSystemMessage(ERROR_FILE_NOT_FOUND, buffer, length), 0u);
  EXPECT_EQ(buffer[length - 1], '#');
  EXPECT_EQ(IsDBCSLeadByte(0x81), 0);
}

}  // namespace
}  // namespace vx::plat

#include <gtest/gtest.h>

#include <string>

#include "platform/platform.h"
#include "support/scratch_dir.h"

namespace vx::plat {
namespace {

TEST(CopyFile, CopiesEveryByte) {
  test::ScratchDir dir;
  std::string contents("[BOXES]\r\nA=1,2,3,4,5,6\r\n");
  contents.push_back('\0');
  contents.append(200000, '\xff');  // more than one buffer's worth
  dir.Write("source.dp", contents);
  for (int fail_if_exists : {0, 1}) {
    SCOPED_TRACE(fail_if_exists);
    const std::string target = "copy" + std::to_string(fail_if_exists) + ".dp";
    ASSERT_EQ(CopyFileA("source.dp", target.c_str(), fail_if_exists), 1);
    EXPECT_EQ(dir.Read(target), contents);
  }
}

TEST(CopyFile, OverwritesAnExistingTargetOnlyWhenAllowed) {
  test::ScratchDir dir;
  dir.Write("source.dp", "new");
  dir.Write("target.dp", "the old and longer contents");
  SetLastError(0);
  EXPECT_EQ(CopyFileA("source.dp", "target.dp", 1), 0);
  EXPECT_EQ(GetLastError(), ERROR_FILE_EXISTS);
  EXPECT_EQ(dir.Read("target.dp"), "the old and longer contents");

  ASSERT_EQ(CopyFileA("source.dp", "target.dp", 0), 1);
  EXPECT_EQ(dir.Read("target.dp"), "new");
}

TEST(CopyFile, MissingSourceCreatesNoTarget) {
  test::ScratchDir dir;
  for (int fail_if_exists : {0, 1}) {
    SetLastError(0);
    EXPECT_EQ(CopyFileA("missing.dp", "target.dp", fail_if_exists), 0);
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
    EXPECT_FALSE(dir.Exists("target.dp"));
  }
}

TEST(CopyFile, NeverDestroysAFileCopiedOntoItself) {
  test::ScratchDir dir;
  dir.Write("same.dp", "keep me");
  EXPECT_EQ(CopyFileA("same.dp", "same.dp", 1), 0);
  EXPECT_EQ(CopyFileA("same.dp", "./same.dp", 0), 0);
  EXPECT_EQ(dir.Read("same.dp"), "keep me");
}

TEST(CopyFile, BackslashSeparatesDirectories) {
  test::ScratchDir dir;
  dir.Write("source.dp", "abc");
  ASSERT_EQ(CopyFileA("source.dp", ".\\copy.dp", 1), 1);
  EXPECT_EQ(dir.Read("copy.dp"), "abc");
}

TEST(DeleteFile, RemovesAFileAndReportsAMissingOne) {
  test::ScratchDir dir;
  dir.Write("gone.cdp", "x");
  EXPECT_EQ(DeleteFileA("gone.cdp"), 1);
  EXPECT_FALSE(dir.Exists("gone.cdp"));
  SetLastError(0);
  EXPECT_EQ(DeleteFileA("gone.cdp"), 0);
  EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
}

}  // namespace
}  // namespace vx::plat

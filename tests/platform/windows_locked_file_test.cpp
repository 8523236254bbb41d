// Replacing a profile that another program holds open: the final move fails
// after the replacement was written, and nothing of it may remain.
#include "platform/platform.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/scratch_dir.h"

namespace {

TEST(ReplaceFileContents, TargetHeldOpenByAnotherProgramStaysWhole) {
  vx::test::ScratchDir dir;
  dir.Write("work.tmp", "new contents");
  dir.Write("FOO.DP", "old contents");
  // Open as an editor would: others may read, nobody may delete or rename.
  const HANDLE held = ::CreateFileA("FOO.DP", GENERIC_READ, FILE_SHARE_READ,
                                    nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  vx::plat::SetLastError(0);
  const int result = vx::plat::ReplaceFileContents("work.tmp", "FOO.DP");
  const vx::plat::DWORD error = vx::plat::GetLastError();
  ::CloseHandle(held);

  EXPECT_EQ(result, 0);
  EXPECT_TRUE(error == ERROR_SHARING_VIOLATION || error == ERROR_ACCESS_DENIED)
      << error;
  EXPECT_EQ(dir.Read("FOO.DP"), "old contents");
  EXPECT_EQ(dir.List(), (std::vector<std::string>{"FOO.DP", "work.tmp"}));
}

}  // namespace

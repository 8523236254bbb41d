#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "support/scratch_dir.h"

namespace vx::plat {
namespace {

// Every name a search reports, sorted; the last error after a failed start
// is kept in `error`.
std::vector<std::string> Search(const std::string& pattern, DWORD* error = nullptr) {
  std::vector<std::string> names;
  FindData data{};
  SetLastError(0);
  FindHandle search = FindFirstFileA(pattern.c_str(), &data);
  if (search == FIND_INVALID) {
    if (error != nullptr) *error = GetLastError();
    return names;
  }
  do {
    names.push_back(data.cFileName);
  } while (FindNextFileA(search, &data));
  EXPECT_EQ(GetLastError(), ERROR_NO_MORE_FILES);
  EXPECT_EQ(FindClose(search), 1);
  std::sort(names.begin(), names.end());
  return names;
}

using Names = std::vector<std::string>;

class SearchTest : public testing::Test {
 protected:
  void SetUp() override {
    for (const char* name : {"Alpha.DP", "beta.dp", "gamma.CDP", "README", "a.b.c"}) {
      dir_.Write(name, "x");
    }
    std::filesystem::create_directory(dir_.path() / "Sub");
    dir_.Write("Sub/Inner.dp", "y");
  }
  test::ScratchDir dir_;
};

TEST_F(SearchTest, WildcardsMatchWithoutRegardToCase) {
  struct Case {
    const char* pattern;
    Names expected;
  };
  const Case cases[] = {
      {"*.dp", {"Alpha.DP", "beta.dp"}},
      {"*.DP", {"Alpha.DP", "beta.dp"}},
      {"ALPHA.dp", {"Alpha.DP"}},
      {"?eta.dp", {"beta.dp"}},
      {"??eta.dp", {}},
      {"*a*", {"Alpha.DP", "README", "a.b.c", "beta.dp", "gamma.CDP"}},
      {"*.*", {".", "..", "Alpha.DP", "README", "Sub", "a.b.c", "beta.dp", "gamma.CDP"}},
      {"*", {".", "..", "Alpha.DP", "README", "Sub", "a.b.c", "beta.dp", "gamma.CDP"}},
      {"read*.*", {"README"}},
      {"*.c", {"a.b.c"}},
      {"*DP", {"Alpha.DP", "beta.dp", "gamma.CDP"}},
      {"sub", {"Sub"}},
      // The directory part is used as given: only the last part is looked
      // up without regard to case.
      {"Sub/*.DP", {"Inner.dp"}},
      {"Sub\\inner.?p", {"Inner.dp"}},
      {".\\Sub/*", {".", "..", "Inner.dp"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.pattern);
    DWORD error = 0;
    EXPECT_EQ(Search(c.pattern, &error), c.expected);
    if (c.expected.empty()) {
      EXPECT_EQ(error, ERROR_FILE_NOT_FOUND);
    }
  }
}

TEST_F(SearchTest, ReportsAttributesOfEachEntry) {
  FindData data{};
  FindHandle search = FindFirstFileA("SUB", &data);
  ASSERT_NE(search, FIND_INVALID);
  EXPECT_NE(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY, 0u);
  FindClose(search);
  search = FindFirstFileA("alpha.dp", &data);
  ASSERT_NE(search, FIND_INVALID);
  EXPECT_EQ(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY, 0u);
  EXPECT_EQ(data.dwFileAttributes, GetFileAttributesA("Alpha.DP"));
  FindClose(search);
}

TEST_F(SearchTest, FailuresSayWhatIsMissing) {
  struct Case {
    const char* pattern;
    DWORD code;
  };
  const Case cases[] = {
      {"missing.dp", ERROR_FILE_NOT_FOUND},
      {"*.xyz", ERROR_FILE_NOT_FOUND},
      {"nodir/alpha.dp", ERROR_PATH_NOT_FOUND},
      {"nodir\\*", ERROR_PATH_NOT_FOUND},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.pattern);
    FindData data{};
    SetLastError(0);
    EXPECT_EQ(FindFirstFileA(c.pattern, &data), FIND_INVALID);
    EXPECT_EQ(GetLastError(), c.code);
  }
}

TEST_F(SearchTest, NextAfterTheEndKeepsSayingNoMoreFiles) {
  FindData data{};
  FindHandle search = FindFirstFileA("beta.DP", &data);
  ASSERT_NE(search, FIND_INVALID);
  EXPECT_STREQ(data.cFileName, "beta.dp");
  for (int i = 0; i < 2; ++i) {
    SetLastError(0);
    EXPECT_EQ(FindNextFileA(search, &data), 0);
    EXPECT_EQ(GetLastError(), ERROR_NO_MORE_FILES);
  }
  EXPECT_EQ(FindClose(search), 1);
}

}  // namespace
}  // namespace vx::plat

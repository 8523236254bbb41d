#include <gtest/gtest.h>

#include <string>

#include "platform/platform.h"
#include "platform/posix/posix_internal.h"
#include "support/scratch_dir.h"

namespace vx::plat {
namespace {

TEST(Wildcard, MatchesLikeTheWindowsSearch) {
  struct Case {
    const char* pattern;
    const char* name;
    bool matches;
  };
  const Case cases[] = {
      {"abc.dp", "ABC.DP", true},
      {"ABC.DP", "abc.dp", true},
      {"abc.dp", "abc.dpx", false},
      {"abc.dp", "abc.d", false},
      {"*", "", true},
      {"*", "anything", true},
      {"*.dp", ".dp", true},
      {"*.dp", "a.b.DP", true},
      {"*.dp", "dp", false},
      {"a*b*c", "aXbYc", true},
      {"a*b*c", "abc", true},
      {"a*b*c", "acb", false},
      {"a*c", "abcbc", true},   // '*' must give back characters
      {"a*c", "abcb", false},
      {"?", "", false},
      {"?", "x", true},
      {"??", "x", false},
      {"?.dp", "a.DP", true},
      {"a?c", "a.c", true},
      {"**x", "x", true},
      {"*.*", "noextension", true},
      {"*.*", "a.b", true},
      {"*.*", ".", true},
      {"*.*", "..", true},
      {"abc.*", "abc", true},
      {"abc.*", "abc.dp", true},
      {"abc.*", "abcd", false},
      {"*x.*", "a.x", true},
      {"[ab]", "a", false},  // no character classes
      {"\xc4.dp", "\xc4.DP", true},
      {"\xc4.dp", "\xe4.dp", false},  // only ASCII letters fold
  };
  for (const Case& c : cases) {
    EXPECT_EQ(posix::MatchesWildcard(c.pattern, c.name), c.matches)
        << "pattern \"" << c.pattern << "\", name \"" << c.name << "\"";
  }
}

TEST(Search, PlainNamePrefersTheExactSpelling) {
  test::ScratchDir dir;
  for (const char* name : {"data.dp", "DATA.DP", "Data.Dp"}) dir.Write(name, name);
  struct Case {
    const char* asked;
    const char* found;
  };
  // Without an exact spelling the choice must not depend on directory
  // order: byte order decides.
  const Case cases[] = {{"data.dp", "data.dp"},
                        {"DATA.DP", "DATA.DP"},
                        {"Data.Dp", "Data.Dp"},
                        {"dAtA.dP", "DATA.DP"},
                        {".\\dAtA.dP", "DATA.DP"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.asked);
    FindData data{};
    FindHandle search = FindFirstFileA(c.asked, &data);
    ASSERT_NE(search, FIND_INVALID);
    EXPECT_STREQ(data.cFileName, c.found);
    FindClose(search);
  }
  // A pattern reports them all.
  FindData data{};
  FindHandle search = FindFirstFileA("data.d?", &data);
  ASSERT_NE(search, FIND_INVALID);
  int count = 1;
  while (FindNextFileA(search, &data)) ++count;
  FindClose(search);
  EXPECT_EQ(count, 3);
}

TEST(Search, LongestNamesAreReportedWhole) {
  test::ScratchDir dir;
  const std::string longest(255, 'n');  // the file system's own limit
  dir.Write(longest, "");
  FindData data{};
  FindHandle search = FindFirstFileA("N*", &data);
  ASSERT_NE(search, FIND_INVALID);
  EXPECT_EQ(std::string(data.cFileName), longest);
  FindClose(search);
}

TEST(Search, APathThroughAFileIsAMissingDirectory) {
  test::ScratchDir dir;
  dir.Write("file", "");
  FindData data{};
  SetLastError(0);
  EXPECT_EQ(FindFirstFileA("file/*", &data), FIND_INVALID);
  EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
}

TEST(Search, InvalidHandlesAreRefused) {
  FindData data{};
  SetLastError(0);
  EXPECT_EQ(FindNextFileA(FIND_INVALID, &data), 0);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
  EXPECT_EQ(FindClose(FIND_INVALID), 0);
}

}  // namespace
}  // namespace vx::plat

#include "cli/expand_arguments.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "support/scratch_dir.h"

namespace vx {
namespace {

using Names = std::vector<std::string>;

std::vector<plat::Argument> Typed(const Names& texts) {
  std::vector<plat::Argument> arguments;
  for (const std::string& text : texts) arguments.push_back({text, false});
  return arguments;
}

// Expands a command line typed without quotes.
Names Expand(const Names& texts) { return ExpandArguments(Typed(texts)); }

// Patterns against a real directory, searched by the platform.
class ExpandInDirectory : public ::testing::Test {
 protected:
  test::ScratchDir dir_;
};

TEST_F(ExpandInDirectory, MatchesAreSortedWithoutRegardToCase) {
  // No two names equal but for case: a Windows directory cannot hold them.
  for (const char* name : {"b.DP", "D.dp", "a.DP", "C.DP", "notes.txt"}) {
    dir_.Write(name, "x");
  }
  EXPECT_EQ(Expand({"vextor", "*.dp"}),
            (Names{"vextor", "a.DP", "b.DP", "C.DP", "D.dp"}));
}

TEST_F(ExpandInDirectory, OtherArgumentsKeepTheirPlaces) {
  dir_.Write("two.DP", "x");
  dir_.Write("one.DP", "x");
  EXPECT_EQ(Expand({"vextor", "-x", "z.DP", "*.DP", "a.DP"}),
            (Names{"vextor", "-x", "z.DP", "one.DP", "two.DP", "a.DP"}));
}

TEST_F(ExpandInDirectory, DirectoryPartIsKeptAsTyped) {
  std::filesystem::create_directory(dir_.path() / "sub");
  dir_.Write("sub/y.DP", "x");
  dir_.Write("sub/X.DP", "x");
  EXPECT_EQ(Expand({"vextor", "sub/*.DP"}),
            (Names{"vextor", "sub/X.DP", "sub/y.DP"}));
  EXPECT_EQ(Expand({"vextor", "sub\\?.DP"}),
            (Names{"vextor", "sub\\X.DP", "sub\\y.DP"}));
}

TEST_F(ExpandInDirectory, DirectoriesMatchButDotEntriesNever) {
  std::filesystem::create_directory(dir_.path() / "folder");
  dir_.Write("file", "x");
  EXPECT_EQ(Expand({"vextor", "*"}), (Names{"vextor", "file", "folder"}));
}

TEST_F(ExpandInDirectory, UnmatchedOrQuotedPatternStaysAsTyped) {
  dir_.Write("a.DP", "x");
  EXPECT_EQ(Expand({"vextor", "*.none", "missing/*.DP"}),
            (Names{"vextor", "*.none", "missing/*.DP"}));
  EXPECT_EQ(ExpandArguments({{"vextor", false}, {"*.DP", true}}),
            (Names{"vextor", "*.DP"}));
}

TEST_F(ExpandInDirectory, OptionsAndProgramName) {
  dir_.Write("-a", "x");
  // An option is a pattern like any other argument; the program's own
  // name is not an argument.
  EXPECT_EQ(Expand({"v?", "-?", "-x"}), (Names{"v?", "-a", "-x"}));
}

// A search whose results the test decides, to pin down what the platform
// may report but a real directory cannot be made to hold.
class FakeSearch : public plat::ForwardingOs {
 public:
  explicit FakeSearch(Names entries) : entries_(std::move(entries)) {}

  plat::FindHandle FindFirstFileA(const char* pattern,
                                  plat::FindData* data) override {
    patterns.push_back(pattern);
    next_ = 0;
    if (entries_.empty()) {
      plat::SetLastError(plat::ERROR_FILE_NOT_FOUND);
      return plat::FIND_INVALID;
    }
    ++open;
    Fill(data);
    return reinterpret_cast<plat::FindHandle>(&next_);
  }
  int FindNextFileA(plat::FindHandle, plat::FindData* data) override {
    if (next_ >= entries_.size()) {
      plat::SetLastError(plat::ERROR_NO_MORE_FILES);
      return 0;
    }
    Fill(data);
    return 1;
  }
  int FindClose(plat::FindHandle) override {
    --open;
    return 1;
  }
  int IsDBCSLeadByte(unsigned char byte) override { return byte == 0x81; }

  Names patterns;
  int open = 0;

 private:
  void Fill(plat::FindData* data) {
    *data = {};
    entries_[next_++].copy(data->cFileName, plat::MAX_NAME - 1);
  }
  Names entries_;
  std::size_t next_ = 0;
};

class ExpandWithFakeSearch : public ::testing::Test {
 protected:
  void TearDown() override { plat::InstallOs(nullptr); }
};

TEST_F(ExpandWithFakeSearch, DotEntriesSkippedAndSearchClosed) {
  FakeSearch search({".", "..", "zeta", "Alpha", "beta"});
  plat::InstallOs(&search);
  EXPECT_EQ(Expand({"vextor", "dir/*"}),
            (Names{"vextor", "dir/Alpha", "dir/beta", "dir/zeta"}));
  EXPECT_EQ(search.patterns, Names{"dir/*"});
  EXPECT_EQ(search.open, 0);
}

TEST_F(ExpandWithFakeSearch, OnlyDotEntriesCountAsNoMatch) {
  FakeSearch search({".", ".."});
  plat::InstallOs(&search);
  EXPECT_EQ(Expand({"vextor", "*"}), (Names{"vextor", "*"}));
  EXPECT_EQ(search.open, 0);
}

TEST_F(ExpandWithFakeSearch, ColonCountsOnlyAfterADriveLetter) {
  struct ColonCase {
    const char* typed;
    Names expected;
    bool searched;
  };
  const ColonCase cases[] = {
      {"c:*.DP", {"vextor", "c:found.DP"}, true},
      {"c:dir\\*.DP", {"vextor", "c:dir\\found.DP"}, true},
      {"ab:*.DP", {"vextor", "ab:*.DP"}, false},
      {":*.DP", {"vextor", ":*.DP"}, false},
      {"ab:x/*.DP", {"vextor", "ab:x/found.DP"}, true},
  };
  for (const ColonCase& c : cases) {
    SCOPED_TRACE(c.typed);
    FakeSearch search({"found.DP"});
    plat::InstallOs(&search);
    EXPECT_EQ(Expand({"vextor", c.typed}), c.expected);
    EXPECT_EQ(search.patterns.size(), c.searched ? 1u : 0u);
  }
}

// The second byte of a double-byte character may have the value of a
// backslash; it must not be taken for the end of a directory part.
TEST_F(ExpandWithFakeSearch, DoubleByteCharacterIsNoSeparator) {
  FakeSearch search({"\x81\\name.DP"});
  plat::InstallOs(&search);
  EXPECT_EQ(Expand({"vextor", "\x81\\*.DP"}),
            (Names{"vextor", "\x81\\name.DP"}));
}

TEST(PatternNameLess, CaseFoldedThenByteOrder) {
  // '_' (0x5F) lies between the upper- and lower-case letters; compared in
  // lower case it comes before every letter.
  const Names sorted = {"_", "A", "a", "a.DP", "AB", "Ab", "b"};
  for (std::size_t i = 0; i + 1 < sorted.size(); ++i) {
    EXPECT_TRUE(PatternNameLess(sorted[i], sorted[i + 1])) << sorted[i];
    EXPECT_FALSE(PatternNameLess(sorted[i + 1], sorted[i])) << sorted[i];
  }
  EXPECT_FALSE(PatternNameLess("a", "a"));
}

}  // namespace
}  // namespace vx

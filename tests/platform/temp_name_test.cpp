#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <set>
#include <string>

#include "platform/platform.h"
#include "support/scratch_dir.h"

namespace vx::plat {
namespace {

// The bare name part of a path the call returned.
std::string BareName(const std::string& path) {
  const std::size_t cut = path.find_last_of("/\\");
  return cut == std::string::npos ? path : path.substr(cut + 1);
}

TEST(TempFileName, CreatesNewEmptyFilesWithThePrefix) {
  test::ScratchDir dir;
  std::set<std::string> seen;
  for (int i = 0; i < 20; ++i) {
    char out[MAX_NAME];
    std::memset(out, 0, sizeof out);
    ASSERT_NE(GetTempFileNameA(".", "QTVX", 0, out), 0u);
    const std::string path(out);
    // The directory part is kept, with a separator of either kind.
    ASSERT_GE(path.size(), 2u);
    EXPECT_TRUE(path.rfind("./", 0) == 0 || path.rfind(".\\", 0) == 0) << path;
    const std::string name = BareName(path);
    EXPECT_EQ(name.rfind("QTV", 0), 0u) << name;  // at most three prefix letters
    EXPECT_NE(name.rfind("QTVX", 0), 0u) << name;
    EXPECT_TRUE(dir.Exists(name)) << name;
    EXPECT_EQ(dir.Read(name), "");
    EXPECT_TRUE(seen.insert(name).second) << "name handed out twice: " << name;
  }
  EXPECT_EQ(dir.List().size(), seen.size());
}

TEST(TempFileName, KeepsTheDirectoryAsGiven) {
  test::ScratchDir dir;
  std::filesystem::create_directory(dir.path() / "work");
  for (const std::string given : {"work", "work/", "work\\", ".\\work"}) {
    SCOPED_TRACE(given);
    char out[MAX_NAME] = {};
    ASSERT_NE(GetTempFileNameA(given.c_str(), "QTV", 0, out), 0u);
    const std::string path(out);
    EXPECT_EQ(path.compare(0, given.size(), given), 0) << path;
    EXPECT_TRUE(dir.Exists("work/" + BareName(path))) << path;
  }
}

TEST(TempFileName, MissingDirectoryFails) {
  test::ScratchDir dir;
  char out[MAX_NAME] = {};
  SetLastError(0);
  EXPECT_EQ(GetTempFileNameA("nodir", "QTV", 0, out), 0u);
  EXPECT_NE(GetLastError(), ERROR_SUCCESS);
}

}  // namespace
}  // namespace vx::plat

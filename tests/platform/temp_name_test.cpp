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
    EXPECT_EQ(path.rfind("./", 0), 0u) << path;  // directory part kept
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
    const std::string name = BareName(path);
    const bool ends_in_separator = given.back() == '/' || given.back() == '\\';
    // Exactly one separator between the directory and the name.
    EXPECT_EQ(path.size(), given.size() + (ends_in_separator ? 0 : 1) + name.size()) << path;
    EXPECT_EQ(path.compare(0, given.size(), given), 0) << path;
    EXPECT_TRUE(dir.Exists("work/" + name)) << path;
  }
}

TEST(TempFileName, RefusesAPathThatDoesNotFitAndCreatesNothing) {
  test::ScratchDir dir;
  // Directories of 247 and 248 characters: with a separator, three prefix
  // letters, four digits, ".TMP" and the terminator the path needs 260 and
  // 261 bytes.
  const std::string fits = "d/" + std::string(120, 'a') + "/" + std::string(124, 'b');
  const std::string too_long = "d/" + std::string(120, 'a') + "/" + std::string(125, 'c');
  ASSERT_EQ(fits.size(), 247u);
  std::filesystem::create_directories(dir.path() / fits);
  std::filesystem::create_directories(dir.path() / too_long);

  char out[MAX_NAME] = {};
  ASSERT_NE(GetTempFileNameA(fits.c_str(), "QTV", 0, out), 0u);
  EXPECT_EQ(std::strlen(out), MAX_NAME - 1);

  std::memset(out, 0, sizeof out);
  SetLastError(0);
  EXPECT_EQ(GetTempFileNameA(too_long.c_str(), "QTV", 0, out), 0u);
  EXPECT_EQ(GetLastError(), ERROR_FILENAME_EXCED_RANGE);
  EXPECT_TRUE(std::filesystem::is_empty(dir.path() / too_long));
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

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "support/scratch_dir.h"

namespace vx::plat {
namespace {

namespace fs = std::filesystem;

unsigned ModeOf(const std::string& name) {
  struct stat info {};
  EXPECT_EQ(stat(name.c_str(), &info), 0) << name;
  return info.st_mode & 07777;
}

void SetMode(const std::string& name, unsigned mode) {
  ASSERT_EQ(chmod(name.c_str(), mode), 0) << name;
}

// Makes every write past `bytes` into a file fail with EFBIG, so that a
// copy fails halfway through on a real file system.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    old_handler_ = signal(SIGXFSZ, SIG_IGN);
    getrlimit(RLIMIT_FSIZE, &old_);
    rlimit limit = old_;
    limit.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &limit);
  }
  ~FileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &old_);
    signal(SIGXFSZ, old_handler_);
  }

 private:
  rlimit old_{};
  void (*old_handler_)(int);
};

TEST(Attributes, SavedWordRestoresTheMode) {
  test::ScratchDir dir;
  struct Case {
    unsigned mode;
    bool read_only;
    unsigned writable_mode;  // after setting FILE_ATTRIBUTE_NORMAL
  };
  const Case cases[] = {
      {0444, true, 0644}, {0400, true, 0600}, {0644, false, 0644},
      {0600, false, 0600}, {0464, false, 0464}, {0755, false, 0755},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << std::oct << c.mode);
    dir.Write("file.dp", "x");
    SetMode("file.dp", c.mode);
    const DWORD saved = GetFileAttributesA("file.dp");
    EXPECT_EQ(saved, c.read_only ? FILE_ATTRIBUTE_READONLY : FILE_ATTRIBUTE_NORMAL);
    ASSERT_EQ(SetFileAttributesA("file.dp", FILE_ATTRIBUTE_NORMAL), 1);
    EXPECT_EQ(ModeOf("file.dp"), c.writable_mode);
    EXPECT_EQ(GetFileAttributesA("file.dp"), FILE_ATTRIBUTE_NORMAL);
    ASSERT_EQ(SetFileAttributesA("file.dp", saved), 1);
    EXPECT_EQ(ModeOf("file.dp"), c.mode);
    SetMode("file.dp", 0644);
    fs::remove(dir.path() / "file.dp");
  }
}

TEST(Attributes, ReadOnlyTakesEveryWriteBitAway) {
  test::ScratchDir dir;
  dir.Write("file.dp", "x");
  SetMode("file.dp", 0766);
  ASSERT_EQ(SetFileAttributesA("file.dp", FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE), 1);
  EXPECT_EQ(ModeOf("file.dp"), 0544u);
  EXPECT_EQ(GetFileAttributesA(".\\file.dp"), FILE_ATTRIBUTE_READONLY);
}

TEST(Attributes, DirectoriesAndFailures) {
  test::ScratchDir dir;
  dir.Write("file", "");
  fs::create_directory(dir.path() / "sub");
  EXPECT_EQ(GetFileAttributesA("sub"), FILE_ATTRIBUTE_DIRECTORY);
  struct Case {
    const char* name;
    DWORD code;
  };
  const Case cases[] = {{"missing", ERROR_FILE_NOT_FOUND},
                        {"file/below", ERROR_PATH_NOT_FOUND}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SetLastError(0);
    EXPECT_EQ(GetFileAttributesA(c.name), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(GetLastError(), c.code);
    SetLastError(0);
    EXPECT_EQ(SetFileAttributesA(c.name, FILE_ATTRIBUTE_NORMAL), 0);
    EXPECT_EQ(GetLastError(), c.code);
  }
}

TEST(CopyFilePosix, TargetGetsTheSourcePermissions) {
  test::ScratchDir dir;
  dir.Write("source.dp", "abc");
  SetMode("source.dp", 0440);
  ASSERT_EQ(CopyFileA("source.dp", "backup.dp", 1), 1);
  EXPECT_EQ(ModeOf("backup.dp"), 0440u);
  dir.Write("existing.dp", "old");
  SetMode("existing.dp", 0666);
  ASSERT_EQ(CopyFileA("source.dp", "existing.dp", 0), 1);
  EXPECT_EQ(ModeOf("existing.dp"), 0440u);
  EXPECT_EQ(dir.Read("existing.dp"), "abc");
}

TEST(CopyFilePosix, RefusesWhatWindowsRefuses) {
  test::ScratchDir dir;
  dir.Write("source.dp", "new");
  dir.Write("readonly.dp", "old");
  SetMode("readonly.dp", 0444);
  fs::create_directory(dir.path() / "sub");
  struct Case {
    const char* source;
    const char* target;
    int fail_if_exists;
    DWORD code;
  };
  const Case cases[] = {
      {"source.dp", "readonly.dp", 0, ERROR_ACCESS_DENIED},  // also for root
      {"source.dp", "sub", 0, ERROR_ACCESS_DENIED},
      {"source.dp", "sub", 1, ERROR_FILE_EXISTS},
      {"sub", "copy.dp", 1, ERROR_ACCESS_DENIED},
      {"source.dp", "nodir/copy.dp", 1, ERROR_PATH_NOT_FOUND},
      {"source.dp", "nodir/copy.dp", 0, ERROR_PATH_NOT_FOUND},
      {"source.dp", "source.dp", 0, ERROR_SHARING_VIOLATION},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.source << " -> " << c.target << " "
                                    << c.fail_if_exists);
    SetLastError(0);
    EXPECT_EQ(CopyFileA(c.source, c.target, c.fail_if_exists), 0);
    EXPECT_EQ(GetLastError(), c.code);
  }
  EXPECT_EQ(dir.Read("readonly.dp"), "old");
  EXPECT_EQ(dir.Read("source.dp"), "new");
  EXPECT_FALSE(dir.Exists("copy.dp"));
}

TEST(CopyFilePosix, HardLinkToTheSourceIsNotTruncated) {
  test::ScratchDir dir;
  dir.Write("source.dp", "keep me");
  ASSERT_EQ(link("source.dp", "alias.dp"), 0);
  SetLastError(0);
  EXPECT_EQ(CopyFileA("source.dp", "alias.dp", 0), 0);
  EXPECT_EQ(GetLastError(), ERROR_SHARING_VIOLATION);
  EXPECT_EQ(dir.Read("source.dp"), "keep me");
}

TEST(CopyFilePosix, FailedWriteLeavesNoHalfCopy) {
  test::ScratchDir dir;
  dir.Write("source.dp", std::string(100000, 'x'));
  {
    FileSizeLimit limit(4096);
    SetLastError(0);
    EXPECT_EQ(CopyFileA("source.dp", "backup.dp", 1), 0);
    EXPECT_NE(GetLastError(), ERROR_SUCCESS);
    EXPECT_EQ(CopyFileA("source.dp", "fresh.dp", 0), 0);
  }
  EXPECT_FALSE(dir.Exists("backup.dp"));
  EXPECT_FALSE(dir.Exists("fresh.dp"));
}

// Everything in the directory except the names given.
std::vector<std::string> Leftovers(const test::ScratchDir& dir, const std::string& sub,
                                   std::vector<std::string> expected) {
  std::vector<std::string> names = dir.List(sub);
  std::erase_if(names, [&](const std::string& n) {
    return std::find(expected.begin(), expected.end(), n) != expected.end();
  });
  return names;
}

TEST(ReplaceFileContents, ReplacesAtomicallyKeepingTheMode) {
  test::ScratchDir dir;
  dir.Write("work.tmp", "new contents");
  SetMode("work.tmp", 0600);
  dir.Write("profile.dp", "old");
  SetMode("profile.dp", 0640);
  struct stat before {};
  ASSERT_EQ(stat("profile.dp", &before), 0);
  ASSERT_EQ(ReplaceFileContents("work.tmp", ".\\profile.dp"), 1);
  EXPECT_EQ(dir.Read("profile.dp"), "new contents");
  EXPECT_EQ(ModeOf("profile.dp"), 0640u);
  struct stat after {};
  ASSERT_EQ(stat("profile.dp", &after), 0);
  EXPECT_NE(after.st_ino, before.st_ino);  // a new file moved into place
  EXPECT_EQ(after.st_uid, before.st_uid);
  EXPECT_EQ(dir.Read("work.tmp"), "new contents");
  EXPECT_TRUE(Leftovers(dir, ".", {"work.tmp", "profile.dp"}).empty());
}

TEST(ReplaceFileContents, ThroughASymbolicLinkKeepsTheLink) {
  test::ScratchDir dir;
  fs::create_directory(dir.path() / "real");
  dir.Write("real/profile.dp", "old");
  dir.Write("work.tmp", "new");
  ASSERT_EQ(symlink("real/profile.dp", "link.dp"), 0);
  ASSERT_EQ(ReplaceFileContents("work.tmp", "link.dp"), 1);
  EXPECT_TRUE(fs::is_symlink(dir.path() / "link.dp"));
  EXPECT_EQ(fs::read_symlink(dir.path() / "link.dp"), "real/profile.dp");
  EXPECT_EQ(dir.Read("real/profile.dp"), "new");
  EXPECT_TRUE(Leftovers(dir, ".", {"work.tmp", "link.dp", "real"}).empty());
  EXPECT_TRUE(Leftovers(dir, "real", {"profile.dp"}).empty());
}

TEST(ReplaceFileContents, FailureLeavesTheTargetAndNoTemporary) {
  test::ScratchDir dir;
  dir.Write("profile.dp", "old");
  dir.Write("readonly.dp", "old");
  SetMode("readonly.dp", 0444);
  dir.Write("work.tmp", std::string(100000, 'n'));
  ASSERT_EQ(symlink("nowhere.dp", "dangling.dp"), 0);
  struct Case {
    const char* source;
    const char* target;
    DWORD code;
  };
  const Case cases[] = {
      {"work.tmp", "missing.dp", ERROR_FILE_NOT_FOUND},
      {"work.tmp", "dangling.dp", ERROR_FILE_NOT_FOUND},
      {"missing.tmp", "profile.dp", ERROR_FILE_NOT_FOUND},
      {"work.tmp", "readonly.dp", ERROR_ACCESS_DENIED},
      {".", "profile.dp", ERROR_ACCESS_DENIED},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.source << " -> " << c.target);
    SetLastError(0);
    EXPECT_EQ(ReplaceFileContents(c.source, c.target), 0);
    EXPECT_EQ(GetLastError(), c.code);
  }
  {
    FileSizeLimit limit(4096);
    SetLastError(0);
    EXPECT_EQ(ReplaceFileContents("work.tmp", "profile.dp"), 0);
    EXPECT_NE(GetLastError(), ERROR_SUCCESS);
  }
  EXPECT_EQ(dir.Read("profile.dp"), "old");
  EXPECT_EQ(dir.Read("readonly.dp"), "old");
  EXPECT_FALSE(dir.Exists("missing.dp"));
  EXPECT_TRUE(Leftovers(dir, ".", {"profile.dp", "readonly.dp", "work.tmp", "dangling.dp"})
                  .empty());
}

TEST(WholeFile, ReadAndOverwriteInPlace) {
  test::ScratchDir dir;
  std::string bytes("a\r\nb\0c\xff", 7);
  dir.Write("file.dp", "a much longer old text");
  ASSERT_EQ(WriteWholeFile("file.dp", bytes), 1);
  EXPECT_EQ(dir.Read("file.dp"), bytes);
  std::string read;
  ASSERT_EQ(ReadWholeFile(".\\file.dp", &read), 1);
  EXPECT_EQ(read, bytes);
  EXPECT_EQ(FlushFileToDisk("file.dp"), 1);
}

TEST(WholeFile, Failures) {
  test::ScratchDir dir;
  dir.Write("readonly.dp", "old");
  SetMode("readonly.dp", 0444);
  fs::create_directory(dir.path() / "sub");
  std::string read = "unchanged";
  struct Case {
    const char* name;
    DWORD read_code;
    DWORD write_code;
  };
  const Case cases[] = {
      {"missing.dp", ERROR_FILE_NOT_FOUND, ERROR_FILE_NOT_FOUND},
      {"sub", ERROR_ACCESS_DENIED, ERROR_ACCESS_DENIED},
      {"readonly.dp", 0, ERROR_ACCESS_DENIED},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    if (c.read_code != 0) {
      SetLastError(0);
      EXPECT_EQ(ReadWholeFile(c.name, &read), 0);
      EXPECT_EQ(GetLastError(), c.read_code);
      EXPECT_EQ(read, "unchanged");
    }
    SetLastError(0);
    EXPECT_EQ(WriteWholeFile(c.name, "new"), 0);
    EXPECT_EQ(GetLastError(), c.write_code);
  }
  EXPECT_FALSE(dir.Exists("missing.dp"));
  EXPECT_EQ(dir.Read("readonly.dp"), "old");
  SetLastError(0);
  EXPECT_EQ(FlushFileToDisk("missing.dp"), 0);
  EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
}

TEST(DeleteFilePosix, DirectoryIsRefused) {
  test::ScratchDir dir;
  fs::create_directory(dir.path() / "sub");
  SetLastError(0);
  EXPECT_EQ(DeleteFileA("sub"), 0);
  EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
  EXPECT_TRUE(dir.Exists("sub"));
  dir.Write("sub/x.cdp", "");
  EXPECT_EQ(DeleteFileA("sub\\x.cdp"), 1);
  EXPECT_FALSE(dir.Exists("sub/x.cdp"));
}

TEST(TempFileNamePosix, NameFormAndRefusals) {
  test::ScratchDir dir;
  const mode_t old_mask = umask(022);
  char out[MAX_NAME] = {};
  const unsigned number = GetTempFileNameA(".", "QTV", 0, out);
  umask(old_mask);
  ASSERT_NE(number, 0u);
  char expected[32];
  std::snprintf(expected, sizeof expected, "./QTV%04X.TMP", number);
  EXPECT_STREQ(out, expected);
  EXPECT_TRUE(std::regex_match(out, std::regex(R"(\./QTV[0-9A-F]{4}\.TMP)"))) << out;
  EXPECT_EQ(ModeOf(out), 0644u);

  char short_prefix[MAX_NAME] = {};
  ASSERT_NE(GetTempFileNameA(".", "Q", 0, short_prefix), 0u);
  EXPECT_TRUE(std::regex_match(short_prefix, std::regex(R"(\./Q[0-9A-F]{4}\.TMP)")))
      << short_prefix;

  const std::size_t files = dir.List().size();
  char unused[MAX_NAME] = {};
  SetLastError(0);
  EXPECT_EQ(GetTempFileNameA(".", "QTV", 7, unused), 0u);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
  SetLastError(0);
  EXPECT_EQ(GetTempFileNameA("nodir", "QTV", 0, unused), 0u);
  EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
  EXPECT_EQ(dir.List().size(), files);
}

TEST(TempFileNamePosix, OneSeparatorBetweenDirectoryAndName) {
  test::ScratchDir dir;
  fs::create_directory(dir.path() / "work");
  struct Case {
    const char* given;
    const char* lead;
  };
  const Case cases[] = {{"work", "work/"}, {"work/", "work/"}, {"work\\", "work\\"},
                        {".\\work", ".\\work/"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.given);
    char out[MAX_NAME] = {};
    ASSERT_NE(GetTempFileNameA(c.given, "QTV", 0, out), 0u);
    const std::string pattern = std::regex_replace(c.lead, std::regex(R"([.\\])"), R"(\$&)") +
                                R"(QTV[0-9A-F]{4}\.TMP)";
    EXPECT_TRUE(std::regex_match(out, std::regex(pattern))) << out << " vs " << pattern;
  }
}

TEST(TempFileNamePosix, RefusesAPathThatDoesNotFitAndCreatesNothing) {
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

TEST(ErrorConsole, WritesEverythingToStandardError) {
  test::ScratchDir dir;
  const int saved = dup(STDERR_FILENO);
  const int file = open("stderr.txt", O_WRONLY | O_CREAT | O_TRUNC, 0644);
  ASSERT_GE(file, 0);
  dup2(file, STDERR_FILENO);
  close(file);
  const std::string text = "getopt: illegal option -- q\n" + std::string(300000, 'e');
  WriteErrorConsole(text.data(), text.size());
  dup2(saved, STDERR_FILENO);
  close(saved);
  EXPECT_EQ(dir.Read("stderr.txt"), text);
}

TEST(CommandArguments, AreTakenAsGivenAndNeverQuoted) {
  char program[] = "vextor";
  char pattern[] = "*.DP";
  char quoted[] = "\"a b\"";
  char* argv[] = {program, pattern, quoted, nullptr};
  const std::vector<Argument> args = GetCommandArguments(3, argv);
  ASSERT_EQ(args.size(), 3u);
  EXPECT_EQ(args[0].text, "vextor");
  EXPECT_EQ(args[1].text, "*.DP");
  EXPECT_EQ(args[2].text, "\"a b\"");
  for (const Argument& a : args) EXPECT_FALSE(a.quoted);
}

TEST(SleepPosix, WaitsAtLeastTheTimeAsked) {
  const auto start = std::chrono::steady_clock::now();
  Sleep(30);
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(30));
}

}  // namespace
}  // namespace vx::plat

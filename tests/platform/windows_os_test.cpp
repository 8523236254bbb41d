// What is particular to the Windows implementation of the platform layer:
// the command-line splitting, and the operations the program relies on for
// more than the raw system call gives (the replacing copy, flushing a
// read-only file, message texts, whole-file reads and writes in binary).
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "platform/platform.h"
#include "platform/windows/command_line.h"
#include "platform/windows_file_link.h"
#include "support/scratch_dir.h"

namespace vx::plat {
namespace {

using Names = std::vector<std::string>;

// ---------------------------------------------------------------------------
// Command-line splitting

struct Expected {
  std::string text;
  bool quoted;
};

bool operator==(const Argument& a, const Expected& e) {
  return a.text == e.text && a.quoted == e.quoted;
}

void ExpectSplit(const char* line, const std::vector<Expected>& expected,
                 LeadBytePredicate is_lead_byte = nullptr) {
  SCOPED_TRACE(line);
  const std::vector<Argument> got = SplitCommandLine(line, is_lead_byte);
  ASSERT_EQ(got.size(), expected.size());
  for (std::size_t i = 0; i < got.size(); ++i) {
    EXPECT_TRUE(got[i] == expected[i])
        << "argument " << i << ": [" << got[i].text << "] quoted "
        << got[i].quoted << ", expected [" << expected[i].text << "] quoted "
        << expected[i].quoted;
  }
}

TEST(SplitCommandLine, FollowsTheRuntimeRules) {
  struct Case {
    const char* line;
    std::vector<Expected> args;  // after the program name "v"
  };
  const Case cases[] = {
      {"v", {}},
      {"v   ", {}},
      {"v a b", {{"a", false}, {"b", false}}},
      {"v \t a\t\tb \t", {{"a", false}, {"b", false}}},
      // Quotes group and are dropped; only a leading quote marks the
      // argument as quoted.
      {"v \"a b\" c", {{"a b", true}, {"c", false}}},
      {"v \"*.DP\" *.DP", {{"*.DP", true}, {"*.DP", false}}},
      {"v a\"b c\"d", {{"ab cd", false}}},
      {"v \"\"", {{"", true}}},
      {"v \"\" x", {{"", true}, {"x", false}}},
      {"v \"a b", {{"a b", true}}},  // unterminated
      // Backslashes are literal unless a double quote follows.
      {"v C:\\dir\\*.DP \\\\server\\x", {{"C:\\dir\\*.DP", false},
                                          {"\\\\server\\x", false}}},
      {"v \"C:\\my dir\\\\\"", {{"C:\\my dir\\", true}}},
      // 2n+1 backslashes: n of them and a literal quote.
      {"v a\\\"b", {{"a\"b", false}}},
      {"v \\\"*.DP\\\"", {{"\"*.DP\"", false}}},
      {"v a\\\\\\\"b", {{"a\\\"b", false}}},
      // 2n backslashes: n of them, and the quote groups.
      {"v a\\\\\"b c\"", {{"a\\b c", false}}},
      {"v a\\\\\\\\\"b\"", {{"a\\\\b", false}}},
      // "" inside quotes is a literal quote and the quoting goes on.
      {"v \"a\"\"b c\"", {{"a\"b c", true}}},
      {"v \"\"\"\"", {{"\"", true}}},
      {"v -s 3 \"-nologo\"", {{"-s", false}, {"3", false}, {"-nologo", true}}},
  };
  for (const Case& c : cases) {
    std::vector<Expected> all{{"v", false}};
    all.insert(all.end(), c.args.begin(), c.args.end());
    ExpectSplit(c.line, all);
  }
}

TEST(SplitCommandLine, ProgramNameTakesQuotesButNoBackslashRule) {
  ExpectSplit("\"C:\\Program Files\\vextor.exe\" -x",
              {{"C:\\Program Files\\vextor.exe", true}, {"-x", false}});
  // A backslash before a quote in the program name stays a backslash.
  ExpectSplit("\"C:\\tools\\\"vextor.exe a",
              {{"C:\\tools\\vextor.exe", true}, {"a", false}});
  ExpectSplit("vextor.exe\ta", {{"vextor.exe", false}, {"a", false}});
  ExpectSplit("", {{"", false}});
  EXPECT_TRUE(SplitCommandLine(nullptr, nullptr).empty());
}

int LeadByte81(unsigned char byte) { return byte == 0x81 ? 1 : 0; }

TEST(SplitCommandLine, DoubleByteCharactersAreCopiedWhole) {
  // 0x81 0x5C is one character; its second byte is no backslash, so the
  // quote after it closes the quoted stretch.
  ExpectSplit("v \"\x81\\\" x", {{"v", false}, {"\x81\\", true}, {"x", false}},
              LeadByte81);
  // Without double-byte knowledge the same bytes read as an escaped quote.
  ExpectSplit("v \"\x81\\\" x", {{"v", false}, {"\x81\" x", true}}, nullptr);
  // A lead byte at the very end is kept alone.
  ExpectSplit("v a\x81", {{"v", false}, {"a\x81", false}}, LeadByte81);
  ExpectSplit("\x81\\x.exe a", {{"\x81\\x.exe", false}, {"a", false}},
              LeadByte81);
}

TEST(CommandArguments, AgreeWithTheRuntimeOnThisProgramsCommandLine) {
  const std::vector<Argument> args = GetCommandArguments(__argc, __argv);
  ASSERT_EQ(args.size(), static_cast<std::size_t>(__argc));
  for (int i = 0; i < __argc; ++i) {
    EXPECT_EQ(args[static_cast<std::size_t>(i)].text, __argv[i]) << i;
  }
}

// ---------------------------------------------------------------------------
// Files

// Entries of the scratch directory other than `expected`: left-overs.
Names Leftovers(const test::ScratchDir& dir, const std::string& subdir,
                const Names& expected) {
  Names extra;
  for (const std::string& name : dir.List(subdir)) {
    bool known = false;
    for (const std::string& e : expected) known = known || e == name;
    if (!known) extra.push_back(name);
  }
  return extra;
}

TEST(ReplaceFileContents, ReplacesAndKeepsTheTargetsAttributes) {
  test::ScratchDir dir;
  std::string contents("[BOXES]\r\nA=2.00,4.00\r\n");
  contents.push_back('\0');
  contents.append(150000, '\x1a');  // Ctrl-Z, text-mode end of file
  dir.Write("work.tmp", contents);
  dir.Write("FOO.DP", "old contents, longer than nothing");
  ASSERT_EQ(SetFileAttributesA("FOO.DP", FILE_ATTRIBUTE_HIDDEN), 1);

  ASSERT_EQ(ReplaceFileContents("work.tmp", "FOO.DP"), 1);
  EXPECT_EQ(dir.Read("FOO.DP"), contents);
  EXPECT_EQ(dir.Read("work.tmp"), contents);
  EXPECT_EQ(GetFileAttributesA("FOO.DP") & FILE_ATTRIBUTE_HIDDEN,
            FILE_ATTRIBUTE_HIDDEN);
  EXPECT_EQ(Leftovers(dir, ".", {"FOO.DP", "work.tmp"}), Names{});
}

TEST(ReplaceFileContents, WritesBesideATargetInAnotherDirectory) {
  test::ScratchDir dir;
  std::filesystem::create_directory(dir.path() / "data");
  dir.Write("work.tmp", "new");
  dir.Write("data/foo.dp", "old");
  for (const char* target : {"data\\foo.dp", "data/foo.dp", ".\\data\\FOO.DP"}) {
    SCOPED_TRACE(target);
    dir.Write("data/foo.dp", "old");
    ASSERT_EQ(ReplaceFileContents("work.tmp", target), 1);
    EXPECT_EQ(dir.Read("data/foo.dp"), "new");
    EXPECT_EQ(Leftovers(dir, "data", {"foo.dp"}), Names{});
    EXPECT_EQ(Leftovers(dir, ".", {"data", "work.tmp"}), Names{});
  }
}

TEST(ReplaceFileContents, FailureLeavesTheTargetUntouched) {
  test::ScratchDir dir;
  std::filesystem::create_directory(dir.path() / "adir");
  dir.Write("work.tmp", "new");
  dir.Write("FOO.DP", "old");
  dir.Write("RO.DP", "read-only");
  ASSERT_EQ(SetFileAttributesA("RO.DP", FILE_ATTRIBUTE_READONLY), 1);
  struct Case {
    const char* source;
    const char* target;
    DWORD code;
  };
  const Case cases[] = {
      {"missing.tmp", "FOO.DP", ERROR_FILE_NOT_FOUND},
      {"work.tmp", "missing.dp", ERROR_FILE_NOT_FOUND},
      {"work.tmp", "nodir\\FOO.DP", ERROR_PATH_NOT_FOUND},
      {"work.tmp", "adir", ERROR_ACCESS_DENIED},
      {"work.tmp", "RO.DP", ERROR_ACCESS_DENIED},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.target);
    SetLastError(0);
    EXPECT_EQ(ReplaceFileContents(c.source, c.target), 0);
    EXPECT_EQ(GetLastError(), c.code);
    EXPECT_EQ(dir.Read("FOO.DP"), "old");
    EXPECT_EQ(dir.Read("RO.DP"), "read-only");
    EXPECT_EQ(Leftovers(dir, ".", {"FOO.DP", "RO.DP", "adir", "work.tmp"}),
              Names{});
    EXPECT_EQ(dir.List("adir"), Names{});
  }
  EXPECT_EQ(GetFileAttributesA("RO.DP") & FILE_ATTRIBUTE_READONLY,
            FILE_ATTRIBUTE_READONLY);
  SetFileAttributesA("RO.DP", FILE_ATTRIBUTE_NORMAL);
}

TEST(ReplaceFileContents, ReplacesTheFileALinkReachesAndKeepsTheLink) {
  test::ScratchDir dir;
  std::filesystem::create_directory(dir.path() / "data");
  dir.Write("work.tmp", "new");
  dir.Write("data/real.dp", "old");
  dir.Write("data/ro.dp", "read-only");
  const test::FileLink foo("FOO.DP", "data/real.dp");
  const test::FileLink read_only("RO.DP", "data/ro.dp");
  ASSERT_EQ(foo.error(), "");
  ASSERT_EQ(read_only.error(), "");
  ASSERT_EQ(SetFileAttributesA("data/ro.dp", FILE_ATTRIBUTE_READONLY), 1);

  ASSERT_EQ(ReplaceFileContents("work.tmp", "FOO.DP"), 1);
  EXPECT_EQ(dir.Read("data/real.dp"), "new");
  // The replacement was made beside the file, not beside the link.
  EXPECT_EQ(Leftovers(dir, "data", {"real.dp", "ro.dp"}), Names{});
  EXPECT_EQ(Leftovers(dir, ".", {"FOO.DP", "RO.DP", "data", "work.tmp"}),
            Names{});
  // Still a link: what the file holds shows through it.
  ASSERT_EQ(WriteWholeFile("data/real.dp", "changed"), 1);
  EXPECT_EQ(dir.Read("FOO.DP"), "changed");

  // The file's attributes count, not the link's.
  SetLastError(0);
  EXPECT_EQ(ReplaceFileContents("work.tmp", "RO.DP"), 0);
  EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
  EXPECT_EQ(dir.Read("data/ro.dp"), "read-only");
  EXPECT_EQ(dir.Read("RO.DP"), "read-only");
  SetFileAttributesA("data/ro.dp", FILE_ATTRIBUTE_NORMAL);
}

TEST(FlushFileToDisk, FlushesAReadOnlyFileAndKeepsItReadOnly) {
  test::ScratchDir dir;
  dir.Write("plain.dp", "a");
  dir.Write("backup.dp", "b");
  ASSERT_EQ(SetFileAttributesA("backup.dp", FILE_ATTRIBUTE_READONLY |
                                                FILE_ATTRIBUTE_ARCHIVE), 1);
  const DWORD before = GetFileAttributesA("backup.dp");
  EXPECT_EQ(FlushFileToDisk("plain.dp"), 1);
  EXPECT_EQ(FlushFileToDisk("backup.dp"), 1);
  EXPECT_EQ(GetFileAttributesA("backup.dp"), before);
  EXPECT_EQ(dir.Read("backup.dp"), "b");
  SetLastError(0);
  EXPECT_EQ(FlushFileToDisk("missing.dp"), 0);
  EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
  SetFileAttributesA("backup.dp", FILE_ATTRIBUTE_NORMAL);
}

TEST(Attributes, RoundTrip) {
  test::ScratchDir dir;
  dir.Write("FOO.DP", "x");
  // The archive bit is the file system's to keep (Wine sets it on every
  // file); the others are the caller's.
  const DWORD kCallers = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN;
  const DWORD cases[] = {
      FILE_ATTRIBUTE_READONLY,
      FILE_ATTRIBUTE_HIDDEN,
      FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE,
      FILE_ATTRIBUTE_NORMAL,
  };
  for (const DWORD attributes : cases) {
    SCOPED_TRACE(attributes);
    ASSERT_EQ(SetFileAttributesA("FOO.DP", attributes), 1);
    const DWORD got = GetFileAttributesA("foo.dp");
    EXPECT_EQ(got & kCallers, attributes & kCallers);
    EXPECT_EQ(got & FILE_ATTRIBUTE_DIRECTORY, 0u);
  }
  SetLastError(0);
  EXPECT_EQ(GetFileAttributesA("missing.dp"), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(SetFileAttributesA("missing.dp", FILE_ATTRIBUTE_NORMAL), 0);
  EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
}

TEST(CopyFile, TakesTheReadOnlyAttributeAlong) {
  // The backup of a read-only profile is read-only too; the transaction's
  // flush of it must cope (see FlushFileToDisk above).
  test::ScratchDir dir;
  dir.Write("FOO.DP", "x");
  ASSERT_EQ(SetFileAttributesA("FOO.DP", FILE_ATTRIBUTE_READONLY), 1);
  ASSERT_EQ(CopyFileA("FOO.DP", "FOO.Z1.DP", 1), 1);
  EXPECT_EQ(GetFileAttributesA("FOO.Z1.DP") & FILE_ATTRIBUTE_READONLY,
            FILE_ATTRIBUTE_READONLY);
  SetFileAttributesA("FOO.DP", FILE_ATTRIBUTE_NORMAL);
  SetFileAttributesA("FOO.Z1.DP", FILE_ATTRIBUTE_NORMAL);
}

TEST(WholeFile, ReadsAndWritesEveryByteInPlace) {
  test::ScratchDir dir;
  std::string contents("a\r\nb\nc\rd\x1a");
  contents.push_back('\0');
  contents.append(200000, 'z');  // more than one chunk
  dir.Write("FOO.DP", "x");
  ASSERT_EQ(WriteWholeFile("FOO.DP", contents), 1);
  std::string read;
  ASSERT_EQ(ReadWholeFile("foo.dp", &read), 1);
  EXPECT_EQ(read, contents);
  // A shorter text leaves nothing of the longer one behind.
  ASSERT_EQ(WriteWholeFile("FOO.DP", "short\r\n"), 1);
  EXPECT_EQ(dir.Read("FOO.DP"), "short\r\n");
  ASSERT_EQ(WriteWholeFile("FOO.DP", ""), 1);
  EXPECT_EQ(dir.Read("FOO.DP"), "");
}

TEST(WholeFile, MissingFileIsReportedAndNotCreated) {
  test::ScratchDir dir;
  std::string read = "untouched";
  SetLastError(0);
  EXPECT_EQ(ReadWholeFile("missing.dp", &read), 0);
  EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(read, "untouched");
  SetLastError(0);
  EXPECT_EQ(WriteWholeFile("missing.dp", "x"), 0);
  EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
  EXPECT_FALSE(dir.Exists("missing.dp"));
}

TEST(TempFileName, IsTheSystemsNameInTheGivenDirectory) {
  test::ScratchDir dir;
  char first[MAX_NAME] = {};
  char second[MAX_NAME] = {};
  ASSERT_NE(GetTempFileNameA(".", "QTV", 0, first), 0u);
  ASSERT_NE(GetTempFileNameA(".", "QTV", 0, second), 0u);
  EXPECT_STRNE(first, second);
  for (const std::string path : {first, second}) {
    SCOPED_TRACE(path);
    EXPECT_EQ(path.rfind(".\\QTV", 0), 0u);
    EXPECT_TRUE(dir.Exists(path.substr(2)));
    EXPECT_EQ(dir.Read(path.substr(2)), "");
  }
}

// ---------------------------------------------------------------------------
// Error values and texts

TEST(LastError, IsTheThreadsValue) {
  SetLastError(1234);
  EXPECT_EQ(GetLastError(), 1234u);
  SetLastError(ERROR_SUCCESS);
  EXPECT_EQ(GetLastError(), ERROR_SUCCESS);
}

TEST(SystemMessage, TextForACodeEndsInOneLineEnd) {
  char text[512];
  std::memset(text, 'x', sizeof text);
  const DWORD length = GetSystemMessage(ERROR_FILE_NOT_FOUND, text, sizeof text);
  ASSERT_GT(length, 1u);
  EXPECT_EQ(std::strlen(text), length);
  EXPECT_EQ(text[length - 1], '\n');
  EXPECT_EQ(std::strchr(text, '\r'), nullptr) << text;
}

TEST(SystemMessage, NoTextOrNoRoomGivesZero) {
  char text[512] = "previous";
  EXPECT_EQ(GetSystemMessage(0x20001234u, text, sizeof text), 0u);
  EXPECT_STREQ(text, "");
  char tiny[4] = "abc";
  EXPECT_EQ(GetSystemMessage(ERROR_FILE_NOT_FOUND, tiny, sizeof tiny), 0u);
  EXPECT_STREQ(tiny, "");
  EXPECT_EQ(GetSystemMessage(ERROR_FILE_NOT_FOUND, tiny, 0), 0u);
}

}  // namespace
}  // namespace vx::plat

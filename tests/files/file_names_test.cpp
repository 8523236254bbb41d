#include "files/file_names.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>

#include "cli/run_flags.h"
#include "files/local_time.h"
#include "files/test_os.h"
#include "platform/platform.h"
#include "support/scratch_dir.h"

namespace vx {
namespace {

using plat::DWORD;
using test::FakeClockOs;
using test::FlagsFor;
using test::InstalledOs;
using test::ScratchDir;

constexpr char kFill = '\x5a';

bool AllZero(const char* buffer, std::size_t size) {
  for (std::size_t i = 0; i < size; ++i) {
    if (buffer[i] != '\0') return false;
  }
  return true;
}

struct Parts {
  char drive[DRIVE_SIZE];
  char directory[PART_SIZE];
  char base[PART_SIZE];
  char extension[PART_SIZE];
};

struct WorkedExample {
  const char* argument;
  const char* drive;
  const char* directory;
  const char* base;
  const char* extension;
  const char* companion;
  const char* backup;
};

const WorkedExample kWorkedExamples[] = {
    {"FOO.DP", "", "", "FOO", ".DP", "FOO.CDP", "FOO.Z19990528193954.DP"},
    {"foo.dp", "", "", "foo", ".dp", "foo.CDP", "foo.Z19990528193954.dp"},
    {"FOO", "", "", "FOO", "", "FOO.CDP", "FOO.Z19990528193954"},
    {"FOO.BAR.DP", "", "", "FOO.BAR", ".DP", "FOO.BAR.CDP",
     "FOO.BAR.Z19990528193954.DP"},
    {"C:\\DATA\\FOO.DP", "C:", "\\DATA\\", "FOO", ".DP", "C:\\DATA\\FOO.CDP",
     "C:\\DATA\\FOO.Z19990528193954.DP"},
    {"C:FOO.DP", "C:", "", "FOO", ".DP", "C:FOO.CDP",
     "C:FOO.Z19990528193954.DP"},
    {"..\\data/foo.dp", "", "..\\data/", "foo", ".dp", "..\\data/foo.CDP",
     "..\\data/foo.Z19990528193954.dp"},
    {"DIR.X\\FOO", "", "DIR.X\\", "FOO", "", "DIR.X\\FOO.CDP",
     "DIR.X\\FOO.Z19990528193954"},
    {".DP", "", "", "", ".DP", ".CDP", ".Z19990528193954.DP"},
    {"*.DP", "", "", "*", ".DP", "*.CDP", "*.Z19990528193954.DP"},
};

TEST(FileNamesTest, WorkedExamplesSplitAndDeriveNames) {
  ScratchDir dir;  // none of the backup names exists here
  FakeClockOs os;
  InstalledOs installed(&os);
  for (const WorkedExample& example : kWorkedExamples) {
    SCOPED_TRACE(example.argument);
    Parts parts;
    EXPECT_EQ(1, SplitName(example.argument, parts.drive, parts.directory,
                           parts.base, parts.extension));
    EXPECT_STREQ(example.drive, parts.drive);
    EXPECT_STREQ(example.directory, parts.directory);
    EXPECT_STREQ(example.base, parts.base);
    EXPECT_STREQ(example.extension, parts.extension);

    char name[plat::MAX_NAME];
    DWORD length = sizeof name;
    ASSERT_EQ(1, MakeCdpName(example.argument, name, &length));
    EXPECT_STREQ(example.companion, name);
    EXPECT_EQ(sizeof name, length);

    ASSERT_EQ(1, MakeBackupName(example.argument, name, &length));
    EXPECT_STREQ(example.backup, name);
    EXPECT_EQ(sizeof name, length);
    EXPECT_TRUE(AllZero(name + std::strlen(name), sizeof name - std::strlen(name)));
  }
  EXPECT_EQ(0, os.sleeps);
}

// A code page with double-byte characters, where 0x81-0x9F and 0xE0-0xFC
// open a character whose second byte may look like '\' or '.'.
class DoubleByteOs : public plat::ForwardingOs {
 public:
  int IsDBCSLeadByte(unsigned char byte) override {
    return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
  }
};

TEST(FileNamesTest, SecondByteOfDoubleByteCharacterIsNeitherSeparatorNorDot) {
  DoubleByteOs os;
  InstalledOs installed(&os);
  const struct {
    const char* name;
    const char* directory;
    const char* base;
    const char* extension;
  } cases[] = {
      {"A\x95\\B.DP", "", "A\x95\\B", ".DP"},
      {"DIR\\FOO\x95.", "DIR\\", "FOO\x95.", ""},
      {"D\x95\\\\F\x81..DP", "D\x95\\\\", "F\x81.", ".DP"},
      {"FOO.\x95", "", "FOO", ".\x95"},  // a lead byte that ends the name
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Parts parts;
    EXPECT_EQ(1, SplitName(c.name, parts.drive, parts.directory, parts.base,
                           parts.extension));
    EXPECT_STREQ(c.directory, parts.directory);
    EXPECT_STREQ(c.base, parts.base);
    EXPECT_STREQ(c.extension, parts.extension);
  }
}

TEST(FileNamesTest, SplitNameCutsLongPartsAndSaysSo) {
  const std::string directory(300, 'd');
  const std::string name = directory + "\\FOO.DP";
  Parts parts;
  EXPECT_EQ(0, SplitName(name.c_str(), parts.drive, parts.directory,
                         parts.base, parts.extension));
  EXPECT_EQ(std::string(255, 'd'), parts.directory);
  EXPECT_STREQ("FOO", parts.base);
  EXPECT_STREQ(".DP", parts.extension);
}

TEST(FileNamesTest, BuildNameJoinsPartsAndRefusesWhatDoesNotFit) {
  char out[16];
  std::memset(out, kFill, sizeof out);
  ASSERT_EQ(1, BuildName(out, sizeof out, "C:", "\\D", "F", "DP"));
  EXPECT_STREQ("C:\\D\\F.DP", out);  // separator and dot added
  ASSERT_EQ(1, BuildName(out, sizeof out, "Cx", "d/", "", ""));
  EXPECT_STREQ("C:d/", out);  // the drive's letter only; no lone dot

  // 15 characters and the terminator fit exactly; one more does not.
  ASSERT_EQ(1, BuildName(out, sizeof out, "", "", "ABCDEFGHIJK", ".XYZ"));
  EXPECT_STREQ("ABCDEFGHIJK.XYZ", out);
  std::memset(out, kFill, sizeof out);
  plat::SetLastError(0);
  EXPECT_EQ(0, BuildName(out, sizeof out, "", "", "ABCDEFGHIJKL", ".XYZ"));
  EXPECT_EQ(plat::ERROR_FILENAME_EXCED_RANGE, plat::GetLastError());
  for (char c : out) EXPECT_EQ(kFill, c);  // nothing written
  EXPECT_EQ(0, BuildName(out, 0, "", "", "", ""));
}

TEST(FileNamesTest, NameOperationsRefuseNullPointersAndZeroLength) {
  using Operation = int (*)(const char*, char*, DWORD*);
  const struct {
    const char* name;
    Operation operation;
  } operations[] = {{"GetTrueName", GetTrueName},
                    {"MakeCdpName", MakeCdpName},
                    {"MakeBackupName", MakeBackupName}};
  ScratchDir dir;
  dir.Write("FOO.DP", "x");
  for (const auto& op : operations) {
    SCOPED_TRACE(op.name);
    char buffer[8];
    std::memset(buffer, kFill, sizeof buffer);
    DWORD length = sizeof buffer;
    DWORD zero = 0;

    const struct {
      const char* name;
      char* buffer;
      DWORD* length;
    } calls[] = {{nullptr, buffer, &length},
                 {"FOO.DP", nullptr, &length},
                 {"FOO.DP", buffer, nullptr},
                 {"FOO.DP", buffer, &zero}};
    for (const auto& call : calls) {
      plat::SetLastError(0);
      EXPECT_EQ(0, op.operation(call.name, call.buffer, call.length));
      EXPECT_EQ(plat::ERROR_INVALID_PARAMETER, plat::GetLastError());
    }
    for (char c : buffer) EXPECT_EQ(kFill, c);
    EXPECT_EQ(sizeof buffer, length);
    EXPECT_EQ(0u, zero);
  }
}

// Counts the searches opened and closed, to show none is left open.
class CountingSearchOs : public plat::ForwardingOs {
 public:
  int opened = 0;
  int closed = 0;
  plat::FindHandle FindFirstFileA(const char* pattern,
                                  plat::FindData* data) override {
    plat::FindHandle search = ForwardingOs::FindFirstFileA(pattern, data);
    if (search != plat::FIND_INVALID) ++opened;
    return search;
  }
  int FindClose(plat::FindHandle search) override {
    ++closed;
    return ForwardingOs::FindClose(search);
  }
};

TEST(GetTrueNameTest, FindsTheStoredName) {
  ScratchDir dir;
  std::filesystem::create_directory(dir.path() / "DATA");
  dir.Write("DATA/FOO.DP", "x");
  CountingSearchOs os;
  InstalledOs installed(&os);

  const struct {
    const char* argument;
    DWORD length;
    const char* expected;
  } cases[] = {
      {"DATA\\FOO.DP", plat::MAX_NAME, "FOO.DP"},
      {"DATA/foo.dp", plat::MAX_NAME, "FOO.DP"},  // the stored letter case
      {"DATA\\FOO.DP", 10, "FOO.DP"},  // the argument's length does not count
      {"DATA", plat::MAX_NAME, "DATA"},  // a directory is an entry too
      {"DATA/F?O.*", plat::MAX_NAME, "FOO.DP"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.argument);
    char name[plat::MAX_NAME + 1];  // one byte past the largest length
    std::memset(name, kFill, sizeof name);
    DWORD length = c.length;
    ASSERT_EQ(1, GetTrueName(c.argument, name, &length));
    EXPECT_STREQ(c.expected, name);
    EXPECT_EQ(c.length, length);
    const std::size_t used = std::strlen(name);
    EXPECT_TRUE(AllZero(name + used, c.length - used));  // cleared up to length
    EXPECT_EQ(kFill, name[c.length]);                    // and no further
  }
  EXPECT_EQ(os.opened, os.closed);
}

TEST(GetTrueNameTest, PatternTakesTheFirstEntryTheSearchReports) {
  ScratchDir dir;
  dir.Write("A.DP", "a");
  dir.Write("B.DP", "b");
  plat::FindData first{};
  plat::FindHandle search = plat::FindFirstFileA("*.DP", &first);
  ASSERT_NE(plat::FIND_INVALID, search);
  plat::FindClose(search);

  char name[plat::MAX_NAME];
  DWORD length = sizeof name;
  ASSERT_EQ(1, GetTrueName("*.DP", name, &length));
  EXPECT_STREQ(first.cFileName, name);
}

TEST(GetTrueNameTest, ReportsMissingNamesAndShortBuffers) {
  ScratchDir dir;
  dir.Write("FOO.DP", "x");
  CountingSearchOs os;
  InstalledOs installed(&os);
  const std::string long_missing(300, 'm');

  const struct {
    std::string argument;
    DWORD length;
    DWORD error;
    DWORD length_after;
  } cases[] = {
      {"NODIR\\FOO.DP", plat::MAX_NAME, plat::ERROR_FILE_NOT_FOUND,
       plat::MAX_NAME},
      {"MISSING.DP", 10, plat::ERROR_FILE_NOT_FOUND, 10},
      {"MISSING.DP", 9, plat::ERROR_INSUFFICIENT_BUFFER, 10},
      {long_missing, plat::MAX_NAME, plat::ERROR_INSUFFICIENT_BUFFER, 300},
      {"FOO.DP", 4, plat::ERROR_INSUFFICIENT_BUFFER, 6},
      // Exactly as long as the buffer: no room for the terminator.
      {"FOO.DP", 6, plat::ERROR_INSUFFICIENT_BUFFER, 6},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.argument.substr(0, 20) + " length " +
                 std::to_string(c.length));
    char name[plat::MAX_NAME];
    std::memset(name, kFill, sizeof name);
    DWORD length = c.length;
    plat::SetLastError(0);
    EXPECT_EQ(0, GetTrueName(c.argument.c_str(), name, &length));
    EXPECT_EQ(c.error, plat::GetLastError());
    EXPECT_EQ(c.length_after, length);
    EXPECT_TRUE(AllZero(name, c.length));
  }
  EXPECT_EQ(os.opened, os.closed);
}

TEST(MakeBackupNameTest, RetriesUntilTheClockGivesAFreeName) {
  ScratchDir dir;
  dir.Write("FOO.Z19990528193954.DP", "older backup");
  FakeClockOs os;
  os.readings_per_second = 3;
  InstalledOs installed(&os);
  FlagsFor debug(FLAG_DEBUG);

  char name[plat::MAX_NAME];
  DWORD length = sizeof name;
  testing::internal::CaptureStderr();
  const int result = MakeBackupName("FOO.DP", name, &length);
  const std::string debug_text = testing::internal::GetCapturedStderr();

  ASSERT_EQ(1, result);
  EXPECT_STREQ("FOO.Z19990528193955.DP", name);
  EXPECT_EQ(3, os.sleeps);  // a pause after each pass over a taken name
  const std::string line =
      "Dbg: ERROR:50  The file FOO.Z19990528193954.DP already exists. "
      "Redriving.\n";
  EXPECT_EQ(line + line + line, debug_text);
}

// Fails one of the three steps from UTC to local calendar time.
class FailingConversionOs : public FakeClockOs {
 public:
  explicit FailingConversionOs(int step) : step_(step) {}
  int SystemTimeToFileTime(const plat::SYSTEMTIME* time,
                           plat::FILETIME* out) override {
    if (step_ == 1) return Fail();
    return FakeClockOs::SystemTimeToFileTime(time, out);
  }
  int FileTimeToLocalFileTime(const plat::FILETIME* utc,
                              plat::FILETIME* local) override {
    if (step_ == 2) return Fail();
    return FakeClockOs::FileTimeToLocalFileTime(utc, local);
  }
  int FileTimeToSystemTime(const plat::FILETIME* time,
                           plat::SYSTEMTIME* out) override {
    if (step_ == 3) return Fail();
    return FakeClockOs::FileTimeToSystemTime(time, out);
  }
  static constexpr DWORD kCode = 1234;

 private:
  int Fail() {
    SetLastError(kCode);
    return 0;
  }
  int step_;
};

TEST(MakeBackupNameTest, FailedTimeConversionLeavesItsOwnCode) {
  ScratchDir dir;
  for (int step = 1; step <= 3; ++step) {
    SCOPED_TRACE(step);
    FailingConversionOs os(step);
    InstalledOs installed(&os);
    char name[plat::MAX_NAME];
    std::memset(name, kFill, sizeof name);
    DWORD length = sizeof name;
    EXPECT_EQ(0, MakeBackupName("FOO.DP", name, &length));
    EXPECT_EQ(FailingConversionOs::kCode, plat::GetLastError());
    EXPECT_TRUE(AllZero(name, sizeof name));
    EXPECT_EQ(sizeof name, length);
  }
}

TEST(FileNamesTest, DerivedNamesThatDoNotFitAreRefused) {
  ScratchDir dir;
  FakeClockOs os;
  InstalledOs installed(&os);
  const std::string directory = std::string(250, 'd') + "/";

  const struct {
    const char* what;
    int (*operation)(const char*, char*, DWORD*);
    std::string argument;
    int result;
  } cases[] = {
      // The companion keeps drive, directory and base name: 251 + 4 + 4.
      {"companion of 259", MakeCdpName, directory + "bbbb.DP", 1},
      {"companion of 260", MakeCdpName, directory + "bbbbb.DP", 0},
      {"companion of a cut directory", MakeCdpName,
       std::string(300, 'd') + "/b.DP", 0},
      // The backup name is 16 characters longer than its argument.
      {"backup of 259", MakeBackupName, std::string(240, 'b') + ".DP", 1},
      {"backup of 260", MakeBackupName, std::string(241, 'b') + ".DP", 0},
      // A base name of 244 leaves the stamped base name no terminator.
      {"stamped base of 260", MakeBackupName, std::string(244, 'b'), 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    char name[plat::MAX_NAME];
    std::memset(name, kFill, sizeof name);
    DWORD length = sizeof name;
    plat::SetLastError(0);
    EXPECT_EQ(c.result, c.operation(c.argument.c_str(), name, &length));
    if (c.result == 1) {
      EXPECT_EQ(259u, std::strlen(name));
    } else {
      EXPECT_EQ(plat::ERROR_FILENAME_EXCED_RANGE, plat::GetLastError());
      EXPECT_TRUE(AllZero(name, sizeof name));
    }
  }
}

TEST(LocalTimeTest, StampIsRefusedWhenItDoesNotFit) {
  FakeClockOs os;
  InstalledOs installed(&os);
  char stamp[16];
  std::memset(stamp, kFill, sizeof stamp);
  EXPECT_EQ(0, GetLocalStamp(&os.now, stamp, 15));
  EXPECT_EQ(plat::ERROR_INSUFFICIENT_BUFFER, plat::GetLastError());
  for (char c : stamp) EXPECT_EQ(kFill, c);
  ASSERT_EQ(1, GetLocalStamp(&os.now, stamp, sizeof stamp));
  EXPECT_STREQ("Z19990528193954", stamp);
}

}  // namespace
}  // namespace vx

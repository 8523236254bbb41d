#include "files/process_dp_file.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "cli/run_flags.h"
#include "files/test_os.h"
#include "platform/platform.h"
#include "profile/scale_damage_boxes.h"
#include "support/scratch_dir.h"

namespace vx {
namespace {

using plat::DWORD;
using test::FakeClockOs;
using test::FlagsFor;
using test::InstalledOs;
using test::ScratchDir;

const std::string kProfile =
    "[INFO]\n"
    "Title=Test dummy\n"
    "\n"
    "[BOXES]\n"
    "Box1=head,1,2,3,4,5,6\n"
    "Box2=left arm,0.5,1,1.5,2,2.5,3\n"
    "\n"
    "[OTHER]\n"
    "Key=head,1,2,3,4,5,6\n";

const std::string kMalformedProfile =
    "[BOXES]\n"
    "Box1=head,1,2,3,4,5,6\n"
    "Box2=torso,1,2\n";

const std::string kProfileWithoutBoxes =
    "[INFO]\n"
    "Title=No boxes\n";

const std::string kCompanion = "companion data\n";
const char kBackupName[] = "FOO.Z19990528193954.DP";

bool IsReadOnly(const std::string& name) {
  const DWORD attributes = plat::RealOs().GetFileAttributesA(name.c_str());
  return attributes != plat::INVALID_FILE_ATTRIBUTES &&
         (attributes & plat::FILE_ATTRIBUTE_READONLY) != 0;
}

void MakeReadOnly(const std::string& name) {
  ASSERT_NE(0, plat::RealOs().SetFileAttributesA(
                   name.c_str(), plat::FILE_ATTRIBUTE_READONLY));
}

// What the scaler makes of `contents`, found by running it on a copy in a
// directory of its own, which is removed again.
std::string Rescaled(const ScratchDir& dir, const std::string& contents,
                     std::int32_t scale) {
  namespace fs = std::filesystem;
  fs::create_directory(dir.path() / "reference");
  dir.Write("reference/R.DP", contents);
  FlagsFor update_mode(0);
  testing::internal::CaptureStdout();
  const int result = ScaleDamageBoxes("reference/R.DP", scale);
  testing::internal::GetCapturedStdout();
  const std::string rescaled = dir.Read("reference/R.DP");
  fs::remove_all(dir.path() / "reference");
  EXPECT_EQ(1, result) << "the scaler refuses the test profile";
  return rescaled;
}

struct Outcome {
  int result;
  DWORD code;
  std::string out;
  std::string debug;
};

Outcome Process(const char* Uname, std::int32_t scale = 2) {
  testing::internal::CaptureStdout();
  testing::internal::CaptureStderr();
  plat::SetLastError(0);
  Outcome outcome;
  outcome.result = ProcessDpFile(Uname, scale);
  outcome.code = plat::GetLastError();
  outcome.debug = testing::internal::GetCapturedStderr();
  outcome.out = testing::internal::GetCapturedStdout();
  return outcome;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size() - 1;
    lines.push_back(text.substr(start, end - start + 1));
    start = end + 1;
  }
  return lines;
}

class ProcessDpFileTest : public testing::Test {
 protected:
  ScratchDir dir_;
  FakeClockOs clock_;
};

TEST_F(ProcessDpFileTest, UpdateBacksUpRescalesAndRemovesCompanion) {
  const std::string rescaled = Rescaled(dir_, kProfile, 2);
  ASSERT_NE(std::string::npos,
            rescaled.find("head,2.00,4.00,6.00,8.00,10.00,12.00"));
  dir_.Write("FOO.DP", kProfile);
  dir_.Write("FOO.CDP", kCompanion);
  MakeReadOnly("FOO.DP");
  InstalledOs installed(&clock_);
  FlagsFor flags(FLAG_DEBUG);

  const Outcome outcome = Process("FOO.DP");

  ASSERT_EQ(1, outcome.result) << outcome.debug;
  EXPECT_EQ(rescaled, dir_.Read("FOO.DP"));
  EXPECT_EQ(kProfile, dir_.Read(kBackupName));
  EXPECT_EQ((std::vector<std::string>{"FOO.DP", kBackupName}), dir_.List());
  EXPECT_TRUE(IsReadOnly("FOO.DP"));
  EXPECT_EQ(0u, outcome.out.rfind("FOO.DP:\n  Box1 = head,1,2,3,4,5,6\n", 0))
      << outcome.out;

  const std::vector<std::string> debug = Lines(outcome.debug);
  ASSERT_GE(debug.size(), 7u);
  const std::vector<std::string> expected_start = {
      "Dbg: Uname= FOO.DP, Tname= FOO.DP\n",
      "Dbg: Cname= FOO.CDP\n",
      "Dbg: Bname= FOO.Z19990528193954.DP\n",
      "Dbg: Backup file created: FOO.Z19990528193954.DP\n",
  };
  EXPECT_EQ(expected_start,
            std::vector<std::string>(debug.begin(), debug.begin() + 4));
  // The work file is made in the current directory, its name as returned.
  EXPECT_TRUE(debug[4].rfind("Dbg: Xname= ./QTV", 0) == 0 ||
              debug[4].rfind("Dbg: Xname= .\\QTV", 0) == 0)
      << debug[4];
  EXPECT_EQ("Dbg: Temporary file created: " + debug[4].substr(12), debug[5]);
  EXPECT_EQ("Dbg: DP file updated.\n", debug.back());
}

TEST_F(ProcessDpFileTest, ViewOnlyListsAndChangesNothing) {
  dir_.Write("FOO.DP", kProfile);
  dir_.Write("FOO.CDP", kCompanion);
  MakeReadOnly("FOO.DP");
  InstalledOs installed(&clock_);
  FlagsFor flags(FLAG_VIEWONLY);

  const Outcome outcome = Process("FOO.DP");

  ASSERT_EQ(1, outcome.result);
  EXPECT_EQ(
      "FOO.DP:\n"
      "  Box1 = head,1,2,3,4,5,6\n"
      "  Box2 = left arm,0.5,1,1.5,2,2.5,3\n",
      outcome.out);
  EXPECT_EQ(kProfile, dir_.Read("FOO.DP"));
  EXPECT_EQ(kCompanion, dir_.Read("FOO.CDP"));
  EXPECT_EQ((std::vector<std::string>{"FOO.CDP", "FOO.DP"}), dir_.List());
  EXPECT_TRUE(IsReadOnly("FOO.DP"));
  EXPECT_EQ("", outcome.debug);  // debug texts only under -x
}

// Fails one platform operation of the transaction, as the named step
// would see it fail.
class FaultOs : public FakeClockOs {
 public:
  enum Step {
    kNone,
    kGetAttributes,
    kBackupCopy,
    kBackupFlush,
    kClearAttributes,
    kTempName,
    kWorkCopy,
    kReplace,
  };
  Step step = kNone;
  DWORD code = 0;
  // Makes every undo operation fail too, with a code of its own.
  bool fail_undo = false;
  static constexpr DWORD kUndoCode = 1117;

  DWORD GetFileAttributesA(const char* name) override {
    if (step == kGetAttributes) {
      Fail();
      return plat::INVALID_FILE_ATTRIBUTES;
    }
    return FakeClockOs::GetFileAttributesA(name);
  }
  int CopyFileA(const char* source, const char* target,
                int fail_if_exists) override {
    if (step == (fail_if_exists != 0 ? kBackupCopy : kWorkCopy)) {
      return Fail();
    }
    return FakeClockOs::CopyFileA(source, target, fail_if_exists);
  }
  int FlushFileToDisk(const char* name) override {
    if (step == kBackupFlush) return Fail();
    return FakeClockOs::FlushFileToDisk(name);
  }
  int SetFileAttributesA(const char* name, DWORD attributes) override {
    if (step == kClearAttributes && attributes == plat::FILE_ATTRIBUTE_NORMAL) {
      return Fail();
    }
    const int result = FakeClockOs::SetFileAttributesA(name, attributes);
    if (fail_undo && attributes != plat::FILE_ATTRIBUTE_NORMAL) {
      SetLastError(kUndoCode);
      return 0;
    }
    return result;
  }
  unsigned GetTempFileNameA(const char* directory, const char* prefix,
                            unsigned unique, char* out) override {
    if (step == kTempName) return static_cast<unsigned>(Fail());
    return FakeClockOs::GetTempFileNameA(directory, prefix, unique, out);
  }
  int ReplaceFileContents(const char* source, const char* target) override {
    if (step == kReplace) return Fail();
    return FakeClockOs::ReplaceFileContents(source, target);
  }
  // As on Windows, a read-only file cannot be deleted.
  int DeleteFileA(const char* name) override {
    const DWORD attributes = FakeClockOs::GetFileAttributesA(name);
    if (attributes != plat::INVALID_FILE_ATTRIBUTES &&
        (attributes & plat::FILE_ATTRIBUTE_READONLY) != 0) {
      SetLastError(plat::ERROR_ACCESS_DENIED);
      return 0;
    }
    const int result = FakeClockOs::DeleteFileA(name);
    if (fail_undo) {
      SetLastError(kUndoCode);
      return 0;
    }
    return result;
  }

 private:
  int Fail() {
    SetLastError(code);
    return 0;
  }
};

TEST_F(ProcessDpFileTest, EveryFailureLeavesTheFilesAsTheyWere) {
  const struct {
    const char* name;
    FaultOs::Step step;
    const std::string* profile;
    DWORD code;
    const char* message;
    bool backup_remains;
    bool heading;
  } rows[] = {
      {"attributes", FaultOs::kGetAttributes, &kProfile, 5,
       "Cannot acquire file attributes.", false, false},
      {"backup copy", FaultOs::kBackupCopy, &kProfile, 112,
       "Cannot create backup file.", false, false},
      {"backup flush", FaultOs::kBackupFlush, &kProfile, 29,
       "Cannot create backup file.", false, false},
      {"clearing attributes", FaultOs::kClearAttributes, &kProfile, 5,
       "Cannot set file attributes.", true, false},
      {"temporary name", FaultOs::kTempName, &kProfile, 206,
       "Cannot create temporary filename.", false, true},
      {"work copy", FaultOs::kWorkCopy, &kProfile, 112,
       "Cannot create temporary file.", false, true},
      {"malformed box", FaultOs::kNone, &kMalformedProfile, 87,
       "Cannot update damage boxes.", false, true},
      {"no BOXES section", FaultOs::kNone, &kProfileWithoutBoxes, 2,
       "Cannot update damage boxes.", false, true},
      {"replacement", FaultOs::kReplace, &kProfile, 32,
       "Cannot update DP file.", false, true},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    ScratchDir dir;
    dir.Write("FOO.DP", *row.profile);
    dir.Write("FOO.CDP", kCompanion);
    MakeReadOnly("FOO.DP");
    FaultOs os;
    os.step = row.step;
    os.code = row.code;
    InstalledOs installed(&os);
    FlagsFor flags(FLAG_DEBUG);

    const Outcome outcome = Process("FOO.DP");

    EXPECT_EQ(0, outcome.result);
    EXPECT_EQ(row.code, outcome.code);
    char message[128];
    std::snprintf(message, sizeof message, "Dbg: ERROR:%x  %s\n", row.code,
                  row.message);
    EXPECT_NE(std::string::npos, outcome.debug.find(message)) << outcome.debug;
    EXPECT_EQ(row.heading, outcome.out.rfind("FOO.DP:\n", 0) == 0)
        << outcome.out;
    EXPECT_EQ(*row.profile, dir.Read("FOO.DP"));
    EXPECT_TRUE(IsReadOnly("FOO.DP"));
    EXPECT_EQ(kCompanion, dir.Read("FOO.CDP"));
    std::vector<std::string> expected = {"FOO.CDP", "FOO.DP"};
    if (row.backup_remains) expected.push_back(kBackupName);
    EXPECT_EQ(expected, dir.List());
  }
}

TEST_F(ProcessDpFileTest, TheFailingStepsCodeSurvivesAFailingUndo) {
  dir_.Write("FOO.DP", kProfile);
  MakeReadOnly("FOO.DP");
  FaultOs os;
  os.step = FaultOs::kReplace;
  os.code = 32;
  os.fail_undo = true;
  InstalledOs installed(&os);
  FlagsFor flags(0);

  const Outcome outcome = Process("FOO.DP");

  EXPECT_EQ(0, outcome.result);
  EXPECT_EQ(32u, outcome.code);
  EXPECT_EQ(kProfile, dir_.Read("FOO.DP"));
}

TEST_F(ProcessDpFileTest, MissingFileIsReportedBeforeAnythingIsMade) {
  FlagsFor flags(FLAG_DEBUG);
  const Outcome outcome = Process("NONE.DP");
  EXPECT_EQ(0, outcome.result);
  EXPECT_EQ(plat::ERROR_FILE_NOT_FOUND, outcome.code);
  EXPECT_EQ("Dbg: ERROR:2  Cannot acquire file.\n", outcome.debug);
  EXPECT_EQ("", outcome.out);
  EXPECT_TRUE(dir_.List().empty());
}

TEST_F(ProcessDpFileTest, ArgumentWithDirectoryWorksOnThatFile) {
  const std::string rescaled = Rescaled(dir_, kProfile, 2);
  const struct {
    const char* argument;
    const char* heading;
    const char* companion;  // as typed, so in the argument's letter case
  } cases[] = {
      {"sub/FOO.DP", "sub/FOO.DP:\n", "sub/FOO.CDP"},
      {"sub\\foo.dp", "sub\\FOO.DP:\n", "sub/foo.CDP"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.argument);
    ScratchDir dir;
    std::filesystem::create_directory(dir.path() / "sub");
    dir.Write("sub/FOO.DP", kProfile);
    dir.Write(c.companion, kCompanion);
    // Same-named files in the current directory are not the ones named.
    const std::string decoy = "[BOXES]\nBox1=decoy,1,1,1,1,1,1\n";
    dir.Write("FOO.DP", decoy);
    dir.Write(c.companion + 4, kCompanion);
    InstalledOs installed(&clock_);
    FlagsFor flags(0);

    const Outcome outcome = Process(c.argument);

    ASSERT_EQ(1, outcome.result) << outcome.code;
    EXPECT_EQ(0u, outcome.out.rfind(c.heading, 0)) << outcome.out;
    EXPECT_EQ(rescaled, dir.Read("sub/FOO.DP"));
    EXPECT_EQ(kProfile, dir.Read(std::string("sub/") + kBackupName));
    EXPECT_EQ((std::vector<std::string>{"FOO.DP", kBackupName}),
              dir.List("sub"));  // companion gone, no work file
    EXPECT_EQ(decoy, dir.Read("FOO.DP"));
    EXPECT_EQ(kCompanion, dir.Read(c.companion + 4));
    EXPECT_EQ(3u, dir.List().size());
  }
}

TEST_F(ProcessDpFileTest, StoredLetterCaseNamesTheFileAndItsBackup) {
  dir_.Write("FOO.DP", kProfile);
  dir_.Write("foo.CDP", kCompanion);
  InstalledOs installed(&clock_);
  FlagsFor flags(0);

  const Outcome outcome = Process("foo.dp");

  ASSERT_EQ(1, outcome.result);
  EXPECT_EQ(0u, outcome.out.rfind("FOO.DP:\n", 0));
  EXPECT_EQ(kProfile, dir_.Read(kBackupName));
  EXPECT_FALSE(dir_.Exists("foo.CDP"));  // the companion keeps the typed case
}

TEST_F(ProcessDpFileTest, PatternWorksOnTheFirstFileFound) {
  dir_.Write("A.DP", kProfile);
  dir_.Write("B.DP", kProfile);
  dir_.Write("A.CDP", kCompanion);
  plat::FindData first{};
  plat::FindHandle search = plat::FindFirstFileA("*.DP", &first);
  ASSERT_NE(plat::FIND_INVALID, search);
  plat::FindClose(search);
  const std::string other = std::string(first.cFileName) == "A.DP" ? "B.DP"
                                                                    : "A.DP";
  InstalledOs installed(&clock_);
  FlagsFor flags(0);

  const Outcome outcome = Process("*.DP");

  ASSERT_EQ(1, outcome.result);
  EXPECT_EQ(0u, outcome.out.rfind(std::string(first.cFileName) + ":\n", 0));
  EXPECT_NE(kProfile, dir_.Read(first.cFileName));
  EXPECT_EQ(kProfile, dir_.Read(other));
  EXPECT_TRUE(dir_.Exists("A.CDP"));  // "*.CDP" names no single file
}

TEST_F(ProcessDpFileTest, AFileNamedLikeACompanionIsNotDeletedAsItsOwn) {
  dir_.Write("FOO.CDP", kProfile);
  InstalledOs installed(&clock_);
  FlagsFor flags(0);

  const Outcome outcome = Process("FOO.CDP");

  ASSERT_EQ(1, outcome.result);
  EXPECT_EQ(Rescaled(dir_, kProfile, 2), dir_.Read("FOO.CDP"));
  EXPECT_EQ(kProfile, dir_.Read("FOO.Z19990528193954.CDP"));
}

TEST_F(ProcessDpFileTest, SecondRunInTheSameSecondFindsTheNextName) {
  const std::string once = Rescaled(dir_, kProfile, 2);
  const std::string twice = Rescaled(dir_, once, 2);
  dir_.Write("FOO.DP", kProfile);
  clock_.readings_per_second = 2;  // the second run reads 54 once, then 55
  InstalledOs installed(&clock_);
  FlagsFor flags(0);

  ASSERT_EQ(1, Process("FOO.DP").result);
  ASSERT_EQ(1, Process("FOO.DP").result);

  EXPECT_EQ(1, clock_.sleeps);
  EXPECT_EQ(kProfile, dir_.Read("FOO.Z19990528193954.DP"));
  EXPECT_EQ(once, dir_.Read("FOO.Z19990528193955.DP"));
  EXPECT_EQ(twice, dir_.Read("FOO.DP"));
  EXPECT_EQ(3u, dir_.List().size());
}

}  // namespace
}  // namespace vx

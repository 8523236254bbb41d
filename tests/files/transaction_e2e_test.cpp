// The update of a damage profile as a user sees it: what the built program
// prints, its exit status, and the files it leaves behind.
#include <gtest/gtest.h>

#include <ctime>
#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include "support/run_program.h"
#include "support/scratch_dir.h"

namespace vx {
namespace {

namespace fs = std::filesystem;
using Names = std::vector<std::string>;

const std::string kProfile =
    "; Damage profile for the tests.\r\n"
    "[PROFILE]\n"
    "Name=Test tank\n"
    "\n"
    "[BOXES]\n"
    "Box1=hull,1.5,2,0.25,10,3.75,-1\n"
    "Box2=left track,-2.75,0,0,1,1.5,9\n"
    "\n"
    "[NOTES]\n"
    "Author=test\n";

// kProfile with its boxes rescaled by 2, every other byte unchanged.
const std::string kRescaled =
    "; Damage profile for the tests.\r\n"
    "[PROFILE]\n"
    "Name=Test tank\n"
    "\n"
    "[BOXES]\n"
    "Box1=hull,3.00,4.00,0.50,20.00,7.50,-2.00\n"
    "Box2=left track,-5.50,0.00,0.00,2.00,3.00,18.00\n"
    "\n"
    "[NOTES]\n"
    "Author=test\n";

const std::string kListing =
    "  Box1 = hull,1.5,2,0.25,10,3.75,-1\n"
    "          hull,3.00,4.00,0.50,20.00,7.50,-2.00\n"
    "  Box2 = left track,-2.75,0,0,1,1.5,9\n"
    "          left track,-5.50,0.00,0.00,2.00,3.00,18.00\n";

const std::string kViewListing =
    "  Box1 = hull,1.5,2,0.25,10,3.75,-1\n"
    "  Box2 = left track,-2.75,0,0,1,1.5,9\n";

const std::string kCompanion = "collision cache\n";

const std::string kMalformed =
    "[BOXES]\n"
    "Box1=hull,1,2,3,4,5,6\n"
    "Box2=torso,1,2\n"
    "Box3=head,1,2,3,4,5,6\n";

const std::string kNoBoxes = "[PROFILE]\nName=empty\n";

const test::ProgramRunner& Program() {
  static const test::ProgramRunner runner(VEXTOR_DEFAULT_PROGRAM);
  return runner;
}

bool IsBackupOf(const std::string& name, const std::string& base,
                const std::string& extension) {
  return std::regex_match(
      name, std::regex(base + "\\.Z[0-9]{14}" + std::regex_replace(
                                                      extension,
                                                      std::regex("\\."),
                                                      "\\.")));
}

Names BackupsIn(const Names& names, const std::string& base,
                const std::string& extension) {
  Names backups;
  for (const std::string& name : names) {
    if (IsBackupOf(name, base, extension)) backups.push_back(name);
  }
  return backups;
}

bool HasWriteBit(const fs::path& path) {
  const fs::perms perms = fs::status(path).permissions();
  return (perms & (fs::perms::owner_write | fs::perms::group_write |
                   fs::perms::others_write)) != fs::perms::none;
}

void MakeReadOnly(const fs::path& path) {
  fs::permissions(path,
                  fs::perms::owner_write | fs::perms::group_write |
                      fs::perms::others_write,
                  fs::perm_options::remove);
}

// The backup stamp of a moment `seconds_ahead` from now, in local time.
std::string StampAhead(int seconds_ahead) {
  const std::time_t moment = std::time(nullptr) + seconds_ahead;
  std::tm local{};
  localtime_r(&moment, &local);
  char stamp[32];
  std::strftime(stamp, sizeof stamp, "Z%Y%m%d%H%M%S", &local);
  return stamp;
}

class TransactionTest : public testing::Test {
 protected:
  test::ProgramRun Run(const Names& arguments) {
    return Program().Run(arguments, dir_.path());
  }
  test::ScratchDir dir_;
};

TEST_F(TransactionTest, UpdateRescalesKeepsABackupAndRemovesTheCompanion) {
  dir_.Write("FOO.DP", kProfile);
  dir_.Write("FOO.CDP", kCompanion);
  MakeReadOnly(dir_.path() / "FOO.DP");

  const test::ProgramRun run = Run({"-nologo", "FOO.DP"});

  EXPECT_EQ(0, run.status);
  EXPECT_EQ("FOO.DP:\n" + kListing, run.out);
  EXPECT_EQ("", run.err);
  EXPECT_EQ(kRescaled, dir_.Read("FOO.DP"));
  EXPECT_FALSE(HasWriteBit(dir_.path() / "FOO.DP"));
  const Names names = dir_.List();
  ASSERT_EQ(2u, names.size()) << "a work file or the companion is left";
  EXPECT_EQ("FOO.DP", names[0]);
  ASSERT_TRUE(IsBackupOf(names[1], "FOO", ".DP")) << names[1];
  EXPECT_EQ(kProfile, dir_.Read(names[1]));
}

TEST_F(TransactionTest, ViewOnlyListsAndLeavesEveryFile) {
  dir_.Write("FOO.DP", kProfile);
  dir_.Write("FOO.CDP", kCompanion);
  MakeReadOnly(dir_.path() / "FOO.DP");

  const test::ProgramRun run = Run({"-nologo", "-v", "FOO.DP"});

  EXPECT_EQ(0, run.status);
  EXPECT_EQ("FOO.DP:\n" + kViewListing, run.out);
  EXPECT_EQ(kProfile, dir_.Read("FOO.DP"));
  EXPECT_EQ(kCompanion, dir_.Read("FOO.CDP"));
  EXPECT_FALSE(HasWriteBit(dir_.path() / "FOO.DP"));
  EXPECT_EQ((Names{"FOO.CDP", "FOO.DP"}), dir_.List());
}

TEST_F(TransactionTest, ATakenBackupNameIsNeverOverwritten) {
  dir_.Write("FOO.DP", kProfile);
  // The names of this second and the next are taken, so the first run must
  // wait for a later one; the second run follows within the same second.
  const Names taken = {"FOO." + StampAhead(0) + ".DP",
                       "FOO." + StampAhead(1) + ".DP"};
  for (const std::string& name : taken) dir_.Write(name, "taken\n");

  const test::ProgramRun first = Run({"-nologo", "-x", "FOO.DP"});
  const test::ProgramRun second = Run({"-nologo", "FOO.DP"});

  EXPECT_EQ(0, first.status);
  EXPECT_EQ(0, second.status);
  // The run began in one of the two taken seconds.
  const auto redrove_over = [&](const std::string& name) {
    return first.err.find("Dbg: ERROR:50  The file " + name +
                          " already exists. Redriving.\n") != std::string::npos;
  };
  EXPECT_TRUE(redrove_over(taken[0]) || redrove_over(taken[1])) << first.err;
  for (const std::string& name : taken) EXPECT_EQ("taken\n", dir_.Read(name));
  Names made;
  for (const std::string& name : BackupsIn(dir_.List(), "FOO", ".DP")) {
    if (name != taken[0] && name != taken[1]) made.push_back(name);
  }
  ASSERT_EQ(2u, made.size());  // sorted by stamp: the first run's first
  EXPECT_EQ(kProfile, dir_.Read(made[0]));
  EXPECT_EQ(kRescaled, dir_.Read(made[1]));
  EXPECT_NE(kRescaled, dir_.Read("FOO.DP"));  // rescaled twice
}

TEST_F(TransactionTest, StoredNameIsUsedWhateverTheLetterCaseTyped) {
  dir_.Write("FOO.DP", kProfile);
  dir_.Write("foo.CDP", kCompanion);

  const test::ProgramRun run = Run({"-nologo", "foo.dp"});

  EXPECT_EQ(0, run.status);
  EXPECT_EQ("FOO.DP:\n" + kListing, run.out);
  EXPECT_EQ(kRescaled, dir_.Read("FOO.DP"));
  const Names backups = BackupsIn(dir_.List(), "FOO", ".DP");
  ASSERT_EQ(1u, backups.size());
  EXPECT_EQ(kProfile, dir_.Read(backups[0]));
  EXPECT_FALSE(dir_.Exists("foo.CDP"));
}

TEST_F(TransactionTest, ArgumentWithDirectoryUpdatesTheFileThere) {
  fs::create_directories(dir_.path() / "data");
  fs::create_directories(dir_.path() / "work");
  dir_.Write("data/FOO.DP", kProfile);
  dir_.Write("data/foo.CDP", kCompanion);
  // Same names in the current directory: not the files named.
  dir_.Write("work/FOO.DP", kProfile);
  dir_.Write("work/foo.CDP", kCompanion);

  const test::ProgramRun run =
      Program().Run({"-nologo", "..\\data/foo.dp"}, dir_.path() / "work");

  EXPECT_EQ(0, run.status) << run.out;
  EXPECT_EQ("..\\data/FOO.DP:\n" + kListing, run.out);
  EXPECT_EQ(kRescaled, dir_.Read("data/FOO.DP"));
  const Names data = dir_.List("data");
  ASSERT_EQ(2u, data.size()) << "a work file or the companion is left";
  EXPECT_TRUE(IsBackupOf(data[1], "FOO", ".DP")) << data[1];
  EXPECT_EQ(kProfile, dir_.Read("data/" + data[1]));
  EXPECT_EQ((Names{"FOO.DP", "foo.CDP"}), dir_.List("work"));
  EXPECT_EQ(kProfile, dir_.Read("work/FOO.DP"));
}

TEST_F(TransactionTest, PatternUpdatesEveryMatchInNameOrder) {
  for (const char* name : {"b.DP", "A.DP", "c.dp"}) dir_.Write(name, kProfile);
  dir_.Write("notes.txt", "not a profile\n");

  const test::ProgramRun run = Run({"-nologo", "*.DP"});

  EXPECT_EQ(0, run.status);
  EXPECT_EQ("A.DP:\n" + kListing + "b.DP:\n" + kListing + "c.dp:\n" + kListing,
            run.out);
  const Names names = dir_.List();
  for (const std::string name : {"b", "A", "c"}) {
    const std::string extension = name == "c" ? ".dp" : ".DP";
    EXPECT_EQ(kRescaled, dir_.Read(name + extension)) << name;
    const Names backups = BackupsIn(names, name, extension);
    ASSERT_EQ(1u, backups.size()) << name;
    EXPECT_EQ(kProfile, dir_.Read(backups[0]));
  }
  EXPECT_EQ(7u, names.size()) << "a work file is left";
}

TEST_F(TransactionTest, AFailedFileIsUndoneAndTheNextIsStillUpdated) {
  dir_.Write("BAD.DP", kMalformed);
  dir_.Write("BAD.CDP", kCompanion);
  dir_.Write("GOOD.DP", kProfile);

  const test::ProgramRun run = Run({"-nologo", "BAD.DP", "GOOD.DP"});

  EXPECT_EQ(1, run.status);
  EXPECT_EQ(
      "BAD.DP:\n"
      "  Box1 = hull,1,2,3,4,5,6\n"
      "          hull,2.00,4.00,6.00,8.00,10.00,12.00\n"
      "  Box2 = torso,1,2\n"
      "ERROR:57  Processing failed for BAD.DP\n"
      "GOOD.DP:\n" +
          kListing,
      run.out);
  EXPECT_EQ(kMalformed, dir_.Read("BAD.DP"));
  EXPECT_EQ(kCompanion, dir_.Read("BAD.CDP"));
  EXPECT_EQ(kRescaled, dir_.Read("GOOD.DP"));
  const Names names = dir_.List();
  EXPECT_TRUE(BackupsIn(names, "BAD", ".DP").empty());
  EXPECT_EQ(1u, BackupsIn(names, "GOOD", ".DP").size());
  EXPECT_EQ(4u, names.size()) << "a work file is left";
}

TEST_F(TransactionTest, FailuresLeaveNoTrace) {
  struct Case {
    const char* what;
    Names arguments;
    std::string out;
  };
  const Case cases[] = {
      {"missing file", {"MISSING.DP"},
       "ERROR:2  Processing failed for MISSING.DP\n"},
      {"no BOXES section", {"EMPTY.DP"},
       "EMPTY.DP:\nERROR:2  Processing failed for EMPTY.DP\n"},
      {"malformed box, view only", {"-v", "BAD.DP"},
       "BAD.DP:\n  Box1 = hull,1,2,3,4,5,6\n  Box2 = torso,1,2\n"
       "ERROR:57  Processing failed for BAD.DP\n"},
      // A directory cannot be copied: to a backup, or (view only) to a
      // work file, which is then removed again.
      {"directory", {"SUB"}, "ERROR:5  Processing failed for SUB\n"},
      {"directory, view only", {"-v", "SUB"},
       "SUB:\nERROR:5  Processing failed for SUB\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    test::ScratchDir dir;
    fs::create_directory(dir.path() / "SUB");
    dir.Write("EMPTY.DP", kNoBoxes);
    dir.Write("BAD.DP", kMalformed);
    dir.Write("EMPTY.CDP", kCompanion);
    const Names before = dir.List();

    Names arguments = {"-nologo"};
    arguments.insert(arguments.end(), c.arguments.begin(), c.arguments.end());
    const test::ProgramRun run = Program().Run(arguments, dir.path());

    EXPECT_EQ(1, run.status);
    EXPECT_EQ(c.out, run.out);
    EXPECT_EQ(before, dir.List());
    EXPECT_EQ(kNoBoxes, dir.Read("EMPTY.DP"));
    EXPECT_EQ(kMalformed, dir.Read("BAD.DP"));
    EXPECT_TRUE(dir.List("SUB").empty());
  }
}

}  // namespace
}  // namespace vx

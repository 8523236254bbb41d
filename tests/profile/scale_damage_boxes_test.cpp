#include "profile/scale_damage_boxes.h"

#include <gtest/gtest.h>

#include <string>

#include "cli/run_flags.h"
#include "platform/platform.h"
#include "support/scratch_dir.h"

namespace vx {
namespace {

using testing::internal::CaptureStderr;
using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStderr;
using testing::internal::GetCapturedStdout;

// Counts whole-file writes and fails reads or writes on request.
class ProfileOs : public plat::ForwardingOs {
 public:
  int ReadWholeFile(const char* name, std::string* contents) override {
    if (read_error != 0) {
      SetLastError(read_error);
      return 0;
    }
    return ForwardingOs::ReadWholeFile(name, contents);
  }
  int WriteWholeFile(const char* name, const std::string& contents) override {
    ++writes;
    if (write_error != 0) {
      SetLastError(write_error);
      return 0;
    }
    return ForwardingOs::WriteWholeFile(name, contents);
  }

  plat::DWORD read_error = 0;
  plat::DWORD write_error = 0;
  int writes = 0;
};

struct Outcome {
  int result;
  plat::DWORD code;
  std::string out;
  std::string err;
};

const char kFile[] = "work.DP";
const char kScanning[] = "Dbg: Scanning for BOXES section in work.DP\n";
const char kLoaded[] = "Dbg: BOXES section loaded.\n";

std::string EntryLog(const std::string& key) {
  return "Dbg: Scanning for \"" + key + "\" value in BOXES section.\n" +
         "Dbg: Value loaded.\n" +
         "Dbg: Value loaded and box structure filled.\n";
}

class ScaleDamageBoxesTest : public testing::Test {
 protected:
  void SetUp() override {
    saved_flags_ = RunFlags;
    RunFlags = FLAG_DEBUG;
    plat::InstallOs(&os_);
  }
  void TearDown() override {
    plat::InstallOs(nullptr);
    RunFlags = saved_flags_;
  }

  Outcome Run(std::int32_t scale, const char* file = kFile) {
    CaptureStdout();
    CaptureStderr();
    plat::SetLastError(0);
    Outcome outcome{};
    outcome.result = ScaleDamageBoxes(file, scale);
    outcome.code = plat::GetLastError();
    outcome.out = GetCapturedStdout();
    outcome.err = GetCapturedStderr();
    return outcome;
  }

  test::ScratchDir dir_;
  ProfileOs os_;

 private:
  std::uint32_t saved_flags_ = 0;
};

TEST_F(ScaleDamageBoxesTest, ListsRewritesAndLogsEachEntryInOrder) {
  dir_.Write(kFile,
             "; damage profile\r\n[BOXES]\r\nBox1=head,1,2,3,4,5,6\r\n"
             "Box2 = arm,0.5,1,1.5,2,2.5,3 \r\n[Other]\r\nBox1=x,1\r\n");
  const Outcome run = Run(2);
  EXPECT_EQ(run.result, 1);
  EXPECT_EQ(run.out,
            "  Box1 = head,1,2,3,4,5,6\n"
            "          head,2.00,4.00,6.00,8.00,10.00,12.00\n"
            "  Box2 = arm,0.5,1,1.5,2,2.5,3\n"
            "          arm,1.00,2.00,3.00,4.00,5.00,6.00\n");
  EXPECT_EQ(run.err,
            kScanning + std::string(kLoaded) + EntryLog("Box1") + EntryLog("Box2"));
  EXPECT_EQ(dir_.Read(kFile),
            "; damage profile\r\n[BOXES]\r\n"
            "Box1=head,2.00,4.00,6.00,8.00,10.00,12.00\r\n"
            "Box2 = arm,1.00,2.00,3.00,4.00,5.00,6.00 \r\n[Other]\r\nBox1=x,1\r\n");
  EXPECT_EQ(os_.writes, 1);
}

TEST_F(ScaleDamageBoxesTest, OtherScales) {
  const struct {
    std::int32_t scale;
    const char* first;
    const char* second;
  } cases[] = {
      {1, "head,0.13,2.67,1.00,0.38,9.99,-0.00",
       "head,1.00,-2.00,3.00,4.00,5.00,6.00"},
      {0, "head,0.00,0.00,0.00,0.00,0.00,0.00",
       "head,0.00,0.00,0.00,0.00,0.00,0.00"},
      {-2, "head,-0.25,-5.35,-2.01,-0.75,-19.99,0.00",
       "head,-2.00,4.00,-6.00,-8.00,-10.00,-12.00"},
      {2, "head,0.25,5.35,2.01,0.75,19.99,-0.00",
       "head,2.00,-4.00,6.00,8.00,10.00,12.00"},
      {65538, "head,0.25,5.35,2.01,0.75,19.99,-0.00",
       "head,2.00,-4.00,6.00,8.00,10.00,12.00"},
      {65535, "head,-0.13,-2.67,-1.00,-0.38,-9.99,0.00",
       "head,-1.00,2.00,-3.00,-4.00,-5.00,-6.00"},
  };
  for (const auto& c : cases) {
    dir_.Write(kFile,
               "[BOXES]\nA=head,0.125,2.675,1.005,0.375,9.995,-0.001\n"
               "B=head,1,-2,3,4,5,6\n");
    const Outcome run = Run(c.scale);
    EXPECT_EQ(run.result, 1) << c.scale;
    EXPECT_EQ(dir_.Read(kFile), std::string("[BOXES]\nA=") + c.first + "\nB=" +
                                    c.second + "\n")
        << c.scale;
  }
}

// A failing entry ends the walk: result 0, the code, the debug line, the
// listing up to that entry, and the file exactly as it was.
TEST_F(ScaleDamageBoxesTest, FailuresLeaveTheFileUntouched) {
  const std::string good = "Box1=head,1,2,3,4,5,6\n";
  const std::string good_out =
      "  Box1 = head,1,2,3,4,5,6\n"
      "          head,2.00,4.00,6.00,8.00,10.00,12.00\n";
  const struct {
    std::string contents;
    plat::DWORD code;
    std::string out;
    std::string last_debug_line;
  } cases[] = {
      {"[OTHER]\n" + good, 2, "", "Dbg: ERROR:2  BOXES section not found.\n"},
      {"[BOXES]\nERROR:2=head,1,2,3,4,5,6\n", 2, "",
       "Dbg: ERROR:2  BOXES section not found.\n"},
      {"[BOXES]\n" + good + "Box2=ERROR:2\n" + good, 2, good_out,
       "Dbg: ERROR:2  Value not found.\n"},
      {"[BOXES]\n" + good + "Box2=,,,\n" + good, 87, good_out + "  Box2 = ,,,\n",
       "Dbg: ERROR:57  Malformed damage box, cannot find name.\n"},
      {"[BOXES]\nBox2=\n", 87, "  Box2 = \n",
       "Dbg: ERROR:57  Malformed damage box, cannot find name.\n"},
      {"[BOXES]\n" + good + "Box2=head,   \n", 87, good_out + "  Box2 = head,\n",
       "Dbg: ERROR:57  Malformed damage box, cannot parse past name.\n"},
      {"[BOXES]\n" + good + good + "Box3=head,1, 2,3,4,5,6\n", 87,
       good_out + good_out + "  Box3 = head,1, 2,3,4,5,6\n",
       "Dbg: ERROR:57  Incorrect number of values in damage box.\n"},
      {"[BOXES]\nBox2=head,1,2,3,4,5,1e39\n", 87,
       "  Box2 = head,1,2,3,4,5,1e39\n",
       "Dbg: ERROR:57  Damage box value out of range.\n"},
      {"[BOXES]\n" + good + "Box2=head,3e38,1,1,1,1,1\n", 87,
       good_out + "  Box2 = head,3e38,1,1,1,1,1\n",
       "Dbg: ERROR:57  Damage box value out of range.\n"},
  };
  for (const auto& c : cases) {
    dir_.Write(kFile, c.contents);
    os_.writes = 0;
    const Outcome run = Run(2);
    EXPECT_EQ(run.result, 0) << c.contents;
    EXPECT_EQ(run.code, c.code) << c.contents;
    EXPECT_EQ(run.out, c.out) << c.contents;
    ASSERT_GE(run.err.size(), c.last_debug_line.size()) << c.contents;
    EXPECT_EQ(run.err.substr(run.err.size() - c.last_debug_line.size()),
              c.last_debug_line)
        << c.contents;
    EXPECT_EQ(os_.writes, 0) << c.contents;
    EXPECT_EQ(dir_.Read(kFile), c.contents);
  }
}

TEST_F(ScaleDamageBoxesTest, AMissingFileHasNoSection) {
  const Outcome run = Run(2, "absent.DP");
  EXPECT_EQ(run.result, 0);
  EXPECT_EQ(run.code, plat::ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(run.err,
            "Dbg: Scanning for BOXES section in absent.DP\n"
            "Dbg: ERROR:2  BOXES section not found.\n");
  EXPECT_FALSE(dir_.Exists("absent.DP"));
}

TEST_F(ScaleDamageBoxesTest, AReadFailureKeepsThePlatformCode) {
  dir_.Write(kFile, "[BOXES]\nBox1=head,1,2,3,4,5,6\n");
  os_.read_error = plat::ERROR_ACCESS_DENIED;
  const Outcome run = Run(2);
  EXPECT_EQ(run.result, 0);
  EXPECT_EQ(run.code, plat::ERROR_ACCESS_DENIED);
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(run.err, kScanning + std::string("Dbg: ERROR:5  Cannot read work.DP.\n"));
}

TEST_F(ScaleDamageBoxesTest, ASaveFailureKeepsItsCodeAndTheFile) {
  const std::string contents = "[BOXES]\nBox1=head,1,2,3,4,5,6\n";
  dir_.Write(kFile, contents);
  os_.write_error = plat::ERROR_DISK_FULL;
  const Outcome run = Run(2);
  EXPECT_EQ(run.result, 0);
  EXPECT_EQ(run.code, plat::ERROR_DISK_FULL);
  EXPECT_EQ(run.out,
            "  Box1 = head,1,2,3,4,5,6\n"
            "          head,2.00,4.00,6.00,8.00,10.00,12.00\n");
  EXPECT_EQ(run.err, kScanning + std::string(kLoaded) + EntryLog("Box1") +
                         "Dbg: ERROR:70  Wpps failed.\n");
  EXPECT_EQ(dir_.Read(kFile), contents);
}

TEST_F(ScaleDamageBoxesTest, AnEmptySectionSucceedsWithoutWriting) {
  const std::string contents = "[BOXES]\n; nothing yet\n[Next]\nBox1=a,1,1,1,1,1,1\n";
  dir_.Write(kFile, contents);
  const Outcome run = Run(2);
  EXPECT_EQ(run.result, 1);
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(run.err, kScanning + std::string(kLoaded));
  EXPECT_EQ(os_.writes, 0);
  EXPECT_EQ(dir_.Read(kFile), contents);
}

TEST_F(ScaleDamageBoxesTest, ViewOnlyListsAndValidatesButNeverWrites) {
  RunFlags = FLAG_VIEWONLY;
  const std::string contents =
      "[BOXES]\nBox1=head,1,2,3,4,5,6\nBox2=arm,1,2,3,4,5,6 spare\n";
  dir_.Write(kFile, contents);
  Outcome run = Run(2);
  EXPECT_EQ(run.result, 1);
  EXPECT_EQ(run.out,
            "  Box1 = head,1,2,3,4,5,6\n  Box2 = arm,1,2,3,4,5,6 spare\n");
  EXPECT_EQ(run.err, "");  // no debug output without -x
  EXPECT_EQ(os_.writes, 0);
  EXPECT_EQ(dir_.Read(kFile), contents);

  for (const std::string bad : {"Box3=head,1,2,3,4,5\n", "Box3=head,1e40,2,3,4,5,6\n"}) {
    dir_.Write(kFile, contents + bad);
    run = Run(2);
    EXPECT_EQ(run.result, 0) << bad;
    EXPECT_EQ(run.code, plat::ERROR_INVALID_PARAMETER) << bad;
    EXPECT_EQ(os_.writes, 0) << bad;
  }
}

TEST_F(ScaleDamageBoxesTest, DuplicateKeysAreEachScaledOnce) {
  dir_.Write(kFile,
             "[BOXES]\nBox=a,1,1,1,1,1,1\nbox=b,2,2,2,2,2,2\n"
             "Other=o,0,0,0,0,0,0\nBOX = c,3,3,3,3,3,3\n");
  const Outcome run = Run(2);
  EXPECT_EQ(run.result, 1);
  EXPECT_EQ(dir_.Read(kFile),
            "[BOXES]\nBox=a,2.00,2.00,2.00,2.00,2.00,2.00\n"
            "box=b,4.00,4.00,4.00,4.00,4.00,4.00\n"
            "Other=o,0.00,0.00,0.00,0.00,0.00,0.00\n"
            "BOX = c,6.00,6.00,6.00,6.00,6.00,6.00\n");
}

TEST_F(ScaleDamageBoxesTest, LongSectionsAndEntriesAreProcessedWhole) {
  // Far more key names than fit in 260 bytes, and entries longer than 259
  // characters both ways.
  const std::string long_name(1000, 'n');
  std::string contents = "[BOXES]\n";
  std::string expected = "[BOXES]\n";
  for (int i = 0; i < 300; ++i) {
    const std::string key = "DamageBoxNumber" + std::to_string(i);
    contents += key + "=b" + std::to_string(i) + ",1,2,3,4,5,6\n";
    expected += key + "=b" + std::to_string(i) +
                ",2.00,4.00,6.00,8.00,10.00,12.00\n";
  }
  contents += "Long=" + long_name + ",1,2,3,4,5," + std::string(300, '0') + "6\n";
  expected += "Long=" + long_name + ",2.00,4.00,6.00,8.00,10.00,12.00\n";
  dir_.Write(kFile, contents);
  RunFlags = 0;
  const Outcome run = Run(2);
  EXPECT_EQ(run.result, 1);
  EXPECT_EQ(dir_.Read(kFile), expected);
}

}  // namespace
}  // namespace vx

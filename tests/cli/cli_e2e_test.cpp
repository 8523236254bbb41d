// The program as a user runs it: texts, exit statuses and option handling,
// checked by running the built program in a scratch directory.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "support/run_program.h"
#include "support/scratch_dir.h"

namespace vx {
namespace {

using Names = std::vector<std::string>;

const std::string kBanner =
    "Vextor Damage Profile Scaling Utility  Version 1.0.0.9148\n"
    "Copyright (c) 2026 The Vextor developers. All rights reserved.\n"
    "\n";

const std::string kUsage =
    "Usage: Vextor [-nologo] [-hvx?] [-s Scale] Dpfile [Dpfile ...]\n\n";

const std::string kHelp =
    kUsage +
    "  Options:\n"
    "    h - Help, (this)\n"
    "    s - Specify the scale value to set. Default is 2.\n"
    "    v - View Only. View the current scale without updating it.\n"
    "    x - Debug. Emit [numerous] debug messages.\n"
    "    ? - Usage.\n"
    "\n"
    "    nologo - Don't display copyright information.\n"
    "    Scale - The scale value to update the Damage Box values with.\n"
    "    Dpfile - The name of the Damage Profile file to modify.\n"
    "\n"
    "With no parameters, other than the name of a Damage Profile file, Vextor\n"
    "adjusts the Damage Box values in the specified Damage Profile file by\n"
    "mulitplying them by the [default] value \"2\".\n"
    "\n"
    "The \"-s\" option can be used to specify a different scale.\n"
    "\n"
    "A backup copy of the original Damage Profile file is created using a name\n"
    "built in the following format:\n"
    "\n"
    "Dpbasename.Zyyyymmddhhmmss.DP\n"
    "\n"
    "where \"yyyymmddhhmmss\" is the date and time when the utility began to\n"
    "process the specified file.\n"
    "\n";

const std::string kNoFile =
    "ERROR:57  At least one .DP file must be specified.\n";

// A profile the options must leave alone when they stop the run.
const std::string kProfile =
    "[BOXES]\n"
    "Box1=hull,1,2,3,4,5,6\n";

std::string Failed(const std::string& code, const std::string& name) {
  return "ERROR:" + code + "  Processing failed for " + name + "\n";
}

std::string BadScale(const std::string& text) {
  return "ERROR:57  The scale must be a whole number from -32768 to 32767: " +
         text + "\n";
}

std::string Join(const Names& arguments) {
  std::string joined;
  for (const std::string& argument : arguments) {
    joined += "[" + argument + "]";
  }
  return joined;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream stream(text);
  for (std::string line; std::getline(stream, line);) lines.push_back(line);
  return lines;
}

// The names in the "Processing failed" lines, in output order.
Names FailedNames(const std::string& out) {
  const std::string marker = "  Processing failed for ";
  Names names;
  for (const std::string& line : Lines(out)) {
    const std::size_t at = line.find(marker);
    if (line.rfind("ERROR:", 0) == 0 && at != std::string::npos) {
      names.push_back(line.substr(at + marker.size()));
    }
  }
  return names;
}

const test::ProgramRunner& Program() {
  static const test::ProgramRunner runner(VEXTOR_DEFAULT_PROGRAM);
  return runner;
}

struct TextCase {
  Names arguments;
  std::string out;
  int status;
};

class CliTest : public ::testing::Test {
 protected:
  test::ProgramRun Run(const Names& arguments) {
    return Program().Run(arguments, dir_.path());
  }

  // The scanner's message for `text` and `option`. The program name in
  // front of it is argument 0 as the program received it, which only a
  // native build gets exactly as the harness passed it.
  void ExpectScannerMessage(const std::string& err, const std::string& text,
                            char option) {
    const std::string tail = " : " + text + " --  " + option + "\n";
    if (Program().IsWindowsBuild()) {
      ASSERT_GE(err.size(), tail.size());
      EXPECT_EQ(err.substr(err.size() - tail.size()), tail);
      EXPECT_EQ(Lines(err).size(), 1u) << err;
    } else {
      EXPECT_EQ(err, Program().program() + tail);
    }
  }

  // Runs each case and expects its standard output and exit status, with
  // nothing on standard error.
  template <std::size_t N>
  void ExpectQuietRuns(const TextCase (&cases)[N]) {
    for (const TextCase& c : cases) {
      SCOPED_TRACE(Join(c.arguments));
      const test::ProgramRun run = Run(c.arguments);
      EXPECT_EQ(run.out, c.out);
      EXPECT_EQ(run.err, "");
      EXPECT_EQ(run.status, c.status);
    }
  }

  test::ScratchDir dir_;
};


TEST_F(CliTest, RunWithoutFileName) {
  const TextCase cases[] = {
      {{}, kBanner + kNoFile, 87},
      {{"-nologo"}, kNoFile, 87},
      {{"-n", "ologo", "-e"}, kNoFile, 87},
      {{"-x", "-v", "-s", "5"}, kBanner + kNoFile, 87},
      {{"--"}, kBanner + kNoFile, 87},
  };
  ExpectQuietRuns(cases);
}

TEST_F(CliTest, HelpAndUsageEndTheRunBeforeAnyFile) {
  dir_.Write("a.DP", kProfile);
  const TextCase cases[] = {
      {{"-h"}, kHelp, 0},
      {{"-h", "a.DP"}, kHelp, 0},
      {{"-nologo", "-h", "a.DP"}, kHelp, 0},
      {{"-xh", "a.DP"}, kHelp, 0},
      {{"-?"}, kUsage, 0},
      {{"-v", "-?", "a.DP"}, kUsage, 0},
      {{"-?", "-h"}, kUsage, 0},
  };
  ExpectQuietRuns(cases);
  EXPECT_EQ(dir_.List(), Names{"a.DP"});
  EXPECT_EQ(dir_.Read("a.DP"), kProfile);
}

TEST_F(CliTest, OptionErrorsShowMessageAndUsage) {
  dir_.Write("a.DP", kProfile);
  struct ErrorCase {
    Names arguments;
    const char* text;
    char option;
  };
  const ErrorCase cases[] = {
      {{"-q"}, "illegal option", 'q'},
      {{"-q", "a.DP"}, "illegal option", 'q'},
      {{"-q", "-h"}, "illegal option", 'q'},
      {{"-vq", "a.DP"}, "illegal option", 'q'},
      {{"-:", "a.DP"}, "illegal option", ':'},
      {{"--x", "a.DP"}, "illegal option", '-'},
      {{"-s"}, "option requires an argument", 's'},
      {{"-v", "-n"}, "option requires an argument", 'n'},
      {{"-xs"}, "option requires an argument", 's'},
  };
  for (const ErrorCase& c : cases) {
    SCOPED_TRACE(Join(c.arguments));
    const test::ProgramRun run = Run(c.arguments);
    EXPECT_EQ(run.out, kUsage);
    ExpectScannerMessage(run.err, c.text, c.option);
    EXPECT_EQ(run.status, 87);
  }
  EXPECT_EQ(dir_.List(), Names{"a.DP"});
  EXPECT_EQ(dir_.Read("a.DP"), kProfile);
}

std::string ProfileScaledBy(const std::string& values) {
  return "[BOXES]\nBox1=hull," + values + "\n";
}

// Each accepted scale text reaches the file as the factor it names.
TEST_F(CliTest, AcceptedScaleIsTheOneApplied) {
  struct Applied {
    Names options;
    std::string values;
  };
  const Applied cases[] = {
      {{}, "2.00,4.00,6.00,8.00,10.00,12.00"},
      {{"-s", "3"}, "3.00,6.00,9.00,12.00,15.00,18.00"},
      {{"-s3"}, "3.00,6.00,9.00,12.00,15.00,18.00"},
      {{"-s", " +3 "}, "3.00,6.00,9.00,12.00,15.00,18.00"},
      {{"-s", "\t7"}, "7.00,14.00,21.00,28.00,35.00,42.00"},
      {{"-s", "-2"}, "-2.00,-4.00,-6.00,-8.00,-10.00,-12.00"},
      {{"-s-2"}, "-2.00,-4.00,-6.00,-8.00,-10.00,-12.00"},
      {{"-s", "32767"},
       "32767.00,65534.00,98301.00,131068.00,163835.00,196602.00"},
      {{"-s", "-32768"},
       "-32768.00,-65536.00,-98304.00,-131072.00,-163840.00,-196608.00"},
      {{"-s", "010"}, "10.00,20.00,30.00,40.00,50.00,60.00"},
      {{"-s", "0"}, "0.00,0.00,0.00,0.00,0.00,0.00"},
      {{"-s", "3", "-s", "4"}, "4.00,8.00,12.00,16.00,20.00,24.00"},
      // -v is the argument of -n here: the file is rewritten.
      {{"-n", "-v"}, "2.00,4.00,6.00,8.00,10.00,12.00"},
  };
  int number = 0;
  for (const Applied& c : cases) {
    Names arguments = {"-nologo"};
    arguments.insert(arguments.end(), c.options.begin(), c.options.end());
    arguments.push_back("a.DP");
    SCOPED_TRACE(Join(arguments));
    // A directory per run: backup names are stamped to the second, so runs
    // in one directory would wait for a free name.
    const std::string sub = "run" + std::to_string(++number);
    std::filesystem::create_directory(dir_.path() / sub);
    dir_.Write(sub + "/a.DP", kProfile);
    const test::ProgramRun run = Program().Run(arguments, dir_.path() / sub);
    EXPECT_EQ(run.status, 0) << run.out;
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(dir_.Read(sub + "/a.DP"), ProfileScaledBy(c.values));
  }
}

TEST_F(CliTest, GroupedViewOnlyLeavesTheFile) {
  dir_.Write("a.DP", kProfile);
  const test::ProgramRun run = Run({"-xvnologo", "a.DP"});
  EXPECT_EQ(run.status, 0) << run.out;
  EXPECT_EQ(run.out.rfind("Vextor", 0), std::string::npos) << run.out;
  EXPECT_EQ(dir_.Read("a.DP"), kProfile);
  EXPECT_EQ(dir_.List(), Names{"a.DP"});
  // Debug mode is on: the run explains itself on standard error.
  EXPECT_FALSE(run.err.empty());
  for (const std::string& line : Lines(run.err)) {
    EXPECT_EQ(line.rfind("Dbg: ", 0), 0u) << line;
  }
}

TEST_F(CliTest, FailedFileDoesNotStopTheNext) {
  dir_.Write("b.DP", kProfile);
  const test::ProgramRun run = Run({"-nologo", "missing.DP", "b.DP"});
  EXPECT_EQ(FailedNames(run.out), Names{"missing.DP"});
  EXPECT_EQ(run.out.rfind(Failed("2", "missing.DP"), 0), 0u) << run.out;
  EXPECT_EQ(dir_.Read("b.DP"),
            ProfileScaledBy("2.00,4.00,6.00,8.00,10.00,12.00"));
  EXPECT_EQ(run.status, 1);
}

// A scale that is not a whole number in range stops the run at once: no
// banner, no later option, no file.
TEST_F(CliTest, ScaleTextsRefused) {
  dir_.Write("a.DP", kProfile);
  struct Refused {
    Names arguments;
    std::string shown;
  };
  const Refused cases[] = {
      {{"-s", "x", "a.DP"}, "x"},
      {{"-s", "1.5", "a.DP"}, "1.5"},
      {{"-s", "3x", "a.DP"}, "3x"},
      {{"-s", "0x10", "a.DP"}, "0x10"},
      {{"-s", "65536", "a.DP"}, "65536"},
      {{"-s", "32768", "a.DP"}, "32768"},
      {{"-s", "-32769", "a.DP"}, "-32769"},
      {{"-s", "4294967298", "a.DP"}, "4294967298"},
      {{"-s", "", "a.DP"}, ""},
      {{"-s", "-", "a.DP"}, "-"},
      {{"-s", "- 3", "a.DP"}, "- 3"},
      {{"-sx", "a.DP"}, "x"},
      {{"-s", "3", "-s", "x", "a.DP"}, "x"},
      {{"-s", "x", "-s", "3", "a.DP"}, "x"},
      {{"-s", "x", "-q", "a.DP"}, "x"},
      {{"-s", "x", "-h"}, "x"},
      {{"-s", "x"}, "x"},
  };
  for (const Refused& c : cases) {
    SCOPED_TRACE(Join(c.arguments));
    const test::ProgramRun run = Run(c.arguments);
    EXPECT_EQ(run.out, BadScale(c.shown));
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(run.status, 87);
  }
  EXPECT_EQ(dir_.List(), Names{"a.DP"});
  EXPECT_EQ(dir_.Read("a.DP"), kProfile);
}

TEST_F(CliTest, NologoNeedsExactlyOlogo) {
  const TextCase cases[] = {
      {{"-n", "ologo", "missing.DP"}, Failed("2", "missing.DP"), 1},
      {{"-nologo", "missing.DP"}, Failed("2", "missing.DP"), 1},
      {{"-nologos", "missing.DP"}, kBanner + Failed("2", "missing.DP"), 1},
      {{"-nOLOGO", "missing.DP"}, kBanner + Failed("2", "missing.DP"), 1},
      // -v is the argument of -n: one file, and no view-only mode.
      {{"-n", "-v", "missing.DP"}, kBanner + Failed("2", "missing.DP"), 1},
  };
  ExpectQuietRuns(cases);
}

TEST_F(CliTest, FileArgumentsAfterTheOptions) {
  const TextCase cases[] = {
      // Options end at the first file name; later minus signs are names.
      {{"-nologo", "missing.DP", "-v"},
       Failed("2", "missing.DP") + Failed("2", "-v"), 1},
      {{"-nologo", "--", "-x.DP"}, Failed("2", "-x.DP"), 1},
      {{"-nologo", "-"}, Failed("2", "-"), 1},
      // A failed file does not stop the run.
      {{"-nologo", "one.DP", "two.DP"},
       Failed("2", "one.DP") + Failed("2", "two.DP"), 1},
  };
  ExpectQuietRuns(cases);
}

TEST_F(CliTest, ErrorTextFollowsEachFailedFile) {
  const test::ProgramRun run = Run({"-nologo", "-e", "one.DP", "two.DP"});
  EXPECT_EQ(run.out, Failed("2", "one.DP") + Failed("2", "two.DP"));
  // The system's own text for "file not found", once per failed file.
  const std::vector<std::string> lines = Lines(run.err);
  ASSERT_EQ(lines.size(), 2u) << run.err;
  EXPECT_EQ(lines[0], lines[1]);
  EXPECT_FALSE(lines[0].empty());
  EXPECT_EQ(lines[0].find("No message text"), std::string::npos) << lines[0];
  EXPECT_EQ(run.err.back(), '\n');
  EXPECT_EQ(run.status, 1);
}

TEST_F(CliTest, PatternsExpandInCaseInsensitiveOrder) {
  // Directories match a pattern too, and can never be processed as a
  // profile, so each one yields its own error line.
  for (const char* name : {"b.DP", "c.dp", "A.DP"}) {
    std::filesystem::create_directory(dir_.path() / name);
  }
  const test::ProgramRun run = Run({"-nologo", "*.dp", "*.none"});
  EXPECT_EQ(FailedNames(run.out), (Names{"A.DP", "b.DP", "c.dp", "*.none"}));
  EXPECT_EQ(run.status, 1);
}

TEST_F(CliTest, OptionPatternIsExpandedToo) {
  dir_.Write("-a", "");
  const test::ProgramRun run = Run({"-?", "a.DP"});
  EXPECT_EQ(run.out, kUsage);
  ExpectScannerMessage(run.err, "illegal option", 'a');
  EXPECT_EQ(run.status, 87);
}

}  // namespace
}  // namespace vx

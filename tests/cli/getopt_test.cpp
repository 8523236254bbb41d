#include "cli/getopt.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace vx {
namespace {

// Collects what the scanner writes to the error console.
class RecordingConsole : public plat::ForwardingOs {
 public:
  void WriteErrorConsole(const char* text, std::size_t length) override {
    written.append(text, length);
  }
  std::string written;
};

// Scans a fresh argument vector with the program's option string.
class ScannerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetOptionScannerForTesting();
    plat::InstallOs(&console_);
  }
  void TearDown() override {
    plat::InstallOs(nullptr);
    ResetOptionScannerForTesting();
  }

  void SetArguments(const std::vector<std::string>& arguments) {
    texts_ = arguments;
    pointers_.clear();
    for (std::string& text : texts_) pointers_.push_back(text.data());
    pointers_.push_back(nullptr);
  }
  int Scan(const char* optstring = "ehn:s:vx?") {
    return getopt(static_cast<int>(texts_.size()), pointers_.data(), optstring);
  }
  char* Argument(int index) { return pointers_[static_cast<std::size_t>(index)]; }

  RecordingConsole console_;
  std::vector<std::string> texts_;
  std::vector<char*> pointers_;
};

// Where optarg must point after a call.
inline constexpr int kNull = -1;       // null
inline constexpr int kUntouched = -2;  // whatever it was before the call

struct Step {
  int result;
  int optind;
  int optpos;
  int optopt;
  int arg_index;       // optarg == argv[arg_index] + arg_offset, or kNull,
  int arg_offset = 0;  // or kUntouched
};

struct ScanCase {
  const char* name;
  std::vector<std::string> arguments;  // argument 0 included
  std::vector<Step> steps;
  std::string messages;  // everything written to the error console
};

const ScanCase kScanCases[] = {
    {"NoArguments", {"vx"}, {{-1, 1, 1, 0, kUntouched}}, ""},
    {"FileNameEndsScan", {"vx", "a.DP", "-x"}, {{-1, 1, 1, 0, kUntouched}}, ""},
    {"LoneMinusIsFileName", {"vx", "-", "-x"}, {{-1, 1, 1, 0, kUntouched}}, ""},
    {"DoubleMinusEndsAndIsSkipped",
     {"vx", "-x", "--", "-v"},
     {{'x', 2, 1, 'x', kNull}, {-1, 3, 1, 'x', kUntouched}},
     ""},
    {"DoubleMinusWithLetterIsNotEndMarker",
     {"vx", "--x", "a"},
     {{'?', 1, 2, '-', kUntouched}, {'x', 2, 1, 'x', kNull},
      {-1, 2, 1, 'x', kUntouched}},
     "vx : illegal option --  -\n"},
    {"GroupedLetters",
     {"vx", "-xv", "a"},
     {{'x', 1, 2, 'x', kNull}, {'v', 2, 1, 'v', kNull},
      {-1, 2, 1, 'v', kUntouched}},
     ""},
    {"AttachedArgument",
     {"vx", "-s5", "-v"},
     {{'s', 2, 1, 's', 1, 2}, {'v', 3, 1, 'v', kNull}},
     ""},
    {"SeparateArgument",
     {"vx", "-s", "5", "a"},
     {{'s', 3, 1, 's', 2, 0}, {-1, 3, 1, 's', kUntouched}},
     ""},
    {"ArgumentMayBeginWithMinus",
     {"vx", "-s", "-v", "a"},
     {{'s', 3, 1, 's', 2, 0}, {-1, 3, 1, 's', kUntouched}},
     ""},
    {"ArgumentLetterEndsGroupAttached",
     {"vx", "-xs3", "-v"},
     {{'x', 1, 2, 'x', kNull}, {'s', 2, 1, 's', 1, 3}, {'v', 3, 1, 'v', kNull}},
     ""},
    {"ArgumentLetterEndsGroupSeparate",
     {"vx", "-xn", "ologo", "a"},
     {{'x', 1, 2, 'x', kNull}, {'n', 3, 1, 'n', 2, 0},
      {-1, 3, 1, 'n', kUntouched}},
     ""},
    {"MissingArgument",
     {"vx", "-v", "-s"},
     {{'v', 2, 1, 'v', kNull}, {'?', 3, 1, 's', kUntouched},
      {-1, 3, 1, 's', kUntouched}},
     "vx : option requires an argument --  s\n"},
    {"MissingArgumentInGroup",
     {"vx", "-xn"},
     {{'x', 1, 2, 'x', kNull}, {'?', 2, 1, 'n', kUntouched}},
     "vx : option requires an argument --  n\n"},
    {"IllegalLetterInsideGroup",
     {"vx", "-xqv"},
     {{'x', 1, 2, 'x', kNull}, {'?', 1, 3, 'q', kUntouched},
      {'v', 2, 1, 'v', kNull}},
     "vx : illegal option --  q\n"},
    {"IllegalLetterEndingGroup",
     {"vx", "-xq", "a"},
     {{'x', 1, 2, 'x', kNull}, {'?', 2, 1, 'q', kUntouched},
      {-1, 2, 1, 'q', kUntouched}},
     "vx : illegal option --  q\n"},
    {"ColonIsNeverALetter",
     {"vx", "-:", "a"},
     {{'?', 2, 1, ':', kUntouched}},
     "vx : illegal option --  :\n"},
    {"QuestionMarkIsALetter",
     {"vx", "-?", "a"},
     {{'?', 2, 1, '?', kNull}},
     ""},
    {"HighByteIsIllegalAndNegative",
     {"vx", "-\xE9"},
     {{'?', 2, 1, -23, kUntouched}},
     "vx : illegal option --  \xE9\n"},
};

void PrintTo(const ScanCase& scan, std::ostream* os) { *os << scan.name; }

class ScanTable : public ScannerTest,
                  public ::testing::WithParamInterface<ScanCase> {};

TEST_P(ScanTable, StepsAndMessages) {
  const ScanCase& scan = GetParam();
  SetArguments(scan.arguments);
  for (std::size_t i = 0; i < scan.steps.size(); ++i) {
    const Step& step = scan.steps[i];
    SCOPED_TRACE("call " + std::to_string(i + 1));
    char* const before = optarg;
    EXPECT_EQ(Scan(), step.result);
    EXPECT_EQ(optind, step.optind);
    EXPECT_EQ(optpos, step.optpos);
    EXPECT_EQ(optopt, step.optopt);
    if (step.arg_index == kNull) {
      EXPECT_EQ(optarg, nullptr);
    } else if (step.arg_index == kUntouched) {
      EXPECT_EQ(optarg, before);
    } else {
      // Points into the vector itself: nothing is copied.
      EXPECT_EQ(optarg, Argument(step.arg_index) + step.arg_offset);
    }
  }
  EXPECT_EQ(console_.written, scan.messages);
}

INSTANTIATE_TEST_SUITE_P(Scanner, ScanTable, ::testing::ValuesIn(kScanCases),
                         [](const auto& info) {
                           return std::string(info.param.name);
                         });

TEST_F(ScannerTest, ArgumentOfEarlierLetterIsClearedByPlainLetter) {
  SetArguments({"vx", "-s", "4", "-x"});
  ASSERT_EQ(Scan(), 's');
  ASSERT_NE(optarg, nullptr);
  ASSERT_EQ(Scan(), 'x');
  EXPECT_EQ(optarg, nullptr);
}

TEST_F(ScannerTest, NoMessageWhileOpterrIsZero) {
  SetArguments({"vx", "-q", "-s"});
  opterr = 0;
  EXPECT_EQ(Scan(), '?');
  EXPECT_EQ(Scan(), '?');
  EXPECT_EQ(console_.written, "");
}

// Every message must fit the 260-byte buffer with its terminating zero, so
// the program name is cut to 235 characters for an illegal option and to 222
// for a missing argument, and left whole when it fits.
TEST_F(ScannerTest, LongProgramNameIsCutToFitTheMessage) {
  struct LongName {
    std::size_t name_length;
    const char* option;
    const char* text;
    std::size_t shown_length;
  };
  const LongName cases[] = {
      {235, "-q", " : illegal option --  q\n", 235},
      {236, "-q", " : illegal option --  q\n", 235},
      {400, "-q", " : illegal option --  q\n", 235},
      {222, "-s", " : option requires an argument --  s\n", 222},
      {223, "-s", " : option requires an argument --  s\n", 222},
      {400, "-s", " : option requires an argument --  s\n", 222},
  };
  for (const LongName& c : cases) {
    SCOPED_TRACE(std::string(c.option) + " " + std::to_string(c.name_length));
    ResetOptionScannerForTesting();
    console_.written.clear();
    const std::string program(c.name_length, 'p');
    SetArguments({program, c.option});
    EXPECT_EQ(Scan(), '?');
    EXPECT_EQ(console_.written, std::string(c.shown_length, 'p') + c.text);
    EXPECT_LE(console_.written.size(), plat::MAX_NAME - 1);
  }
}

TEST_F(ScannerTest, LetterWithHighByteInOptionStringIsNeverEndOfScan) {
  SetArguments({"vx", "-\xFF"});
  EXPECT_EQ(Scan("\xFF"), 0xFF);
  EXPECT_EQ(optopt, -1);
}

}  // namespace
}  // namespace vx

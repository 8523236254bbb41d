#include "cli/diagnostics.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "cli/run_flags.h"
#include "platform/platform.h"
#include "stream_capture.h"

namespace vx {
namespace {

// Runs each case with a clean option word and restores it afterwards.
class DiagnosticsTest : public ::testing::Test {
 protected:
  void SetUp() override { RunFlags = 0; }
  void TearDown() override {
    RunFlags = 0;
    plat::InstallOs(nullptr);
  }
};

// Answers GetSystemMessage with a fixed text, or with none.
class FixedMessages : public plat::ForwardingOs {
 public:
  explicit FixedMessages(const char* text) : text_(text) {}
  plat::DWORD GetSystemMessage(plat::DWORD code, char* buffer,
                               plat::DWORD size) override {
    ++calls;
    last_code = code;
    if (text_ == nullptr) return 0;
    const int written = std::snprintf(buffer, size, "%s", text_);
    return written < 0 || static_cast<plat::DWORD>(written) >= size
               ? 0
               : static_cast<plat::DWORD>(written);
  }
  int calls = 0;
  plat::DWORD last_code = 0;

 private:
  const char* text_;
};

TEST_F(DiagnosticsTest, DebugMessageOnlyUnderDebugFlag) {
  test::StreamCapture quiet;
  EXPECT_EQ(DbgMessage("Dbg: %s %d\n", "quiet", 1), 0);
  EXPECT_EQ(quiet.Finish().err, "");

  RunFlags = FLAG_DEBUG;
  test::StreamCapture loud;
  EXPECT_EQ(DbgMessage("Dbg: %s %x\n", "code", 87u), 13);
  const test::CapturedStreams streams = loud.Finish();
  EXPECT_EQ(streams.err, "Dbg: code 57\n");
  EXPECT_EQ(streams.out, "");
}

TEST_F(DiagnosticsTest, ErrorTextOnlyUnderErrorTextFlag) {
  FixedMessages messages("The file is missing.\n");
  plat::InstallOs(&messages);
  RunFlags = FLAG_DEBUG | FLAG_VIEWONLY | FLAG_NOLOGO;
  test::StreamCapture capture;
  ShowErrorText(2);
  EXPECT_EQ(capture.Finish().err, "");
  EXPECT_EQ(messages.calls, 0);
}

TEST_F(DiagnosticsTest, ErrorTextIsTheSystemTextAsIs) {
  FixedMessages messages("The file is missing.\n");
  plat::InstallOs(&messages);
  RunFlags = FLAG_ERRTEXT;
  test::StreamCapture capture;
  ShowErrorText(2);
  const test::CapturedStreams streams = capture.Finish();
  EXPECT_EQ(streams.err, "The file is missing.\n");
  EXPECT_EQ(streams.out, "");
  EXPECT_EQ(messages.last_code, 2u);
}

TEST_F(DiagnosticsTest, ErrorTextFallsBackWithLowerCaseHexCode) {
  FixedMessages messages(nullptr);
  plat::InstallOs(&messages);
  RunFlags = FLAG_ERRTEXT;
  test::StreamCapture capture;
  ShowErrorText(0xDEADBEEFu);
  EXPECT_EQ(capture.Finish().err,
            "No message text for error code X\"deadbeef\".\n");
}

// With both streams in one file the diagnostics must not overtake what was
// printed on standard output before them.
TEST_F(DiagnosticsTest, DiagnosticsFollowEarlierStandardOutput) {
  FixedMessages messages("Some system text.\n");
  plat::InstallOs(&messages);
  RunFlags = FLAG_DEBUG | FLAG_ERRTEXT;
  test::StreamCapture capture(test::StreamCapture::kOneFile);
  std::printf("listing line\n");
  DbgMessage("Dbg: debug line\n");
  std::printf("error line\n");
  ShowErrorText(5);
  EXPECT_EQ(capture.Finish().out,
            "listing line\nDbg: debug line\nerror line\nSome system text.\n");
}

}  // namespace
}  // namespace vx

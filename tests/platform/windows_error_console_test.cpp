// The error-console write when standard error is not a console: the text
// must still arrive, on the standard error handle, with CR LF line ends like
// the rest of a redirected error stream.
#include "platform/platform.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "support/scratch_dir.h"

namespace {

// Points the process's standard error handle at a file for one test.
class RedirectedStdError {
 public:
  explicit RedirectedStdError(const char* name)
      : saved_(::GetStdHandle(STD_ERROR_HANDLE)),
        file_(::CreateFileA(name, GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                            CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr)) {
    EXPECT_NE(file_, INVALID_HANDLE_VALUE);
    ::SetStdHandle(STD_ERROR_HANDLE, file_);
  }
  ~RedirectedStdError() {
    ::SetStdHandle(STD_ERROR_HANDLE, saved_);
    ::CloseHandle(file_);
  }
  RedirectedStdError(const RedirectedStdError&) = delete;
  RedirectedStdError& operator=(const RedirectedStdError&) = delete;

 private:
  HANDLE saved_;
  HANDLE file_;
};

TEST(ErrorConsole, RedirectedTextArrivesWithCrLfLineEnds) {
  vx::test::ScratchDir dir;
  {
    RedirectedStdError redirect("err.txt");
    vx::plat::SetLastError(1234);
    const std::string first = "vextor: illegal option -- q\n";
    vx::plat::WriteErrorConsole(first.data(), first.size());
    const std::string second = "a\r\nb\n\nc";
    vx::plat::WriteErrorConsole(second.data(), second.size());
    vx::plat::WriteErrorConsole("", 0);
    EXPECT_EQ(vx::plat::GetLastError(), 1234u);
  }
  EXPECT_EQ(dir.Read("err.txt"),
            "vextor: illegal option -- q\r\na\r\nb\r\n\r\nc");
}

}  // namespace

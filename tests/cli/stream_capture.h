// Redirects this process's standard output and standard error into
// temporary files for the span of a test, so that in-process output can be
// compared byte for byte.
#ifndef VEXTOR_TESTS_CLI_STREAM_CAPTURE_H
#define VEXTOR_TESTS_CLI_STREAM_CAPTURE_H

#include <cstdio>
#include <string>

namespace vx::test {

struct CapturedStreams {
  std::string out;
  std::string err;  // empty when both streams shared one file
};

class StreamCapture {
 public:
  // kOneFile sends both streams into the same file (collected in `out`),
  // as when a user redirects both to one place.
  enum Mode { kSeparate, kOneFile };

  explicit StreamCapture(Mode mode = kSeparate);
  ~StreamCapture();
  StreamCapture(const StreamCapture&) = delete;
  StreamCapture& operator=(const StreamCapture&) = delete;

  // Restores the streams and returns what was written meanwhile.
  CapturedStreams Finish();

 private:
  std::FILE* out_file_ = nullptr;
  std::FILE* err_file_ = nullptr;
  int saved_out_ = -1;
  int saved_err_ = -1;
};

}  // namespace vx::test

#endif  // VEXTOR_TESTS_CLI_STREAM_CAPTURE_H

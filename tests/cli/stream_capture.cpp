#include "stream_capture.h"

#include <gtest/gtest.h>
#include <unistd.h>

namespace vx::test {
namespace {

std::string ReadAll(std::FILE* file) {
  std::string text;
  std::rewind(file);
  char chunk[4096];
  std::size_t count;
  while ((count = std::fread(chunk, 1, sizeof chunk, file)) > 0) {
    text.append(chunk, count);
  }
  return text;
}

}  // namespace

StreamCapture::StreamCapture(Mode mode) {
  std::fflush(stdout);
  std::fflush(stderr);
  out_file_ = std::tmpfile();
  err_file_ = mode == kOneFile ? out_file_ : std::tmpfile();
  saved_out_ = dup(STDOUT_FILENO);
  saved_err_ = dup(STDERR_FILENO);
  if (out_file_ == nullptr || err_file_ == nullptr || saved_out_ < 0 ||
      saved_err_ < 0) {
    ADD_FAILURE() << "cannot redirect the standard streams";
    if (saved_out_ >= 0) close(saved_out_);
    if (saved_err_ >= 0) close(saved_err_);
    saved_out_ = saved_err_ = -1;
    return;
  }
  dup2(fileno(out_file_), STDOUT_FILENO);
  dup2(fileno(err_file_), STDERR_FILENO);
}

StreamCapture::~StreamCapture() { Finish(); }

CapturedStreams StreamCapture::Finish() {
  CapturedStreams streams;
  if (saved_out_ < 0) return streams;  // never redirected, or already done
  std::fflush(stdout);
  std::fflush(stderr);
  dup2(saved_out_, STDOUT_FILENO);
  dup2(saved_err_, STDERR_FILENO);
  close(saved_out_);
  close(saved_err_);
  saved_out_ = saved_err_ = -1;
  streams.out = ReadAll(out_file_);
  if (err_file_ != out_file_) {
    streams.err = ReadAll(err_file_);
    std::fclose(err_file_);
  }
  std::fclose(out_file_);
  out_file_ = err_file_ = nullptr;
  return streams;
}

}  // namespace vx::test

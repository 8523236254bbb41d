// Symbolic links to files for the tests of the Windows build, made on
// Windows and under Wine alike.
#ifndef VEXTOR_TESTS_PLATFORM_WINDOWS_FILE_LINK_H
#define VEXTOR_TESTS_PLATFORM_WINDOWS_FILE_LINK_H

#include <string>

namespace vx::test {

// Makes `link` (in the current directory) a symbolic link to the existing
// file `target`, a name relative to the current directory with '/'
// separators and no blanks, and removes the link again, not the file, when
// it goes out of scope. The file must still exist then.
class FileLink {
 public:
  FileLink(const std::string& link, const std::string& target);
  ~FileLink();
  FileLink(const FileLink&) = delete;
  FileLink& operator=(const FileLink&) = delete;

  // "" when the link was made, otherwise why not.
  const std::string& error() const { return error_; }

 private:
  std::string link_;
  std::string error_;
  bool made_ = false;
  bool by_host_ = false;
};

}  // namespace vx::test

#endif  // VEXTOR_TESTS_PLATFORM_WINDOWS_FILE_LINK_H

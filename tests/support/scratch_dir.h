// A fresh, empty directory for one test, made the current directory while
// the test runs and removed with everything in it afterwards.
#ifndef VEXTOR_TESTS_SUPPORT_SCRATCH_DIR_H
#define VEXTOR_TESTS_SUPPORT_SCRATCH_DIR_H

#include <filesystem>
#include <string>
#include <vector>

namespace vx::test {

class ScratchDir {
 public:
  ScratchDir();
  ~ScratchDir();
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;

  const std::filesystem::path& path() const { return path_; }

  // Writes `contents` byte for byte to `name` (relative to the directory).
  void Write(const std::string& name, const std::string& contents) const;
  // The bytes of `name`; fails the test when it cannot be read.
  std::string Read(const std::string& name) const;
  bool Exists(const std::string& name) const;
  // Names of the entries in the directory (or a subdirectory), sorted.
  std::vector<std::string> List(const std::string& subdir = ".") const;

 private:
  std::filesystem::path path_;
  std::filesystem::path previous_;
};

}  // namespace vx::test

#endif  // VEXTOR_TESTS_SUPPORT_SCRATCH_DIR_H

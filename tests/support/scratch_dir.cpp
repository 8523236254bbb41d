#include "support/scratch_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <fstream>
#include <random>
#include <sstream>

namespace vx::test {
namespace fs = std::filesystem;

ScratchDir::ScratchDir() : previous_(fs::current_path()) {
  static std::atomic<unsigned> counter{0};
  std::random_device seed;
  const fs::path base = fs::temp_directory_path();
  for (;;) {
    path_ = base / ("vextor-test-" + std::to_string(seed()) + "-" +
                    std::to_string(counter++));
    std::error_code ec;
    if (fs::create_directory(path_, ec)) break;
  }
  fs::current_path(path_);
}

ScratchDir::~ScratchDir() {
  std::error_code ec;
  fs::current_path(previous_, ec);
  // Make everything writable again so the removal cannot fail on a file a
  // test made read-only.
  for (auto it = fs::recursive_directory_iterator(path_, ec);
       it != fs::recursive_directory_iterator(); it.increment(ec)) {
    fs::permissions(it->path(), fs::perms::owner_all,
                    fs::perm_options::add | fs::perm_options::nofollow, ec);
  }
  fs::remove_all(path_, ec);
}

void ScratchDir::Write(const std::string& name,
                       const std::string& contents) const {
  std::ofstream out(path_ / name, std::ios::binary | std::ios::trunc);
  ASSERT_TRUE(out) << "cannot write " << name;
  out << contents;
}

std::string ScratchDir::Read(const std::string& name) const {
  std::ifstream in(path_ / name, std::ios::binary);
  EXPECT_TRUE(in) << "cannot read " << name;
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

bool ScratchDir::Exists(const std::string& name) const {
  std::error_code ec;
  return fs::exists(fs::symlink_status(path_ / name, ec));
}

std::vector<std::string> ScratchDir::List(const std::string& subdir) const {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(path_ / subdir)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace vx::test

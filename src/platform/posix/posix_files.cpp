// File operations of the POSIX platform layer. Every name passes through
// SystemPath, so '\' separates directory parts as it does on Windows. A file
// without any write permission bit is read-only here as on Windows: it is
// never written, also not by a process that the kernel would let write it
// (root).
#include <fcntl.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/posix/posix_internal.h"

namespace vx::plat::posix {
namespace {

constexpr mode_t kAnyWriteBit = S_IWUSR | S_IWGRP | S_IWOTH;
constexpr mode_t kPermissionBits = 07777;

// Closes a descriptor when it goes out of scope, unless it was handed on.
class Descriptor {
 public:
  explicit Descriptor(int fd) : fd_(fd) {}
  ~Descriptor() {
    if (fd_ >= 0) close(fd_);
  }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  int get() const { return fd_; }
  bool valid() const { return fd_ >= 0; }
  // Closes now, so that a failing close (data not written back) is seen.
  int Close() {
    const int fd = fd_;
    fd_ = -1;
    return close(fd) == 0 ? 1 : FailFromErrno();
  }

 private:
  int fd_;
};

int OpenFile(const std::string& path, int flags, mode_t mode = 0) {
  int fd;
  do {
    fd = open(path.c_str(), flags | O_CLOEXEC, mode);
  } while (fd < 0 && errno == EINTR);
  return fd;
}

int WriteAll(int fd, const char* data, std::size_t size) {
  while (size > 0) {
    const ssize_t written = write(fd, data, size);
    if (written < 0) {
      if (errno == EINTR) continue;
      return FailFromErrno();
    }
    if (written == 0) return Fail(ERROR_WRITE_FAULT);
    data += written;
    size -= static_cast<std::size_t>(written);
  }
  return 1;
}

// The buffer is on the stack so that a copy, once its target exists,
// cannot fail for want of memory.
int CopyBytes(int from, int to) {
  char buffer[1 << 16];
  for (;;) {
    const ssize_t got = read(from, buffer, sizeof buffer);
    if (got < 0) {
      if (errno == EINTR) continue;
      return FailFromErrno();
    }
    if (got == 0) return 1;
    if (!WriteAll(to, buffer, static_cast<std::size_t>(got))) return 0;
  }
}

// Opens a file to read from; a directory is refused as on Windows.
int OpenSource(const std::string& path, struct stat* info) {
  const int fd = OpenFile(path, O_RDONLY);
  if (fd < 0) return FailFromErrno(), -1;
  if (fstat(fd, info) != 0) {
    FailFromErrno();
    close(fd);
    return -1;
  }
  if (S_ISDIR(info->st_mode)) {
    Fail(ERROR_ACCESS_DENIED);
    close(fd);
    return -1;
  }
  return fd;
}

// Whether an existing file may be overwritten.
int CheckWritable(const struct stat& info) {
  if (S_ISDIR(info.st_mode) || (info.st_mode & kAnyWriteBit) == 0) {
    return Fail(ERROR_ACCESS_DENIED);
  }
  return 1;
}

// Opens an existing copy target for overwriting, never the source itself.
int OpenExistingTarget(const std::string& path, const struct stat& source) {
  struct stat info {};
  if (stat(path.c_str(), &info) != 0) return FailFromErrno(), -1;
  if (info.st_dev == source.st_dev && info.st_ino == source.st_ino) {
    return Fail(ERROR_SHARING_VIOLATION), -1;
  }
  if (!CheckWritable(info)) return -1;
  const int fd = OpenFile(path, O_WRONLY | O_TRUNC);
  if (fd < 0) FailFromErrno();
  return fd;
}

// Gives a copy the permission bits of its source, as Windows copies the
// attributes. A target owned by someone else keeps its own.
int CopyMode(int fd, mode_t mode) {
  if (fchmod(fd, mode & kPermissionBits) != 0 && errno != EPERM) {
    return FailFromErrno();
  }
  return 1;
}

std::string DirectoryOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

std::string BaseOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The final path of an existing file, symbolic links resolved.
int ResolveExisting(const std::string& path, std::string* resolved) {
  char* real = realpath(path.c_str(), nullptr);
  if (real == nullptr) return FailFromErrno();
  *resolved = real;
  std::free(real);
  return 1;
}

// Makes the rename of a directory entry durable. Its failure cannot undo
// the rename, and some file systems cannot sync a directory at all, so it
// is not reported.
void SyncDirectory(const std::string& directory) {
  const int fd = OpenFile(directory, O_RDONLY | O_DIRECTORY);
  if (fd < 0) return;
  fsync(fd);
  close(fd);
}

// Writes `source`'s bytes into the new temporary file `fd`, with the
// target's owner and permissions, and flushes it to disk.
int FillReplacement(int fd, int source, const struct stat& target) {
  if (!CopyBytes(source, fd)) return 0;
  // Owner first: a change of owner may clear set-id bits that the mode
  // then puts back. Only a privileged process may give a file away.
  if (fchown(fd, target.st_uid, target.st_gid) != 0 && errno != EPERM) {
    return FailFromErrno();
  }
  if (fchmod(fd, target.st_mode & kPermissionBits) != 0) return FailFromErrno();
  if (fsync(fd) != 0) return FailFromErrno();
  return 1;
}

// A file being created cannot be missing: ENOENT means its directory is.
int FailCreating() {
  return errno == ENOENT ? Fail(ERROR_PATH_NOT_FOUND) : FailFromErrno();
}

unsigned TempStartValue() {
  static std::atomic<unsigned> calls{0};
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  const auto mix = static_cast<unsigned>(now.tv_nsec) ^
                   static_cast<unsigned>(now.tv_sec) ^
                   (static_cast<unsigned>(getpid()) << 8) ^ (calls++ * 7919u);
  return mix % 0xFFFFu;
}

}  // namespace

int CopyFile(const char* source, const char* target, int fail_if_exists) {
  if (source == nullptr || target == nullptr) return Fail(ERROR_INVALID_PARAMETER);
  const std::string from = SystemPath(source);
  const std::string to = SystemPath(target);
  struct stat info {};
  Descriptor in(OpenSource(from, &info));
  if (!in.valid()) return 0;

  Descriptor out(OpenFile(to, O_WRONLY | O_CREAT | O_EXCL, S_IRUSR | S_IWUSR));
  const bool created = out.valid();
  if (!created) {
    if (errno != EEXIST || fail_if_exists) return FailCreating();
    Descriptor existing(OpenExistingTarget(to, info));
    if (!existing.valid()) return 0;
    return CopyBytes(in.get(), existing.get()) && CopyMode(existing.get(), info.st_mode) &&
           existing.Close();
  }
  if (CopyBytes(in.get(), out.get()) && CopyMode(out.get(), info.st_mode) && out.Close()) {
    return 1;
  }
  // Half a copy made by this call is no copy at all.
  unlink(to.c_str());
  return 0;
}

int ReplaceContents(const char* source, const char* target) {
  if (source == nullptr || target == nullptr) return Fail(ERROR_INVALID_PARAMETER);
  std::string final_path;
  if (!ResolveExisting(SystemPath(target), &final_path)) return 0;
  struct stat target_info {};
  if (stat(final_path.c_str(), &target_info) != 0) return FailFromErrno();
  if (!CheckWritable(target_info)) return 0;
  struct stat source_info {};
  Descriptor in(OpenSource(SystemPath(source), &source_info));
  if (!in.valid()) return 0;

  // A hidden sibling, so that the rename stays within one file system; the
  // base name is cut so the temporary name stays within the system's limit.
  const std::string directory = DirectoryOf(final_path);
  std::string pattern = directory + "/." + BaseOf(final_path).substr(0, 200) + ".XXXXXX";
  std::vector<char> temp(pattern.begin(), pattern.end());
  temp.push_back('\0');
  Descriptor out(mkostemp(temp.data(), O_CLOEXEC));
  if (!out.valid()) return FailFromErrno();
  if (FillReplacement(out.get(), in.get(), target_info) && out.Close() &&
      (rename(temp.data(), final_path.c_str()) == 0 || FailFromErrno())) {
    SyncDirectory(directory);
    return 1;
  }
  unlink(temp.data());
  return 0;
}

int FlushFile(const char* name) {
  if (name == nullptr) return Fail(ERROR_INVALID_PARAMETER);
  Descriptor fd(OpenFile(SystemPath(name), O_RDONLY));
  if (!fd.valid()) return FailFromErrno();
  if (fsync(fd.get()) != 0) return FailFromErrno();
  return fd.Close();
}

int DeleteFile(const char* name) {
  if (name == nullptr) return Fail(ERROR_INVALID_PARAMETER);
  if (unlink(SystemPath(name).c_str()) != 0) return FailFromErrno();
  return 1;
}

unsigned MakeTempFile(const char* directory, const char* prefix, unsigned unique,
                      char* out) {
  if (directory == nullptr || prefix == nullptr || out == nullptr || unique != 0) {
    return Fail(ERROR_INVALID_PARAMETER);
  }
  std::string lead(directory);
  if (!lead.empty() && lead.back() != '/' && lead.back() != '\\') lead += '/';
  lead.append(prefix, strnlen(prefix, 3));
  // Four hex digits and ".TMP" follow, then the terminator.
  if (lead.size() + 8 + 1 > MAX_NAME) return Fail(ERROR_FILENAME_EXCED_RANGE);

  const unsigned start = TempStartValue();
  for (unsigned attempt = 0; attempt < 0xFFFFu; ++attempt) {
    const unsigned number = (start + attempt) % 0xFFFFu + 1;  // never 0
    char name[MAX_NAME];
    std::snprintf(name, sizeof name, "%s%04X.TMP", lead.c_str(), number);
    const int fd = OpenFile(SystemPath(name), O_WRONLY | O_CREAT | O_EXCL, 0666);
    if (fd >= 0) {
      close(fd);
      std::memcpy(out, name, std::strlen(name) + 1);
      return number;
    }
    if (errno != EEXIST) return FailCreating();
  }
  return Fail(ERROR_FILE_EXISTS);
}

int ReadFile(const char* name, std::string* contents) {
  if (name == nullptr || contents == nullptr) return Fail(ERROR_INVALID_PARAMETER);
  struct stat info {};
  Descriptor in(OpenSource(SystemPath(name), &info));
  if (!in.valid()) return 0;
  std::string text;
  std::vector<char> buffer(1 << 16);
  for (;;) {
    const ssize_t got = read(in.get(), buffer.data(), buffer.size());
    if (got < 0) {
      if (errno == EINTR) continue;
      return FailFromErrno();
    }
    if (got == 0) break;
    text.append(buffer.data(), static_cast<std::size_t>(got));
  }
  *contents = std::move(text);
  return 1;
}

int WriteFile(const char* name, const std::string& contents) {
  if (name == nullptr) return Fail(ERROR_INVALID_PARAMETER);
  Descriptor out(OpenFile(SystemPath(name), O_WRONLY));
  if (!out.valid()) return FailFromErrno();
  struct stat info {};
  if (fstat(out.get(), &info) != 0) return FailFromErrno();
  if (!CheckWritable(info)) return 0;
  if (ftruncate(out.get(), 0) != 0) return FailFromErrno();
  return WriteAll(out.get(), contents.data(), contents.size()) && out.Close();
}

}  // namespace vx::plat::posix

// Directory search with the Windows rules for names: '/' and '\' both
// separate directory parts, the last part may hold the wildcards '*' and
// '?', and letter case does not count.
#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "platform/posix/posix_internal.h"

namespace vx::plat {

// The whole result of a search, read at FindFirstFileA so that the
// directory is not held open between calls.
struct FindState {
  std::vector<FindData> entries;
  std::size_t next = 0;
};

namespace posix {
namespace {

char FoldCase(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool MatchesExactly(std::string_view pattern, std::string_view name) {
  std::size_t p = 0;
  std::size_t n = 0;
  std::size_t star = std::string_view::npos;
  std::size_t resume = 0;
  while (n < name.size()) {
    if (p < pattern.size() && pattern[p] == '*') {
      star = p++;
      resume = n;
    } else if (p < pattern.size() &&
               (pattern[p] == '?' || FoldCase(pattern[p]) == FoldCase(name[n]))) {
      ++p;
      ++n;
    } else if (star != std::string_view::npos) {
      // Let the last '*' swallow one more character and try again.
      p = star + 1;
      n = ++resume;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

bool HasWildcard(std::string_view text) {
  return text.find_first_of("*?") != std::string_view::npos;
}

// Splits a search pattern (already in system form) into the directory to
// read and the last component to match.
void SplitPattern(const std::string& path, std::string* directory,
                  std::string* last) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) {
    *directory = ".";
    *last = path;
  } else {
    *directory = slash == 0 ? "/" : path.substr(0, slash);
    *last = path.substr(slash + 1);
  }
}

DWORD EntryAttributes(const std::string& directory, const char* name) {
  const std::string path = directory + "/" + name;
  struct stat info {};
  // A dangling symbolic link still is an entry; describe the link itself.
  if (stat(path.c_str(), &info) != 0 && lstat(path.c_str(), &info) != 0) {
    return FILE_ATTRIBUTE_NORMAL;
  }
  return AttributesFromMode(info.st_mode);
}

// Reads every entry of `directory` whose name matches `last`. Returns 0
// with the last error set when the directory cannot be read.
int CollectMatches(const std::string& directory, const std::string& last,
                   std::vector<FindData>* found) {
  DIR* dir = opendir(directory.c_str());
  if (dir == nullptr) {
    if (errno == ENOENT || errno == ENOTDIR) return Fail(ERROR_PATH_NOT_FOUND);
    return FailFromErrno();
  }
  int ok = 1;
  for (;;) {
    errno = 0;
    const dirent* entry = readdir(dir);
    if (entry == nullptr) {
      if (errno != 0) ok = FailFromErrno();
      break;
    }
    const std::size_t length = std::strlen(entry->d_name);
    // A name that does not fit cFileName cannot be reported at all.
    if (length >= MAX_NAME) continue;
    if (!MatchesWildcard(last, std::string_view(entry->d_name, length))) {
      continue;
    }
    FindData data{};
    std::memcpy(data.cFileName, entry->d_name, length + 1);
    data.dwFileAttributes = EntryAttributes(directory, entry->d_name);
    found->push_back(data);
  }
  closedir(dir);
  return ok;
}

// A plain name finds one file. Where several differ only in letter case,
// the one spelt exactly as asked wins; otherwise the choice must not depend
// on directory order.
void PreferExactMatch(const std::string& last, std::vector<FindData>* found) {
  auto exact = std::find_if(found->begin(), found->end(), [&](const FindData& d) {
    return last == d.cFileName;
  });
  if (exact != found->end()) {
    const FindData keep = *exact;
    found->assign(1, keep);
    return;
  }
  std::sort(found->begin(), found->end(), [](const FindData& a, const FindData& b) {
    return std::strcmp(a.cFileName, b.cFileName) < 0;
  });
}

}  // namespace

bool MatchesWildcard(std::string_view pattern, std::string_view name) {
  if (MatchesExactly(pattern, name)) return true;
  // As on Windows, a trailing ".*" may also match the end of a name that
  // has no extension.
  return pattern.size() >= 2 && pattern.substr(pattern.size() - 2) == ".*" &&
         MatchesExactly(pattern.substr(0, pattern.size() - 2), name);
}

FindHandle FindFirst(const char* pattern, FindData* data) {
  if (pattern == nullptr || data == nullptr) {
    Fail(ERROR_INVALID_PARAMETER);
    return FIND_INVALID;
  }
  try {
    std::string directory;
    std::string last;
    SplitPattern(SystemPath(pattern), &directory, &last);
    auto state = std::make_unique<FindState>();
    if (!CollectMatches(directory, last, &state->entries)) return FIND_INVALID;
    if (!HasWildcard(last)) PreferExactMatch(last, &state->entries);
    if (state->entries.empty()) {
      Fail(ERROR_FILE_NOT_FOUND);
      return FIND_INVALID;
    }
    *data = state->entries[0];
    state->next = 1;
    return state.release();
  } catch (const std::bad_alloc&) {
    Fail(ERROR_NOT_ENOUGH_MEMORY);
    return FIND_INVALID;
  }
}

int FindNext(FindHandle search, FindData* data) {
  if (search == FIND_INVALID) return Fail(ERROR_INVALID_HANDLE);
  if (data == nullptr) return Fail(ERROR_INVALID_PARAMETER);
  if (search->next >= search->entries.size()) return Fail(ERROR_NO_MORE_FILES);
  *data = search->entries[search->next++];
  return 1;
}

int FindEnd(FindHandle search) {
  if (search == FIND_INVALID) return Fail(ERROR_INVALID_HANDLE);
  delete search;
  return 1;
}

}  // namespace posix
}  // namespace vx::plat

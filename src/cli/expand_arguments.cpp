#include "cli/expand_arguments.h"

#include <algorithm>
#include <cstring>

namespace vx {

namespace {

bool IsWildcard(char c) { return c == '*' || c == '?'; }
bool IsSeparator(char c) { return c == '\\' || c == '/' || c == ':'; }

unsigned char FoldCase(unsigned char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<unsigned char>(c - 'A' + 'a') : c;
}

// Finds how much of `pattern` is its directory part: everything up to and
// including the last separator before the first wildcard. Returns 0 when
// the argument is not to be expanded: it holds no wildcard, or that last
// separator is a colon other than a drive letter's. The second byte of a
// double-byte character is never taken for a separator or a wildcard.
int FindDirectoryPart(const std::string& pattern, std::size_t* length) {
  std::size_t separator = std::string::npos;
  for (std::size_t i = 0; i < pattern.size(); ++i) {
    const char c = pattern[i];
    if (IsWildcard(c)) {
      if (separator != std::string::npos && pattern[separator] == ':' &&
          separator != 1) {
        return 0;
      }
      *length = separator == std::string::npos ? 0 : separator + 1;
      return 1;
    }
    if (IsSeparator(c)) separator = i;
    if (plat::IsDBCSLeadByte(static_cast<unsigned char>(c)) != 0) ++i;
  }
  return 0;
}

bool IsDotEntry(const char* name) {
  return std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0;
}

// Appends `directory` + name for every entry the search for `pattern`
// reports. Returns the number of names appended.
std::size_t AppendMatches(const std::string& pattern,
                          const std::string& directory,
                          std::vector<std::string>* names) {
  plat::FindData entry{};
  plat::FindHandle search = plat::FindFirstFileA(pattern.c_str(), &entry);
  if (search == plat::FIND_INVALID) return 0;
  std::size_t appended = 0;
  do {
    // The record promises a terminated name; never read past it regardless.
    const char* begin = entry.cFileName;
    const char* end = std::find(begin, begin + sizeof entry.cFileName, '\0');
    const std::string name(begin, end);
    if (!IsDotEntry(name.c_str())) {
      names->push_back(directory + name);
      ++appended;
    }
  } while (plat::FindNextFileA(search, &entry) != 0);
  plat::FindClose(search);
  return appended;
}

}  // namespace

bool PatternNameLess(const std::string& left, const std::string& right) {
  const std::size_t common = std::min(left.size(), right.size());
  for (std::size_t i = 0; i < common; ++i) {
    const unsigned char a = FoldCase(static_cast<unsigned char>(left[i]));
    const unsigned char b = FoldCase(static_cast<unsigned char>(right[i]));
    if (a != b) return a < b;
  }
  if (left.size() != right.size()) return left.size() < right.size();
  return left < right;
}

std::vector<std::string> ExpandArguments(
    const std::vector<plat::Argument>& arguments) {
  std::vector<std::string> expanded;
  expanded.reserve(arguments.size());
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const plat::Argument& argument = arguments[i];
    std::size_t directory_length = 0;
    // Argument 0 is the program's own name, never a pattern.
    if (i == 0 || argument.quoted ||
        FindDirectoryPart(argument.text, &directory_length) == 0) {
      expanded.push_back(argument.text);
      continue;
    }
    const std::size_t first = expanded.size();
    const std::size_t count = AppendMatches(
        argument.text, argument.text.substr(0, directory_length), &expanded);
    if (count == 0) {
      expanded.push_back(argument.text);
      continue;
    }
    std::sort(expanded.begin() + static_cast<std::ptrdiff_t>(first),
              expanded.end(), PatternNameLess);
  }
  return expanded;
}

}  // namespace vx

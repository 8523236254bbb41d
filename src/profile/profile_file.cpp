#include "profile/profile_file.h"

#include <algorithm>
#include <utility>

#include "platform/platform.h"

namespace vx {
namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\v' || c == '\f'; }

// A stretch [begin, end) of the profile text.
struct Span {
  std::size_t begin;
  std::size_t end;
};

Span Trim(const std::string& text, Span span) {
  while (span.begin < span.end && IsBlank(text[span.begin])) ++span.begin;
  while (span.end > span.begin && IsBlank(text[span.end - 1])) --span.end;
  return span;
}

std::string_view View(const std::string& text, Span span) {
  return std::string_view(text).substr(span.begin, span.end - span.begin);
}

// Works for a const and a mutable profile alike.
template <typename P>
auto FindEntry(P& profile, std::string_view section, std::string_view key,
               std::size_t occurrence)
    -> decltype(&profile.sections[0].entries[0]) {
  const auto found = profile.by_name.find(FoldProfileName(section));
  if (found == profile.by_name.end()) return nullptr;
  auto& named_section = profile.sections[found->second];
  const auto named = named_section.by_key.find(FoldProfileName(key));
  if (named == named_section.by_key.end() ||
      occurrence >= named->second.size()) {
    return nullptr;
  }
  return &named_section.entries[named->second[occurrence]];
}

// Opens the section a header names. Returns the section that the entries
// after it belong to: nullptr when a section of that name was read before,
// since only the first one counts.
ProfileSection* OpenSection(Profile* profile, std::string_view name) {
  const bool added =
      profile->by_name.emplace(FoldProfileName(name), profile->sections.size())
          .second;
  if (!added) return nullptr;
  profile->sections.push_back({std::string(name), {}, {}});
  return &profile->sections.back();
}

// Reads one trimmed, non-empty line. `current` is the section that entries
// go to, nullptr outside any section that is read; it always points to the
// last section added, so growing the list never leaves it dangling.
void ParseLine(Profile* profile, Span line, ProfileSection** current) {
  const std::string& text = profile->text;
  const std::string_view whole = View(text, line);
  if (whole.front() == ';') return;
  if (whole.front() == '[') {
    const std::size_t close = whole.rfind(']');
    if (close != std::string_view::npos) {
      *current = OpenSection(
          profile, View(text, Trim(text, {line.begin + 1, line.begin + close})));
      return;
    }
  }
  const std::size_t equals = whole.find('=');
  if (equals == std::string_view::npos || *current == nullptr) return;
  const Span key = Trim(text, {line.begin, line.begin + equals});
  // An empty key names nothing; skipping it keeps the entries after it.
  if (key.begin == key.end) return;
  Span value = Trim(text, {line.begin + equals + 1, line.end});
  if (value.end - value.begin >= 2 &&
      (text[value.begin] == '"' || text[value.begin] == '\'') &&
      text[value.end - 1] == text[value.begin]) {
    ++value.begin;
    --value.end;
  }
  ProfileSection& section = **current;
  section.by_key[FoldProfileName(View(text, key))].push_back(
      section.entries.size());
  section.entries.push_back({std::string(View(text, key)), value.begin,
                             value.end, std::string(View(text, value)), false});
}

}  // namespace

std::string FoldProfileName(std::string_view name) {
  std::string folded(name);
  for (char& c : folded) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return folded;
}

Profile ParseProfile(std::string text) {
  Profile profile;
  profile.text = std::move(text);
  const std::string& bytes = profile.text;
  std::size_t at = bytes.starts_with(kByteOrderMark) ? kByteOrderMark.size() : 0;
  ProfileSection* current = nullptr;
  while (at < bytes.size()) {
    std::size_t end = bytes.find_first_of("\r\n", at);
    if (end == std::string::npos) end = bytes.size();
    const Span line = Trim(bytes, {at, end});
    if (line.begin < line.end) ParseLine(&profile, line, &current);
    // LF, CRLF or a lone CR.
    at = end;
    if (at < bytes.size() && bytes[at] == '\r') ++at;
    if (at < bytes.size() && bytes[at] == '\n') ++at;
  }
  return profile;
}

int LoadProfile(const char* file, Profile* profile) {
  std::string text;
  if (!plat::ReadWholeFile(file, &text)) {
    const plat::DWORD code = plat::GetLastError();
    if (code != plat::ERROR_FILE_NOT_FOUND &&
        code != plat::ERROR_PATH_NOT_FOUND) {
      return 0;
    }
    text.clear();
  }
  *profile = ParseProfile(std::move(text));
  return 1;
}

std::vector<std::string> GetProfileKeys(const Profile& profile,
                                        std::string_view section,
                                        std::string_view missing) {
  const auto found = profile.by_name.find(FoldProfileName(section));
  if (found == profile.by_name.end()) return {std::string(missing)};
  const auto& entries = profile.sections[found->second].entries;
  std::vector<std::string> keys;
  keys.reserve(entries.size());
  for (const auto& entry : entries) keys.push_back(entry.key);
  return keys;
}

std::string GetProfileValue(const Profile& profile, std::string_view section,
                            std::string_view key, std::size_t occurrence,
                            std::string_view missing) {
  const ProfileEntry* entry = FindEntry(profile, section, key, occurrence);
  return entry != nullptr ? entry->value : std::string(missing);
}

int SetProfileValue(Profile* profile, std::string_view section,
                    std::string_view key, std::size_t occurrence,
                    std::string_view value) {
  ProfileEntry* entry = FindEntry(*profile, section, key, occurrence);
  if (entry == nullptr) {
    plat::SetLastError(plat::ERROR_FILE_NOT_FOUND);
    return 0;
  }
  entry->value = std::string(value);
  entry->changed = true;
  return 1;
}

std::string RenderProfile(const Profile& profile) {
  std::vector<const ProfileEntry*> changed;
  for (const auto& section : profile.sections) {
    for (const auto& entry : section.entries) {
      if (entry.changed) changed.push_back(&entry);
    }
  }
  std::sort(changed.begin(), changed.end(),
            [](const ProfileEntry* a, const ProfileEntry* b) {
              return a->value_begin < b->value_begin;
            });
  std::string out;
  out.reserve(profile.text.size() + profile.text.size() / 4);
  std::size_t copied = 0;
  for (const ProfileEntry* entry : changed) {
    out.append(profile.text, copied, entry->value_begin - copied);
    out += entry->value;
    copied = entry->value_end;
  }
  out.append(profile.text, copied, std::string::npos);
  return out;
}

int SaveProfile(const char* file, const Profile& profile) {
  return plat::WriteWholeFile(file, RenderProfile(profile));
}

}  // namespace vx

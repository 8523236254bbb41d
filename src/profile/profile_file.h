// An INI-style profile file, loaded whole into memory, read and edited
// there, and written back whole.
//
// Reading follows the usual profile conventions: lines end at LF, CRLF or a
// lone CR and are trimmed of blanks (space, tab, vertical tab, form feed);
// a line beginning with ';' is a comment; "[name]" opens a section (text
// after the last ']' is ignored); "key = value" is an entry, the value with
// one pair of matching surrounding quotes removed. Section and key names
// compare ignoring ASCII letter case. Only the first section of a name is
// read; lines before the first section and lines with an empty key belong
// to nothing. A UTF-8 byte order mark is skipped.
//
// Editing replaces only the bytes of a value (inside its quotes, if it had
// them); every other byte of the file is written back as it was.
#ifndef VEXTOR_PROFILE_PROFILE_FILE_H
#define VEXTOR_PROFILE_PROFILE_FILE_H

#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace vx {

struct ProfileEntry {
  std::string key;          // as spelled in the file
  std::size_t value_begin;  // the value's bytes in Profile::text
  std::size_t value_end;
  std::string value;        // the value now: as read, or as last set
  bool changed = false;
};

struct ProfileSection {
  std::string name;  // as spelled in the file
  std::vector<ProfileEntry> entries;
  // Folded key name -> indices into `entries`, in file order.
  std::unordered_map<std::string, std::vector<std::size_t>> by_key;
};

struct Profile {
  std::string text;  // the file's bytes as loaded
  std::vector<ProfileSection> sections;  // in file order
  // Folded section name -> index into `sections`.
  std::unordered_map<std::string, std::size_t> by_name;
};

// A name as profile lookups compare it: ASCII letters in lower case.
std::string FoldProfileName(std::string_view name);

// Builds the profile from a file's bytes.
Profile ParseProfile(std::string text);

// Loads `file`. A file that does not exist loads as an empty profile.
// Returns 0 with the platform's code on any other read failure.
int LoadProfile(const char* file, Profile* profile);

// The key names of `section` in file order, duplicates included; a list of
// the one name `missing` when there is no such section.
std::vector<std::string> GetProfileKeys(const Profile& profile,
                                        std::string_view section,
                                        std::string_view missing);

// The value of the `occurrence`-th (from 0) entry named `key` in `section`;
// `missing` when there is none.
std::string GetProfileValue(const Profile& profile, std::string_view section,
                            std::string_view key, std::size_t occurrence,
                            std::string_view missing);

// Replaces the value of the `occurrence`-th entry named `key` in `section`.
// Returns 0 with code 2 when there is no such entry.
int SetProfileValue(Profile* profile, std::string_view section,
                    std::string_view key, std::size_t occurrence,
                    std::string_view value);

// The file's bytes with every changed value put in.
std::string RenderProfile(const Profile& profile);

// Writes RenderProfile() to `file`. Returns 0 with the platform's code on
// failure.
int SaveProfile(const char* file, const Profile& profile);

}  // namespace vx

#endif  // VEXTOR_PROFILE_PROFILE_FILE_H

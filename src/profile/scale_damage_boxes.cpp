#include "profile/scale_damage_boxes.h"

#include <cmath>
#include <cstdio>
#include <initializer_list>
#include <string>
#include <string_view>
#include <unordered_map>

#include "cli/diagnostics.h"
#include "cli/run_flags.h"
#include "platform/platform.h"
#include "profile/damage_box.h"
#include "profile/profile_file.h"
#include "profile/scale_value.h"

namespace vx {
namespace {

constexpr std::string_view kSection = "BOXES";
// What a lookup answers for a missing section or key.
constexpr std::string_view kMissing = "ERROR:2";

// Writes the texts byte for byte: an entry may hold any byte, and the
// listing shows it as it was read.
void PrintLine(std::initializer_list<std::string_view> parts) {
  for (const std::string_view part : parts) {
    std::fwrite(part.data(), 1, part.size(), stdout);
  }
  std::fputc('\n', stdout);
}

int Fail(const char* message, plat::DWORD code) {
  DbgMessage(message, code);
  plat::SetLastError(code);
  return 0;
}

const char* EntryFaultMessage(EntryFault fault) {
  switch (fault) {
    case EntryFault::kNoName:
      return "Dbg: ERROR:%x  Malformed damage box, cannot find name.\n";
    case EntryFault::kNothingPastName:
      return "Dbg: ERROR:%x  Malformed damage box, cannot parse past name.\n";
    case EntryFault::kTooFewValues:
      return "Dbg: ERROR:%x  Incorrect number of values in damage box.\n";
    case EntryFault::kOutOfRange:
    case EntryFault::kNone:
      break;
  }
  return "Dbg: ERROR:%x  Damage box value out of range.\n";
}

// Multiplies the six values; 0 when a product leaves the single precision
// range, so that nothing non-finite is ever written.
int ScaleBox(DamageBox* box, std::int16_t scale) {
  for (float& value : box->values) {
    value = ScaleValue(value, scale);
    if (std::isinf(value)) return 0;
  }
  return 1;
}

// Lists, checks and (unless view-only) rescales the `occurrence`-th entry
// named `key` in the loaded profile. Sets `*rewritten` once an entry has
// been changed in memory.
int ProcessEntry(Profile* profile, const std::string& key,
                 std::size_t occurrence, std::int16_t scale, bool* rewritten) {
  DbgMessage("Dbg: Scanning for \"%s\" value in BOXES section.\n", key.c_str());
  const std::string entry =
      GetProfileValue(*profile, kSection, key, occurrence, kMissing);
  if (entry == kMissing) {
    return Fail("Dbg: ERROR:%x  Value not found.\n", plat::ERROR_FILE_NOT_FOUND);
  }
  DbgMessage("Dbg: Value loaded.\n");
  PrintLine({"  ", key, " = ", entry});

  DamageBox box;
  const EntryFault fault = ParseDamageBox(entry, &box);
  if (fault != EntryFault::kNone) {
    return Fail(EntryFaultMessage(fault), plat::ERROR_INVALID_PARAMETER);
  }
  DbgMessage("Dbg: Value loaded and box structure filled.\n");
  if ((RunFlags & FLAG_VIEWONLY) != 0) return 1;

  if (!ScaleBox(&box, scale)) {
    return Fail(EntryFaultMessage(EntryFault::kOutOfRange),
                plat::ERROR_INVALID_PARAMETER);
  }
  const std::string text = FormatDamageBox(box);
  PrintLine({"          ", text});
  if (!SetProfileValue(profile, kSection, key, occurrence, text)) {
    return Fail("Dbg: ERROR:%x  Wpps failed.\n", plat::GetLastError());
  }
  *rewritten = true;
  return 1;
}

}  // namespace

int ScaleDamageBoxes(const char* file, std::int32_t Scale) {
  DbgMessage("Dbg: Scanning for BOXES section in %s\n", file);
  Profile profile;
  if (!LoadProfile(file, &profile)) {
    const plat::DWORD code = plat::GetLastError();
    DbgMessage("Dbg: ERROR:%x  Cannot read %s.\n", code, file);
    plat::SetLastError(code);
    return 0;
  }
  const std::vector<std::string> keys =
      GetProfileKeys(profile, kSection, kMissing);
  if (!keys.empty() && keys.front() == kMissing) {
    return Fail("Dbg: ERROR:%x  BOXES section not found.\n",
                plat::ERROR_FILE_NOT_FOUND);
  }
  DbgMessage("Dbg: BOXES section loaded.\n");

  const std::int16_t scale = EffectiveScale(Scale);
  // Entries sharing a name are told apart by their rank among that name, so
  // each one is read and written exactly once.
  std::unordered_map<std::string, std::size_t> seen;
  bool rewritten = false;
  for (const std::string& key : keys) {
    const std::size_t occurrence = seen[FoldProfileName(key)]++;
    if (!ProcessEntry(&profile, key, occurrence, scale, &rewritten)) return 0;
  }
  // One write for the whole section, and only once every entry succeeded.
  if (rewritten && !SaveProfile(file, profile)) {
    return Fail("Dbg: ERROR:%x  Wpps failed.\n", plat::GetLastError());
  }
  return 1;
}

}  // namespace vx

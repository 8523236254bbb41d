// One entry of a damage profile's BOXES section: a name and six numbers.
#ifndef VEXTOR_PROFILE_DAMAGE_BOX_H
#define VEXTOR_PROFILE_DAMAGE_BOX_H

#include <array>
#include <string>
#include <string_view>

namespace vx {

struct DamageBox {
  std::array<float, 6> values{};
  std::string name;
};

// Why an entry text could not be read as a damage box.
enum class EntryFault {
  kNone,
  kNoName,            // empty, or commas only
  kNothingPastName,   // the name runs to the end, or only blanks follow it
  kTooFewValues,      // the number list does not begin with six numbers
  kOutOfRange,        // a number is beyond the single precision range
};

// Reads an entry: leading commas are skipped; the name runs to the next
// comma; blanks after that comma are skipped; the number list runs to the
// next blank and must begin with six numbers separated by single commas,
// each number optionally preceded by white space other than the blank.
// Anything after the sixth number is ignored. Fills `box` as far as it got.
EntryFault ParseDamageBox(std::string_view entry, DamageBox* box);

// The entry text for `box`: the name, then each value after a comma with
// two decimals. Every value must be finite.
std::string FormatDamageBox(const DamageBox& box);

}  // namespace vx

#endif  // VEXTOR_PROFILE_DAMAGE_BOX_H

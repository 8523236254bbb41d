#include "profile/damage_box.h"

#include <cmath>

#include "profile/decimal_number.h"

namespace vx {
namespace {

// White space that may stand before a number. The blank is not among them:
// it ends the number list.
bool IsSpaceBeforeNumber(char c) {
  return c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// Reads up to six comma-separated numbers; returns how many were read.
std::size_t ReadNumberList(std::string_view list, DamageBox* box) {
  std::size_t count = 0;
  std::size_t at = 0;
  while (count < box->values.size()) {
    if (count > 0) {
      if (at >= list.size() || list[at] != ',') break;
      ++at;
    }
    while (at < list.size() && IsSpaceBeforeNumber(list[at])) ++at;
    std::size_t used = 0;
    if (!ReadDecimalNumber(list.substr(at), &box->values[count], &used)) break;
    at += used;
    ++count;
  }
  return count;
}

}  // namespace

EntryFault ParseDamageBox(std::string_view entry, DamageBox* box) {
  const std::size_t name_start = entry.find_first_not_of(',');
  if (name_start == std::string_view::npos) return EntryFault::kNoName;
  const std::size_t name_end = entry.find(',', name_start);
  box->name = std::string(entry.substr(name_start, name_end - name_start));
  if (name_end == std::string_view::npos) return EntryFault::kNothingPastName;

  const std::size_t list_start = entry.find_first_not_of(' ', name_end + 1);
  if (list_start == std::string_view::npos) {
    return EntryFault::kNothingPastName;
  }
  const std::size_t list_end = entry.find(' ', list_start);
  const std::string_view list =
      entry.substr(list_start, list_end == std::string_view::npos
                                   ? std::string_view::npos
                                   : list_end - list_start);
  if (ReadNumberList(list, box) < box->values.size()) {
    return EntryFault::kTooFewValues;
  }
  for (const float value : box->values) {
    if (std::isinf(value)) return EntryFault::kOutOfRange;
  }
  return EntryFault::kNone;
}

std::string FormatDamageBox(const DamageBox& box) {
  std::string text = box.name;
  for (const float value : box.values) {
    text += ',';
    text += FormatTwoDecimals(value);
  }
  return text;
}

}  // namespace vx

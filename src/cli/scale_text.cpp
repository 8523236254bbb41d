#include "cli/scale_text.h"

namespace vx {

namespace {

// The white space the formatted reader skips, and no more: no locale.
bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' ||
         c == '\r';
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

int ReadScale(const char* text, std::int32_t* scale) {
  if (text == nullptr) return 0;
  const char* p = text;
  while (IsBlank(*p)) ++p;
  const bool negative = *p == '-';
  if (*p == '-' || *p == '+') ++p;
  if (!IsDigit(*p)) return 0;

  // Capped just past the range, so that no run of digits can overflow.
  std::int32_t magnitude = 0;
  for (; IsDigit(*p); ++p) {
    if (magnitude <= -MIN_SCALE) magnitude = magnitude * 10 + (*p - '0');
  }
  while (IsBlank(*p)) ++p;
  if (*p != '\0') return 0;

  const std::int32_t value = negative ? -magnitude : magnitude;
  if (value < MIN_SCALE || value > MAX_SCALE) return 0;
  *scale = value;
  return 1;
}

}  // namespace vx

#include "profile/decimal_number.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

#include "profile/big_unsigned.h"

namespace vx {
namespace {

// Single precision: 24-bit significands, the smallest step 2^-149, the
// largest finite value just below 2^128.
constexpr std::uint32_t kHiddenBit = 1u << 23;
constexpr std::uint32_t kSignificandLimit = 1u << 24;
constexpr std::int32_t kMinExponent = -149;
constexpr std::int32_t kMaxExponent = 104;
// Exponent of the significand 2^23 that stands for 2^128: past every finite
// value, so the search below treats it as the infinity.
constexpr std::int32_t kOverflowExponent = kMaxExponent + 1;

// Exponents are saturated here while they are read; any exponent this large
// already puts the number far outside the single precision range.
constexpr std::int64_t kExponentCap = 1000000;

// A midpoint between two neighbouring single precision values never has
// more than a few hundred significant decimal digits, so digits past this
// count matter only as "something nonzero follows".
constexpr std::size_t kDigitCap = 400;

// A non-negative value m * 2^k with m < 2^24, as single precision holds it.
struct Binary {
  std::uint32_t m;
  std::int32_t k;
};

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The number's value as digits * 10^exponent, digits without leading or
// trailing zeros (empty for zero).
struct Decimal {
  bool negative = false;
  std::string digits;
  std::int64_t exponent = 0;
};

// Scans the number syntax; returns the characters used, 0 for no number.
std::size_t ScanDecimal(std::string_view text, Decimal* number) {
  std::size_t at = 0;
  if (at < text.size() && (text[at] == '+' || text[at] == '-')) {
    number->negative = text[at] == '-';
    ++at;
  }
  std::size_t digit_count = 0;
  std::int64_t fraction_digits = 0;
  bool point = false;
  for (; at < text.size(); ++at) {
    const char c = text[at];
    if (IsDigit(c)) {
      ++digit_count;
      if (point) ++fraction_digits;
      // Leading zeros add nothing; after the point they are counted above.
      if (c != '0' || !number->digits.empty()) number->digits.push_back(c);
    } else if (c == '.' && !point) {
      point = true;
    } else {
      break;
    }
  }
  if (digit_count == 0) return 0;

  std::int64_t exponent = 0;
  if (at < text.size() && (text[at] == 'e' || text[at] == 'E')) {
    ++at;
    bool negative_exponent = false;
    if (at < text.size() && (text[at] == '+' || text[at] == '-')) {
      negative_exponent = text[at] == '-';
      ++at;
    }
    for (; at < text.size() && IsDigit(text[at]); ++at) {
      exponent = std::min(exponent * 10 + (text[at] - '0'), kExponentCap);
    }
    if (negative_exponent) exponent = -exponent;
  }
  number->exponent = exponent - fraction_digits;

  // Trailing zeros only scale the value.
  std::size_t last = number->digits.find_last_not_of('0');
  if (last == std::string::npos) {
    number->digits.clear();
    number->exponent = 0;
  } else {
    number->exponent +=
        static_cast<std::int64_t>(number->digits.size() - last - 1);
    number->digits.resize(last + 1);
  }
  return at;
}

// Cuts an overlong digit string, replacing the cut part by one nonzero
// digit: the value stays strictly between the same two midpoints.
void CapDigits(Decimal* number) {
  if (number->digits.size() <= kDigitCap) return;
  const auto cut = static_cast<std::int64_t>(number->digits.size() - kDigitCap);
  number->digits.resize(kDigitCap);
  number->digits.push_back('1');
  number->exponent += cut - 1;
}

Binary Up(Binary b) {
  if (++b.m == kSignificandLimit) return {kHiddenBit, b.k + 1};
  return b;
}

Binary Down(Binary b) {
  if (b.m == kHiddenBit && b.k > kMinExponent) {
    return {kSignificandLimit - 1, b.k - 1};
  }
  return {b.m - 1, b.k};
}

// Compares digits * 10^exponent with the midpoint between `b` and Up(b),
// which is (2m + 1) * 2^(k-1).
int CompareWithMidpoint(const BigUnsigned& digits, std::int64_t exponent,
                        Binary b) {
  BigUnsigned left = digits;
  BigUnsigned right(2 * std::uint64_t{b.m} + 1);
  if (exponent >= 0) {
    left.MultiplyPow10(static_cast<std::uint32_t>(exponent));
  } else {
    right.MultiplyPow10(static_cast<std::uint32_t>(-exponent));
  }
  const std::int32_t shift = b.k - 1;
  if (shift >= 0) {
    right.ShiftLeft(static_cast<std::uint32_t>(shift));
  } else {
    left.ShiftLeft(static_cast<std::uint32_t>(-shift));
  }
  return Compare(left, right);
}

// A single precision value at most a few steps from the exact one.
Binary Estimate(const Decimal& number) {
  const std::size_t lead = std::min<std::size_t>(number.digits.size(), 19);
  std::uint64_t head = 0;
  for (std::size_t i = 0; i < lead; ++i) head = head * 10 + (number.digits[i] - '0');
  const auto dropped = static_cast<std::int64_t>(number.digits.size() - lead);
  const double estimate = static_cast<double>(head) *
                          std::pow(10.0, static_cast<double>(number.exponent + dropped));
  int binary_exponent = 0;
  std::frexp(estimate, &binary_exponent);
  std::int32_t k = std::max(binary_exponent - 24, kMinExponent);
  if (k > kMaxExponent) return {kSignificandLimit - 1, kMaxExponent};
  const double m = std::floor(std::ldexp(estimate, -k));
  return {static_cast<std::uint32_t>(std::min(m, double{kSignificandLimit - 1})), k};
}

// The nearest value, exact halfway cases toward zero; {2^23, 105} when the
// number lies beyond the largest finite value's upper midpoint.
Binary RoundToSingle(const Decimal& number) {
  const BigUnsigned digits = BigUnsigned::FromDecimal(number.digits);
  Binary b = Estimate(number);
  while (b.k < kOverflowExponent &&
         CompareWithMidpoint(digits, number.exponent, b) > 0) {
    b = Up(b);
  }
  while (b.m != 0 &&
         CompareWithMidpoint(digits, number.exponent, Down(b)) <= 0) {
    b = Down(b);
  }
  return b;
}

float ToFloat(const Decimal& number) {
  float magnitude = 0.0f;
  if (!number.digits.empty()) {
    // The value lies in [10^(order-1), 10^order).
    const std::int64_t order =
        static_cast<std::int64_t>(number.digits.size()) + number.exponent;
    if (order > 39) {
      magnitude = std::numeric_limits<float>::infinity();  // >= 10^39 > 2^128
    } else if (order >= -45) {  // below 10^-46 lies under half of 2^-149
      const Binary b = RoundToSingle(number);
      magnitude = b.k >= kOverflowExponent
                      ? std::numeric_limits<float>::infinity()
                      : std::ldexp(static_cast<float>(b.m), b.k);
    }
  }
  return number.negative ? -magnitude : magnitude;
}

// Adds one unit in the last place of a digit string; returns the carry.
bool Increment(std::string* digits) {
  for (std::size_t i = digits->size(); i-- > 0;) {
    if ((*digits)[i] != '9') {
      ++(*digits)[i];
      return false;
    }
    (*digits)[i] = '0';
  }
  return true;
}

// Rounds `digits` (no leading zeros) half away from zero so that at most
// `keep` of them are significant, the others becoming zeros.
void RoundDigits(std::string* digits, std::size_t keep) {
  if (digits->size() <= keep) return;
  const bool up = (*digits)[keep] >= '5';
  for (std::size_t i = keep; i < digits->size(); ++i) (*digits)[i] = '0';
  std::string head = digits->substr(0, keep);
  if (up && Increment(&head)) head.insert(head.begin(), '1');
  digits->replace(0, keep, head);
}

}  // namespace

int ReadDecimalNumber(std::string_view text, float* value, std::size_t* used) {
  Decimal number;
  const std::size_t length = ScanDecimal(text, &number);
  if (length == 0) return 0;
  CapDigits(&number);
  *value = ToFloat(number);
  *used = length;
  return 1;
}

std::string FormatTwoDecimals(float value) {
  if (value == 0.0f) return "0.00";
  // The value is exactly m * 2^k; as a decimal it is m * 5^-k / 10^-k.
  int binary_exponent = 0;
  const float fraction = std::frexp(std::fabs(value), &binary_exponent);
  BigUnsigned exact(static_cast<std::uint64_t>(std::ldexp(fraction, 24)));
  const int k = binary_exponent - 24;
  std::size_t decimals = 0;
  if (k >= 0) {
    exact.ShiftLeft(static_cast<std::uint32_t>(k));
  } else {
    exact.MultiplyPow5(static_cast<std::uint32_t>(-k));
    decimals = static_cast<std::size_t>(-k);
  }
  std::string digits = exact.ToDecimal();
  RoundDigits(&digits, 17);

  if (digits.size() <= decimals) {
    digits.insert(0, decimals + 1 - digits.size(), '0');
  }
  if (decimals < 2) {
    digits.append(2 - decimals, '0');
  } else {
    RoundDigits(&digits, digits.size() - (decimals - 2));
    digits.resize(digits.size() - (decimals - 2));
  }
  // RoundDigits may have carried into a new leading digit; either way the
  // integer part is everything before the last two digits.
  std::string integer = digits.substr(0, digits.size() - 2);
  const std::size_t first = integer.find_first_not_of('0');
  integer = first == std::string::npos ? "0" : integer.substr(first);
  std::string text = value < 0.0f ? "-" : "";
  text += integer;
  text += '.';
  text += digits.substr(digits.size() - 2);
  return text;
}

}  // namespace vx

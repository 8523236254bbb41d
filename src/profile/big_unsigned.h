// A small arbitrary-precision unsigned integer: just enough arithmetic to
// convert between decimal text and binary floating point exactly.
#ifndef VEXTOR_PROFILE_BIG_UNSIGNED_H
#define VEXTOR_PROFILE_BIG_UNSIGNED_H

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vx {

class BigUnsigned {
 public:
  explicit BigUnsigned(std::uint64_t value = 0);

  // `digits` holds only the characters 0 to 9.
  static BigUnsigned FromDecimal(std::string_view digits);

  void MultiplySmall(std::uint32_t factor);
  void AddSmall(std::uint32_t addend);
  void MultiplyPow5(std::uint32_t exponent);
  void MultiplyPow10(std::uint32_t exponent);
  void ShiftLeft(std::uint32_t bits);

  // The value in decimal without leading zeros ("0" for zero).
  std::string ToDecimal() const;

  // -1, 0 or 1 as `a` is less than, equal to or greater than `b`.
  friend int Compare(const BigUnsigned& a, const BigUnsigned& b);

 private:
  // Divides in place and returns the remainder.
  std::uint32_t DivideSmall(std::uint32_t divisor);
  void Trim();

  std::vector<std::uint32_t> limbs_;  // least significant first, no zero top
};

}  // namespace vx

#endif  // VEXTOR_PROFILE_BIG_UNSIGNED_H

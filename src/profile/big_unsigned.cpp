#include "profile/big_unsigned.h"

#include <algorithm>

namespace vx {
namespace {

constexpr std::uint32_t kBillion = 1000000000u;  // ten to the ninth
constexpr std::uint32_t kPow5Step = 1220703125u;  // five to the thirteenth
constexpr std::uint32_t kPow5StepExponent = 13;

std::uint32_t SmallPow(std::uint32_t base, std::uint32_t exponent) {
  std::uint32_t result = 1;
  while (exponent-- > 0) result *= base;
  return result;
}

}  // namespace

BigUnsigned::BigUnsigned(std::uint64_t value) {
  while (value != 0) {
    limbs_.push_back(static_cast<std::uint32_t>(value));
    value >>= 32;
  }
}

BigUnsigned BigUnsigned::FromDecimal(std::string_view digits) {
  BigUnsigned result;
  // Nine digits at a time keep every step within one 32-bit limb factor.
  std::size_t chunk = digits.size() % 9;
  if (chunk == 0) chunk = 9;
  for (std::size_t at = 0; at < digits.size(); at += chunk, chunk = 9) {
    std::uint32_t part = 0;
    for (std::size_t i = at; i < at + chunk; ++i) {
      part = part * 10 + static_cast<std::uint32_t>(digits[i] - '0');
    }
    result.MultiplySmall(SmallPow(10, static_cast<std::uint32_t>(chunk)));
    result.AddSmall(part);
  }
  return result;
}

void BigUnsigned::MultiplySmall(std::uint32_t factor) {
  std::uint64_t carry = 0;
  for (auto& limb : limbs_) {
    const std::uint64_t product = std::uint64_t{limb} * factor + carry;
    limb = static_cast<std::uint32_t>(product);
    carry = product >> 32;
  }
  if (carry != 0) limbs_.push_back(static_cast<std::uint32_t>(carry));
  Trim();
}

void BigUnsigned::AddSmall(std::uint32_t addend) {
  std::uint64_t carry = addend;
  for (std::size_t i = 0; carry != 0; ++i) {
    if (i == limbs_.size()) limbs_.push_back(0);
    const std::uint64_t sum = std::uint64_t{limbs_[i]} + carry;
    limbs_[i] = static_cast<std::uint32_t>(sum);
    carry = sum >> 32;
  }
}

void BigUnsigned::MultiplyPow5(std::uint32_t exponent) {
  for (; exponent >= kPow5StepExponent; exponent -= kPow5StepExponent) {
    MultiplySmall(kPow5Step);
  }
  MultiplySmall(SmallPow(5, exponent));
}

void BigUnsigned::MultiplyPow10(std::uint32_t exponent) {
  MultiplyPow5(exponent);
  ShiftLeft(exponent);
}

void BigUnsigned::ShiftLeft(std::uint32_t bits) {
  if (limbs_.empty()) return;
  const std::uint32_t whole = bits / 32;
  const std::uint32_t part = bits % 32;
  if (part != 0) {
    std::uint32_t carry = 0;
    for (auto& limb : limbs_) {
      const std::uint32_t next = limb >> (32 - part);
      limb = (limb << part) | carry;
      carry = next;
    }
    if (carry != 0) limbs_.push_back(carry);
  }
  limbs_.insert(limbs_.begin(), whole, 0u);
}

std::uint32_t BigUnsigned::DivideSmall(std::uint32_t divisor) {
  std::uint64_t remainder = 0;
  for (auto it = limbs_.rbegin(); it != limbs_.rend(); ++it) {
    const std::uint64_t current = (remainder << 32) | *it;
    *it = static_cast<std::uint32_t>(current / divisor);
    remainder = current % divisor;
  }
  Trim();
  return static_cast<std::uint32_t>(remainder);
}

std::string BigUnsigned::ToDecimal() const {
  if (limbs_.empty()) return "0";
  BigUnsigned rest = *this;
  std::string reversed;
  while (!rest.limbs_.empty()) {
    std::uint32_t part = rest.DivideSmall(kBillion);
    // Every chunk but the most significant one has exactly nine digits.
    const bool last = rest.limbs_.empty();
    for (int i = 0; i < 9 && (!last || part != 0); ++i) {
      reversed.push_back(static_cast<char>('0' + part % 10));
      part /= 10;
    }
  }
  return std::string(reversed.rbegin(), reversed.rend());
}

int Compare(const BigUnsigned& a, const BigUnsigned& b) {
  if (a.limbs_.size() != b.limbs_.size()) {
    return a.limbs_.size() < b.limbs_.size() ? -1 : 1;
  }
  for (std::size_t i = a.limbs_.size(); i-- > 0;) {
    if (a.limbs_[i] != b.limbs_[i]) return a.limbs_[i] < b.limbs_[i] ? -1 : 1;
  }
  return 0;
}

void BigUnsigned::Trim() {
  while (!limbs_.empty() && limbs_.back() == 0) limbs_.pop_back();
}

}  // namespace vx

#include "profile/decimal_number.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <string>

namespace vx {
namespace {

std::uint32_t Bits(float value) { return std::bit_cast<std::uint32_t>(value); }

float Read(const std::string& text) {
  float value = 0;
  std::size_t used = 0;
  EXPECT_EQ(ReadDecimalNumber(text, &value, &used), 1) << text;
  EXPECT_EQ(used, text.size()) << text;
  return value;
}

// --- reading: syntax ---------------------------------------------------------

struct SyntaxCase {
  const char* text;
  int read;          // 1 when a number starts the text
  std::size_t used;  // characters the number takes
  float value;
};

TEST(ReadDecimalNumberTest, TakesExactlyTheNumberSyntax) {
  const SyntaxCase cases[] = {
      {"1", 1, 1, 1.0f},
      {"1e", 1, 2, 1.0f},  // an exponent letter without digits counts as e0
      {"1e+", 1, 3, 1.0f},
      {"1E-x", 1, 3, 1.0f},
      {"2e3,", 1, 3, 2000.0f},
      {"1.5E+2", 1, 6, 150.0f},
      {"5.", 1, 2, 5.0f},
      {".5", 1, 2, 0.5f},
      {"-.5", 1, 3, -0.5f},
      {"+2", 1, 2, 2.0f},
      {"00012.50", 1, 8, 12.5f},
      {"1..2", 1, 2, 1.0f},
      {"1.2.3", 1, 3, 1.2f},
      {"0x10", 1, 1, 0.0f},  // no hexadecimal: the number is the 0
      {"6x", 1, 1, 6.0f},
      {"1e0000000000000000000000002", 1, 27, 100.0f},
      {".e5", 0, 0, 0.0f},  // the exponent needs a digit before it
      {".", 0, 0, 0.0f},
      {"", 0, 0, 0.0f},
      {"-", 0, 0, 0.0f},
      {"+.", 0, 0, 0.0f},
      {"e5", 0, 0, 0.0f},
      {"inf", 0, 0, 0.0f},
      {"-infinity", 0, 0, 0.0f},
      {"nan", 0, 0, 0.0f},
      {" 1", 0, 0, 0.0f},  // white space belongs to the entry, not the number
      {"\t1", 0, 0, 0.0f},
      {"- 1", 0, 0, 0.0f},
  };
  for (const auto& c : cases) {
    float value = -99.0f;
    std::size_t used = 99;
    EXPECT_EQ(ReadDecimalNumber(c.text, &value, &used), c.read) << c.text;
    if (c.read == 0) continue;
    EXPECT_EQ(used, c.used) << c.text;
    EXPECT_EQ(value, c.value) << c.text;
  }
}

TEST(ReadDecimalNumberTest, KeepsTheSignOfZero) {
  EXPECT_EQ(Bits(Read("-0")), Bits(-0.0f));
  EXPECT_EQ(Bits(Read("-0.000e7")), Bits(-0.0f));
  EXPECT_EQ(Bits(Read("0")), Bits(0.0f));
}

// --- reading: rounding -------------------------------------------------------

TEST(ReadDecimalNumberTest, RoundsToNearestWithHalfwayTowardZero) {
  EXPECT_EQ(Bits(Read("0.1")), 0x3DCCCCCDu);  // 0.100000001490116...
  EXPECT_LT(Read("2.675"), 2.675);            // stored slightly below
  // Exactly halfway between two single precision values: toward zero, not
  // to the even neighbour.
  EXPECT_EQ(Read("16777217"), 16777216.0f);
  EXPECT_EQ(Read("16777219"), 16777218.0f);
  EXPECT_EQ(Read("-16777219"), -16777218.0f);
  EXPECT_EQ(Read("16777219.000000000000000000001"), 16777220.0f);
  EXPECT_EQ(Read("1677721.9e1"), 16777218.0f);
  // Digits far past what any midpoint needs still decide the rounding.
  EXPECT_EQ(Read("16777217." + std::string(600, '0')), 16777216.0f);
  EXPECT_EQ(Read("16777217." + std::string(600, '0') + "1"), 16777218.0f);
  // 16777216.999... just below the midpoint 16777217.
  EXPECT_EQ(Read("16777216." + std::string(600, '9') + "e0"), 16777216.0f);
}

TEST(ReadDecimalNumberTest, HandlesTheEndsOfTheRange) {
  const float max = std::numeric_limits<float>::max();
  const float inf = std::numeric_limits<float>::infinity();
  const float tiny = std::numeric_limits<float>::denorm_min();
  // The midpoint between the largest value and 2^128 still reads finite.
  EXPECT_EQ(Read("340282356779733661637539395458142568448"), max);
  EXPECT_EQ(Read("340282356779733661637539395458142568448.0001"), inf);
  EXPECT_EQ(Read("-3.4028236e38"), -inf);
  EXPECT_EQ(Read("3.4028235e38"), max);
  EXPECT_EQ(Read("1e39"), inf);
  EXPECT_EQ(Read("1e99999999999999999999"), inf);
  EXPECT_EQ(Read("1" + std::string(2000, '0')), inf);
  // 2^-150, half of the smallest step, goes to zero; anything above it not.
  const std::string half_tiny =
      "0.00000000000000000000000000000000000000000000070064923216240853546186"
      "4791644958065640130970938257885878534141944895541342930300743319094181"
      "060791015625";
  EXPECT_EQ(Bits(Read(half_tiny)), Bits(0.0f));
  EXPECT_EQ(Read(half_tiny + "1"), tiny);
  EXPECT_EQ(Bits(Read("-1e-46")), Bits(-0.0f));
  EXPECT_EQ(Read("1e-99999999999999999999"), 0.0f);
  EXPECT_EQ(Read("1.17549435e-38"), std::numeric_limits<float>::min());
}

// Compares digits / 10^p with `midpoint`, a midpoint between two single
// precision values (25 significant bits), exactly: midpoint * 5^p needs at
// most 25 + 28 bits for p <= 12, so every step below is exact in double.
int CompareWithMidpoint(std::uint64_t digits, int p, double midpoint) {
  std::uint64_t five_to_p = 1;
  for (int i = 0; i < p; ++i) five_to_p *= 5;
  const double right = std::ldexp(midpoint * static_cast<double>(five_to_p), p);
  const auto left = static_cast<double>(digits);
  return left < right ? -1 : (left > right ? 1 : 0);
}

TEST(ReadDecimalNumberTest, RandomDecimalsReadToTheNearestValue) {
  std::mt19937_64 rng(20240611);
  for (int i = 0; i < 20000; ++i) {
    const std::uint64_t digits = 1 + rng() % 999999999;
    const int p = static_cast<int>(rng() % 13);
    std::string text = std::to_string(digits);
    if (static_cast<int>(text.size()) <= p) {
      text.insert(0, static_cast<std::size_t>(p) + 1 - text.size(), '0');
    }
    text.insert(text.size() - static_cast<std::size_t>(p), ".");
    const float got = Read(text);
    const float up = std::nextafter(got, std::numeric_limits<float>::infinity());
    const float down = std::nextafter(got, 0.0f);
    // Above the midpoint below (a tie there belongs to the lower value), at
    // most the midpoint above.
    if (got != 0.0f) {
      EXPECT_GT(CompareWithMidpoint(digits, p, (double{down} + got) / 2), 0) << text;
    }
    EXPECT_LE(CompareWithMidpoint(digits, p, (double{got} + up) / 2), 0) << text;
  }
}

// A non-negative number as decimal digits with `places` of them after the
// point, doubled and halved digit by digit: exact at any size.
struct DigitString {
  std::string digits;
  std::size_t places = 0;

  void Double() {
    int carry = 0;
    for (std::size_t i = digits.size(); i-- > 0;) {
      const int d = (digits[i] - '0') * 2 + carry;
      digits[i] = static_cast<char>('0' + d % 10);
      carry = d / 10;
    }
    if (carry != 0) digits.insert(digits.begin(), '1');
  }
  void Halve() {
    if ((digits.back() - '0') % 2 != 0) {
      digits.push_back('0');
      ++places;
    }
    int rest = 0;
    for (char& c : digits) {
      const int d = rest * 10 + (c - '0');
      c = static_cast<char>('0' + d / 2);
      rest = d % 2;
    }
  }
  // "integer.fraction", the integer part at least "0".
  std::string Text() const {
    std::string padded = digits;
    if (padded.size() <= places) padded.insert(0, places + 1 - padded.size(), '0');
    std::string integer = padded.substr(0, padded.size() - places);
    integer.erase(0, std::min(integer.find_first_not_of('0'), integer.size() - 1));
    return places == 0 ? integer
                       : integer + "." + padded.substr(padded.size() - places);
  }
};

// The exact value of a finite, non-negative double.
DigitString Exact(double value) {
  int e = 0;
  const double fraction = std::frexp(value, &e);
  DigitString exact{std::to_string(
      static_cast<std::uint64_t>(std::ldexp(fraction, 53)))};
  for (e -= 53; e > 0; --e) exact.Double();
  for (; e < 0; ++e) exact.Halve();
  return exact;
}

TEST(ReadDecimalNumberTest, ExactMidpointsGoTowardZero) {
  std::mt19937 rng(7);
  std::uniform_real_distribution<float> range(1e-3f, 1e6f);
  for (int i = 0; i < 5000; ++i) {
    const float value = range(rng);
    const float next = std::nextafter(value, 2e6f);
    const std::string midpoint = Exact((double{value} + next) / 2).Text();
    EXPECT_EQ(Read(midpoint), value) << midpoint;
    EXPECT_EQ(Read("-" + midpoint), -value) << midpoint;
    EXPECT_EQ(Read(midpoint + "000001"), next) << midpoint;
  }
}

// --- writing -----------------------------------------------------------------

TEST(FormatTwoDecimalsTest, WorkedValues) {
  const struct {
    float value;
    const char* text;
  } cases[] = {
      {0.125f, "0.13"},   {-0.125f, "-0.13"},  {0.375f, "0.38"},
      {0.625f, "0.63"},   {1.125f, "1.13"},    {Read("2.675"), "2.67"},
      {Read("9.995"), "9.99"}, {Read("9.996"), "10.00"},
      {Read("1.005"), "1.00"}, {Read("0.1"), "0.10"},
      {-0.001f, "-0.00"}, {-0.004f, "-0.00"},  {-0.005f, "-0.00"},
      {-0.0051f, "-0.01"}, {0.0f, "0.00"},     {-0.0f, "0.00"},
      {std::numeric_limits<float>::denorm_min(), "0.00"},
      {-std::numeric_limits<float>::denorm_min(), "-0.00"},
      {1.0f, "1.00"},     {-2.5f, "-2.50"},    {99.995f, "100.00"},
      {16777216.0f, "16777216.00"},  {123456790.0f, "123456792.00"},
      // Past the seventeenth significant digit the integer digits are 0.
      {std::numeric_limits<float>::max(),
       "340282346638528860000000000000000000000.00"},
      {-1e20f, "-100000002004087730000.00"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FormatTwoDecimals(c.value), c.text) << c.value;
  }
}

// Rounds the digit string half away from zero to its first `keep` digits,
// the digits after them becoming zeros.
void RoundAt(std::string* digits, std::size_t keep) {
  if (keep >= digits->size()) return;
  const bool up = (*digits)[keep] >= '5';
  std::fill(digits->begin() + static_cast<std::ptrdiff_t>(keep), digits->end(), '0');
  for (std::size_t i = keep; up && i-- > 0;) {
    if ((*digits)[i] == '9') {
      (*digits)[i] = '0';
      if (i == 0) digits->insert(digits->begin(), '1');
    } else {
      ++(*digits)[i];
      break;
    }
  }
}

// The rounding rules applied literally to the exact value's digits.
std::string ReferenceTwoDecimals(float value) {
  DigitString exact = Exact(std::fabs(double{value}));
  exact.digits.insert(0, exact.places + 3, '0');  // room for any carry
  const std::size_t first = exact.digits.find_first_not_of('0');
  RoundAt(&exact.digits, first + 17);
  if (exact.places > 2) {
    RoundAt(&exact.digits, exact.digits.size() - (exact.places - 2));
    exact.digits.resize(exact.digits.size() - (exact.places - 2));
  } else {
    exact.digits.append(2 - exact.places, '0');
  }
  exact.places = 2;
  return (value < 0 ? "-" : "") + exact.Text();
}

TEST(FormatTwoDecimalsTest, RandomValuesMatchExactTwoStepRounding) {
  std::mt19937 rng(11);
  for (int i = 0; i < 20000; ++i) {
    // Random bit patterns over 1e-3 .. 1e38, both signs: every digit length
    // and both sides of the seventeenth digit.
    const std::uint32_t bits = 0x3A800000u + rng() % (0x7F000000u - 0x3A800000u);
    float value = std::bit_cast<float>(bits | (rng() % 2 ? 0x80000000u : 0u));
    EXPECT_EQ(FormatTwoDecimals(value), ReferenceTwoDecimals(value))
        << std::hexfloat << value;
  }
}

}  // namespace
}  // namespace vx

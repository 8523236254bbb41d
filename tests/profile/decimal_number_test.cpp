#include "profile/decimal_number.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <string>

namespace vx {
namespace {

__extension__ typedef unsigned __int128 Wide;

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

// 10^p for p <= 19.
Wide Pow10(int p) {
  Wide result = 1;
  while (p-- > 0) result *= 10;
  return result;
}

// Compares digits / 10^p with the double `x` (a float midpoint or value),
// exactly.
int CompareExact(std::uint64_t digits, int p, double x) {
  int e = 0;
  const double fraction = std::frexp(x, &e);
  auto m = static_cast<std::uint64_t>(std::ldexp(fraction, 53));
  e -= 53;
  while (m != 0 && m % 2 == 0) {
    m /= 2;
    ++e;
  }
  Wide left = digits;
  Wide right = Wide{m} * Pow10(p);
  if (e >= 0) right <<= e;
  else left <<= -e;
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
      EXPECT_GT(CompareExact(digits, p, (double{down} + got) / 2), 0) << text;
    }
    EXPECT_LE(CompareExact(digits, p, (double{got} + up) / 2), 0) << text;
  }
}

// The exact decimal text of m * 2^e for e < 0 and a value that fits.
std::string ExactDecimal(std::uint64_t m, int e) {
  Wide n = m;
  for (int i = 0; i < -e; ++i) n *= 5;
  std::string digits;
  for (; n != 0; n /= 10) digits.insert(digits.begin(), char('0' + int(n % 10)));
  const auto places = static_cast<std::size_t>(-e);
  if (digits.size() <= places) digits.insert(0, places + 1 - digits.size(), '0');
  digits.insert(digits.size() - places, ".");
  return digits;
}

TEST(ReadDecimalNumberTest, ExactMidpointsGoTowardZero) {
  std::mt19937 rng(7);
  std::uniform_real_distribution<float> range(1e-3f, 1e6f);
  for (int i = 0; i < 5000; ++i) {
    const float value = range(rng);
    const float next = std::nextafter(value, 2e6f);
    int e = 0;
    const float fraction = std::frexp(value, &e);
    const auto m = static_cast<std::uint64_t>(std::ldexp(fraction, 24));
    const std::string midpoint = ExactDecimal(2 * m + 1, e - 25);
    ASSERT_EQ(std::stod(midpoint), (double{value} + next) / 2) << midpoint;
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

// The two-step rounding done on the exact value value = n / 10^q with
// integer arithmetic.
std::string ReferenceTwoDecimals(float value) {
  int e = 0;
  const float fraction = std::frexp(std::fabs(value), &e);
  Wide n = static_cast<std::uint64_t>(std::ldexp(fraction, 24));
  int q = 0;  // n / 10^q is the value
  for (e -= 24; e > 0; --e) n *= 2;
  for (; e < 0; ++e, ++q) n *= 5;
  int digits = 0;
  for (Wide rest = n; rest != 0; rest /= 10) ++digits;
  if (digits > 17) {  // to 17 significant digits, half away from zero
    const Wide unit = Pow10(digits - 17);
    n = n / unit + (n % unit * 2 >= unit ? 1 : 0);
    q -= digits - 17;
  }
  if (q > 2) {  // to two decimals, half away from zero
    const Wide unit = Pow10(q - 2);
    n = n / unit + (n % unit * 2 >= unit ? 1 : 0);
  } else {
    n *= Pow10(2 - q);
  }
  std::string text;
  for (; n != 0; n /= 10) text.insert(text.begin(), char('0' + int(n % 10)));
  if (text.size() < 3) text.insert(0, 3 - text.size(), '0');
  text.insert(text.size() - 2, ".");
  return (value < 0 ? "-" : "") + text;
}

TEST(FormatTwoDecimalsTest, RandomValuesMatchExactTwoStepRounding) {
  std::mt19937 rng(11);
  for (int i = 0; i < 20000; ++i) {
    // Random bit patterns over 1e-3 .. 1e21, both signs: every digit length
    // and both sides of the seventeenth digit.
    const std::uint32_t bits = 0x3A800000u + rng() % (0x62000000u - 0x3A800000u);
    float value = std::bit_cast<float>(bits | (rng() % 2 ? 0x80000000u : 0u));
    EXPECT_EQ(FormatTwoDecimals(value), ReferenceTwoDecimals(value))
        << std::hexfloat << value;
  }
}

}  // namespace
}  // namespace vx

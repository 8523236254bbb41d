#include "profile/damage_box.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "profile/scale_value.h"

namespace vx {
namespace {

// What an entry becomes with scale 2: the rewritten text, or the fault.
struct EntryCase {
  std::string value;
  EntryFault fault;
  std::string rewritten;
};

std::string ParseScaleFormat(const std::string& value, std::int32_t scale,
                             EntryFault* fault) {
  DamageBox box;
  *fault = ParseDamageBox(value, &box);
  if (*fault != EntryFault::kNone) return "";
  for (float& v : box.values) v = ScaleValue(v, EffectiveScale(scale));
  return FormatDamageBox(box);
}

void ExpectEntries(const std::vector<EntryCase>& cases) {
  for (const auto& c : cases) {
    EntryFault fault = EntryFault::kNone;
    const std::string rewritten = ParseScaleFormat(c.value, 2, &fault);
    EXPECT_EQ(fault, c.fault) << "value: " << c.value;
    EXPECT_EQ(rewritten, c.rewritten) << "value: " << c.value;
  }
}

constexpr auto kOk = EntryFault::kNone;
constexpr auto kCount = EntryFault::kTooFewValues;
const std::string kScaled = "2.00,4.00,6.00,8.00,10.00,12.00";

TEST(ParseDamageBoxTest, EntryTableWithScaleTwo) {
  ExpectEntries({
      {"head,1,2,3,4,5,6", kOk, "head," + kScaled},
      {",,head,1,2,3,4,5,6", kOk, "head," + kScaled},
      {"left arm,1,2,3,4,5,6", kOk, "left arm," + kScaled},
      {"head,  1,2,3,4,5,6", kOk, "head," + kScaled},
      {"head,1,\t2,3,4,5,6", kOk, "head," + kScaled},
      {"head,1,2,3,4,5,6 spare text", kOk, "head," + kScaled},
      {"head,1,2,3,4,5,6,7,8", kOk, "head," + kScaled},
      {"head,1,2,3,4,5,6x", kOk, "head," + kScaled},
      {"head,1,2,3,4,5,0x10", kOk, "head,2.00,4.00,6.00,8.00,10.00,0.00"},
      {"head,1e3,-.5,+2,5.,0.125,-0.0625", kOk,
       "head,2000.00,-1.00,4.00,10.00,0.25,-0.13"},
      {"head,1e,2,3,4,5,6", kOk, "head," + kScaled},
      {",1,2,3,4,5,6,7", kOk, "1,4.00,6.00,8.00,10.00,12.00,14.00"},
      {"head,1, 2,3,4,5,6", kCount, ""},
      {"head,1 ,2,3,4,5,6", kCount, ""},
      {"head,1,2,3,4,5", kCount, ""},
      {"head,1,,3,4,5,6", kCount, ""},
      {"head,,1,2,3,4,5,6", kCount, ""},
      {"head,0x1,2,3,4,5,6", kCount, ""},
      {"head,", EntryFault::kNothingPastName, ""},
      {"head,   ", EntryFault::kNothingPastName, ""},
      {"head", EntryFault::kNothingPastName, ""},
      {"", EntryFault::kNoName, ""},
      {",,,", EntryFault::kNoName, ""},
  });
}

TEST(ParseDamageBoxTest, NoNumberInAnyOfTheSixPlaces) {
  std::vector<EntryCase> cases;
  for (const char* bad : {".", "inf", "nan", "-", "e1", ""}) {
    for (int place = 0; place < 6; ++place) {
      std::string value = "head";
      for (int i = 0; i < 6; ++i) {
        value += ',';
        value += i == place ? std::string(bad) : std::to_string(i + 1);
      }
      cases.push_back({value, kCount, ""});
    }
  }
  ExpectEntries(cases);
}

TEST(ParseDamageBoxTest, WhiteSpaceOtherThanTheBlankMayPrecedeANumber) {
  ExpectEntries({
      {"head,\v1,\r2,\n3,\f4,\t\t5,6", kOk, "head," + kScaled},
      {"head,1\t,2,3,4,5,6", kCount, ""},  // but not follow one
      {"head,\t 1,2,3,4,5,6", kCount, ""},  // the blank ends the list
  });
}

TEST(ParseDamageBoxTest, NumbersBeyondSinglePrecisionAreRefused) {
  ExpectEntries({
      {"head,1e39,2,3,4,5,6", EntryFault::kOutOfRange, ""},
      {"head,1,2,3,4,5,-4e38", EntryFault::kOutOfRange, ""},
      {"head,1e39,2", kCount, ""},  // the count is checked first
      {"head,1e-50,2,3,4,5,6", kOk, "head,0.00,4.00,6.00,8.00,10.00,12.00"},
  });
}

TEST(ParseDamageBoxTest, LongEntriesAreNeitherCutNorLimited) {
  const std::string name(1000, 'n');
  const std::string big = "1" + std::string(30, '0');
  ExpectEntries({
      {name + ",1,2,3,4,5,6", kOk, name + "," + kScaled},
      {"head,1,2,3,4,5," + std::string(300, '0') + "6", kOk, "head," + kScaled},
      {"head," + big + ",1,1,1,1,1", kOk,
       "head,2000000030094932400000000000000.00,2.00,2.00,2.00,2.00,2.00"},
  });
}

TEST(ScaleValueTest, UsesTheLowSixteenBitsAsASignedNumber) {
  const struct {
    std::int32_t scale;
    std::int16_t effective;
  } cases[] = {
      {2, 2},           {65538, 2},  {65535, -1},         {32768, -32768},
      {32767, 32767},   {-1, -1},    {-65536, 0},         {0x7FFFFFFF, -1},
      {-2147483647 - 1, 0},          {-32769, 32767},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(EffectiveScale(c.scale), c.effective) << c.scale;
  }
}

TEST(ScaleValueTest, RoundsTheExactProductTiesToEven) {
  const float max = std::numeric_limits<float>::max();
  const float inf = std::numeric_limits<float>::infinity();
  // 8388609 * 3 = 25165827 lies halfway between 25165826 and 25165828;
  // the even significand wins.
  EXPECT_EQ(ScaleValue(8388609.0f, 3), 25165828.0f);
  EXPECT_EQ(ScaleValue(-8388609.0f, 3), -25165828.0f);
  EXPECT_EQ(ScaleValue(8388611.0f, 3), 25165832.0f);  // 25165833: down to even
  EXPECT_EQ(ScaleValue(16777215.0f, -32768), -549755781120.0f);
  EXPECT_EQ(ScaleValue(0.1f, 10), 1.0f);
  EXPECT_EQ(ScaleValue(max, 1), max);
  EXPECT_EQ(ScaleValue(max, 2), inf);
  EXPECT_EQ(ScaleValue(max / 2, -3), -inf);
  EXPECT_EQ(ScaleValue(-1.0f, 0), 0.0f);
  EXPECT_EQ(ScaleValue(max / 2, 2), max);
  EXPECT_EQ(ScaleValue(std::numeric_limits<float>::denorm_min(), -3),
            -3 * std::numeric_limits<float>::denorm_min());
  EXPECT_EQ(ScaleValue(std::numeric_limits<float>::min(), 32767),
            32767 * std::numeric_limits<float>::min());
}

TEST(ScaleValueTest, MatchesCorrectlyRoundedProductsOnRandomValues) {
  // The double product is exact at these sizes; stored through volatile it
  // is rounded exactly once to single precision, which makes it a reference.
  std::mt19937 rng(5);
  for (int i = 0; i < 100000; ++i) {
    const float value = std::bit_cast<float>(static_cast<std::uint32_t>(rng()) & 0xFF7FFFFFu);
    const auto scale = static_cast<std::int16_t>(rng());
    volatile double product = static_cast<double>(value) * scale;
    volatile float expected = static_cast<float>(product);
    EXPECT_EQ(std::bit_cast<std::uint32_t>(ScaleValue(value, scale)),
              std::bit_cast<std::uint32_t>(static_cast<float>(expected)))
        << std::hexfloat << value << " * " << scale;
  }
}

}  // namespace
}  // namespace vx

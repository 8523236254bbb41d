#include "cli/scale_text.h"

#include <gtest/gtest.h>

#include <string>

namespace vx {
namespace {

struct Accepted {
  const char* text;
  std::int32_t value;
};

TEST(ReadScale, AcceptsWholeNumbersInRange) {
  const Accepted cases[] = {
      {"3", 3},           {"+3", 3},          {"-2", -2},
      {"010", 10},        {" 3", 3},          {"3 ", 3},
      {"\t\n\v\f\r 7\r\n", 7},                {"0", 0},
      {"-0", 0},          {"32767", 32767},   {"-32768", -32768},
      {"000000000000000000000000000012", 12},
  };
  for (const Accepted& c : cases) {
    SCOPED_TRACE(std::string("text \"") + c.text + "\"");
    std::int32_t scale = 99;
    EXPECT_EQ(ReadScale(c.text, &scale), 1);
    EXPECT_EQ(scale, c.value);
  }
}

TEST(ReadScale, RefusesEverythingElseAndKeepsTheScale) {
  const char* const cases[] = {
      "",       " ",      "x",           "-",          "+",
      "- 3",    "+-3",    "--3",         "1.5",        "3x",
      "3 4",    "0x10",   "1e3",         "32768",      "-32769",
      "65536",  "65538",  "4294967298",  "2147483648", "99999999999999999999",
      "\xA0" "3",  // a non-ASCII byte is no white space
  };
  for (const char* text : cases) {
    SCOPED_TRACE(std::string("text \"") + text + "\"");
    std::int32_t scale = 99;
    EXPECT_EQ(ReadScale(text, &scale), 0);
    EXPECT_EQ(scale, 99);
  }
}

}  // namespace
}  // namespace vx

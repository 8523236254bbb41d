#include "profile/profile_file.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/platform.h"
#include "support/scratch_dir.h"

namespace vx {
namespace {

using Keys = std::vector<std::string>;

// Every awkward corner of the line syntax in one file: a byte order mark,
// an entry before any section, comments, padding, quotes, duplicate keys in
// two spellings, an empty key, CRLF, LF and lone CR line ends, a '[' line
// without ']', headers with trailing text, a second section of a name
// already read, and a last line without a line end.
const std::string kAwkward =
    "\xEF\xBB\xBF"
    "Orphan=before any section\r\n"
    "; Box9 = commented out\r\n"
    "\r\n"
    "[boxes]\r\n"
    "  Box1 \t=  head,1,2,3,4,5,6  \r\n"
    "box1=\"quoted, inside ,1\"\r\n"
    "=5\r\n"
    "#hash=kept\r\n"
    "Empty=\r\n"
    "Single='x'\r\n"
    "Mixed=\"x'\r\n"
    "Lone=\"\r\n"
    "Tail=1 ;not a comment\r"
    "Eq==a=b\r"
    "[unclosed\n"
    "[unclosed=key\n"
    "NoEquals\n"
    "\t\v\f \n"
    "[Other]  trailing text\n"
    "Box1=other section\n"
    "[ BOXES ]\n"
    "Late=not merged\n"
    "[ x]y ] ignored\n"
    "K=v\n"
    "[Last]\n"
    "End=no line end";

TEST(ProfileReaderTest, KeysOfASection) {
  const Profile profile = ParseProfile(kAwkward);
  EXPECT_EQ(GetProfileKeys(profile, "BOXES", "ERROR:2"),
            (Keys{"Box1", "box1", "#hash", "Empty", "Single", "Mixed", "Lone",
                  "Tail", "Eq", "[unclosed"}));
  EXPECT_EQ(GetProfileKeys(profile, "x]y", "ERROR:2"), Keys{"K"});
  EXPECT_EQ(GetProfileKeys(profile, "OTHER", "ERROR:2"), Keys{"Box1"});
  EXPECT_EQ(GetProfileKeys(profile, "last", "ERROR:2"), Keys{"End"});
  EXPECT_EQ(GetProfileKeys(profile, "Missing", "ERROR:2"), Keys{"ERROR:2"});
  EXPECT_EQ(GetProfileKeys(profile, "", "ERROR:2"), Keys{"ERROR:2"});
}

TEST(ProfileReaderTest, ValuesOfASection) {
  const Profile profile = ParseProfile(kAwkward);
  const struct {
    const char* section;
    const char* key;
    std::size_t occurrence;
    const char* value;
  } cases[] = {
      {"BOXES", "Box1", 0, "head,1,2,3,4,5,6"},
      {"boxes", "BOX1", 1, "quoted, inside ,1"},
      {"BOXES", "box1", 2, "ERROR:2"},
      {"BOXES", "#hash", 0, "kept"},
      {"BOXES", "empty", 0, ""},
      {"BOXES", "Single", 0, "x"},
      {"BOXES", "Mixed", 0, "\"x'"},
      {"BOXES", "Lone", 0, "\""},
      {"BOXES", "Tail", 0, "1 ;not a comment"},
      {"BOXES", "Eq", 0, "=a=b"},
      {"BOXES", "[unclosed", 0, "key"},
      {"BOXES", "Late", 0, "ERROR:2"},    // later sections are not merged
      {"BOXES", "Orphan", 0, "ERROR:2"},  // before any section
      {"BOXES", "Box9", 0, "ERROR:2"},
      {"BOXES", "", 0, "ERROR:2"},
      {"Other", "box1", 0, "other section"},
      {"Last", "End", 0, "no line end"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(GetProfileValue(profile, c.section, c.key, c.occurrence,
                              "ERROR:2"),
              c.value)
        << c.section << "/" << c.key << "#" << c.occurrence;
  }
}

TEST(ProfileReaderTest, AnEmptySectionIsNotAMissingOne) {
  EXPECT_EQ(GetProfileKeys(ParseProfile("[BOXES]\n[Next]\nA=1\n"), "BOXES", "E"),
            Keys{});
  EXPECT_EQ(GetProfileKeys(ParseProfile("[BOXES]"), "BOXES", "E"), Keys{});
  EXPECT_EQ(GetProfileKeys(ParseProfile(""), "BOXES", "E"), Keys{"E"});
}

TEST(ProfileReaderTest, AMissingFileLoadsEmpty) {
  test::ScratchDir dir;
  Profile profile;
  ASSERT_EQ(LoadProfile("absent.DP", &profile), 1);
  EXPECT_EQ(GetProfileKeys(profile, "BOXES", "ERROR:2"), Keys{"ERROR:2"});
}

TEST(ProfileWriterTest, NothingChangedRendersTheSameBytes) {
  EXPECT_EQ(RenderProfile(ParseProfile(kAwkward)), kAwkward);
}

TEST(ProfileWriterTest, ChangesOnlyTheValueBytes) {
  Profile profile = ParseProfile(kAwkward);
  ASSERT_EQ(SetProfileValue(&profile, "BOXES", "box1", 0, "A,1.00"), 1);
  ASSERT_EQ(SetProfileValue(&profile, "BOXES", "BOX1", 1, "B"), 1);
  ASSERT_EQ(SetProfileValue(&profile, "BOXES", "empty", 0, "filled"), 1);
  ASSERT_EQ(SetProfileValue(&profile, "BOXES", "Single", 0, ""), 1);
  ASSERT_EQ(SetProfileValue(&profile, "BOXES", "Tail", 0, "T"), 1);
  ASSERT_EQ(SetProfileValue(&profile, "BOXES", "[unclosed", 0, "U"), 1);
  ASSERT_EQ(SetProfileValue(&profile, "Last", "End", 0, "still none"), 1);
  EXPECT_EQ(GetProfileValue(profile, "BOXES", "Box1", 1, "ERROR:2"), "B");

  const std::string expected =
      "\xEF\xBB\xBF"
      "Orphan=before any section\r\n"
      "; Box9 = commented out\r\n"
      "\r\n"
      "[boxes]\r\n"
      "  Box1 \t=  A,1.00  \r\n"
      "box1=\"B\"\r\n"
      "=5\r\n"
      "#hash=kept\r\n"
      "Empty=filled\r\n"
      "Single=''\r\n"
      "Mixed=\"x'\r\n"
      "Lone=\"\r\n"
      "Tail=T\r"
      "Eq==a=b\r"
      "[unclosed\n"
      "[unclosed=U\n"
      "NoEquals\n"
      "\t\v\f \n"
      "[Other]  trailing text\n"
      "Box1=other section\n"
      "[ BOXES ]\n"
      "Late=not merged\n"
      "[ x]y ] ignored\n"
      "K=v\n"
      "[Last]\n"
      "End=still none";
  EXPECT_EQ(RenderProfile(profile), expected);
}

TEST(ProfileWriterTest, RefusesAnEntryThatIsNotThere) {
  Profile profile = ParseProfile(kAwkward);
  plat::SetLastError(0);
  EXPECT_EQ(SetProfileValue(&profile, "BOXES", "Box1", 2, "x"), 0);
  EXPECT_EQ(plat::GetLastError(), plat::ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(SetProfileValue(&profile, "BOXES", "Late", 0, "x"), 0);
  EXPECT_EQ(RenderProfile(profile), kAwkward);
}

TEST(ProfileWriterTest, SavesTheEditedBytes) {
  test::ScratchDir dir;
  dir.Write("w.DP", "[BOXES]\r\nBox1 = a,1\r\nBox2=b,2");
  Profile profile;
  ASSERT_EQ(LoadProfile("w.DP", &profile), 1);
  ASSERT_EQ(SetProfileValue(&profile, "BOXES", "Box2", 0, "b,4.00"), 1);
  ASSERT_EQ(SaveProfile("w.DP", profile), 1);
  EXPECT_EQ(dir.Read("w.DP"), "[BOXES]\r\nBox1 = a,1\r\nBox2=b,4.00");
}

}  // namespace
}  // namespace vx

#include "platform/gbk.h"

#include <gtest/gtest.h>

// 東 is 96 7C in GBK: its trail byte is '|'. 楊 is 97 EE; 乗 has no GBK form, so use
// byte pairs directly where a trail byte must be a letter.
static const std::string kEast = "\x96\x7C";      // trail '|'
static const std::string kTrailA = "\x81\x41";    // trail 'A'
static const std::string kTrailSlash = "\x95\x5C";  // trail '\\'

TEST(Gbk, FindNeverMatchesATrailByte) {
  struct Case {
    std::string text, needle;
    size_t want;
  } cases[] = {
      {kEast + "|", "|", 2},
      {kEast, "|", gbk::npos},
      {kTrailA + "A", "A", 2},
      {kTrailSlash + "\\x", "\\", 2},
      {"a" + kEast + "b", kEast, 1},
      {"abc", "", 0},
      {"", "a", gbk::npos},
  };
  for (const auto& c : cases) EXPECT_EQ(gbk::Find(c.text, c.needle), c.want) << c.text;
  EXPECT_EQ(gbk::Find(kEast + "||", '|', 3), 3u);
}

TEST(Gbk, RFindSkipsPairs) {
  EXPECT_EQ(gbk::RFind("|" + kEast, "|"), 0u);
  EXPECT_EQ(gbk::RFind("a|b|" + kEast, '|'), 3u);
  EXPECT_EQ(gbk::RFind(kEast, "|"), gbk::npos);
}

TEST(Gbk, ReplaceAndSplitRespectPairs) {
  std::string s = kEast + "|x|" + kEast;
  EXPECT_EQ(gbk::ReplaceAll(s, "|", "/"), 2);
  EXPECT_EQ(s, kEast + "/x/" + kEast);
  auto parts = gbk::Split(kEast + "||" + kEast + "|", "|");
  ASSERT_EQ(parts.size(), 4u);
  EXPECT_EQ(parts[0], kEast);
  EXPECT_EQ(parts[1], "");
  EXPECT_EQ(parts[2], kEast);
  EXPECT_EQ(parts[3], "");
}

TEST(Gbk, CaseFoldingIsAsciiAndSparesTrailBytes) {
  EXPECT_EQ(gbk::ToLower("AbC" + kTrailA), "abc" + kTrailA);
  EXPECT_EQ(gbk::ToUpper("abc" + std::string("\x81\x61")), "ABC\x81\x61");
  EXPECT_EQ(gbk::CompareNoCase("ABC", "abc"), 0);
  EXPECT_NE(gbk::CompareNoCase(kTrailA, "\x81\x61"), 0);
  EXPECT_LT(gbk::CompareNoCase("abc", "ABD"), 0);
  EXPECT_TRUE(gbk::EqualsNoCase("QoripSvc", "qoripsvc"));
  EXPECT_EQ(gbk::FindNoCase("xxQORip", "qorip"), 2u);
}

TEST(Gbk, TrimAndCutKeepWholeCharacters) {
  EXPECT_EQ(gbk::Trim("  a b \r\n"), "a b");
  // A pair whose trail byte is a blank-like ASCII byte is never trimmed apart.
  std::string trailSpace = "\x81\x20";
  EXPECT_EQ(gbk::TrimRight("x" + trailSpace), "x" + trailSpace);
  EXPECT_EQ(gbk::CutBytes("ab" + kEast, 3), "ab");
  EXPECT_EQ(gbk::CutBytes("ab" + kEast, 4), "ab" + kEast);
  EXPECT_EQ(gbk::CharCount("a" + kEast + "b"), 3u);
  EXPECT_TRUE(gbk::EndsWith("x.log", ".log"));
  EXPECT_FALSE(gbk::EndsWith(kEast, "|"));
}

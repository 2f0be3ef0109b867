#include "platform/gbk.h"

#include <gtest/gtest.h>

#include <vector>

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
  EXPECT_EQ(gbk::FindNoCase("x" + kTrailA, "\x81\x61"), gbk::npos);
  EXPECT_EQ(gbk::FindNoCase("x" + kTrailA + "B", kTrailA + "b"), 1u);
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

namespace {
// The plain definitions: walk the characters from the start, compare at each.
std::vector<size_t> Starts(const std::string& s) {
  std::vector<size_t> starts;
  for (size_t i = 0; i <= s.size(); i += gbk::CharWidth(s, i)) starts.push_back(i);
  return starts;
}
size_t RefFind(const std::string& s, const std::string& needle, size_t from) {
  for (size_t i : Starts(s))
    if (i >= from && i + needle.size() <= s.size() && s.compare(i, needle.size(), needle) == 0) return i;
  return gbk::npos;
}
size_t RefRFind(const std::string& s, const std::string& needle, size_t from) {
  size_t best = gbk::npos;
  for (size_t i : Starts(s))
    if ((from == gbk::npos || i <= from) && i + needle.size() <= s.size() && s.compare(i, needle.size(), needle) == 0)
      best = i;
  return best;
}
}  // namespace

// Texts full of lead bytes, trail bytes that look like ASCII and separators that end in
// a lone lead byte: every search from every character start (and RFind from every
// position) agrees with the plain walk.
TEST(Gbk, SearchesFromAnyPositionAgreeWithTheWalkFromTheStart) {
  const char alphabet[] = {'\x81', '\x96', '|', 'A', 'a', '\x40'};
  const std::string needles[] = {"|", "A", "a|", "\x96|", "\x81", "||", "\x81\x81", "\x81" "a", "A\x96" "A"};
  uint32_t seed = 7;
  auto next = [&] { return seed = seed * 1103515245u + 12345u; };
  for (int round = 0; round < 300; ++round) {
    std::string s;
    const size_t length = next() % 24;
    for (size_t i = 0; i < length; ++i) s += alphabet[next() % sizeof alphabet];
    for (const std::string& needle : needles) {
      for (size_t from = 0; from <= s.size() + 1; ++from)
        ASSERT_EQ(gbk::RFind(s, needle, from), RefRFind(s, needle, from)) << round << " " << from;
      std::vector<size_t> froms = Starts(s);
      froms.push_back(s.size() + 1);
      for (size_t from : froms) {
        ASSERT_EQ(gbk::Find(s, needle, from), RefFind(s, needle, from)) << round << " " << from;
        ASSERT_EQ(gbk::FindNoCase(s, needle, from), RefFind(gbk::ToLower(s), gbk::ToLower(needle), from))
            << round << " " << from;
      }
      ASSERT_EQ(gbk::RFind(s, needle), RefRFind(s, needle, gbk::npos));
      // Pieces between the matches the plain walk finds, one after another.
      std::vector<std::string> want;
      size_t pos = 0;
      for (size_t hit = RefFind(s, needle, 0);; hit = RefFind(s, needle, pos)) {
        if (hit == gbk::npos) break;
        want.push_back(s.substr(pos, hit - pos));
        pos = hit + needle.size();
      }
      want.push_back(s.substr(pos));
      ASSERT_EQ(gbk::Split(s, needle), want) << round;
      std::string replaced = s;
      gbk::ReplaceAll(replaced, needle, "#");
      std::string joined;
      for (size_t i = 0; i < want.size(); ++i) joined += (i ? "#" : "") + want[i];
      ASSERT_EQ(replaced, joined) << round;
    }
  }
}

// Chinese text is one long run of lead-range bytes: a search from the end of the last
// match must not walk back over it, and a long needle must not be compared again at
// every byte. Each run of searches steps over its text a bounded number of times.
TEST(Gbk, RunsOfSearchesOverChineseTextStayLinear) {
  std::string text;
  for (int i = 0; i < 20000; ++i) text += "北京市，中国";
  struct Case {
    const char* what;
    std::string needle;
    size_t (*find)(const std::string&, const std::string&, size_t);
    size_t matches;
  } cases[] = {
      {"Find", "中国", &gbk::Find, 20000},
      {"FindNoCase", "中国", &gbk::FindNoCase, 20000},
      {"FindNoCase, long needle", text.substr(0, 996) + "QQ", &gbk::FindNoCase, 0},
  };
  for (const Case& c : cases) {
    const uint64_t before = gbk::SearchSteps();
    size_t matches = 0;
    for (size_t at = c.find(text, c.needle, 0); at != gbk::npos; at = c.find(text, c.needle, at + c.needle.size()))
      ++matches;
    EXPECT_EQ(matches, c.matches) << c.what;
    EXPECT_LE(gbk::SearchSteps() - before, 4 * (text.size() + c.needle.size())) << c.what;
  }
}

TEST(Gbk, LinesEndAtEveryNewline) {
  using Lines = std::vector<std::string>;
  struct Case {
    std::string text;
    Lines want;
  } cases[] = {
      {"", {}},
      {"a", {"a"}},
      {"a\n", {"a"}},
      {"a\r\n\nb", {"a", "", "b"}},
      {"\r", {""}},
      {"x\r\r\n", {"x\r"}},
      {kEast + "\n" + kTrailA, {kEast, kTrailA}},
  };
  for (const Case& c : cases) EXPECT_EQ(gbk::SplitLines(c.text), c.want) << c.text;
}

#include "common/tag_text.h"

#include <gtest/gtest.h>

#include <map>
#include <random>
#include <string>
#include <vector>

#include "platform/gbk.h"

TEST(TagText, GetTagValueCases) {
  struct Case {
    const char* text;
    bool keep;
    const char* want;
  } cases[] = {
      {"<A>1</A><A>2</A>", false, "1"},
      {"</A><A>1", false, ""},
      {"<A>1</A>", true, "<A>1</A>"},
      {"<A>1", false, ""},
      {"1</A>", false, ""},
      {"", false, ""},
      {"x<A></A>y", false, ""},
      {"<A>\x96\x7C</A>", false, "\x96\x7C"},
  };
  for (const auto& c : cases) EXPECT_EQ(GetTagValue(c.text, "<A>", "</A>", c.keep), c.want) << c.text;
  EXPECT_EQ(GetTagValue("<A>1</A>", "", "</A>"), "");
}

TEST(TagText, SetTagValueCases) {
  struct Case {
    std::string text;
    const char* want;
  } cases[] = {
      {"", "<A>1</A>"},
      {"x</A>y", "x<A>1</A>y"},
      {"x<A>y", "x<A>1</A>y"},
      {"<A>old</A>rest", "<A>1</A>rest"},
      {"<B>b</B>", "<B>b</B><A>1</A>"},
      // A stray close tag before the open tag is kept, with the new pair written where it
      // stands: the value reads back and no byte of the text goes.
      {"</A><A>old</A>", "<A>1</A><A>old</A>"},
      {"<B>b</B></A>x<A>old</A>", "<B>b</B><A>1</A>x<A>old</A>"},
  };
  for (auto c : cases) {
    EXPECT_EQ(SetTagValue(c.text, "1", "<A>", "</A>"), 1);
    EXPECT_EQ(c.text, c.want);
    EXPECT_EQ(GetTagValue(c.text, "<A>", "</A>"), "1");
  }
  std::string t = "keep";
  EXPECT_EQ(SetTagValue(t, "1", "", "</A>"), 0);
  EXPECT_EQ(SetTagValue(t, "1", "<A>", ""), 0);
  EXPECT_EQ(t, "keep");
}

TEST(TagText, AValueIsStoredAsWholeCharacters) {
  struct Case {
    std::string value;
    std::string stored;
  } cases[] = {
      {"a\xF7", "a"},                // a lead byte alone would take the '<' of the close tag
      {"\xB0\xA1\xF7", "\xB0\xA1"},  // after a whole pair
      {"\xF7\xF7", "\xF7\xF7"},      // two lead bytes are one character
      {"\xF7", ""},
      {"a\x7C", "a\x7C"},
  };
  for (const auto& c : cases) {
    std::string text = "<B>b</B>";
    ASSERT_EQ(SetTagValue(text, c.value, "<A>", "</A>"), 1);
    EXPECT_EQ(GetTagValue(text, "<A>", "</A>"), c.stored);
    EXPECT_EQ(GetTagValue(text, "<B>", "</B>"), "b");
    // Replacing a stored value, before another tag.
    text = "<A>x</A><C>c</C>";
    ASSERT_EQ(SetTagValue(text, c.value, "<A>", "</A>"), 1);
    EXPECT_EQ(GetTagValue(text, "<A>", "</A>"), c.stored);
    EXPECT_EQ(GetTagValue(text, "<C>", "</C>"), "c");
  }
}

TEST(TagText, SetThenGetRoundTripsRandomBytes) {
  std::mt19937 random(20261209);
  const std::vector<std::string> tags = {"KeyA", "KeyB", "KeyRule"};
  for (int round = 0; round < 2000; ++round) {
    std::string text;
    std::map<std::string, std::string> want;
    for (int step = 0; step < 6; ++step) {
      const std::string& tag = tags[random() % tags.size()];
      std::string value(random() % 12, '\0');
      for (char& c : value) c = static_cast<char>(random() % 256);
      // A value that holds its own close tag cannot be told from the stored one.
      if (gbk::Contains(value, CloseTag(tag)) || gbk::Contains(value, "<")) continue;
      ASSERT_EQ(SetTagValue(text, value, OpenTag(tag), CloseTag(tag)), 1);
      // The text stored is the value without a trailing lone lead byte.
      std::string whole = value;
      if (!whole.empty() && gbk::FloorBoundary(whole + "x", whole.size()) != whole.size()) whole.pop_back();
      want[tag] = whole;
      for (const auto& [name, stored] : want)
        ASSERT_EQ(GetTagValue(text, OpenTag(name), CloseTag(name)), stored) << round << " " << name;
    }
  }
}

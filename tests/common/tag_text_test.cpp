#include "common/tag_text.h"

#include <gtest/gtest.h>

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
      // A stray close tag before the open tag is dropped, so the value reads back.
      {"</A><A>old</A>", "<A>1</A>"},
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

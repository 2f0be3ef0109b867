#include "common/split.h"

#include <gtest/gtest.h>

TEST(Split, MinimumLengthDropsShortPieces) {
  struct Case {
    std::string text, sep;
    int minLength;
    StringList want;
  } cases[] = {
      {"a||bb|ccc", "|", 0, {"bb", "ccc"}},
      {"a||bb|ccc", "|", 1, {"a", "bb", "ccc"}},
      {"ab", "", 0, {"ab"}},
      {"a", "", 0, {}},
      {"r1|||||r2|||||", "|||||", 0, {"r1", "r2"}},
      // 東 (96 7C) ends in '|' but is never split.
      {"\x96\x7C|xy", "|", 1, {"\x96\x7C", "xy"}},
      {"", "|", 1, {}},
  };
  for (const auto& c : cases) {
    StringList out = {"old"};
    EXPECT_EQ(SplitToList(c.text, c.sep, out, true, c.minLength), static_cast<int>(c.want.size())) << c.text;
    EXPECT_EQ(out, c.want) << c.text;
  }
}

TEST(Split, WithoutClearAppends) {
  StringList out = {"old"};
  EXPECT_EQ(SplitToArray("aa,bb", ",", out, false), 2);
  EXPECT_EQ(out, (StringList{"old", "aa", "bb"}));
}

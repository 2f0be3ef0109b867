#include <gtest/gtest.h>

#include <string>

#include "platform/textconv.h"

TEST(Charset, LiteralsCompileToGbk) {
  const std::string tip = "提示";
  ASSERT_EQ(tip.size(), 4u);
  EXPECT_EQ(static_cast<unsigned char>(tip[0]), 0xCC);
  EXPECT_EQ(static_cast<unsigned char>(tip[1]), 0xE1);
  EXPECT_EQ(static_cast<unsigned char>(tip[2]), 0xCA);
  EXPECT_EQ(static_cast<unsigned char>(tip[3]), 0xBE);
}

TEST(Charset, GbkUtf8RoundTrip) {
  const std::string gbk = "东方 abc 提示";
  const std::string utf8 = platform::GbkToUtf8(gbk);
  EXPECT_EQ(utf8, u8"东方 abc 提示" == nullptr ? "" : std::string(reinterpret_cast<const char*>(u8"东方 abc 提示")));
  EXPECT_EQ(platform::Utf8ToGbk(utf8), gbk);
  EXPECT_EQ(platform::GbkToUtf8("a\xFF"), "a\xEF\xBF\xBD");
}

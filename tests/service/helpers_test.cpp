#include <gtest/gtest.h>

#include "platform/clock.h"
#include "platform/fs.h"
#include "common/file_probe.h"
#include "service/now_time.h"
#include "service/text_util.h"
#include "tests/support/temp_install.h"

namespace fs = platform::fs;

TEST(ServiceHelpers, ShortenText) {
  const std::string ascii51 = "abcdefgh" + std::string(2, '-') + "0123456789012345678901234567890123456789X";
  ASSERT_EQ(ascii51.size(), 51u);
  const std::string ascii50 = ascii51.substr(1);
  // 30 double-byte characters: every cut position has to respect the pairs.
  std::string wide;
  for (int i = 0; i < 30; ++i) wide += "中";
  struct Case {
    std::string text;
    int limit;
    std::string expected;
  };
  const Case cases[] = {
      {ascii51, 50, ascii51.substr(0, 8) + "..." + ascii51.substr(10)},
      {ascii50, 50, ascii50},
      {"", 50, ""},
      {std::string(41, 'a'), 0, "aaaaaaaa..." + std::string(31, 'a')},
      {std::string(40, 'a'), 0, std::string(40, 'a')},
      // 60 bytes of pairs: the head stays at 4 characters, the tail drops its half pair.
      {wide, 50, wide.substr(0, 8) + "..." + wide.substr(20)},
      // A pair straddling byte 8 is kept whole in the head.
      {"abcdefg" + wide, 50, "abcdefg中..." + wide.substr(wide.size() - 40)},
  };
  for (const auto& c : cases) EXPECT_EQ(ShortenText(c.text, c.limit), c.expected) << c.text.size();
  EXPECT_EQ(ShortenText(ascii51, 50).size(), 52u);
}

TEST(ServiceHelpers, ReplaceCharLeavesTrailBytesAlone) {
  // 0x81 0x7C is one double-byte character whose trail byte is '|'.
  std::string text = "a|b\x81|c";
  ReplaceCharInPlace(text, '|', '*');
  EXPECT_EQ(text, "a*b\x81|c");
  std::string same = "xyz";
  ReplaceCharInPlace(same, 'q', 'r');
  EXPECT_EQ(same, "xyz");
}

TEST(ServiceHelpers, ToLowerStringFoldsAsciiOnly) {
  std::string text = "ABC\x81Z中D";
  ToLowerString(text);
  EXPECT_EQ(text, "abc\x81Z中d");
}

TEST(ServiceHelpers, FileExistsAndSize) {
  qortest::TempInstall inst;
  inst.WriteProgramFile("log/debug", "12345");
  const std::string dir = inst.ProgramDir() + "log";
  const std::string file = dir + "/debug";
  const std::string missing = dir + "/none";
  struct Case {
    std::string path;
    bool wantDir;
    bool expected;
  };
  const Case cases[] = {
      {file, false, true}, {file, true, false},    {dir, false, false},
      {dir, true, true},   {missing, false, false}, {missing, true, false},
  };
  for (const auto& c : cases) EXPECT_EQ(FileExists(c.path, c.wantDir), c.expected) << c.path << c.wantDir;
  EXPECT_EQ(GetFileSizeOf(file), 5u);
  EXPECT_EQ(GetFileSizeOf(dir), 0u);
  EXPECT_EQ(GetFileSizeOf(missing), 0u);
}

TEST(ServiceHelpers, NowTimeIsZeroFilled) {
  platform::clock::SetFake(platform::clock::FromLocal(2016, 9, 9, 7, 4, 9));
  EXPECT_EQ(GetNowTime(), "07:04:09");
  EXPECT_EQ(GetNowDateTime(), "2016-09-09 07:04:09");
  EXPECT_EQ(GetNowDateTimeStd(), GetNowDateTime());
  platform::clock::SetFake(platform::clock::FromLocal(2016, 12, 31, 23, 59, 59));
  EXPECT_EQ(GetNowDateTime(), "2016-12-31 23:59:59");
  platform::clock::ClearFake();
}

// The layer's lines reach a program's sink as GBK, once however often they repeat.
#include "platform/notice.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

TEST(Notice, TheSinkGetsGbkOnceForARepeatedLine) {
  std::vector<std::string> lines;
  platform::notice::SetSink([&](const std::string& t) { lines.push_back(t); });
  // A path of the OS is UTF-8 ("数据"); bytes that are no UTF-8 are passed on as they are.
  const std::string utf8 = "lock /srv/\xE6\x95\xB0\xE6\x8D\xAE/a.lock: not a plain file, refused";
  const std::string gbkAlready = "lock /srv/\xCA\xFD\xBE\xDD/a.lock: refused";
  for (const std::string& text : {utf8, utf8, gbkAlready, std::string("plain ascii"), std::string("plain ascii")})
    platform::notice::Write(text);
  platform::notice::SetSink(nullptr);
  const std::vector<std::string> want = {"lock /srv/数据/a.lock: not a plain file, refused", gbkAlready, "plain ascii"};
  EXPECT_EQ(lines, want);
}

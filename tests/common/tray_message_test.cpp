#include "common/tray_message.h"

#include <gtest/gtest.h>

#include <climits>

#include "common/coding.h"
#include "platform/gbk.h"
#include "platform/mailslot.h"
#include "tests/support/temp_install.h"

namespace {

std::string Coded(const std::string& wire) { return wire.substr(0, wire.size() - 1); }

}  // namespace

TEST(TrayMessage, PanelQuitIs27BytesOnTheWire) {
  std::string wire = BuildTrayMessage(kTrayCmdQuit);
  ASSERT_EQ(wire.size(), 27u);
  EXPECT_EQ(wire.back(), '\0');
  EXPECT_EQ(wire.find('\0'), 26u) << "the coded text holds no zero byte";
  EXPECT_EQ(DecodeText(kMailslotKey, Coded(wire)), "<cmd>99</cmd>");
  TrayMessage m = ParseTrayMessage(wire);
  EXPECT_EQ(m.command, 99);
  EXPECT_EQ(m.content, "");
}

TEST(TrayMessage, ServiceFormCarriesItsContent) {
  struct Case {
    int command;
    std::string content;
    std::string plain;
  } cases[] = {
      {kTrayCmdReady, "", "<cmd>1</cmd><cnt></cnt>"},
      {kTrayCmdClosed, "规则已更新|", "<cmd>3</cmd><cnt>规则已更新|</cnt>"},
      {-7, "a", "<cmd>-7</cmd><cnt>a</cnt>"},
  };
  for (const auto& c : cases) {
    std::string wire = BuildTrayMessage(c.command, c.content);
    EXPECT_EQ(DecodeText(kMailslotKey, Coded(wire)), c.plain);
    TrayMessage m = ParseTrayMessage(wire);
    EXPECT_EQ(m.command, c.command) << c.plain;
    EXPECT_EQ(m.content, c.content) << c.plain;
  }
  // A lone lead byte at the end of the content would take the '<' of the close tag
  // with it: it is dropped, and the close tag stays whole.
  for (const std::string& whole : {std::string("abc"), std::string("规则")}) {
    const std::string wire = BuildTrayMessage(kTrayCmdReady, whole + "\x93");
    EXPECT_EQ(DecodeText(kMailslotKey, Coded(wire)), "<cmd>1</cmd><cnt>" + whole + "</cnt>");
    EXPECT_EQ(ParseTrayMessage(wire).content, whole);
  }
}

TEST(TrayMessage, LongMessagesAreCutToWholePairsThatFitTheReader) {
  // "<cmd>1</cmd><cnt>" + content + "</cnt>" is 23 plain bytes beside the content.
  struct Case {
    size_t contentBytes;
    size_t wireBytes;
    std::string arriving;
    bool closed;
  } cases[] = {
      {176, 399, std::string(176, 'c'), true},            // 199 plain bytes: 398 coded, whole
      {177, 399, std::string(177, 'c') + "</cnt", false},  // one more: cut after the 199th
      {1000, 399, std::string(182, 'c'), false},
      {10, 67, std::string(10, 'c'), true},
  };
  for (const auto& c : cases) {
    std::string content(c.contentBytes, 'c');
    std::string wire = BuildTrayMessage(kTrayCmdReady, content);
    ASSERT_EQ(wire.size(), c.wireBytes) << c.contentBytes;
    EXPECT_LE(wire.size(), kTrayMessageMaxBytes);
    EXPECT_EQ(Coded(wire).size() % 2, 0u);
    std::string plain = DecodeText(kMailslotKey, Coded(wire));
    EXPECT_EQ(plain.size(), Coded(wire).size() / 2) << "no half pair decoded";
    EXPECT_EQ(plain.find("</cnt>") != std::string::npos, c.closed);
    TrayMessage m = ParseTrayMessage(wire);
    EXPECT_EQ(m.command, kTrayCmdReady);
    EXPECT_EQ(m.content, c.arriving);
  }
}

TEST(TrayMessage, BalloonTextsEndInWholeCharacters) {
  const std::string ti = "提";  // two bytes in GBK
  std::string many;
  for (int i = 0; i < 100; ++i) many += ti;
  // 17 tag bytes and "c" put a character across the 199th plain byte.
  const std::string whole = "c" + many.substr(0, 180);

  std::string wire = BuildTrayMessage(kTrayCmdReady, "c" + many);
  EXPECT_EQ(wire.size(), 397u) << "the sender cuts before the character";
  EXPECT_EQ(ParseTrayMessage(wire).content, whole);

  // A foreign writer that cut its coded text at whole pairs only: the reader drops the half.
  std::string coded = EncodeText(kMailslotKey, "<cmd>1</cmd><cnt>c" + many).substr(0, 398);
  TrayMessage m = ParseTrayMessage(coded);
  EXPECT_EQ(m.command, kTrayCmdReady);
  EXPECT_EQ(m.content, whole);

  struct Case {
    std::string text;
    size_t limit;
    std::string cut;
  } cases[] = {
      {"ab\xB0", 3, "ab"},         {"ab\xB0", 10, "ab"}, {ti + "\xB0", 3, ti},
      {ti + "\xB0", 2, ti},        {"\x81", 5, ""},       {"a\x81\x41", 3, "a\x81\x41"},
      {"ab" + ti, 3, "ab"},          {"", 4, ""},
  };
  for (const auto& c : cases) EXPECT_EQ(gbk::CutBytes(c.text, c.limit), c.cut) << c.text << "/" << c.limit;
}

TEST(TrayMessage, ParserCases) {
  struct Case {
    std::string text;
    int command;
    std::string content;
  } cases[] = {
      {"<cmd>1</cmd><cnt>never closed", 1, "never closed"},
      {"<cmd>abc</cmd><cnt>x</cnt>", 0, "x"},
      {"no tags at all", 0, ""},
      {"", 0, ""},
      {"<cmd>12abc</cmd>", 12, ""},
      {"<cmd> -5</cmd>", -5, ""},
      {"<cmd>99999999999</cmd>", INT_MAX, ""},
      {"<cmd>-99999999999</cmd>", INT_MIN, ""},
      {"<cmd>3", 0, ""},
      {"</cmd>3<cmd>", 0, ""},
      {"<cmd>2</cmd></cnt><cnt>after", 2, ""},
      {"<cnt>提示</cnt><cmd>5</cmd>", 5, "提示"},
      {"<cmd>1</cmd><cnt>a<cnt>b</cnt>", 1, "a<cnt>b"},
  };
  for (const auto& c : cases) {
    TrayMessage m = ParseTrayText(c.text);
    EXPECT_EQ(m.command, c.command) << c.text;
    EXPECT_EQ(m.content, c.content) << c.text;
  }
}

TEST(TrayMessage, ReaderTakesTheTextUpToTheZeroAndAtMost399Bytes) {
  std::string buffer = BuildTrayMessage(kTrayCmdClosed, "x");
  buffer.resize(kTrayMessageMaxBytes, '\0');
  buffer.replace(buffer.size() - 10, 4, "junk");
  TrayMessage m = ParseTrayMessage(buffer);
  EXPECT_EQ(m.command, kTrayCmdClosed);
  EXPECT_EQ(m.content, "x");

  // A foreign writer's 400 coded bytes without a zero: the 400th is not read, and the
  // 399th decodes alone as one more byte, here a lead byte without its trail, which goes.
  std::string coded = EncodeText(kMailslotKey, "<cmd>2</cmd><cnt>" + std::string(200, 'q'));
  ASSERT_GE(coded.size(), 400u);
  std::string decoded = DecodeText(kMailslotKey, coded.substr(0, 399));
  ASSERT_EQ(decoded.size(), 200u);
  ASSERT_TRUE(gbk::IsLeadByte(static_cast<unsigned char>(decoded.back())));
  m = ParseTrayMessage(coded.substr(0, 400));
  EXPECT_EQ(m.command, 2);
  EXPECT_EQ(m.content, std::string(182, 'q'));
}

TEST(TrayMessage, SendReachesTheTrayProgramsSlotOnly) {
  qortest::TempInstall inst;
  std::string wire = BuildTrayMessage(kTrayCmdReady, "hello");
  EXPECT_FALSE(SendTrayMessage(wire)) << "no tray program";
  platform::mailslot::Slot reader;
  ASSERT_EQ(reader.Create(kTrayMailslotName), platform::mailslot::kOk);
  EXPECT_TRUE(SendTrayMessage(wire));
  std::string got;
  ASSERT_EQ(reader.Read(got, 5000), platform::mailslot::Slot::ReadResult::Message);
  EXPECT_EQ(got, wire);
}

#include "service/global.h"

#include <gtest/gtest.h>

#include <vector>

#include "common/config.h"
#include "common/tray_message.h"
#include "platform/mailslot.h"
#include "service/system.h"
#include "tests/support/temp_install.h"

namespace {

struct Sent {
  int code;
  std::string text;
  bool operator==(const Sent& o) const { return code == o.code && text == o.text; }
};

// A CGlobal whose statuses land in a list; deliver decides whether a tray program "listens".
struct Recorder {
  CGlobal global;
  std::vector<Sent> sent;
  bool deliver = true;
  Recorder() {
    global.SetStatusSenderForTests([this](int code, const std::string& text) {
      sent.push_back({code, text});
      return deliver;
    });
  }
};

}  // namespace

TEST(ServiceGlobal, InitBuildsPathsAndDecodesTexts) {
  qortest::TempInstall inst;
  CGlobal global;
  EXPECT_EQ(global.ProgramDir(), inst.ProgramDir());
  EXPECT_EQ(global.ConfigFilePath(), inst.ProgramDir() + "iis/config.db");
  EXPECT_EQ(global.SettingsFilePath(), inst.ProgramDir() + "iis/config.ini");
  EXPECT_FALSE(global.ServiceDescription().empty());
  EXPECT_FALSE(global.DownloadHost().empty());
  EXPECT_EQ(global.DownloadPath().substr(0, 1), "/");
  EXPECT_EQ(global.SystemSwitch(), 0);
  int code = -1;
  std::string text = "x";
  global.LastStatus(code, text);
  EXPECT_EQ(code, 0);
  EXPECT_EQ(text, "");
}

TEST(ServiceGlobal, DebugSwitchMustBeAFile) {
  struct Case {
    bool makeFile, makeFolder;
    bool debug;
  };
  for (const Case c : {Case{false, false, false}, Case{true, false, true}, Case{false, true, false}}) {
    qortest::TempInstall inst;
    if (c.makeFile) inst.WriteProgramFile("log/debug", "");
    if (c.makeFolder) inst.WriteProgramFile("log/debug/x", "");
    CGlobal global;
    EXPECT_EQ(global.IsDebug(), c.debug) << c.makeFile << c.makeFolder;
  }
}

TEST(ServiceGlobal, ReportStatusSendsChangesOnly) {
  Recorder r;
  r.global.SetSystemSwitch(1);
  r.global.ReportStatus(1, "");
  r.global.ReportStatus(1, "");
  r.global.ReportStatus(1, "note");
  r.global.ReportStatus(1, "Note");
  r.global.ReportStatus(3, "Note");
  const std::vector<Sent> expected = {{1, ""}, {1, "note"}, {1, "Note"}, {3, "Note"}};
  EXPECT_EQ(r.sent, expected);
}

TEST(ServiceGlobal, SwitchOffTurnsEveryStatusIntoClosed) {
  Recorder r;
  r.global.ReportStatus(1, "");
  r.global.ReportStatus(3, "");
  ASSERT_EQ(r.sent.size(), 1u);
  EXPECT_EQ(r.sent[0], (Sent{3, ""}));
}

TEST(ServiceGlobal, UndeliveredStatusIsSentAgainNextTime) {
  Recorder r;
  r.global.SetSystemSwitch(1);
  r.deliver = false;
  r.global.ReportStatus(1, "");
  int code = -1;
  std::string text;
  r.global.LastStatus(code, text);
  EXPECT_EQ(code, 0);
  r.deliver = true;
  r.global.ReportStatus(1, "");
  r.global.ReportStatus(1, "");
  EXPECT_EQ(r.sent.size(), 2u);
  r.global.LastStatus(code, text);
  EXPECT_EQ(code, 1);
}

TEST(ServiceGlobal, ReadSystemSwitchFollowsTheStore) {
  qortest::TempInstall inst;
  CConfig config(Build::Service);
  CGlobal global;
  struct Case {
    const char* text;
    int expected;
  };
  for (const Case c : {Case{"<KeySystem>1</KeySystem><0>", 1}, Case{"<KeySystem>0</KeySystem><0>", 0},
                       Case{"<KeySystem>11</KeySystem><0>", 0}, Case{"<0>", 0}}) {
    global.SetSystemSwitch(1 - c.expected);
    config.SetText(c.text);
    global.ReadSystemSwitch(config);
    EXPECT_EQ(global.SystemSwitch(), c.expected) << c.text;
  }
}

TEST(ServiceSystem, SendPanelMessageNeedsAListener) {
  qortest::TempInstall inst;
  CSystem system;
  EXPECT_FALSE(system.SendPanelMessage(1, ""));

  platform::mailslot::Slot slot;
  ASSERT_EQ(slot.Create(kTrayMailslotName), platform::mailslot::kOk);
  const std::string text51 = "abcdefgh--0123456789012345678901234567890123456789X";
  ASSERT_EQ(text51.size(), 51u);
  struct Case {
    int code;
    std::string text;
    std::string content;
  };
  const Case cases[] = {
      {1, "", ""},
      {3, "closed", "closed"},
      {1, text51, "abcdefgh..." + text51.substr(10)},
  };
  for (const auto& c : cases) {
    ASSERT_TRUE(system.SendPanelMessage(c.code, c.text));
    std::string bytes;
    ASSERT_EQ(slot.Read(bytes, 10000), platform::mailslot::Slot::ReadResult::Message);
    EXPECT_EQ(bytes.back(), '\0');
    TrayMessage m = ParseTrayMessage(bytes);
    EXPECT_EQ(m.command, c.code);
    EXPECT_EQ(m.content, c.content);
  }
}

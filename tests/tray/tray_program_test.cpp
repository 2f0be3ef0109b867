// The built QoripPanel on the offscreen Qt host, fed through the status slot and
// watched through the host's journal of tray requests.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <thread>
#include <vector>

#include "platform/gbk.h"
#include "common/tray_message.h"
#include "platform/fs.h"
#include "platform/mailslot.h"
#include "platform/process.h"
#include "tests/support/absent_display.h"
#include "tests/support/console.h"
#include "tests/support/fake_program.h"
#include "tests/support/temp_install.h"
#include "tests/support/wait.h"

namespace {

namespace fs = platform::fs;
namespace proc = platform::process;

const std::string kTitle = "Qor·网站访问控制系统Ver1.3.2";

using qortest::WaitFor;

struct TrayLine {
  std::string kind;  // add, modify, delete
  int icon = 0;
  std::string tip;   // line ends shown as '|'
  bool hasBalloon = false;
  std::string balloon;
};

using qortest::FakeProgram;

class TrayProgram : public ::testing::Test {
 protected:
  void SetUp() override {
    install.WriteMachineIni();
    exe = qortest::InstallProgram("QoripPanel", install.ProgramDir());
    ASSERT_FALSE(exe.empty()) << "QoripPanel is not built in " << qortest::BinDir();
    journal = install.Base() + "journal.txt";
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    setenv("QOR_UI_JOURNAL", journal.c_str(), 1);
    setenv("QOR_TIME_SCALE", "0.01", 1);
  }
  void TearDown() override {
    if (runner.joinable()) {
      SendTrayMessage(BuildTrayMessage(kTrayCmdQuit));
      runner.join();
    }
    unsetenv("QOR_UI_JOURNAL");
    unsetenv("QOR_TIME_SCALE");
  }

  void Start() {
    runner = std::thread([this] { result = proc::RunAndWait(exe, "-autorun", false, 60000); });
    ASSERT_TRUE(WaitFor([] { return fs::Exists(platform::mailslot::SocketPath(kTrayMailslotName)); }))
        << "the status slot never appeared";
  }
  // With the service running the watch keeps quiet, so every look seen is a status.
  void StartWithService() {
    service = std::make_unique<FakeProgram>(install.Base(), "qoripsvc");
    ASSERT_TRUE(service->Running());
    Start();
  }
  proc::RunResult Wait() {
    if (runner.joinable()) runner.join();
    return result;
  }

  std::vector<TrayLine> Lines() {
    std::string text;
    const auto rc = fs::ReadFile(journal, text);
    EXPECT_TRUE(rc == fs::kOk || rc == fs::kFileNotFound) << rc.Text();
    std::vector<TrayLine> out;
    for (const std::string& line : gbk::Split(text, "\n")) {
      if (!gbk::StartsWith(line, "tray ")) continue;
      TrayLine t;
      t.kind = line.substr(5, line.find(' ', 5) - 5);
      size_t icon = gbk::Find(line, " icon=");
      if (icon != gbk::npos) t.icon = std::atoi(line.c_str() + icon + 6);
      size_t tip = gbk::Find(line, " tip="), balloon = gbk::Find(line, " balloon=");
      if (tip != gbk::npos) t.tip = line.substr(tip + 5, balloon == gbk::npos ? gbk::npos : balloon - tip - 5);
      if (balloon != gbk::npos) {
        t.hasBalloon = true;
        t.balloon = line.substr(balloon + 9);
      }
      out.push_back(t);
    }
    return out;
  }
  // Waits until the last tip and icon shown are these.
  bool WaitForLook(const std::string& tip, int icon) {
    return WaitFor([&] {
      std::vector<TrayLine> lines = Lines();
      for (auto it = lines.rbegin(); it != lines.rend(); ++it)
        if (it->kind != "delete" && !it->hasBalloon) return it->tip == tip && it->icon == icon;
      return false;
    });
  }
  std::vector<std::string> Balloons() {
    std::vector<std::string> out;
    for (const TrayLine& t : Lines())
      if (t.hasBalloon) out.push_back(t.balloon);
    return out;
  }
  int Count(const std::string& kind) {
    int n = 0;
    for (const TrayLine& t : Lines()) n += t.kind == kind;
    return n;
  }

  qortest::TempInstall install;
  std::string exe, journal;
  std::unique_ptr<FakeProgram> service;
  std::thread runner;
  proc::RunResult result;
};

TEST_F(TrayProgram, ShowsEachStatusAsTheTableSaysAndQuitsOn99) {
  StartWithService();
  ASSERT_TRUE(WaitForLook(kTitle, 131)) << "start look";
  struct Step {
    int cmd;
    const char* text;
    const char* line;
    int icon;
    bool balloon;
  } steps[] = {
      {1, "第一条", "实时状态：已就绪.|", 131, true},
      {2, "第二条", "实时状态：系统忙碌中|", 132, true},
      {3, "第三条", "实时状态：已关闭。|", 133, false},
      {5, "", "实时状态：已退出。|", 135, false},
      {7, "", "实时状态：未知。|", 136, false},
      {1, "", "实时状态：已就绪.|", 131, true},  // the text of 3 is shown now
  };
  std::vector<std::string> wantBalloons;
  for (const Step& s : steps) {
    SCOPED_TRACE(s.cmd);
    ASSERT_TRUE(SendTrayMessage(BuildTrayMessage(s.cmd, *s.text ? std::optional<std::string>(s.text) : std::nullopt)));
    ASSERT_TRUE(WaitForLook(s.line + kTitle, s.icon));
    if (s.balloon) {
      wantBalloons.push_back(*s.text ? s.text : "第三条");
      wantBalloons.push_back("");
    }
    ASSERT_TRUE(WaitFor([&] { return Balloons() == wantBalloons; }));
  }
  // The same message again shows nothing new.
  size_t before = Lines().size();
  ASSERT_TRUE(SendTrayMessage(BuildTrayMessage(1)));
  ASSERT_TRUE(SendTrayMessage(BuildTrayMessage(kTrayCmdQuit)));
  proc::RunResult r = Wait();
  EXPECT_TRUE(r.exited);
  EXPECT_EQ(r.exitCode, 0);
  std::vector<TrayLine> lines = Lines();
  ASSERT_GT(lines.size(), before);
  EXPECT_EQ(lines.back().kind, "delete");
  EXPECT_EQ(Count("delete"), 1);
  EXPECT_FALSE(fs::Exists(platform::mailslot::SocketPath(kTrayMailslotName)));
}

TEST_F(TrayProgram, LongTextsAreCutToWholeCharacters) {
  StartWithService();
  std::string text = "a";
  for (int i = 0; i < 24; ++i) text += "很";  // 49 bytes: the sender does not shorten it
  ASSERT_TRUE(SendTrayMessage(BuildTrayMessage(1, text)));
  ASSERT_TRUE(WaitFor([&] { return Balloons().size() == 2; }));
  EXPECT_EQ(Balloons()[0], text);
  // A foreign writer may send a longer text.
  std::string longText(300, 'x');
  ASSERT_TRUE(SendTrayMessage(BuildTrayMessage(2, longText)));
  ASSERT_TRUE(WaitForLook("实时状态：系统忙碌中|" + kTitle, 132));
  ASSERT_TRUE(WaitFor([&] { return Balloons().size() == 4; }));
  // 399 coded bytes carry 199 plain ones, of which 17 are the tags.
  EXPECT_EQ(Balloons()[2], std::string(199 - 17, 'x'));
}

TEST_F(TrayProgram, ServiceWatchShowsTheServiceGoneAndBack) {
  StartWithService();
  ASSERT_TRUE(SendTrayMessage(BuildTrayMessage(3)));
  ASSERT_TRUE(WaitForLook("实时状态：已关闭。|" + kTitle, 133));
  service.reset();
  ASSERT_TRUE(WaitForLook("实时状态：已退出|" + kTitle, 135));
  service = std::make_unique<FakeProgram>(install.Base(), "qoripsvc");
  // Back to what the service said last.
  ASSERT_TRUE(WaitForLook("实时状态：已关闭。|" + kTitle, 133));
  service.reset();
  ASSERT_TRUE(WaitForLook("实时状态：已退出|" + kTitle, 135));
}

TEST_F(TrayProgram, ServiceBackBeforeAnyStatusShowsReady) {
  Start();
  ASSERT_TRUE(WaitForLook("实时状态：已退出|" + kTitle, 135));
  service = std::make_unique<FakeProgram>(install.Base(), "qoripsvc");
  ASSERT_TRUE(WaitForLook("实时状态：已就绪|" + kTitle, 131));
}

TEST_F(TrayProgram, SecondStartEndsAtOnceLeavingOneIcon) {
  Start();
  ASSERT_TRUE(WaitFor([&] { return Count("add") == 1; }));
  proc::RunResult second = proc::RunAndWait(exe, "", false, 20000);
  EXPECT_TRUE(second.exited);
  EXPECT_EQ(second.exitCode, 0);
  EXPECT_EQ(Count("add"), 1);
  ASSERT_TRUE(SendTrayMessage(BuildTrayMessage(kTrayCmdQuit)));
  EXPECT_EQ(Wait().exitCode, 0);
  EXPECT_EQ(Count("add"), 1);
}

// Started by the panel's repair on a server without a screen, or from a shell whose X
// session ended: it says why and ends with a status of its own instead of aborting.
TEST_F(TrayProgram, WithoutAReachableDisplayItSaysWhyAndEnds) {
  const std::string lost = qortest::AbsentDisplay();
  const struct {
    const char* name;
    std::string env;
    std::string told;
  } cases[] = {
      {"no display", "-u DISPLAY", "DISPLAY 和 WAYLAND_DISPLAY 均未设置"},
      {"lost display", "DISPLAY=" + lost, "无法连接显示（DISPLAY=" + lost + "）"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const qortest::Output out =
        qortest::RunConsole("env -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM " + c.env + " '" + exe + "' -autorun");
    EXPECT_EQ(out.exitCode, 3) << out.text;
    EXPECT_NE(out.text.find(c.told), std::string::npos) << out.text;
    EXPECT_EQ(Count("add"), 0);
  }
  // Nothing was left behind: a start with a display runs as usual.
  Start();
  ASSERT_TRUE(WaitFor([&] { return Count("add") == 1; }));
}

}  // namespace

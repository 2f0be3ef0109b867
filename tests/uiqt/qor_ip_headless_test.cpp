// The real panel program without a display, and with one that is gone: the switch
// roads run off screen and a normal start says why it cannot open its window.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "common/md5.h"
#include "platform/ui/qt/qt_display.h"
#include "platform/fs.h"
#include "tests/support/absent_display.h"
#include "tests/support/console.h"
#include "tests/support/temp_install.h"

namespace fs = platform::fs;

namespace {

using qortest::Output;

// The environment a script on a server gives: no display at all, or a DISPLAY whose
// X server ended.
enum class Screen { None, Lost };

class QorIpHeadless : public ::testing::TestWithParam<Screen> {
 protected:
  void SetUp() override {
    install_.WriteMachineIni();
    install_.WriteProgramFile("iplib.db", "1|2|3|4|5*");
  }

  // QorIP with no platform chosen, as a script on a server runs it.
  Output Run(const std::string& args) {
    const std::string display =
        GetParam() == Screen::None ? "-u DISPLAY" : "DISPLAY=" + qortest::AbsentDisplay();
    return qortest::RunConsole("env -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM " + display + " QOR_TIME_SCALE=0.01 '" +
                                qortest::BinDir() + "QorIP' " + args);
  }

  qortest::TempInstall install_;
};

}  // namespace

TEST_P(QorIpHeadless, UninstallRunsAndAWrongKeyIsTold) {
  Output wrong = Run("/unload wrong");
  EXPECT_EQ(wrong.exitCode, 0) << wrong.text;
  EXPECT_NE(wrong.text.find("卸载参数错误1：" + Md5Hex(" wrong")), std::string::npos) << wrong.text;
  EXPECT_TRUE(fs::IsFile(install_.ProgramDir() + "iplib.db"));

  Output done = Run("/unload" + Md5Hex("_&4pzkq"));
  EXPECT_EQ(done.exitCode, 0) << done.text;
  EXPECT_FALSE(fs::Exists(install_.ProgramDir() + "iplib.db"));
}

TEST_P(QorIpHeadless, CoverRepairRunsToItsEnd) {
  Output out = Run("/cover");
  EXPECT_EQ(out.exitCode, 0) << out.text;
  // The repair read the store first: a new installation's store holds the defaults.
  EXPECT_TRUE(fs::IsFile(install_.ProgramDir() + "iis/config.db"));
  EXPECT_TRUE(fs::IsFile(install_.ProgramDir() + "iplib.db"));
}

TEST_P(QorIpHeadless, NormalStartSaysThereIsNoDisplay) {
  Output out = Run("");
  EXPECT_EQ(out.exitCode, 1) << out.text;
  EXPECT_NE(out.text.find("DISPLAY"), std::string::npos) << out.text;
  EXPECT_FALSE(fs::Exists(install_.ProgramDir() + "iis/config.db"));
}

INSTANTIATE_TEST_SUITE_P(Screens, QorIpHeadless, ::testing::Values(Screen::None, Screen::Lost),
                         [](const auto& info) { return info.param == Screen::None ? "NoDisplay" : "LostDisplay"; });

// What the programs ask Qt for: the displays named, in Qt's own order, then off screen;
// nothing of their own where the caller chose a platform.
TEST(DisplayChoice, FollowsTheEnvironment) {
  const char* names[] = {"DISPLAY", "WAYLAND_DISPLAY", "XDG_SESSION_TYPE", "QT_QPA_PLATFORM"};
  struct Saved {
    bool had;
    std::string value;
  } saved[4];
  for (int i = 0; i < 4; ++i) {
    const char* v = std::getenv(names[i]);
    saved[i] = {v != nullptr, v ? v : ""};
  }
  const struct {
    const char* env[4];  // nullptr: unset
    bool callerChose;
    const char* platforms;
    const char* named;
  } cases[] = {
      {{nullptr, nullptr, nullptr, nullptr}, false, "offscreen", ""},
      {{":0", nullptr, nullptr, nullptr}, false, "xcb;offscreen", "DISPLAY=:0"},
      {{"", "", "", ""}, false, "offscreen", ""},
      {{nullptr, "wayland-0", nullptr, nullptr}, false, "wayland;offscreen", "WAYLAND_DISPLAY=wayland-0"},
      {{":1", "wayland-0", nullptr, nullptr}, false, "xcb;wayland;offscreen", "DISPLAY=:1, WAYLAND_DISPLAY=wayland-0"},
      {{":1", "wayland-0", "wayland", nullptr}, false, "wayland;xcb;offscreen", "WAYLAND_DISPLAY=wayland-0, DISPLAY=:1"},
      {{":1", nullptr, nullptr, "offscreen"}, true, "", ""},
  };
  for (const auto& c : cases) {
    for (int i = 0; i < 4; ++i) c.env[i] ? setenv(names[i], c.env[i], 1) : unsetenv(names[i]);
    const ui::DisplayChoice choice = ui::ChooseDisplay();
    SCOPED_TRACE(c.platforms);
    EXPECT_EQ(choice.callerChose, c.callerChose);
    EXPECT_EQ(choice.platforms, c.platforms);
    EXPECT_EQ(choice.named, c.named);
    EXPECT_EQ(choice.WantsDisplay(), !c.callerChose && *c.named);
  }
  for (int i = 0; i < 4; ++i) saved[i].had ? setenv(names[i], saved[i].value.c_str(), 1) : unsetenv(names[i]);
}

// The Qt notification area (compiled with Qt's UTF-8 texts, so its own are ASCII): icons that could not be added come with the task bar, and
// balloons go when their owner takes them away.
#include "platform/ui/qt/qt_tray_backend.h"

#include <gtest/gtest.h>

#include <QObject>
#include <cstdlib>

#include "platform/ui/qt/qt_host.h"
#include "platform/ui/tray_icon.h"
#include "tests/support/qt_test_env.h"

namespace {

int g_argc = 1;
char g_name[] = "t_uiqt_qt_tray_backend_test";
char* g_argv[] = {g_name, nullptr};

class QtEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    ::unsetenv("QOR_UI_JOURNAL");  // a journal would make every add succeed
    host_ = new ui::QtHost(g_argc, g_argv);
  }
  void TearDown() override { delete host_; }

 private:
  ui::QtHost* host_ = nullptr;
};
const auto* g_env = ::testing::AddGlobalTestEnvironment(new QtEnvironment);

ui::TrayIconData StartIcon() {
  ui::TrayIconData d;
  d.id = 131;
  d.iconId = 131;
  d.tip = "title";
  d.parts = ui::tray_part::kMessage | ui::tray_part::kIcon | ui::tray_part::kTip;
  return d;
}

TEST(QtTrayBackend, AnIconWhoseAddFailedIsAddedWhenTheTaskbarComesBack) {
  ui::TrayBackend* previous = ui::CurrentTrayBackend();
  {
    QObject context;
    bool available = false;
    ui::qt::QtTrayBackend backend(&context, false);
    backend.SetAvailabilityProbeForTests([&] { return available; });
    ui::TrayIcon icon;
    const ui::TrayIconData d = StartIcon();
    icon.SetTaskbarRestartHandler([&] {
      icon.Delete();
      icon.Add(d);
    });
    ::testing::internal::CaptureStderr();
    ASSERT_FALSE(icon.Add(d)) << "no notification area yet";
    ASSERT_FALSE(icon.Add(d));
    const std::string told = ::testing::internal::GetCapturedStderr();
    const std::string line = "没有系统托盘";
    ASSERT_NE(told.find(line), std::string::npos) << "an unseen tray says why";
    EXPECT_EQ(told.find(line, told.find(line) + 1), std::string::npos) << "once, not at every try";
    backend.WatchTaskbar();
    EXPECT_FALSE(icon.IsAdded()) << "still away";
    available = true;
    backend.WatchTaskbar();
    EXPECT_TRUE(icon.IsAdded());
    backend.WatchTaskbar();  // told once
    EXPECT_TRUE(icon.Delete());
  }
  ui::SetTrayBackend(previous);
}

TEST(QtTrayBackend, EmptyBalloonTakesTheBalloonAwayAndABalloonLastsTwoSeconds) {
  ui::TrayIconData d = StartIcon();
  EXPECT_FALSE(ui::qt::BalloonOf(d).asked) << "no balloon part";

  d.parts |= ui::tray_part::kBalloon;
  d.balloonTitle = "Qor";
  d.balloon = "ready";
  ui::qt::QtBalloon shown = ui::qt::BalloonOf(d);
  EXPECT_TRUE(shown.asked);
  EXPECT_EQ(shown.text.toStdString(), "ready");
  EXPECT_EQ(shown.title.toStdString(), "Qor");
  EXPECT_EQ(shown.msecs, 2000);

  d.balloon.clear();  // the title stays in the record
  ui::qt::QtBalloon gone = ui::qt::BalloonOf(d);
  EXPECT_TRUE(gone.asked) << "an empty balloon is a request too";
  EXPECT_TRUE(gone.title.isEmpty());
  EXPECT_TRUE(gone.text.isEmpty());
}

}  // namespace

#include "platform/ui/tray_icon.h"

#include <gtest/gtest.h>

#include <thread>

#include "platform/ui/recording_tray_backend.h"

namespace {

TEST(TrayIcon, TextsAreCutToTheirLimitsOnCharacterBoundaries) {
  ui::TrayIconData d;
  d.tip = std::string(200, 'a');
  d.balloon = std::string(300, 'b');
  ui::TrayIconData cut = ui::LimitTrayTexts(d);
  EXPECT_EQ(cut.tip.size(), 127u);
  EXPECT_EQ(cut.balloon.size(), 255u);

  std::string wide;
  for (int i = 0; i < 70; ++i) wide += "状";  // two bytes each
  d.tip = wide;
  d.balloon = wide + wide;
  cut = ui::LimitTrayTexts(d);
  EXPECT_EQ(cut.tip.size(), 126u);
  EXPECT_EQ(cut.balloon.size(), 254u);
  EXPECT_EQ(cut.tip, wide.substr(0, 126));

  d.tip = "短";
  EXPECT_EQ(ui::LimitTrayTexts(d).tip, "短");
}

TEST(TrayIcon, AddModifyDelete) {
  ui::RecordingTrayBackend backend;
  ui::TrayIcon icon;
  ui::TrayIconData d;
  d.id = 131;
  d.iconId = 131;
  d.tip = "标题";
  d.parts = ui::tray_part::kMessage | ui::tray_part::kIcon | ui::tray_part::kTip;
  EXPECT_FALSE(icon.Modify(d));  // not added yet
  EXPECT_FALSE(icon.Delete());
  ASSERT_TRUE(icon.Add(d));
  EXPECT_TRUE(icon.IsAdded());
  d.iconId = 133;
  d.balloon = "气球";
  d.parts |= ui::tray_part::kBalloon;
  EXPECT_TRUE(icon.Modify(d));
  ASSERT_EQ(backend.Shown().size(), 1u);
  EXPECT_EQ(backend.Shown().at(131).iconId, 133);
  EXPECT_EQ(backend.Balloons(), (std::vector<std::string>{"气球"}));
  EXPECT_TRUE(icon.Delete());
  EXPECT_FALSE(icon.IsAdded());
  EXPECT_TRUE(backend.Shown().empty());
  ASSERT_EQ(backend.Requests().size(), 3u);  // the refused modify and delete never reached it
}

TEST(TrayIcon, WithoutANotificationAreaNothingIsAdded) {
  ui::RecordingTrayBackend backend;
  backend.SetAvailable(false);
  ui::TrayIcon icon;
  ui::TrayIconData d;
  d.id = 131;
  EXPECT_FALSE(icon.Add(d));
  EXPECT_FALSE(icon.Modify(d));
  EXPECT_TRUE(backend.Shown().empty());
}

TEST(TrayIcon, MouseAndTaskbarRestartReachTheOwner) {
  ui::RecordingTrayBackend backend;
  ui::TrayIcon icon;
  ui::TrayIconData d;
  d.id = 131;
  d.iconId = 131;
  d.tip = "标题";
  std::vector<std::pair<int, int>> clicks;
  icon.SetMouseHandler([&](int id, int message) { clicks.emplace_back(id, message); });
  int restarts = 0;
  icon.SetTaskbarRestartHandler([&] {
    ++restarts;
    icon.Delete();
    icon.Add(d);
  });
  ASSERT_TRUE(icon.Add(d));
  backend.Click(131, ui::kTrayRightUp);
  backend.Click(999, ui::kTrayLeftDoubleClick);  // not ours
  EXPECT_EQ(clicks, (std::vector<std::pair<int, int>>{{131, ui::kTrayRightUp}}));
  backend.RestartTaskbar();
  EXPECT_EQ(restarts, 1);
  EXPECT_TRUE(icon.IsAdded());
  EXPECT_EQ(backend.Shown().size(), 1u);
}

TEST(TrayIcon, AnAddThatFailedIsMadeWhenTheTaskbarComesBack) {
  ui::RecordingTrayBackend backend;
  ui::TrayIcon icon;
  ui::TrayIconData d;
  d.id = 131;
  d.iconId = 131;
  icon.SetTaskbarRestartHandler([&] { icon.Add(d); });
  backend.SetAvailable(false);  // started before the notification area was there
  ASSERT_FALSE(icon.Add(d));
  backend.RestartTaskbar();
  EXPECT_TRUE(icon.IsAdded());
  EXPECT_EQ(backend.Shown().count(131), 1u);
}

TEST(TrayIcon, ChangesFromSeveralThreadsDoNotInterleave) {
  ui::RecordingTrayBackend backend;
  ui::TrayIcon icon;
  ui::TrayIconData d;
  d.id = 131;
  ASSERT_TRUE(icon.Add(d));
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&icon, t] {
      for (int i = 0; i < 200; ++i) {
        ui::TrayIconData m;
        m.id = 131;
        m.iconId = 131 + t;
        m.tip = std::string(10, static_cast<char>('a' + t));
        icon.Modify(m);
      }
    });
  }
  for (auto& th : threads) th.join();
  // Every record the backend saw is one whole request.
  for (const auto& r : backend.Requests())
    if (r.kind == ui::RecordingTrayBackend::Request::Modify) {
      EXPECT_EQ(r.data.tip, std::string(10, static_cast<char>('a' + (r.data.iconId - 131))));
    }
  EXPECT_EQ(backend.Requests().size(), 801u);
}

}  // namespace

#include "tray/tray_icon.h"

#include <gtest/gtest.h>

#include "platform/ui/recording_tray_backend.h"

namespace {

namespace part = ui::tray_part;
using Request = ui::RecordingTrayBackend::Request;

std::string Repeat(const std::string& s, int n) {
  std::string out;
  for (int i = 0; i < n; ++i) out += s;
  return out;
}

TEST(TrayIcon, CreateSendsIdIconAndTip) {
  ui::RecordingTrayBackend backend;
  CTrayIcon icon;
  ASSERT_TRUE(icon.Create(nullptr, 131, 131, "提示"));
  auto shown = backend.Shown();
  ASSERT_EQ(shown.count(131), 1u);
  EXPECT_EQ(shown[131].iconId, 131);
  EXPECT_EQ(shown[131].tip, "提示");
  EXPECT_EQ(shown[131].parts, part::kMessage | part::kIcon | part::kTip);
}

TEST(TrayIcon, TextsAreCutWithoutSplittingACharacter) {
  struct Case {
    std::string text;
    size_t tipBytes, balloonBytes;
  } cases[] = {
      {std::string(300, 'x'), 127, 255},
      {"a" + Repeat("中", 150), 127, 255},  // the limits fall after a whole pair
      {"ab" + Repeat("中", 150), 126, 254},  // the limits fall inside a pair
      {"short", 5, 5},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text.size());
    ui::RecordingTrayBackend backend;
    CTrayIcon icon;
    ASSERT_TRUE(icon.Create(nullptr, 131, 131, c.text));
    EXPECT_EQ(backend.Shown()[131].tip.size(), c.tipBytes);
    ASSERT_TRUE(icon.SetTooltip(c.text));
    EXPECT_EQ(backend.Shown()[131].tip, c.text.substr(0, c.tipBytes));
    ASSERT_TRUE(icon.ShowBalloon(c.text));
    EXPECT_EQ(backend.Balloons().back(), c.text.substr(0, c.balloonBytes));
  }
}

TEST(TrayIcon, BalloonIsSentWithOneRequestOnly) {
  ui::RecordingTrayBackend backend;
  CTrayIcon icon;
  icon.Create(nullptr, 131, 131, "t");
  EXPECT_TRUE(icon.ShowBalloon("新消息"));
  icon.SetTooltip("t2");
  icon.SetIcon(133);
  EXPECT_EQ(backend.Balloons(), std::vector<std::string>{"新消息"});
  std::vector<Request> requests = backend.Requests();
  ASSERT_EQ(requests.size(), 4u);
  EXPECT_EQ(requests[1].data.balloonTitle, CTrayIcon::BalloonTitle());
  EXPECT_LE(CTrayIcon::BalloonTitle().size(), 20u);
  // Each later change carries what was set before it.
  EXPECT_EQ(requests[3].data.tip, "t2");
  EXPECT_EQ(requests[3].data.iconId, 133);
  EXPECT_EQ(requests[3].data.parts, part::kMessage | part::kIcon | part::kTip);
}

TEST(TrayIcon, NothingHappensWhileNotAdded) {
  ui::RecordingTrayBackend backend;
  backend.SetAvailable(false);
  CTrayIcon icon;
  EXPECT_FALSE(icon.Create(nullptr, 131, 131, "t"));
  EXPECT_FALSE(icon.IsAdded());
  EXPECT_FALSE(icon.SetTooltip("x"));
  EXPECT_FALSE(icon.SetIcon(133));
  EXPECT_FALSE(icon.ShowBalloon("b"));
  EXPECT_FALSE(icon.Remove());
  EXPECT_EQ(backend.Requests().size(), 1u) << "only the failed add";
  backend.SetAvailable(true);
  EXPECT_TRUE(icon.Create(nullptr, 131, 131, "t"));
  EXPECT_TRUE(icon.SetIcon(133));
}

TEST(TrayIcon, RemoveTakesTheIconAwayOnce) {
  ui::RecordingTrayBackend backend;
  {
    CTrayIcon icon;
    icon.Create(nullptr, 131, 131, "t");
    EXPECT_TRUE(icon.Remove());
    EXPECT_FALSE(icon.Remove());
    EXPECT_FALSE(icon.SetTooltip("x"));
    EXPECT_TRUE(backend.Shown().empty());
  }
  size_t deletes = 0;
  for (const Request& r : backend.Requests()) deletes += r.kind == Request::Delete;
  EXPECT_EQ(deletes, 1u) << "the destructor sends nothing more";
}

TEST(TrayIcon, DestructorRemovesAnAddedIcon) {
  ui::RecordingTrayBackend backend;
  {
    CTrayIcon icon;
    icon.Create(nullptr, 131, 131, "t");
  }
  EXPECT_TRUE(backend.Shown().empty());
}

TEST(TrayIcon, MouseAndTaskbarRestartReachTheirHandlers) {
  ui::RecordingTrayBackend backend;
  CTrayIcon icon;
  std::vector<std::pair<int, int>> mouse;
  int restarts = 0;
  icon.SetTaskbarRestartHandler([&] { ++restarts; });
  icon.Create([&](int id, int msg) { mouse.push_back({id, msg}); }, 131, 131, "t");
  backend.Click(131, ui::kTrayRightUp);
  backend.RestartTaskbar();
  EXPECT_EQ(mouse, (std::vector<std::pair<int, int>>{{131, ui::kTrayRightUp}}));
  EXPECT_EQ(restarts, 1);
}

}  // namespace

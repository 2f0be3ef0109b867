#include "tray/tray_status.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

struct Recorder {
  std::vector<TrayPaint> paints;
  CTrayStatus::PaintFn Fn() {
    return [this](const TrayPaint& p) { paints.push_back(p); };
  }
};

TrayMessage Msg(int cmd, const std::string& text = "") { return TrayMessage{cmd, text}; }

TEST(TrayStatusTable, EachCommandPaintsItsLook) {
  struct Case {
    int cmd;
    const char* line;
    int icon;
    bool remove;
    bool balloon;
  } cases[] = {
      {1, "实时状态：已就绪.\n", 131, false, true},
      {2, "实时状态：系统忙碌中\n", 132, false, true},
      {3, "实时状态：已关闭。\n", 133, false, false},
      {5, "实时状态：已退出。\n", 135, false, false},
      {99, "", 0, true, false},
      {0, "实时状态：未知。\n", 136, false, false},
      {4, "实时状态：未知。\n", 136, false, false},
      {-1, "实时状态：未知。\n", 136, false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.cmd);
    Recorder rec;
    CTrayStatus status(rec.Fn());
    status.Store(Msg(c.cmd, "note"));
    CTrayStatus::Change change = status.TakeChange();
    ASSERT_TRUE(change.taken);
    EXPECT_EQ(change.command, c.cmd);
    ASSERT_EQ(rec.paints.size(), 1u);
    EXPECT_EQ(rec.paints[0].remove, c.remove);
    if (!c.remove) {
      EXPECT_EQ(rec.paints[0].tooltip, std::string(c.line) + "Qor·网站访问控制系统Ver1.3.2");
      EXPECT_EQ(rec.paints[0].icon, c.icon);
    }
    EXPECT_EQ(change.balloon, c.balloon ? "note" : "");
  }
}

TEST(TrayStatus, StartStateStaysIdle) {
  Recorder rec;
  CTrayStatus status(rec.Fn());
  EXPECT_EQ(status.Command(), 6);
  EXPECT_EQ(status.LastCommand(), 6);
  EXPECT_FALSE(status.TakeChange().taken);
  EXPECT_TRUE(rec.paints.empty());
}

TEST(TrayStatus, SameMessageAgainShowsNoNewBalloon) {
  Recorder rec;
  CTrayStatus status(rec.Fn());
  status.Store(Msg(1, "A"));
  EXPECT_EQ(status.TakeChange().balloon, "A");
  status.Store(Msg(1, "A"));
  EXPECT_FALSE(status.TakeChange().taken);
  EXPECT_EQ(rec.paints.size(), 1u);
}

TEST(TrayStatus, TextOfClosedWaitsForTheNextReadyOrBusy) {
  Recorder rec;
  CTrayStatus status(rec.Fn());
  status.Store(Msg(3, "B"));
  CTrayStatus::Change closed = status.TakeChange();
  EXPECT_EQ(closed.command, 3);
  EXPECT_EQ(closed.balloon, "");
  status.Store(Msg(2));  // no text: the stored one stays
  EXPECT_EQ(status.Text(), "B");
  CTrayStatus::Change busy = status.TakeChange();
  EXPECT_EQ(busy.command, 2);
  EXPECT_EQ(busy.balloon, "B");
  status.Store(Msg(1));
  CTrayStatus::Change ready = status.TakeChange();
  EXPECT_TRUE(ready.taken);
  EXPECT_EQ(ready.balloon, "") << "B was shown already";
}

TEST(TrayStatus, NewTextOfSameLengthIsANewStatus) {
  Recorder rec;
  CTrayStatus status(rec.Fn());
  status.Store(Msg(1, "安全"));
  status.TakeChange();
  status.Store(Msg(1, "危险"));
  CTrayStatus::Change change = status.TakeChange();
  EXPECT_TRUE(change.taken);
  EXPECT_EQ(change.balloon, "危险");
  EXPECT_EQ(rec.paints.size(), 2u);
}

TEST(TrayStatus, EmptyTextNeverBalloons) {
  Recorder rec;
  CTrayStatus status(rec.Fn());
  status.Store(Msg(1));
  CTrayStatus::Change change = status.TakeChange();
  EXPECT_TRUE(change.taken);
  EXPECT_EQ(change.balloon, "");
}

TEST(TrayServiceWatch, ChecksOnEveryThirdTick) {
  CTrayStatus status([](const TrayPaint&) {});
  std::vector<bool> due;
  for (int i = 0; i < 7; ++i) due.push_back(status.CountTick());
  EXPECT_EQ(due, (std::vector<bool>{false, false, true, false, false, true, false}));
}

TEST(TrayServiceWatch, GoneAndBackBeforeAnyStatus) {
  Recorder rec;
  CTrayStatus status(rec.Fn());
  status.ApplyServiceCheck(1);
  EXPECT_TRUE(rec.paints.empty()) << "running as before: nothing to show";
  status.ApplyServiceCheck(0);
  ASSERT_EQ(rec.paints.size(), 1u);
  EXPECT_EQ(rec.paints[0].tooltip, "实时状态：已退出\nQor·网站访问控制系统Ver1.3.2");
  EXPECT_EQ(rec.paints[0].icon, 135);
  EXPECT_TRUE(status.ServiceDown());
  status.ApplyServiceCheck(-1);
  EXPECT_EQ(rec.paints.size(), 1u) << "no process list: display unchanged";
  EXPECT_TRUE(status.ServiceDown());
  status.ApplyServiceCheck(1);
  ASSERT_EQ(rec.paints.size(), 2u);
  EXPECT_EQ(rec.paints[1].tooltip, "实时状态：已就绪\nQor·网站访问控制系统Ver1.3.2");
  EXPECT_EQ(rec.paints[1].icon, 131);
  EXPECT_FALSE(status.ServiceDown());
  status.ApplyServiceCheck(1);
  EXPECT_EQ(rec.paints.size(), 2u);
}

TEST(TrayServiceWatch, BackAgainRepaintsTheLastCommand) {
  Recorder rec;
  CTrayStatus status(rec.Fn());
  status.Store(Msg(3));
  status.TakeChange();
  status.ApplyServiceCheck(0);
  status.ApplyServiceCheck(1);
  ASSERT_EQ(rec.paints.size(), 3u);
  EXPECT_EQ(rec.paints[2].tooltip, "实时状态：已关闭。\nQor·网站访问控制系统Ver1.3.2");
  EXPECT_EQ(rec.paints[2].icon, 133);
  EXPECT_FALSE(status.TakeChange().taken) << "the repaint is no new status";
}

TEST(TrayServiceWatch, NeverOverwritesAStoredCommand) {
  Recorder rec;
  CTrayStatus status(rec.Fn());
  status.Store(Msg(1));
  status.TakeChange();
  status.Store(Msg(3));  // stored, not yet taken by the status thread
  status.ApplyServiceCheck(1);
  status.ApplyServiceCheck(-1);
  EXPECT_EQ(status.Command(), 3);
  CTrayStatus::Change change = status.TakeChange();
  EXPECT_TRUE(change.taken);
  EXPECT_EQ(change.command, 3);
}

TEST(TrayServiceWatch, NextStatusReplacesTheWatchDisplay) {
  Recorder rec;
  CTrayStatus status(rec.Fn());
  status.ApplyServiceCheck(0);
  status.Store(Msg(1));
  status.TakeChange();
  ASSERT_EQ(rec.paints.size(), 2u);
  EXPECT_EQ(rec.paints[1].icon, 131);
  EXPECT_EQ(rec.paints[1].tooltip, "实时状态：已就绪.\nQor·网站访问控制系统Ver1.3.2");
}

}  // namespace

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

#include "common/tray_message.h"
#include "platform/clock.h"
#include "platform/mailslot.h"
#include "tests/support/temp_install.h"
#include "tests/support/wait.h"
#include "tray/status_reader.h"
#include "tray/status_thread.h"

namespace clk = platform::clock;

namespace {

// Waits up to 10 s for cond, looking every 10 ms.
using qortest::WaitFor;

class FakeClock : public ::testing::Test {
 protected:
  void SetUp() override { clk::SetFake(1700000000); }
  void TearDown() override { clk::ClearFake(); }
};

using StatusThreadPass = FakeClock;

TEST_F(StatusThreadPass, BalloonStaysTwoSecondsThenGoes) {
  CTrayStatus status([](const TrayPaint&) {});
  std::vector<std::pair<std::string, int64_t>> balloons;
  CStatusThread thread(status, [&](const std::string& text) { balloons.push_back({text, clk::NowMs()}); });
  status.Store(TrayMessage{1, "A"});
  int64_t start = clk::NowMs();
  ASSERT_TRUE(thread.RunPass());
  ASSERT_EQ(balloons.size(), 2u);
  EXPECT_EQ(balloons[0].first, "A");
  EXPECT_EQ(balloons[0].second, start);
  EXPECT_EQ(balloons[1].first, "");
  EXPECT_EQ(balloons[1].second - start, 2000);
  EXPECT_EQ(clk::NowMs() - start, 2001);
}

TEST_F(StatusThreadPass, ChangeWithoutBalloonSettlesHalfASecond) {
  CTrayStatus status([](const TrayPaint&) {});
  int shown = 0;
  CStatusThread thread(status, [&](const std::string&) { ++shown; });
  status.Store(TrayMessage{3, "A"});
  int64_t start = clk::NowMs();
  ASSERT_TRUE(thread.RunPass());
  EXPECT_EQ(shown, 0);
  EXPECT_EQ(clk::NowMs() - start, 501);
  start = clk::NowMs();
  ASSERT_TRUE(thread.RunPass());
  EXPECT_EQ(clk::NowMs() - start, 0) << "no change: no pause";
}

TEST_F(StatusThreadPass, QuitRemovesTheIconWithoutPause) {
  std::vector<TrayPaint> paints;
  CTrayStatus status([&](const TrayPaint& p) { paints.push_back(p); });
  CStatusThread thread(status, [](const std::string&) {});
  status.Store(TrayMessage{99, ""});
  int64_t start = clk::NowMs();
  ASSERT_TRUE(thread.RunPass());
  ASSERT_EQ(paints.size(), 1u);
  EXPECT_TRUE(paints[0].remove);
  EXPECT_EQ(clk::NowMs() - start, 1);
}

TEST(StatusThread, StopEndsABalloonAtOnceAndTakesItAway) {
  std::atomic<int> shown{0};
  std::mutex m;
  std::vector<std::string> texts;
  CTrayStatus status([](const TrayPaint&) {});
  CStatusThread thread(status, [&](const std::string& t) {
    std::lock_guard<std::mutex> lock(m);
    texts.push_back(t);
    ++shown;
  });
  status.Store(TrayMessage{2, "long"});
  ASSERT_TRUE(thread.Start());
  ASSERT_TRUE(WaitFor([&] { return shown.load() >= 1; }));
  thread.Stop();  // the real 2 s balloon pause is cut short
  std::lock_guard<std::mutex> lock(m);
  EXPECT_EQ(texts, (std::vector<std::string>{"long", ""}));
}

class Reader : public ::testing::Test {
 protected:
  qortest::TempInstall install;
  CTrayStatus status{[](const TrayPaint&) {}};
  std::atomic<int> ready{0}, quits{0};
  CStatusReader::Hooks Hooks() {
    return {[this] { ++ready; }, [this] { ++quits; }};
  }
};

TEST_F(Reader, StoresMessagesInOrderOfArrival) {
  CStatusReader reader(status, Hooks());
  ASSERT_TRUE(reader.Start());
  ASSERT_TRUE(WaitFor([&] { return reader.SlotOpen(); }));
  EXPECT_EQ(ready.load(), 1);
  ASSERT_TRUE(SendTrayMessage(BuildTrayMessage(3, std::string("第一"))));
  ASSERT_TRUE(SendTrayMessage(BuildTrayMessage(1)));
  EXPECT_TRUE(WaitFor([&] { return status.Command() == 1; }));
  EXPECT_EQ(status.Text(), "第一") << "an empty text keeps the last one";
  reader.Stop();
  EXPECT_FALSE(reader.SlotOpen());
  EXPECT_FALSE(SendTrayMessage(BuildTrayMessage(1))) << "the slot is given up";
  EXPECT_EQ(quits.load(), 0);
}

TEST_F(Reader, MalformedMessageCountsAsCommandZero) {
  CStatusReader reader(status, Hooks());
  reader.Start();
  ASSERT_TRUE(WaitFor([&] { return reader.SlotOpen(); }));
  ASSERT_EQ(platform::mailslot::Write(kTrayMailslotName, std::string("garbage\0", 8)), platform::mailslot::kOk);
  EXPECT_TRUE(WaitFor([&] { return status.Command() == 0; }));
}

TEST_F(Reader, QuitClosesTheSlotAndEndsTheReader) {
  CStatusReader reader(status, Hooks());
  reader.Start();
  ASSERT_TRUE(WaitFor([&] { return reader.SlotOpen(); }));
  ASSERT_TRUE(SendTrayMessage(BuildTrayMessage(kTrayCmdQuit)));
  ASSERT_TRUE(WaitFor([&] { return quits.load() == 1; }));
  EXPECT_EQ(status.Command(), 99);
  EXPECT_FALSE(reader.SlotOpen());
  EXPECT_FALSE(SendTrayMessage(BuildTrayMessage(1)));
}

TEST_F(Reader, WaitsForASlotNameHeldElsewhere) {
  clk::SetFake(1700000000);  // the one-second retries pass at once
  platform::mailslot::Slot other;
  ASSERT_EQ(other.Create(kTrayMailslotName), platform::mailslot::kOk);
  CStatusReader reader(status, Hooks());
  reader.Start();
  ASSERT_TRUE(WaitFor([&] { return clk::NowMs() >= 1700000000LL * 1000 + 3000; }));
  EXPECT_FALSE(reader.SlotOpen());
  EXPECT_EQ(ready.load(), 0);
  other.Close();
  EXPECT_TRUE(WaitFor([&] { return reader.SlotOpen(); }));
  EXPECT_EQ(ready.load(), 1);
  reader.Stop();
  clk::ClearFake();
}

TEST_F(Reader, StopWhileWaitingForTheNameEndsIt) {
  platform::mailslot::Slot other;
  ASSERT_EQ(other.Create(kTrayMailslotName), platform::mailslot::kOk);
  CStatusReader reader(status, Hooks());
  reader.Start();
  reader.Stop();  // the real one-second retry pause is cut short
  EXPECT_FALSE(reader.SlotOpen());
  EXPECT_EQ(ready.load(), 0);
}

}  // namespace

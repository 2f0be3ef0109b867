#include "platform/eventlog.h"

#include <gtest/gtest.h>

#include "platform/clock.h"
#include "platform/fs.h"
#include "platform/registry.h"
#include "tests/support/temp_install.h"

namespace ev = platform::eventlog;

namespace {

class EventLogTest : public ::testing::Test {
 protected:
  void TearDown() override { platform::clock::ClearFake(); }
  qortest::TempInstall install;
};

TEST_F(EventLogTest, SourceMustBeRegistered) {
  ev::Source s;
  EXPECT_EQ(s.Register(""), ev::kInvalidParameter);
  EXPECT_EQ(s.Report(ev::EventType::Information, 0, 100), ev::kInvalidHandle);
  ASSERT_EQ(s.Register("qoripsvc"), ev::kOk);
  s.Deregister();
  EXPECT_EQ(s.Report(ev::EventType::Information, 0, 100), ev::kInvalidHandle);
  std::vector<ev::Event> events;
  ASSERT_EQ(ev::ReadEvents(events), ev::kOk);
  EXPECT_TRUE(events.empty());
}

TEST_F(EventLogTest, EventsReadBackInOrder) {
  platform::clock::SetFake(1700000000);
  ev::Source a, b;
  ASSERT_EQ(a.Register("qoripsvc"), ev::kOk);
  ASSERT_EQ(b.Register("other"), ev::kOk);
  ASSERT_EQ(a.Report(ev::EventType::Information, 0, 100, {"qoripsvc"}), ev::kOk);
  ASSERT_EQ(b.Report(ev::EventType::Warning, 3, 7, {}), ev::kOk);
  // Texts with separators, GBK pairs and an empty text survive.
  ASSERT_EQ(a.Report(ev::EventType::Error, 0, 104, {"主服务\t停止\n", "", "100%"}), ev::kOk);

  std::vector<ev::Event> events;
  ASSERT_EQ(ev::ReadEvents(events), ev::kOk);
  ASSERT_EQ(events.size(), 3u);
  EXPECT_EQ(events[0].source, "qoripsvc");
  EXPECT_EQ(events[0].id, 100u);
  EXPECT_EQ(events[0].type, ev::EventType::Information);
  EXPECT_EQ(events[0].strings, std::vector<std::string>{"qoripsvc"});
  EXPECT_EQ(events[0].time, 1700000000);
  EXPECT_EQ(events[1].source, "other");
  EXPECT_EQ(events[1].category, 3u);
  EXPECT_TRUE(events[1].strings.empty());
  EXPECT_EQ(events[2].type, ev::EventType::Error);
  EXPECT_EQ(events[2].strings, (std::vector<std::string>{"主服务\t停止\n", "", "100%"}));
}

TEST_F(EventLogTest, LogsAreSeparate) {
  ev::Source s;
  ASSERT_EQ(s.Register("qoripsvc", "System"), ev::kOk);
  ASSERT_EQ(s.Report(ev::EventType::Information, 0, 1), ev::kOk);
  std::vector<ev::Event> app, sys;
  ASSERT_EQ(ev::ReadEvents(app), ev::kOk);
  ASSERT_EQ(ev::ReadEvents(sys, "System"), ev::kOk);
  EXPECT_TRUE(app.empty());
  EXPECT_EQ(sys.size(), 1u);
}

// A log keeps within the MaxSize of its key: the oldest records go, the newest stay whole
// and in order; another log keeps its own bound.
TEST_F(EventLogTest, AFullLogLetsItsOldestRecordsGo) {
  EXPECT_EQ(ev::MaxSizeOf(), ev::kDefaultMaxSize);
  platform::registry::Key key;
  ASSERT_EQ(platform::registry::CreateKey(ev::KeyPath(), key), platform::registry::kOk);
  ASSERT_EQ(key.SetDword("MaxSize", 2000), platform::registry::kOk);
  EXPECT_EQ(ev::MaxSizeOf(), 2000u);
  EXPECT_EQ(ev::MaxSizeOf("System"), ev::kDefaultMaxSize);
  ev::Source s;
  ASSERT_EQ(s.Register("qoripsvc"), ev::kOk);
  for (uint32_t id = 1; id <= 300; ++id) {
    ASSERT_EQ(s.Report(ev::EventType::Warning, 0, id, {"unknown control"}), ev::kOk);
    ASSERT_LE(platform::fs::FileSize(ev::LogFilePath()), 2000) << id;
  }
  std::vector<ev::Event> events;
  ASSERT_EQ(ev::ReadEvents(events), ev::kOk);
  ASSERT_GT(events.size(), 30u) << "more went than was needed";
  for (size_t i = 0; i < events.size(); ++i) EXPECT_EQ(events[i].id, 301 - events.size() + i);
}

}  // namespace

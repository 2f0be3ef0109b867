// The panel's requests: the fixed cache-busting number, status 500 as an answer, and
// the wait on the worker thread that keeps dispatching messages.
#include "common/chttp.h"

#include <gtest/gtest.h>
#include <signal.h>

#include "platform/ui/ui_hooks.h"
#include "common/update_endpoint.h"
#include "platform/clock.h"
#include "platform/fs.h"
#include "tests/support/update_server.h"

namespace fs = platform::fs;

namespace {

class PanelHttp : public ::testing::Test {
 protected:
  void SetUp() override {
    lib_ = install_.Base() + "lib.txt";
    ASSERT_EQ(fs::WriteFile(lib_, "1|2|3|4|5*\r\n6|7|8|9|0*\n"), fs::kOk);
    // The window thread's pauses pass at once.
    platform::clock::SetFake(1000000);
  }
  void TearDown() override {
    SetPumpMessagesHook(nullptr);
    platform::clock::ClearFake();
  }

  std::string Body() const { return endpoint::IpLibReply("2026-1-2 3:4:5", "1|2|3|4|5*6|7|8|9|0*", ""); }

  qortest::TempInstall install_;
  std::string lib_;
};

// Holds the server still, so that a request cannot be answered before the wait has
// dispatched once, however the threads are scheduled.
class HeldServer {
 public:
  explicit HeldServer(pid_t pid) : m_pid(pid) { ::kill(m_pid, SIGSTOP); }
  ~HeldServer() { Release(); }
  void Release() {
    if (m_pid > 0) ::kill(m_pid, SIGCONT);
    m_pid = -1;
  }

 private:
  pid_t m_pid;
};

}  // namespace

TEST(PanelHttpNumber, IsTheFirstDrawAfterSeedingWithZero) {
  std::srand(0);
  const int expected = std::rand() % 998 + 1;
  std::srand(12345);
  std::rand();
  EXPECT_EQ(CHttp::PanelCacheBustNumber(), std::to_string(expected));
  EXPECT_EQ(CHttp::PanelCacheBustNumber(), std::to_string(expected));
}

TEST_F(PanelHttp, StatusDecidesTheResult) {
  struct Case {
    std::string status;
    int result;
    bool body;
  } cases[] = {{"200", CHttp::kDone, true}, {"500", CHttp::kDone, true}, {"404", CHttp::kFailed, false}};
  for (const auto& c : cases) {
    qortest::UpdateServer server(install_, {"--iplib", lib_, "--iplib-time", "2026-1-2 3:4:5", "--status", c.status});
    const std::string base = server.Base();
    ASSERT_FALSE(base.empty());
    CHttp http(Build::Panel);
    std::string reply = "old";
    EXPECT_EQ(http.Request(base + endpoint::IpLibPath() + "?t=qorip", reply), c.result) << c.status;
    EXPECT_EQ(reply, c.body ? Body() : "") << c.status;
  }
}

TEST_F(PanelHttp, RequestsInARowCarryTheSameNumber) {
  qortest::UpdateServer server(install_, {"--iplib", lib_});
  const std::string base = server.Base();
  ASSERT_FALSE(base.empty());
  CHttp http(Build::Panel);
  std::string reply;
  http.Request(base + endpoint::IpLibPath() + "?t=qorip", reply);
  http.Request(base + endpoint::IpLibPath(), reply);
  auto requests = server.Requests();
  ASSERT_EQ(requests.size(), 2u);
  const std::string number = CHttp::PanelCacheBustNumber();
  EXPECT_EQ(requests[0], endpoint::IpLibPath() + "?t=qorip&rnum=" + number);
  EXPECT_EQ(requests[1], endpoint::IpLibPath() + "?rnum=" + number);
}

TEST_F(PanelHttp, GetReturnsTheBodyWhileDispatching) {
  qortest::UpdateServer server(install_, {"--iplib", lib_, "--iplib-time", "2026-1-2 3:4:5"});
  const std::string base = server.Base();
  ASSERT_FALSE(base.empty());
  int pumps = 0;
  HeldServer held(server.Pid());
  SetPumpMessagesHook([&] {
    ++pumps;
    held.Release();
    return 1;
  });
  CHttp http(Build::Panel);
  std::string reply = "old";
  EXPECT_EQ(http.Get(base + endpoint::IpLibPath(), reply), CHttp::kDone);
  EXPECT_EQ(reply, Body());
  EXPECT_GE(pumps, 2);
}

TEST_F(PanelHttp, UnreachableHostGivesTwoAndX) {
  CHttp http(Build::Panel);
  std::string reply;
  EXPECT_EQ(http.Get("http://127.0.0.1:1/x", reply), CHttp::kNetworkError);
  EXPECT_EQ(reply, "x");
}

TEST_F(PanelHttp, EmptyUrlGivesZeroAndNoStaleReply) {
  qortest::UpdateServer server(install_, {"--iplib", lib_});
  const std::string base = server.Base();
  ASSERT_FALSE(base.empty());
  CHttp http(Build::Panel);
  std::string reply;
  ASSERT_EQ(http.Get(base + endpoint::IpLibPath(), reply), CHttp::kDone);
  ASSERT_FALSE(reply.empty());
  // The previous request's body does not come back with a request that never ran.
  EXPECT_EQ(http.Get("", reply), CHttp::kFailed);
  EXPECT_EQ(reply, "");
  EXPECT_EQ(server.Requests().size(), 1u);
}

TEST_F(PanelHttp, GetStartedDuringTheWaitIsRefused) {
  qortest::UpdateServer server(install_, {"--iplib", lib_, "--iplib-time", "2026-1-2 3:4:5"});
  const std::string base = server.Base();
  ASSERT_FALSE(base.empty());
  CHttp http(Build::Panel);
  int nested = -1;
  std::string nestedReply = "old";
  HeldServer held(server.Pid());
  SetPumpMessagesHook([&] {
    if (nested < 0) nested = http.Get(base + "/elsewhere", nestedReply);
    held.Release();
    return 1;
  });
  std::string reply;
  EXPECT_EQ(http.Get(base + endpoint::IpLibPath(), reply), CHttp::kDone);
  EXPECT_EQ(reply, Body());
  EXPECT_EQ(nested, CHttp::kFailed);
  EXPECT_EQ(nestedReply, "");
  EXPECT_EQ(server.Requests().size(), 1u);
}

#include "platform/instance.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>

#include <atomic>
#include <cstring>
#include <thread>
#include <vector>

#include "platform/ipc_files.h"
#include "platform/process.h"
#include "platform/unique_fd.h"
#include "tests/support/forked.h"
#include "tests/support/temp_install.h"

namespace inst = platform::instance;

namespace {

// Another process that claims the name (and listens when asked) until it is killed:
// 'A' acquired and listening as asked, 'T' taken, 'F' failed.
int ClaimElsewhere(const std::string& name, bool listen) {
  switch (inst::ClaimInstance(name)) {
    case inst::Claim::Acquired: return (!listen || inst::ListenForComeForward(name, [] {})) ? 'A' : 'F';
    case inst::Claim::Taken: return 'T';
    case inst::Claim::Failed: break;
  }
  return 'F';
}

}  // namespace

TEST(Instance, OneHolderPerNameInThisProcess) {
  qortest::TempInstall tmp;
  EXPECT_EQ(inst::ClaimInstance("QoripPanel"), inst::Claim::Acquired);
  EXPECT_EQ(inst::ClaimInstance("QoripPanel"), inst::Claim::Taken);
  EXPECT_EQ(inst::ClaimInstance("qoripPANEL"), inst::Claim::Taken) << "names are case-blind";
  EXPECT_EQ(inst::ClaimInstance("QorIP"), inst::Claim::Acquired);
  inst::ReleaseInstance("QoripPanel");
  inst::ReleaseInstance("QorIP");
  EXPECT_EQ(inst::ClaimInstance("QoripPanel"), inst::Claim::Acquired);
  inst::ReleaseInstance("QoripPanel");
}

TEST(Instance, SecondProcessRefusedWhileTheFirstLivesAndAcceptedAfterItDied) {
  qortest::TempInstall tmp;
  qortest::HoldingChild first([] { return ClaimElsewhere("QorIP", false); });
  ASSERT_EQ(first.Result(), 'A');
  EXPECT_EQ(inst::ClaimInstance("QorIP"), inst::Claim::Taken);
  qortest::HoldingChild second([] { return ClaimElsewhere("QorIP", false); });
  EXPECT_EQ(second.Result(), 'T');
  first.Kill();
  EXPECT_EQ(inst::ClaimInstance("QorIP"), inst::Claim::Acquired);
  inst::ReleaseInstance("QorIP");
}

TEST(Instance, ChildrenDoNotInheritTheClaim) {
  qortest::TempInstall tmp;
  ASSERT_EQ(inst::ClaimInstance("QorIP"), inst::Claim::Acquired);
  int pid = platform::process::StartDetached("/bin/sleep", "30");
  ASSERT_GT(pid, 0);
  inst::ReleaseInstance("QorIP");
  EXPECT_EQ(inst::ClaimInstance("QorIP"), inst::Claim::Acquired) << "the child kept the lock";
  inst::ReleaseInstance("QorIP");
  EXPECT_TRUE(platform::process::Kill(pid));
}

TEST(Instance, LaterStartBringsTheHolderForward) {
  qortest::TempInstall tmp;
  EXPECT_FALSE(inst::AskComeForward("QorIP", 200)) << "nobody holds it";
  EXPECT_FALSE(inst::ListenForComeForward("QorIP", [] {})) << "not held here";
  ASSERT_EQ(inst::ClaimInstance("QorIP"), inst::Claim::Acquired);
  EXPECT_FALSE(inst::AskComeForward("QorIP", 200)) << "held but not listening";

  std::atomic<int> calls{0};
  std::atomic<bool> onOtherThread{false};
  auto main = std::this_thread::get_id();
  ASSERT_TRUE(inst::ListenForComeForward("QorIP", [&] {
    onOtherThread = std::this_thread::get_id() != main;
    ++calls;
  }));
  EXPECT_FALSE(inst::ListenForComeForward("QorIP", [] {})) << "one listener";
  EXPECT_TRUE(inst::AskComeForward("QorIP"));
  EXPECT_TRUE(inst::AskComeForward("qorip"));
  EXPECT_EQ(calls.load(), 2);
  EXPECT_TRUE(onOtherThread.load());

  inst::ReleaseInstance("QorIP");
  EXPECT_FALSE(inst::AskComeForward("QorIP", 200));
  EXPECT_EQ(calls.load(), 2);
}

TEST(Instance, HolderThatDiedLeavesNothingThatAnswers) {
  qortest::TempInstall tmp;
  qortest::HoldingChild dead([] { return ClaimElsewhere("QoripPanel", true); });
  ASSERT_EQ(dead.Result(), 'A');
  EXPECT_TRUE(inst::AskComeForward("QoripPanel"));
  dead.Kill();
  EXPECT_FALSE(inst::AskComeForward("QoripPanel", 200));
  ASSERT_EQ(inst::ClaimInstance("QoripPanel"), inst::Claim::Acquired);
  std::atomic<int> calls{0};
  ASSERT_TRUE(inst::ListenForComeForward("QoripPanel", [&] { ++calls; }));
  EXPECT_TRUE(inst::AskComeForward("QoripPanel"));
  EXPECT_EQ(calls.load(), 1);
  inst::ReleaseInstance("QoripPanel");
}

TEST(Instance, ReleaseFromTheCallbackItselfDoesNotHang) {
  qortest::TempInstall tmp;
  ASSERT_EQ(inst::ClaimInstance("QorIP"), inst::Claim::Acquired);
  ASSERT_TRUE(inst::ListenForComeForward("QorIP", [] { inst::ReleaseInstance("QorIP"); }));
  EXPECT_TRUE(inst::AskComeForward("QorIP"));
  EXPECT_EQ(inst::ClaimInstance("QorIP"), inst::Claim::Acquired);
  inst::ReleaseInstance("QorIP");
}

TEST(Instance, SilentPeersDoNotHoldUpALaterStart) {
  qortest::TempInstall tmp;
  ASSERT_EQ(inst::ClaimInstance("QorIP"), inst::Claim::Acquired);
  std::atomic<int> calls{0};
  ASSERT_TRUE(inst::ListenForComeForward("QorIP", [&] { ++calls; }));
  // Connections that never say anything, each of which the listener gives a second.
  const std::string path = platform::ipc::AccountFolder() + "qorip.fwd";
  sockaddr_un addr{};
  addr.sun_family = AF_UNIX;
  ASSERT_LT(path.size(), sizeof addr.sun_path);
  std::memcpy(addr.sun_path, path.data(), path.size());
  std::vector<platform::UniqueFd> silent;
  for (int i = 0; i < 30; ++i) {
    platform::UniqueFd s(::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK, 0));
    if (::connect(s.Get(), reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0) silent.push_back(std::move(s));
  }
  EXPECT_GE(silent.size(), 16u);
  EXPECT_TRUE(inst::AskComeForward("QorIP", 2000));
  EXPECT_EQ(calls.load(), 1);
  inst::ReleaseInstance("QorIP");
}

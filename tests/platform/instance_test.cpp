#include "platform/instance.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <thread>

#include "platform/process.h"
#include "tests/support/temp_install.h"

namespace inst = platform::instance;

namespace {

// Another process that claims the name (and listens when asked) until it is killed.
struct ChildHolder {
  pid_t pid = -1;
  char state = 0;  // 'A' acquired and listening as asked, 'T' taken, 'F' failed
  ChildHolder(const std::string& name, bool listen) {
    int fds[2];
    if (pipe(fds) != 0) return;
    pid = fork();
    if (pid == 0) {
      close(fds[0]);
      char c = 'F';
      switch (inst::ClaimInstance(name)) {
        case inst::Claim::Acquired: c = (!listen || inst::ListenForComeForward(name, [] {})) ? 'A' : 'F'; break;
        case inst::Claim::Taken: c = 'T'; break;
        case inst::Claim::Failed: break;
      }
      if (write(fds[1], &c, 1) != 1) _exit(1);
      for (;;) pause();
    }
    close(fds[1]);
    if (read(fds[0], &state, 1) != 1) state = 0;
    close(fds[0]);
  }
  void Kill() {
    if (pid <= 0) return;
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    pid = -1;
  }
  ~ChildHolder() { Kill(); }
};

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
  ChildHolder first("QorIP", false);
  ASSERT_EQ(first.state, 'A');
  EXPECT_EQ(inst::ClaimInstance("QorIP"), inst::Claim::Taken);
  ChildHolder second("QorIP", false);
  EXPECT_EQ(second.state, 'T');
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
  platform::process::Kill(pid);
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
  ChildHolder dead("QoripPanel", true);
  ASSERT_EQ(dead.state, 'A');
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

// CServiceCtrl against real services run by the service manager.
#include "common/service_ctrl.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <thread>

#include "platform/ui/ui_hooks.h"
#include "platform/fs.h"
#include "platform/scm.h"
#include "platform/scm_wire.h"
#include "tests/support/services.h"
#include "tests/support/temp_install.h"
#include "tests/support/wait.h"

namespace scm = platform::scm;
namespace fs = platform::fs;

namespace {

const bool g_scaled = (setenv("QOR_TIME_SCALE", "0.01", 1), true);

using qortest::WaitFor;

using qortest::SelfExe;

class ServiceCtrlTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(g_scaled);
    ASSERT_EQ(mgr.Open(), scm::kOk);
  }
  void TearDown() override {
    SetPumpMessagesHook(nullptr);
    qortest::EndEveryService();
  }

  void Create(const std::string& name, const std::string& image) {
    scm::Config c;
    c.name = name;
    c.imagePath = image;
    ASSERT_EQ(mgr.CreateService(c), scm::kOk);
  }
  void CreateW3svc() { Create("w3svc", qortest::BinDir() + "w3svc"); }
  scm::Status StatusOf(const std::string& name) {
    scm::Service s;
    scm::Status st;
    if (mgr.OpenService(name, s) == scm::kOk) s.QueryStatus(st);
    return st;
  }
  bool Exists(const std::string& name) {
    scm::Service s;
    return mgr.OpenService(name, s) == scm::kOk;
  }
  bool WaitRunning(const std::string& name) {
    return WaitFor([&] { return StatusOf(name).state == scm::State::Running; });
  }
  // An installer "qoripsvc" in the program folder: waits a moment, then installs the
  // service qoripsvc (a w3svc under that name) and leaves a mark.
  std::string WriteInstaller() {
    std::string bin = qortest::BinDir();
    std::string path = install.ProgramDir() + "qoripsvc";
    std::string script = "#!/bin/sh\n[ \"$1\" = \"/i\" ] || exit 3\nsleep 0.3\necho ran >> \"" +
                         install.ProgramDir() + "installed.txt\"\nexec \"" + bin + "qorsc\" create qoripsvc '\"" +
                         bin + "w3svc\" qoripsvc' >/dev/null\n";
    EXPECT_EQ(fs::WriteFile(path, script), fs::kOk);
    chmod(path.c_str(), 0755);
    return install.ProgramDir() + "qoripsvc.exe";  // the name the panel passes
  }

  qortest::TempInstall install;
  scm::Manager mgr;
  CServiceCtrl ctrl;
};

TEST_F(ServiceCtrlTest, StartThenStopWaitsUntilStopped) {
  CreateW3svc();
  EXPECT_EQ(ctrl.StartStopService("W3SVC", 1, "", 0), 1);
  ASSERT_TRUE(WaitRunning("w3svc"));
  int pid = StatusOf("w3svc").processId;
  EXPECT_EQ(ctrl.StartStopService("w3svc", 0, "", 0), 1);
  EXPECT_EQ(StatusOf("w3svc").state, scm::State::Stopped);  // no polling: the call waited
  EXPECT_TRUE(WaitFor([&] { return scm::wire::ProcessStartTicks(pid) == 0; }));
  // Stopped already, and a service that does not exist: both return at once.
  EXPECT_EQ(ctrl.StartStopService("w3svc", 0, "", 0), 1);
  EXPECT_EQ(ctrl.StartStopService("nothing", 0, "", 0), 1);
}

TEST_F(ServiceCtrlTest, InstallerIsWaitedForBeforeTheStart) {
  std::string installer = WriteInstaller();
  EXPECT_EQ(ctrl.StartStopService("qoripsvc", 1, installer, 1), 1);
  EXPECT_TRUE(Exists("qoripsvc"));
  EXPECT_TRUE(WaitRunning("qoripsvc"));
  std::string mark;
  EXPECT_EQ(fs::ReadFile(install.ProgramDir() + "installed.txt", mark), fs::kOk);
  EXPECT_EQ(mark, "ran\n");
}

TEST_F(ServiceCtrlTest, MissingInstallerIsSkippedAndTheServiceStarts) {
  CreateW3svc();
  EXPECT_EQ(ctrl.StartStopService("w3svc", 1, install.ProgramDir() + "qoripsvc.exe", 1), 1);
  EXPECT_TRUE(WaitRunning("w3svc"));
  EXPECT_FALSE(fs::Exists(install.ProgramDir() + "installed.txt"));
}

TEST_F(ServiceCtrlTest, RestartGivesANewProcess) {
  CreateW3svc();
  ASSERT_EQ(ctrl.StartStopService("w3svc", 1, "", 0), 1);
  ASSERT_TRUE(WaitRunning("w3svc"));
  int pid = StatusOf("w3svc").processId;
  EXPECT_EQ(ctrl.RestartService("w3svc", "", 0), 1);
  ASSERT_TRUE(WaitRunning("w3svc"));
  EXPECT_NE(StatusOf("w3svc").processId, pid);
}

TEST_F(ServiceCtrlTest, RestartOfAMissingServiceRunsTheInstaller) {
  std::string installer = WriteInstaller();
  EXPECT_EQ(ctrl.RestartService("qoripsvc", installer, 1), 1);
  EXPECT_TRUE(WaitRunning("qoripsvc"));
  // Without the install flag nothing is installed.
  EXPECT_EQ(ctrl.RestartService("other", installer, 0), 1);
  EXPECT_FALSE(Exists("other"));
}

TEST_F(ServiceCtrlTest, AServiceThatNeverStopsEndsTheWaitsAtTheirBound) {
  Create("stubborn", "\"" + SelfExe() + "\" --gtest_filter=ServiceStandIn.DISABLED_Run --gtest_also_run_disabled_tests");
  ASSERT_EQ(ctrl.StartStopService("stubborn", 1, "", 0), 1);
  ASSERT_TRUE(WaitRunning("stubborn"));
  qortest::NoProcessWaitFloor scaledBound;
  EXPECT_EQ(ctrl.StartStopService("stubborn", 0, "", 0), 1);
  EXPECT_EQ(StatusOf("stubborn").state, scm::State::StopPending);

  int pumps = 0;
  SetPumpMessagesHook([&] {
    ++pumps;
    return 1;
  });
  EXPECT_EQ(ctrl.RestartService("stubborn", "", 0), 1);
  EXPECT_GT(pumps, 0);  // the window thread stayed responsive while it waited
  EXPECT_EQ(StatusOf("stubborn").state, scm::State::StopPending);

  // The same wait on a worker thread leaves the window thread's queue alone.
  pumps = 0;
  std::thread worker([&] { EXPECT_EQ(CServiceCtrl().RestartService("stubborn", "", 0), 1); });
  worker.join();
  EXPECT_EQ(pumps, 0);
}

TEST_F(ServiceCtrlTest, DeleteService) {
  EXPECT_EQ(ctrl.DeleteService("nothing"), 0);
  Create("idle", "/bin/true");
  EXPECT_EQ(ctrl.DeleteService("IDLE"), 1);
  EXPECT_FALSE(Exists("idle"));

  CreateW3svc();
  ASSERT_EQ(ctrl.StartStopService("w3svc", 1, "", 0), 1);
  // A service still starting takes no stop: it runs before it is marked and stopped.
  ASSERT_TRUE(WaitRunning("w3svc"));
  EXPECT_EQ(ctrl.DeleteService("w3svc"), 1);  // marked while it runs
  EXPECT_TRUE(Exists("w3svc"));
  EXPECT_EQ(ctrl.DeleteService("w3svc"), 0);
  EXPECT_EQ(ctrl.StartStopService("w3svc", 0, "", 0), 1);
  EXPECT_TRUE(WaitFor([&] { return !Exists("w3svc"); }));
}

TEST_F(ServiceCtrlTest, FailureActionsRestartACrashedService) {
  EXPECT_EQ(ctrl.SetFailureActions(""), 0);
  EXPECT_EQ(ctrl.SetFailureActions("nothing"), 0);
  CreateW3svc();
  ASSERT_EQ(ctrl.SetFailureActions("w3svc"), 1);
  scm::Service s;
  ASSERT_EQ(mgr.OpenService("w3svc", s), scm::kOk);
  scm::FailureActions fa;
  ASSERT_EQ(s.QueryFailureActions(fa), scm::kOk);
  EXPECT_EQ(fa.resetPeriodSec, 0u);
  ASSERT_EQ(fa.actions.size(), 3u);
  for (const auto& a : fa.actions) {
    EXPECT_EQ(a.type, scm::ActionType::Restart);
    EXPECT_EQ(a.delayMs, 0u);
  }
  ASSERT_EQ(ctrl.StartStopService("w3svc", 1, "", 0), 1);
  ASSERT_TRUE(WaitRunning("w3svc"));
  int pid = StatusOf("w3svc").processId;
  ASSERT_EQ(kill(pid, SIGKILL), 0);
  EXPECT_TRUE(WaitFor([&] {
    scm::Status st = StatusOf("w3svc");
    return st.state == scm::State::Running && st.processId != pid;
  }));
}

// Run by the manager only: accepts stop, reports stop-pending and never stops.
TEST(ServiceStandIn, DISABLED_Run) {
  const char* env = std::getenv(scm::wire::kServiceEnv);
  if (!env) GTEST_SKIP() << "runs only under the service manager";
  const std::string name = env;
  int rc = scm::RunDispatcher(name, [&](const std::vector<std::string>&) {
    std::atomic<bool> stopping{false};
    auto report = [&] {
      scm::Status st;
      st.state = stopping ? scm::State::StopPending : scm::State::Running;
      st.controlsAccepted = stopping ? 0u : uint32_t{scm::kAcceptStop};
      scm::SetStatus(st);
    };
    scm::RegisterControlHandler(name, [&](uint32_t code) {
      if (code == scm::kControlStop) stopping = true;
      report();
    });
    report();
    for (;;) pause();  // until the test's clean-up kills it
  });
  EXPECT_EQ(rc, scm::kOk);
}

}  // namespace

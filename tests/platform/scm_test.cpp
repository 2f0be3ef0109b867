#include "platform/scm.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <functional>
#include <cstdlib>
#include <thread>

#include "platform/clock.h"
#include "platform/faults.h"
#include "platform/fs.h"
#include "platform/paths.h"
#include "platform/registry.h"
#include "platform/scm_wire.h"
#include "platform/unique_fd.h"
#include "tests/support/other_account.h"
#include "tests/support/services.h"
#include "tests/support/temp_install.h"
#include "tests/support/wait.h"

namespace scm = platform::scm;
namespace fs = platform::fs;

namespace {

// The children's sleeps (w3svc wakes every second) are shortened.
const bool g_scaled = (setenv("QOR_TIME_SCALE", "0.01", 1), true);

using qortest::WaitFor;

bool Alive(int pid) { return pid > 0 && platform::scm::wire::ProcessStartTicks(pid) != 0; }

using qortest::SelfExe;

// This test program, run by the manager as a service that plays the given part.
std::string StandInImage(const std::string& part) {
  return "\"" + SelfExe() + "\" --gtest_filter=ServiceStandIn.DISABLED_Run --gtest_also_run_disabled_tests " + part;
}

class ScmTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(g_scaled);
    ASSERT_EQ(mgr.Open(), scm::kOk);
  }
  void TearDown() override { qortest::EndEveryService(); }

  scm::Service Create(const std::string& name, const std::string& image, uint32_t startType = scm::kDemandStart) {
    scm::Config c;
    c.name = name;
    c.imagePath = image;
    c.startType = startType;
    scm::Service s;
    EXPECT_EQ(mgr.CreateService(c, &s), scm::kOk) << name;
    return s;
  }
  scm::Service CreateW3svc(const std::string& name = "w3svc") {
    return Create(name, name == "w3svc" ? qortest::BinDir() + "w3svc"
                                        : "\"" + qortest::BinDir() + "w3svc\" " + name);
  }
  scm::State StateOf(const scm::Service& s) {
    scm::Status st;
    EXPECT_EQ(s.QueryStatus(st), scm::kOk);
    return st.state;
  }
  bool WaitState(const scm::Service& s, scm::State want) {
    return WaitFor([&] { return StateOf(s) == want; });
  }

  qortest::TempInstall install;
  scm::Manager mgr;
};

TEST_F(ScmTest, CreateRejectsDuplicatesAndBadInput) {
  CreateW3svc();
  scm::Config c;
  c.imagePath = "/bin/true";
  struct Case {
    std::string name;
    std::string image;
    int expected;
  } cases[] = {
      {"W3SVC", "/bin/true", scm::kServiceExists},
      {"", "/bin/true", scm::kInvalidName},
      {"a/b", "/bin/true", scm::kInvalidName},
      {"a\\b", "/bin/true", scm::kInvalidName},
      {"fresh", "", scm::kInvalidParameter},
  };
  for (const auto& k : cases) {
    c.name = k.name;
    c.imagePath = k.image;
    EXPECT_EQ(mgr.CreateService(c), k.expected) << k.name;
  }
  scm::Service s;
  EXPECT_EQ(mgr.OpenService("missing", s), scm::kServiceDoesNotExist);
  EXPECT_EQ(mgr.OpenService("W3Svc", s), scm::kOk);
  EXPECT_EQ(s.Name(), "w3svc");
}

// The status file of an earlier service of the name must not speak for a new one: one
// that cannot be removed refuses the create, before anything is made.
TEST_F(ScmTest, AStaleStatusFileThatCannotGoRefusesTheCreate) {
  const std::string stale = scm::wire::FileBase("stale") + ".status";
  ASSERT_EQ(fs::MakeDirs(platform::ParentDir(stale)), fs::kOk);
  ASSERT_EQ(fs::WriteFile(stale, "name=stale\nstatus=1 0 0 0 0 0 0\nended=1\n"), fs::kOk);
  scm::Config c;
  c.name = "stale";
  c.imagePath = "/bin/true";
  scm::Service s;
  {
    platform::faults::Guard guard;
    guard.Fail(platform::faults::Kind::Unlink, EACCES, "stale.status");
    EXPECT_EQ(mgr.CreateService(c, &s), scm::kAccessDenied);
  }
  EXPECT_EQ(mgr.OpenService("stale", s), scm::kServiceDoesNotExist);
  ASSERT_EQ(mgr.CreateService(c, &s), scm::kOk);
  EXPECT_FALSE(fs::Exists(stale));
}

TEST_F(ScmTest, ServicesAreTheKeysWithAnImage) {
  platform::registry::Key k;
  ASSERT_EQ(platform::registry::CreateKey("SYSTEM\\CurrentControlSet\\Services\\EventLog\\Application\\x", k),
            platform::registry::kOk);
  scm::Service s = Create("qoripsvc", "/opt/qor/qoripsvc", scm::kAutoStart);
  std::vector<std::string> names;
  ASSERT_EQ(mgr.ListServices(names), scm::kOk);
  EXPECT_EQ(names, std::vector<std::string>{"qoripsvc"});
  scm::Service ev;
  EXPECT_EQ(mgr.OpenService("EventLog", ev), scm::kServiceDoesNotExist);

  scm::Config c;
  ASSERT_EQ(s.QueryConfig(c), scm::kOk);
  EXPECT_EQ(c.imagePath, "/opt/qor/qoripsvc");
  EXPECT_EQ(c.startType, scm::kAutoStart);
  EXPECT_EQ(c.displayName, "qoripsvc");
  EXPECT_EQ(c.account, "LocalSystem");
}

TEST_F(ScmTest, NeverStartedServiceIsStopped) {
  scm::Service s = Create("idle", "/bin/true");
  scm::Status st;
  ASSERT_EQ(s.QueryStatus(st), scm::kOk);
  EXPECT_EQ(st.state, scm::State::Stopped);
  EXPECT_EQ(s.Control(scm::kControlStop, &st), scm::kServiceNotActive);
  EXPECT_EQ(s.Control(0), scm::kInvalidParameter);
  EXPECT_EQ(s.Control(256), scm::kInvalidParameter);
  ASSERT_EQ(s.ChangeStartType(scm::kDisabled), scm::kOk);
  EXPECT_EQ(s.Start(), scm::kServiceDisabled);
}

TEST_F(ScmTest, FailureActionsRoundTrip) {
  scm::Service s = Create("idle", "/bin/true");
  scm::FailureActions fa;
  ASSERT_EQ(s.QueryFailureActions(fa), scm::kOk);
  EXPECT_TRUE(fa.actions.empty());
  fa.resetPeriodSec = 86400;
  fa.command = "/bin/echo crashed";
  fa.actions = {{scm::ActionType::Restart, 0}, {scm::ActionType::RunCommand, 500}, {scm::ActionType::None, 0}};
  ASSERT_EQ(s.ChangeFailureActions(fa), scm::kOk);
  scm::FailureActions back;
  ASSERT_EQ(s.QueryFailureActions(back), scm::kOk);
  EXPECT_EQ(back.resetPeriodSec, 86400u);
  EXPECT_EQ(back.command, "/bin/echo crashed");
  ASSERT_EQ(back.actions.size(), 3u);
  EXPECT_EQ(back.actions[1].type, scm::ActionType::RunCommand);
  EXPECT_EQ(back.actions[1].delayMs, 500u);
}

TEST_F(ScmTest, DeleteOfStoppedServiceIsImmediate) {
  scm::Service s = Create("idle", "/bin/true");
  ASSERT_EQ(s.Delete(), scm::kOk);
  scm::Service again;
  EXPECT_EQ(mgr.OpenService("idle", again), scm::kServiceDoesNotExist);
  EXPECT_EQ(s.Delete(), scm::kServiceDoesNotExist);
  EXPECT_FALSE(platform::registry::KeyExists(scm::ServiceKeyPath("idle")));
}

TEST_F(ScmTest, DispatcherRefusesProcessNotStartedByManager) {
  std::atomic<bool> ran{false};
  auto main = [&](const std::vector<std::string>&) { ran = true; };
  unsetenv(platform::scm::wire::kSocketEnv);
  EXPECT_EQ(scm::RunDispatcher("w3svc", main), scm::kNotStartedByManager);
  setenv(platform::scm::wire::kSocketEnv, "qorsc-no-such-socket", 1);
  setenv(platform::scm::wire::kServiceEnv, "w3svc", 1);
  EXPECT_EQ(scm::RunDispatcher("w3svc", main), scm::kNotStartedByManager);
  setenv(platform::scm::wire::kSocketEnv, "qorsc-no-such-socket", 1);
  setenv(platform::scm::wire::kServiceEnv, "other", 1);
  EXPECT_EQ(scm::RunDispatcher("w3svc", main), scm::kNotStartedByManager);
  unsetenv(platform::scm::wire::kSocketEnv);
  unsetenv(platform::scm::wire::kServiceEnv);
  EXPECT_FALSE(ran);
  EXPECT_EQ(scm::RegisterControlHandler("w3svc", [](uint32_t) {}), scm::kNotStartedByManager);
  EXPECT_EQ(scm::SetStatus(scm::Status{}), scm::kNotStartedByManager);
}

TEST_F(ScmTest, StartControlStopOfARealService) {
  scm::Service s = CreateW3svc();
  scm::Service upper;
  ASSERT_EQ(mgr.OpenService("W3SVC", upper), scm::kOk);
  ASSERT_EQ(upper.Start(), scm::kOk);
  ASSERT_TRUE(WaitState(s, scm::State::Running));
  scm::Status st;
  ASSERT_EQ(s.QueryStatus(st), scm::kOk);
  int pid = st.processId;
  EXPECT_TRUE(Alive(pid));
  EXPECT_EQ(st.controlsAccepted, scm::kAcceptStop);
  EXPECT_EQ(s.Start(), scm::kAlreadyRunning);

  struct Case {
    uint32_t code;
    int expected;
  } cases[] = {
      {scm::kControlInterrogate, scm::kOk},
      {scm::kControlPause, scm::kInvalidServiceControl},
      {scm::kControlShutdown, scm::kInvalidServiceControl},
      {50, scm::kInvalidServiceControl},
      {200, scm::kOk},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(s.Control(c.code, &st), c.expected) << c.code;
    EXPECT_EQ(st.state, scm::State::Running) << c.code;
  }

  ASSERT_EQ(s.Control(scm::kControlStop, &st), scm::kOk);
  EXPECT_TRUE(st.state == scm::State::StopPending || st.state == scm::State::Stopped);
  ASSERT_TRUE(WaitState(s, scm::State::Stopped));
  EXPECT_TRUE(WaitFor([&] { return !Alive(pid); }));
  platform::scm::wire::StatusRecord rec;
  ASSERT_TRUE(platform::scm::wire::ReadStatusRecord("w3svc", rec));
  EXPECT_TRUE(WaitFor([&] { return !Alive(rec.supervisorPid); }));  // the supervisor ends with its service
  EXPECT_EQ(s.Control(scm::kControlStop), scm::kServiceNotActive);

  // And it starts again.
  ASSERT_EQ(s.Start(), scm::kOk);
  ASSERT_TRUE(WaitState(s, scm::State::Running));
}

TEST_F(ScmTest, StartArgumentsReachTheServiceEntry) {
  scm::Service s = Create("standin", StandInImage("args"));
  ASSERT_EQ(s.Start({"one", "two words"}), scm::kOk);
  std::string text;
  ASSERT_TRUE(WaitFor([&] { return fs::ReadFile(install.ProgramDir() + "args.txt", text) == fs::kOk; }));
  EXPECT_EQ(text, "standin\none\ntwo words\n");
  ASSERT_TRUE(WaitState(s, scm::State::Stopped));
}

TEST_F(ScmTest, APendingStopIsRefusedAndACrashLeavesItStopped) {
  scm::Service s = Create("stubborn", StandInImage("stubborn"));
  ASSERT_EQ(s.Start(), scm::kOk);
  ASSERT_TRUE(WaitState(s, scm::State::Running));
  scm::Status st;
  ASSERT_EQ(s.Control(scm::kControlStop, &st), scm::kOk);
  EXPECT_EQ(st.state, scm::State::StopPending);
  EXPECT_EQ(s.Control(scm::kControlStop, &st), scm::kCannotAcceptControl);
  EXPECT_EQ(s.Control(scm::kControlInterrogate, &st), scm::kOk);

  // A crash without failure actions leaves it stopped with the abort code.
  ASSERT_EQ(kill(st.processId, SIGKILL), 0);
  ASSERT_TRUE(WaitState(s, scm::State::Stopped));
  ASSERT_EQ(s.QueryStatus(st), scm::kOk);
  EXPECT_EQ(st.win32ExitCode, static_cast<uint32_t>(scm::kProcessAborted));
}

TEST_F(ScmTest, CrashIsRestartedByTheFailureActions) {
  scm::Service s = CreateW3svc();
  scm::FailureActions fa;
  fa.actions = {{scm::ActionType::Restart, 0}};  // the last action repeats
  ASSERT_EQ(s.ChangeFailureActions(fa), scm::kOk);
  ASSERT_EQ(s.Start(), scm::kOk);
  for (int crash = 0; crash < 2; ++crash) {
    scm::Status st;
    ASSERT_TRUE(WaitFor([&] { return s.QueryStatus(st) == scm::kOk && st.state == scm::State::Running; }));
    int pid = st.processId;
    ASSERT_EQ(kill(pid, SIGKILL), 0);
    ASSERT_TRUE(WaitFor([&] {
      return s.QueryStatus(st) == scm::kOk && st.state == scm::State::Running && st.processId != pid;
    })) << "crash " << crash;
  }
}

TEST_F(ScmTest, DeleteWhileRunningWaitsForTheStop) {
  scm::Service s = CreateW3svc();
  ASSERT_EQ(s.Start(), scm::kOk);
  ASSERT_EQ(s.Delete(), scm::kOk);
  EXPECT_EQ(s.Delete(), scm::kMarkedForDelete);
  scm::Config c;
  c.name = "w3svc";
  c.imagePath = "/bin/true";
  EXPECT_EQ(mgr.CreateService(c), scm::kMarkedForDelete);
  EXPECT_TRUE(WaitState(s, scm::State::Running));
  ASSERT_EQ(s.Control(scm::kControlStop), scm::kOk);
  scm::Service gone;
  EXPECT_TRUE(WaitFor([&] { return mgr.OpenService("w3svc", gone) == scm::kServiceDoesNotExist; }));
}

TEST(ScmWaitBound, AScaledRunMayLowerTheFloorButNeverRaiseIt) {
  ASSERT_TRUE(g_scaled);
  unsetenv(scm::kMinProcessWaitEnv);
  EXPECT_EQ(scm::ProcessWaitMs(scm::kStartWaitMs), scm::kMinProcessWaitMs);
  struct Case {
    const char* floor;
    int64_t ms, bound;
  } cases[] = {
      {"0", scm::kStartWaitMs, 300}, {"100", 1000, 100},        {"100", scm::kStopWaitMs, 300},
      {"9000", 1000, 5000},          {"", 1000, 5000},          {"-1", 1000, 5000},
      {"50ms", 1000, 5000},
  };
  for (const auto& c : cases) {
    setenv(scm::kMinProcessWaitEnv, c.floor, 1);
    EXPECT_EQ(scm::ProcessWaitMs(c.ms), c.bound) << c.floor << " " << c.ms;
  }
  unsetenv(scm::kMinProcessWaitEnv);
  {
    qortest::NoProcessWaitFloor noFloor;
    EXPECT_EQ(scm::ProcessWaitMs(scm::kControlWaitMs), 300);
  }
  EXPECT_EQ(scm::ProcessWaitMs(scm::kControlWaitMs), scm::kMinProcessWaitMs);
}

TEST_F(ScmTest, ImagesThatCannotServe) {
  scm::Service missing = Create("missing", install.ProgramDir() + "no-such-program");
  EXPECT_EQ(missing.Start(), scm::kFileNotFound);
  // A program that never connects to the dispatcher: the bounded wait ends it.
  scm::Service plain = Create("plain", "\"/bin/sleep\" 3600");
  qortest::NoProcessWaitFloor scaledBound;
  EXPECT_EQ(plain.Start(), scm::kRequestTimeout);
  EXPECT_EQ(StateOf(plain), scm::State::Stopped);
}

TEST_F(ScmTest, ADeadSupervisorReadsAsStoppedAndItsServiceEnds) {
  scm::Service s = CreateW3svc();
  ASSERT_EQ(s.Start(), scm::kOk);
  ASSERT_TRUE(WaitState(s, scm::State::Running));
  platform::scm::wire::StatusRecord rec;
  ASSERT_TRUE(platform::scm::wire::ReadStatusRecord("w3svc", rec));
  int pid = rec.status.processId;
  ASSERT_EQ(kill(rec.supervisorPid, SIGKILL), 0);
  EXPECT_TRUE(WaitState(s, scm::State::Stopped));
  EXPECT_TRUE(WaitFor([&] { return !Alive(pid); }));
}

TEST_F(ScmTest, AutomaticServicesStartTogether) {
  scm::Service a = CreateW3svc("autosvc");
  ASSERT_EQ(a.ChangeStartType(scm::kAutoStart), scm::kOk);
  scm::Service d = CreateW3svc("demandsvc");
  ASSERT_EQ(mgr.StartAutomaticServices(), scm::kOk);
  EXPECT_TRUE(WaitState(a, scm::State::Running));
  EXPECT_EQ(StateOf(d), scm::State::Stopped);
}

TEST_F(ScmTest, ARemovedMachineRootTakesItsServicesAlong) {
  scm::Service s = CreateW3svc();
  ASSERT_EQ(s.Start(), scm::kOk);
  ASSERT_TRUE(WaitState(s, scm::State::Running));
  platform::scm::wire::StatusRecord rec;
  ASSERT_TRUE(platform::scm::wire::ReadStatusRecord("w3svc", rec));
  ASSERT_EQ(fs::RemoveTree(install.MachineRoot() + "services"), fs::kOk);
  EXPECT_TRUE(WaitFor([&] { return !Alive(rec.supervisorPid) && !Alive(rec.status.processId); }));
}

// ---- another account ----

// A service that accepts stop, pause and continue and writes down every control it gets.
class ScmAccountTest : public ScmTest {
 protected:
  void SetUp() override {
    ScmTest::SetUp();
    if (!qortest::CanSwitchAccounts()) GTEST_SKIP() << "needs root to act as another account";
    qortest::OpenWayFor(install.MachineRoot() + "x");
    qortest::OpenWayFor(install.ProgramDir() + "x");
  }
  scm::Service StartRecorder() {
    scm::Service s = Create("recorder", StandInImage("recorder"));
    EXPECT_EQ(s.Start(), scm::kOk);
    EXPECT_TRUE(WaitState(s, scm::State::Running));
    return s;
  }
  // What nobody gets for one request on the service: 0 when it got `expected`.
  static int AsNobody(const std::function<int(const scm::Service&)>& request, int expected) {
    return qortest::RunAsNobody([&] {
      scm::Manager m;
      scm::Service s;
      if (m.Open() != scm::kOk) return 100;
      if (int rc = m.OpenService("recorder", s)) return rc == scm::kServiceDoesNotExist ? 101 : 102;
      int rc = request(s);
      if (rc != expected) std::fprintf(stderr, "nobody got %d, not %d\n", rc, expected);
      return rc == expected ? 0 : 1;
    });
  }
  std::vector<std::string> Received() {
    std::string text;
    const auto rc = fs::ReadFile(install.ProgramDir() + "controls.txt", text);
    EXPECT_TRUE(rc == fs::kOk || rc == fs::kFileNotFound) << rc.Text();
    std::vector<std::string> out;
    for (size_t at = 0, nl; (nl = text.find('\n', at)) != std::string::npos; at = nl + 1)
      out.push_back(text.substr(at, nl - at));
    return out;
  }
};

TEST_F(ScmAccountTest, AnotherAccountMayLookAndSendItsOwnControlsButNotStopPauseOrChange) {
  scm::Service s = StartRecorder();
  using Request = std::function<int(const scm::Service&)>;
  struct Case {
    const char* what;
    Request request;
    int expected;
  } cases[] = {
      {"stop", [](const scm::Service& x) { return x.Control(scm::kControlStop); }, scm::kAccessDenied},
      {"pause", [](const scm::Service& x) { return x.Control(scm::kControlPause); }, scm::kAccessDenied},
      {"continue", [](const scm::Service& x) { return x.Control(scm::kControlContinue); }, scm::kAccessDenied},
      {"shutdown", [](const scm::Service& x) { return x.Control(scm::kControlShutdown); }, scm::kAccessDenied},
      {"start", [](const scm::Service& x) { return x.Start(); }, scm::kAccessDenied},
      {"delete", [](const scm::Service& x) { return x.Delete(); }, scm::kAccessDenied},
      {"start type", [](const scm::Service& x) { return x.ChangeStartType(scm::kDisabled); }, scm::kAccessDenied},
      {"failure actions", [](const scm::Service& x) { return x.ChangeFailureActions({}); }, scm::kAccessDenied},
      {"interrogate", [](const scm::Service& x) { return x.Control(scm::kControlInterrogate); }, scm::kOk},
      {"own control", [](const scm::Service& x) { return x.Control(200); }, scm::kOk},
      {"query", [](const scm::Service& x) {
         scm::Status st;
         return x.QueryStatus(st) == scm::kOk && st.state == scm::State::Running ? 0 : 1;
       }, scm::kOk},
      // Any account may read a service's configuration, though not take the hive's lock.
      {"query config", [](const scm::Service& x) {
         scm::Config c;
         if (const int rc = x.QueryConfig(c); rc != scm::kOk) return rc;
         return c.imagePath == StandInImage("recorder") && c.startType == scm::kDemandStart ? 0 : 1;
       }, scm::kOk},
      {"query failure actions", [](const scm::Service& x) {
         scm::FailureActions a;
         return x.QueryFailureActions(a);
       }, scm::kOk},
  };
  for (const auto& c : cases) EXPECT_EQ(AsNobody(c.request, c.expected), 0) << c.what;
  // Reading made or took no lock of nobody's, and a change of the hive is still refused.
  const std::string lock = platform::registry::HivePath() + ".lock";
  struct stat st {};
  ASSERT_EQ(::stat(lock.c_str(), &st), 0);
  EXPECT_EQ(st.st_uid, 0u);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  EXPECT_EQ(qortest::RunAsNobody([] {
    namespace reg = platform::registry;
    reg::Key k;
    if (reg::CreateKey("SOFTWARE\\ByNobody", k) != reg::kAccessDenied) return 1;
    return reg::KeyExists("SOFTWARE\\ByNobody") ? 2 : 0;
  }), 0);
  // Nor straight to the supervisor, whose socket name the status file gives away.
  platform::scm::wire::StatusRecord rec;
  ASSERT_TRUE(platform::scm::wire::ReadStatusRecord("recorder", rec));
  for (uint32_t code : {scm::kControlStop, scm::kControlPause}) {
    EXPECT_EQ(qortest::RunAsNobody([&] {
      namespace wire = platform::scm::wire;
      platform::UniqueFd fd(wire::Connect(rec.socket));
      std::string line;
      wire::LineReader reader(fd.Get());
      if (!fd || !wire::SendLine(fd.Get(), "Q " + std::to_string(code)) || reader.Read(line, 5000) != 1) return 2;
      return line.rfind("R 5 ", 0) == 0 ? 0 : 1;
    }), 0) << code;
  }
  EXPECT_EQ(StateOf(s), scm::State::Running);
  scm::Config cfg;
  ASSERT_EQ(s.QueryConfig(cfg), scm::kOk);
  EXPECT_EQ(cfg.startType, scm::kDemandStart);
  EXPECT_TRUE(cfg.description.empty());
  // The administrator may.
  EXPECT_EQ(s.Control(scm::kControlPause), scm::kOk);
  EXPECT_TRUE(WaitState(s, scm::State::Paused));
  EXPECT_EQ(s.Control(scm::kControlStop), scm::kOk);
  EXPECT_TRUE(WaitState(s, scm::State::Stopped));
}

TEST_F(ScmAccountTest, AMemberOfTheAdministratorsGroupMayStop) {
  install.WriteMachineIni("admin_group=NOGROUP\n");  // nobody's own group, named case-blind
  scm::Service s = StartRecorder();
  EXPECT_EQ(AsNobody([](const scm::Service& x) { return x.Control(scm::kControlStop); }, scm::kOk), 0);
  EXPECT_TRUE(WaitState(s, scm::State::Stopped));
}

TEST_F(ScmAccountTest, AnotherAccountsFloodOfControlsDoesNotQueueAheadOfAStop) {
  scm::Service s = StartRecorder();
  platform::scm::wire::StatusRecord rec;
  ASSERT_TRUE(platform::scm::wire::ReadStatusRecord("recorder", rec));
  const std::string socket = rec.socket;
  // Each of its controls keeps the service's handler busy for a while.
  qortest::HeldByNobody nobody;
  ASSERT_TRUE(nobody.HoldWhat([&](int& sent, int&) {
    for (int i = 0; i < 60; ++i) {
      int fd = platform::scm::wire::Connect(socket);
      if (fd >= 0 && platform::scm::wire::SendLine(fd, "Q 200")) ++sent;  // kept open
    }
    return true;
  }));
  ASSERT_TRUE(WaitFor([&] { return !Received().empty(); }));
  const size_t earlier = Received().size();
  ASSERT_EQ(s.Control(scm::kControlStop), scm::kOk);
  auto got = Received();
  size_t stop = earlier;
  while (stop < got.size() && got[stop] != "1") ++stop;
  ASSERT_LT(stop, got.size()) << "the stop never reached the service";
  // One control in hand and one turn of the other account's; a little more on a busy
  // machine, but never its whole queue (60 of them, of which it may have 16 waiting).
  EXPECT_LE(stop - earlier, 8u) << "the stop waited behind another account's controls";
  nobody.Release();
}

// ---- the stand-in service (runs only when the manager starts this program) ----

std::string Part() {
  std::string cmdline;
  if (fs::ReadFile("/proc/self/cmdline", cmdline) != fs::kOk || cmdline.size() < 2) return {};
  auto nul = cmdline.rfind('\0', cmdline.size() - 2);
  return nul == std::string::npos ? std::string() : cmdline.substr(nul + 1, cmdline.size() - nul - 2);
}

void Report(scm::State state, uint32_t accepted) {
  scm::Status st;
  st.state = state;
  st.controlsAccepted = accepted;
  scm::SetStatus(st);
}

// "args": writes its arguments and stops. "stubborn": accepts stop but never stops.
TEST(ServiceStandIn, DISABLED_Run) {
  const char* env = std::getenv(platform::scm::wire::kServiceEnv);
  if (!env) GTEST_SKIP() << "runs only under the service manager";
  const std::string name = env, part = Part();
  int rc = scm::RunDispatcher(name, [&](const std::vector<std::string>& args) {
    std::atomic<scm::State> state{scm::State::Running};
    scm::RegisterControlHandler(name, [&](uint32_t code) {
      if (code == scm::kControlStop) state = scm::State::StopPending;
      Report(state, state == scm::State::Running ? uint32_t{scm::kAcceptStop} : 0u);
    });
    if (part == "recorder") {
      scm::RegisterControlHandler(name, [&](uint32_t code) {
        // A line lost here fails the test that reads them.
        (void)fs::WriteFile(platform::ProgramDir() + "controls.txt", std::to_string(code) + "\n", true);
        if (code >= scm::kFirstCustomControl) platform::clock::Sleep(2000);  // a slow handler
        if (code == scm::kControlStop) state = scm::State::Stopped;
        if (code == scm::kControlPause) state = scm::State::Paused;
        if (code == scm::kControlContinue) state = scm::State::Running;
        Report(state, state == scm::State::Stopped ? 0u : uint32_t{scm::kAcceptStop | scm::kAcceptPauseContinue});
      });
      Report(scm::State::Running, scm::kAcceptStop | scm::kAcceptPauseContinue);
      while (state != scm::State::Stopped) platform::clock::Sleep(1000);
      return;
    }
    if (part == "args") {
      std::string text;
      for (const auto& a : args) text += a + "\n";
      // A file missing here fails the test that reads it.
      (void)fs::ReplaceFile(platform::ProgramDir() + "args.txt", text);
      Report(scm::State::Stopped, 0);
      return;
    }
    Report(scm::State::Running, scm::kAcceptStop);
    for (;;) pause();  // until the test's clean-up kills it
  });
  EXPECT_EQ(rc, scm::kOk);
}

}  // namespace

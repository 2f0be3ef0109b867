// The qorsc command line and the programs it supervises, as separate processes.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <thread>

#include "platform/eventlog.h"
#include "platform/fs.h"
#include "platform/registry.h"
#include "tests/support/other_account.h"
#include "tests/support/temp_install.h"
#include "tests/support/wait.h"

extern char** environ;

namespace {

const bool g_scaled = (setenv("QOR_TIME_SCALE", "0.01", 1), true);

struct Result {
  int exitCode = -1;
  std::string output;  // standard output and error together
};

Result RunProgram(const std::string& program, const std::vector<std::string>& args) {
  std::vector<std::string> argv = {program};
  argv.insert(argv.end(), args.begin(), args.end());
  std::vector<char*> cargv;
  for (auto& a : argv) cargv.push_back(a.data());
  cargv.push_back(nullptr);
  int p[2];
  Result r;
  if (pipe2(p, O_CLOEXEC) != 0) return r;
  posix_spawn_file_actions_t fa;
  posix_spawn_file_actions_init(&fa);
  posix_spawn_file_actions_adddup2(&fa, p[1], 1);
  posix_spawn_file_actions_adddup2(&fa, p[1], 2);
  pid_t pid;
  int rc = posix_spawn(&pid, program.c_str(), &fa, nullptr, cargv.data(), environ);
  posix_spawn_file_actions_destroy(&fa);
  close(p[1]);
  if (rc != 0) {
    close(p[0]);
    return r;
  }
  char buf[4096];
  ssize_t n;
  while ((n = read(p[0], buf, sizeof buf)) > 0) r.output.append(buf, static_cast<size_t>(n));
  close(p[0]);
  int st = 0;
  waitpid(pid, &st, 0);
  r.exitCode = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
  return r;
}

Result Qorsc(const std::vector<std::string>& args) { return RunProgram(qortest::BinDir() + "qorsc", args); }

// The value after "KEY: " in qorsc's output.
std::string Field(const std::string& out, const std::string& key) {
  auto at = out.find(key + ": ");
  if (at == std::string::npos) return {};
  auto end = out.find('\n', at);
  return out.substr(at + key.size() + 2, end - at - key.size() - 2);
}

using qortest::WaitFor;

class QorscTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(g_scaled);
    w3svc = qortest::BinDir() + "w3svc";
  }
  void TearDown() override {
    for (const char* name : {"w3svc", "second"}) {
      Qorsc({"failure", name, "actions="});
      Qorsc({"stop", name});
      WaitFor([&] { return State(name) != "4 RUNNING" && State(name) != "3 STOP_PENDING"; });
    }
  }
  std::string State(const std::string& name) { return Field(Qorsc({"query", name}).output, "STATE"); }
  int Pid(const std::string& name) { return std::atoi(Field(Qorsc({"query", name}).output, "PID").c_str()); }

  qortest::TempInstall install;
  std::string w3svc;
};

TEST_F(QorscTest, CreateStartQueryControlStopDelete) {
  ASSERT_EQ(Qorsc({"create", "w3svc", w3svc}).exitCode, 0);
  EXPECT_NE(Qorsc({"stop", "w3svc"}).output.find("error 1062"), std::string::npos);
  Result started = Qorsc({"start", "W3Svc"});
  ASSERT_EQ(started.exitCode, 0) << started.output;
  EXPECT_NE(started.output.find("SERVICE_NAME: w3svc"), std::string::npos) << started.output;
  ASSERT_TRUE(WaitFor([&] { return State("w3svc") == "4 RUNNING"; }));
  struct Step {
    std::vector<std::string> args;
    int exitCode;
    const char* says;  // part of the output
  } steps[] = {
      {{"create", "W3SVC", "/bin/true"}, 1, "error 1073"},
      {{"start", "w3svc"}, 1, "error 1056"},
      {{"query", "w3svc"}, 0, "STATE: 4 RUNNING"},
      {{"control", "w3svc", "4"}, 0, "STATE: 4 RUNNING"},
      {{"control", "w3svc", "200"}, 0, "CONTROLS_ACCEPTED: 1"},
      {{"control", "w3svc", "2"}, 1, "error 1052"},
      {{"control", "w3svc", "300"}, 1, "error 87"},
      {{"stop", "w3svc"}, 0, "STATE: "},  // stop-pending, or stopped already
  };
  for (const auto& s : steps) {
    Result r = Qorsc(s.args);
    EXPECT_EQ(r.exitCode, s.exitCode) << s.args[0] << "\n" << r.output;
    EXPECT_NE(r.output.find(s.says), std::string::npos) << s.args[0] << "\n" << r.output;
  }
  EXPECT_TRUE(WaitFor([&] { return State("w3svc") == "1 STOPPED"; }));
  EXPECT_EQ(Qorsc({"delete", "w3svc"}).exitCode, 0);
  Result q = Qorsc({"query", "w3svc"});
  EXPECT_EQ(q.exitCode, 1);
  EXPECT_NE(q.output.find("error 1060"), std::string::npos);
}

TEST_F(QorscTest, CrashIsRestartedByTheFailureActions) {
  ASSERT_EQ(Qorsc({"create", "w3svc", w3svc}).exitCode, 0);
  Result f = Qorsc({"failure", "w3svc", "reset=0", "actions=restart/0/restart/10/none/0"});
  ASSERT_EQ(f.exitCode, 0) << f.output;
  Result qf = Qorsc({"qfailure", "w3svc"});
  EXPECT_NE(qf.output.find("ACTION: restart/10"), std::string::npos) << qf.output;
  ASSERT_EQ(Qorsc({"start", "w3svc"}).exitCode, 0);

  // Two crashes restart it; the third action is none.
  for (int crash = 0; crash < 3; ++crash) {
    ASSERT_TRUE(WaitFor([&] { return State("w3svc") == "4 RUNNING"; })) << crash;
    int pid = Pid("w3svc");
    ASSERT_GT(pid, 0);
    ASSERT_EQ(kill(pid, SIGKILL), 0);
    ASSERT_TRUE(WaitFor([&] { return Pid("w3svc") != pid; })) << crash;
  }
  ASSERT_TRUE(WaitFor([&] { return State("w3svc") == "1 STOPPED"; }));
  EXPECT_EQ(Field(Qorsc({"query", "w3svc"}).output, "WIN32_EXIT_CODE"), "1067");
}

// Numbers are stored in 32 bits: a sign, a stray character or a value past the top is
// refused and the stored actions stay as they were, never wrapped round.
TEST_F(QorscTest, FailureAndControlRefuseNumbersTheyCannotStore) {
  ASSERT_EQ(Qorsc({"create", "w3svc", w3svc}).exitCode, 0);
  ASSERT_EQ(Qorsc({"failure", "w3svc", "reset=4294967295", "actions=restart/4294967295"}).exitCode, 0);
  const std::vector<std::string> bad[] = {
      {"failure", "w3svc", "reset=-5"},
      {"failure", "w3svc", "reset=4294967296"},
      {"failure", "w3svc", "reset=99999999999999999999"},
      {"failure", "w3svc", "reset="},
      {"failure", "w3svc", "reset=+5"},
      {"failure", "w3svc", "reset= 5"},
      {"failure", "w3svc", "reset=5s"},
      {"failure", "w3svc", "actions=restart/-5"},
      {"failure", "w3svc", "actions=restart/4294967296"},
      {"failure", "w3svc", "actions=restart/1e3"},
      {"control", "w3svc", "-4"},
      {"control", "w3svc", "4294967300"},
  };
  for (const auto& args : bad) {
    Result r = Qorsc(args);
    EXPECT_EQ(r.exitCode, 1) << args[2] << "\n" << r.output;
    EXPECT_NE(r.output.find("error 87"), std::string::npos) << args[2] << "\n" << r.output;
  }
  Result qf = Qorsc({"qfailure", "w3svc"});
  EXPECT_EQ(Field(qf.output, "RESET_PERIOD"), "4294967295") << qf.output;
  EXPECT_EQ(Field(qf.output, "ACTION"), "restart/4294967295") << qf.output;
}

TEST_F(QorscTest, DeleteWhileRunningThenStop) {
  ASSERT_EQ(Qorsc({"create", "w3svc", w3svc}).exitCode, 0);
  ASSERT_EQ(Qorsc({"start", "w3svc"}).exitCode, 0);
  ASSERT_EQ(Qorsc({"delete", "w3svc"}).exitCode, 0);
  EXPECT_NE(Qorsc({"delete", "w3svc"}).output.find("error 1072"), std::string::npos);
  EXPECT_NE(Qorsc({"create", "w3svc", w3svc}).output.find("error 1072"), std::string::npos);
  EXPECT_TRUE(WaitFor([&] { return State("w3svc") == "4 RUNNING"; }));
  ASSERT_EQ(Qorsc({"stop", "w3svc"}).exitCode, 0);
  EXPECT_TRUE(WaitFor([&] { return Qorsc({"query", "w3svc"}).output.find("error 1060") != std::string::npos; }));
}

TEST_F(QorscTest, ServiceProgramRefusesToRunOutsideTheManager) {
  Result r = RunProgram(w3svc, {});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.output.find("1063"), std::string::npos) << r.output;
}

TEST_F(QorscTest, BootStartsTheAutomaticServices) {
  ASSERT_EQ(Qorsc({"create", "w3svc", w3svc, "start=auto"}).exitCode, 0);
  ASSERT_EQ(Qorsc({"create", "second", "\"" + w3svc + "\" second", "start=demand"}).exitCode, 0);
  Result list = Qorsc({"list"});
  EXPECT_EQ(list.output, "w3svc\nsecond\n");
  ASSERT_EQ(Qorsc({"boot"}).exitCode, 0);
  EXPECT_TRUE(WaitFor([&] { return State("w3svc") == "4 RUNNING"; }));
  EXPECT_EQ(State("second"), "1 STOPPED");
  EXPECT_EQ(Qorsc({"create", "third", "/bin/true", "start=sometimes"}).exitCode, 1);
}

TEST_F(QorscTest, EventsArePrinted) {
  platform::eventlog::Source s;
  ASSERT_EQ(s.Register("qoripsvc"), 0);
  ASSERT_EQ(s.Report(platform::eventlog::EventType::Error, 0, 104, {"主服务停止！"}), 0);
  Result r = Qorsc({"events"});
  ASSERT_EQ(r.exitCode, 0);
  EXPECT_NE(r.output.find("\tqoripsvc\terror\t0\t104\t\xE4\xB8\xBB\xE6\x9C\x8D"), std::string::npos) << r.output;
  EXPECT_NE(r.output.find("\t(no message text for event 104 of qoripsvc)\n"), std::string::npos) << r.output;

  // With the texts beside the message file the source names, each event tells its text.
  const std::string program = install.ProgramDir() + "qoripsvc";
  ASSERT_EQ(platform::fs::WriteFile(program + ".msg", "104 stopped: %1%2.\n105 started\n"), platform::fs::kOk);
  platform::registry::Key key;
  ASSERT_EQ(platform::registry::CreateKey("SYSTEM\\CurrentControlSet\\Services\\EventLog\\Application\\qoripsvc", key),
            platform::registry::kOk);
  ASSERT_EQ(key.SetString("EventMessageFile", program, true), platform::registry::kOk);
  ASSERT_EQ(s.Report(platform::eventlog::EventType::Information, 0, 105), 0);
  r = Qorsc({"events"});
  EXPECT_NE(r.output.find("\t104\t\xE4\xB8\xBB\xE6\x9C\x8D\xE5\x8A\xA1\xE5\x81\x9C\xE6\xAD\xA2\xEF\xBC\x81\tstopped: "
                          "\xE4\xB8\xBB\xE6\x9C\x8D\xE5\x8A\xA1\xE5\x81\x9C\xE6\xAD\xA2\xEF\xBC\x81.\n"),
            std::string::npos)
      << r.output;
  EXPECT_NE(r.output.find("\t105\tstarted\n"), std::string::npos) << r.output;
}

}  // namespace

namespace {
// Runs qorsc and waits for it at most ms; -2 when it had to be killed.
int QorscWithin(const std::vector<std::string>& args, int64_t ms) {
  std::string program = qortest::BinDir() + "qorsc";
  std::vector<std::string> argv = {program};
  argv.insert(argv.end(), args.begin(), args.end());
  std::vector<char*> cargv;
  for (auto& a : argv) cargv.push_back(a.data());
  cargv.push_back(nullptr);
  posix_spawn_file_actions_t fa;
  posix_spawn_file_actions_init(&fa);
  posix_spawn_file_actions_addopen(&fa, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&fa, 2, "/dev/null", O_WRONLY, 0);
  pid_t pid;
  int rc = posix_spawn(&pid, program.c_str(), &fa, nullptr, cargv.data(), environ);
  posix_spawn_file_actions_destroy(&fa);
  if (rc != 0) return -1;
  int st = 0;
  bool ended = qortest::WaitFor([&] { return waitpid(pid, &st, WNOHANG) == pid; }, ms);
  if (!ended) {
    kill(pid, SIGKILL);
    waitpid(pid, &st, 0);
    return -2;
  }
  return WIFEXITED(st) ? WEXITSTATUS(st) : -1;
}
}  // namespace

TEST_F(QorscTest, AHeldLockEndsAStartWithAnErrorInsteadOfAHang) {
  ASSERT_EQ(Qorsc({"create", "w3svc", w3svc}).exitCode, 0);
  for (const char* lock : {"services/w3svc.lock", "registry/HKLM.hive.lock"}) {
    int fd = open((install.MachineRoot() + lock).c_str(), O_RDONLY | O_CREAT, 0600);
    ASSERT_GE(fd, 0) << lock;
    ASSERT_EQ(flock(fd, LOCK_EX), 0);
    EXPECT_EQ(QorscWithin({"start", "w3svc"}, 20000), 1) << lock;
    close(fd);
  }
  EXPECT_EQ(State("w3svc"), "1 STOPPED");
}

TEST_F(QorscTest, AnotherAccountCannotHoldTheServiceManagersLocks) {
  if (!qortest::CanSwitchAccounts()) GTEST_SKIP() << "needs root to act as another account";
  qortest::OpenWayFor(install.MachineRoot() + "services/x");
  ASSERT_EQ(Qorsc({"create", "w3svc", w3svc}).exitCode, 0);
  ASSERT_EQ(Qorsc({"start", "w3svc"}).exitCode, 0);
  for (const char* lock : {"services/w3svc.lock", "registry/HKLM.hive.lock"}) {
    ASSERT_TRUE(platform::fs::IsFile(install.MachineRoot() + lock)) << lock;
    qortest::HeldByNobody other;
    EXPECT_FALSE(other.Hold(install.MachineRoot() + lock)) << lock;
  }
}

TEST_F(QorscTest, AnotherAccountMayQueryButNotStopOrPause) {
  if (!qortest::CanSwitchAccounts()) GTEST_SKIP() << "needs root to act as another account";
  qortest::OpenWayFor(install.MachineRoot() + "services/x");
  ASSERT_EQ(Qorsc({"create", "w3svc", w3svc}).exitCode, 0);
  ASSERT_EQ(Qorsc({"start", "w3svc"}).exitCode, 0);
  ASSERT_TRUE(WaitFor([&] { return State("w3svc") == "4 RUNNING"; }));
  struct Case {
    std::vector<std::string> args;
    const char* expected;  // in the output
  } cases[] = {
      {{"stop", "w3svc"}, "error 5"},
      {{"control", "w3svc", "2"}, "error 5"},
      {{"delete", "w3svc"}, "error 5"},
      {{"start", "w3svc"}, "error 5"},
      {{"supervise", "w3svc"}, "5 0"},
      {{"query", "w3svc"}, "4 RUNNING"},
      {{"control", "w3svc", "4"}, "4 RUNNING"},
      {{"control", "w3svc", "200"}, "4 RUNNING"},
  };
  for (const auto& c : cases) {
    int rc = qortest::RunAsNobody([&] {
      Result r = Qorsc(c.args);
      return r.output.find(c.expected) != std::string::npos ? 0 : 1;
    });
    EXPECT_EQ(rc, 0) << c.args[0] << " " << c.args.back();
  }
  EXPECT_EQ(State("w3svc"), "4 RUNNING");
}

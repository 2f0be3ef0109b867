#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <memory>
#include <vector>

#include "common/hardware.h"
#include "common/tray_message.h"
#include "platform/faults.h"
#include "platform/fs.h"
#include "platform/mailslot.h"
#include "platform/process.h"
#include "platform/registry.h"
#include "platform/textconv.h"
#include "tests/support/fake_program.h"
#include "tests/support/temp_install.h"
#include "tests/support/wait.h"

namespace fs = platform::fs;
namespace proc = platform::process;
namespace reg = platform::registry;

namespace {

const char kRunKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";

// The process table is the machine's: other tests may run the real programs meanwhile,
// so the stand-ins carry names of their own.
std::string Unique(const std::string& name) { return name + "T" + std::to_string(getpid()); }

using qortest::WaitFor;

// Copies of sleep running under program names of the installation, ended at the end.
class Sleepers {
 public:
  explicit Sleepers(const qortest::TempInstall& inst) : m_dir(inst.ProgramDir()) {}
  int Start(const std::string& name) {
    m_programs.push_back(std::make_unique<qortest::FakeProgram>(m_dir, name));
    EXPECT_TRUE(m_programs.back()->Running()) << name;
    return m_programs.back()->Pid();
  }

 private:
  std::string m_dir;
  std::vector<std::unique_ptr<qortest::FakeProgram>> m_programs;
};

bool Running(int pid) { return qortest::Listed(pid); }

using HookGuard = platform::faults::Guard;
using platform::faults::Kind;

}  // namespace

TEST(HardwareProcess, FindProcessByWindowsNameCaseBlind) {
  HookGuard guard;
  qortest::TempInstall inst;
  Sleepers sleepers(inst);
  std::string svc = Unique("qoripsvc");
  sleepers.Start(svc);
  CHardware hw;
  for (const std::string& name : {svc + ".exe", Unique("QoripSvc") + ".exe", Unique("QORIPSVC") + ".EXE", svc})
    EXPECT_EQ(hw.FindProcess(name), 1) << name;
  for (const std::string& name : {svc + ".ex", Unique("qorip") + ".exe", std::string(), " " + svc + ".exe"})
    EXPECT_EQ(hw.FindProcess(name), 0) << name;
  guard.Fail(Kind::Snapshot, EACCES);
  EXPECT_EQ(hw.FindProcess(svc + ".exe"), -1);
}

TEST(HardwareProcess, ListProcessOwnersTrimsAndFoldsTheName) {
  qortest::TempInstall inst;
  Sleepers sleepers(inst);
  int a = sleepers.Start(Unique("QorIP"));
  int b = sleepers.Start(Unique("QorIP"));
  CHardware hw;
  StringList ids{"stale"}, accounts{"stale"};
  ASSERT_EQ(hw.ListProcessOwners("  " + Unique("QORIP") + ".EXE \t", ids, accounts), 2);
  EXPECT_EQ(ids, (StringList{std::to_string(std::min(a, b)), std::to_string(std::max(a, b))}));
  std::string me = platform::Utf8ToGbk(proc::CurrentUserName());
  EXPECT_EQ(accounts, (StringList{me, me}));
  EXPECT_EQ(hw.ListProcessOwners("   ", ids, accounts), 0);
  EXPECT_TRUE(ids.empty());
  EXPECT_TRUE(accounts.empty());
}

TEST(HardwareProcess, SystemIdsHaveNoOwner) {
  CHardware hw;
  for (int pid : {0, 1, 2, 3, 4}) EXPECT_EQ(hw.GetProcessOwner(pid), "") << pid;
  EXPECT_EQ(hw.GetProcessOwner(proc::CurrentPid()), platform::Utf8ToGbk(proc::CurrentUserName()));
}

TEST(HardwareProcess, KillProcessByNameEndsTheFirstOtherProcess) {
  HookGuard guard;
  qortest::TempInstall inst;
  Sleepers sleepers(inst);
  std::string name = Unique("QoripPanel");
  int tray = sleepers.Start(name);
  CHardware hw;
  EXPECT_EQ(hw.KillProcessByName("nothing.exe"), 0);
  guard.Fail(Kind::Kill, EPERM);
  EXPECT_EQ(hw.KillProcessByName(name + ".exe"), 0);
  guard.Reset();
  EXPECT_EQ(hw.KillProcessByName(Unique("qoripPANEL") + ".exe"), 1);
  EXPECT_TRUE(WaitFor([&] { return !Running(tray); }));
  EXPECT_EQ(hw.KillProcessByName(name + ".exe"), 0);
}

// Run by the next test in a copy of this program under a name of its own.
TEST(HardwareProcess, DISABLED_EndsItsOwnName) {
  std::vector<proc::ProcessInfo> list;
  ASSERT_TRUE(proc::Snapshot(list));
  std::string self;
  for (const auto& p : list)
    if (p.pid == proc::CurrentPid()) self = p.exeName;
  ASSERT_FALSE(self.empty());
  CHardware().KillProcessByName(self + ".exe");
}

TEST(HardwareProcess, KillProcessByNameDoesNotSkipTheCaller) {
  qortest::TempInstall inst;
  std::string program;
  ASSERT_EQ(fs::ReadFile("/proc/self/exe", program), fs::kOk);
  const std::string copy = inst.ProgramDir() + Unique("QorSelf");
  ASSERT_EQ(fs::WriteFile(copy, program), fs::kOk);
  chmod(copy.c_str(), 0755);
  const proc::RunResult run = proc::RunAndWaitArgs(
      copy, {"--gtest_filter=HardwareProcess.DISABLED_EndsItsOwnName", "--gtest_also_run_disabled_tests"}, 60000);
  ASSERT_TRUE(run.started);
  EXPECT_FALSE(run.exited);
  EXPECT_FALSE(run.timedOut);
}

TEST(HardwareProcess, KillProcessById) {
  HookGuard guard;
  qortest::TempInstall inst;
  Sleepers sleepers(inst);
  int pid = sleepers.Start(Unique("QorIP"));
  CHardware hw;
  guard.Fail(Kind::Snapshot, EIO);
  EXPECT_EQ(hw.KillProcess(pid), 0);
  guard.Reset();
  EXPECT_EQ(hw.KillProcess(pid), 1);
  EXPECT_TRUE(WaitFor([&] { return !Running(pid); }));
  EXPECT_EQ(hw.KillProcess(pid), 0);
}

TEST(HardwareProcess, TrayAutorunSetReadBackAndRemovedTwice) {
  HookGuard guard;
  qortest::TempInstall inst;
  inst.WriteProgramFile("QoripPanel", "");
  CHardware hw;
  ASSERT_EQ(hw.SetTrayAutorun(), "");
  reg::Key key;
  ASSERT_EQ(reg::OpenKey(kRunKey, key), reg::kOk);
  std::string value;
  ASSERT_EQ(key.QueryString("qoripPANEL", value), reg::kOk);
  EXPECT_EQ(value, "\"" + inst.ProgramDir() + "QoripPanel\" -autorun");
  EXPECT_EQ(hw.RemoveTrayAutorun(), 1);
  EXPECT_EQ(key.QueryString("QoripPanel", value), reg::kFileNotFound);
  EXPECT_EQ(hw.RemoveTrayAutorun(), 0);

  guard.Fail(Kind::RegistryWrite, reg::kAccessDenied);
  EXPECT_EQ(hw.SetTrayAutorun(), "RegSetValueEx失败：5");
  guard.Fail(Kind::RegistryRead, reg::kAccessDenied);
  EXPECT_EQ(hw.SetTrayAutorun(), "RegOpenKey失败：5");
  EXPECT_EQ(hw.RemoveTrayAutorun(), 0);
}

TEST(HardwareProcess, SendTrayCommandNeedsATrayProgram) {
  qortest::TempInstall inst;
  CHardware hw;
  EXPECT_EQ(hw.SendTrayCommand(), 0);
  platform::mailslot::Slot tray;
  ASSERT_EQ(tray.Create(kTrayMailslotName), platform::mailslot::kOk);
  EXPECT_EQ(hw.SendTrayCommand(), 1);
  std::string got;
  ASSERT_EQ(tray.Read(got, 5000), platform::mailslot::Slot::ReadResult::Message);
  EXPECT_EQ(got.size(), 27u);
  EXPECT_EQ(ParseTrayMessage(got).command, kTrayCmdQuit);
}

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "platform/faults.h"
#include "platform/fs.h"
#include "platform/process.h"
#include "tests/support/fake_program.h"
#include "tests/support/temp_install.h"
#include "tests/support/wait.h"

namespace proc = platform::process;
namespace fs = platform::fs;

namespace {

const proc::ProcessInfo* FindPid(const std::vector<proc::ProcessInfo>& list, int pid) {
  for (const auto& p : list)
    if (p.pid == pid) return &p;
  return nullptr;
}

using qortest::Listed;
using qortest::WaitFor;

using HookGuard = platform::faults::Guard;
using platform::faults::Call;
using platform::faults::Fault;
using platform::faults::Kind;

}  // namespace

TEST(ProcessSnapshot, ListsTheCallerWithParentNameAndOwner) {
  std::vector<proc::ProcessInfo> list;
  ASSERT_TRUE(proc::Snapshot(list));
  const auto* self = FindPid(list, proc::CurrentPid());
  ASSERT_NE(self, nullptr);
  EXPECT_EQ(self->exeName, "t_platform_process_snapshot_test");
  EXPECT_EQ(self->parentPid, static_cast<int>(getppid()));
  EXPECT_EQ(self->owner, proc::CurrentUserName());
  EXPECT_EQ(proc::ProcessOwner(proc::CurrentPid()), proc::CurrentUserName());
  for (size_t i = 1; i < list.size(); ++i) EXPECT_LT(list[i - 1].pid, list[i].pid);
}

TEST(ProcessSnapshot, DetachedChildIsFoundByItsNameAndEnded) {
  qortest::TempInstall inst;
  // A name of its own: other tests may run the real programs meanwhile.
  std::string name = "QorIP" + std::to_string(getpid());
  ASSERT_FALSE(qortest::CopySleeper(inst.ProgramDir(), name).empty());
  // The Windows name maps to the file of the folder.
  int pid = proc::StartDetached(inst.ProgramDir() + "qorip" + std::to_string(getpid()) + ".EXE", "30");
  ASSERT_GT(pid, 0);
  ASSERT_TRUE(WaitFor([&] { return Listed(pid, name); }));
  std::vector<proc::ProcessInfo> list;
  ASSERT_TRUE(proc::Snapshot(list));
  const auto* child = FindPid(list, pid);
  ASSERT_NE(child, nullptr);
  EXPECT_NE(child->parentPid, proc::CurrentPid()) << "not detached";
  EXPECT_EQ(child->owner, proc::CurrentUserName());
  EXPECT_NE(getsid(pid), getsid(0)) << "still in the caller's session";

  EXPECT_TRUE(proc::Kill(pid));
  EXPECT_TRUE(WaitFor([&] { return !Listed(pid); }));
  // The snapshot drops a process whose memory is gone a moment before its state
  // says it ended; its owner goes with that state.
  EXPECT_TRUE(WaitFor([&] { return proc::ProcessOwner(pid).empty(); })) << proc::ProcessOwner(pid);
}

TEST(ProcessSnapshot, StartsThatCannotHappenGiveMinusOne) {
  qortest::TempInstall inst;
  inst.WriteProgramFile("notes.txt", "not a program");
  struct Case {
    std::string program;
  } cases[] = {{inst.ProgramDir() + "Missing.exe"}, {inst.ProgramDir() + "notes.txt"}, {""}};
  for (const auto& c : cases) EXPECT_EQ(proc::StartDetached(c.program, ""), -1) << c.program;
}

TEST(ProcessSnapshot, EndedChildrenAwaitingReapAreNotListed) {
  pid_t pid = fork();
  if (pid == 0) _exit(0);
  ASSERT_GT(pid, 0);
  // Zombie until reaped: the kernel still shows it, the snapshot must not.
  ASSERT_TRUE(WaitFor([&] {
    std::string status;
    (void)fs::ReadFile("/proc/" + std::to_string(pid) + "/status", status);
    return status.find("State:\tZ") != std::string::npos;
  }));
  EXPECT_FALSE(Listed(pid));
  EXPECT_EQ(proc::ProcessOwner(pid), "");
  waitpid(pid, nullptr, 0);
}

TEST(ProcessSnapshot, FaultHookFailsEachOperation) {
  HookGuard guard;
  qortest::TempInstall inst;
  const std::string sleeper = qortest::CopySleeper(inst.ProgramDir(), "sleeper");
  ASSERT_FALSE(sleeper.empty());
  guard.When([](const Call& c) {
    switch (c.kind) {
      case Kind::Kill: return Fault::Fail(EPERM);
      case Kind::Snapshot:
      case Kind::Owner:
      case Kind::Start: return Fault::Fail(EIO);
      default: return Fault{};
    }
  });
  std::vector<proc::ProcessInfo> list{proc::ProcessInfo{}};
  EXPECT_FALSE(proc::Snapshot(list));
  EXPECT_TRUE(list.empty());
  EXPECT_EQ(proc::ProcessOwner(proc::CurrentPid()), "");
  EXPECT_EQ(proc::StartDetached(sleeper, "30"), -1);

  guard.Fail(Kind::Kill, EPERM);
  int pid = proc::StartDetached(sleeper, "30");
  ASSERT_GT(pid, 0);
  EXPECT_FALSE(proc::Kill(pid));
  EXPECT_TRUE(Listed(pid));
  guard.Reset();
  EXPECT_TRUE(proc::Kill(pid));
  EXPECT_TRUE(WaitFor([&] { return !Listed(pid); }));
}

TEST(ProcessSnapshot, OpenWithoutDesktopIsRecorded) {
  qortest::TempInstall inst;
  std::string display = getenv("DISPLAY") ? getenv("DISPLAY") : "";
  std::string wayland = getenv("WAYLAND_DISPLAY") ? getenv("WAYLAND_DISPLAY") : "";
  unsetenv("DISPLAY");
  unsetenv("WAYLAND_DISPLAY");
  EXPECT_TRUE(proc::OpenDocument("http://example.invalid/help/guide/"));
  EXPECT_TRUE(proc::OpenDocument(inst.ProgramDir() + "log/"));
  EXPECT_FALSE(proc::OpenDocument(""));
  if (!display.empty()) setenv("DISPLAY", display.c_str(), 1);
  if (!wayland.empty()) setenv("WAYLAND_DISPLAY", wayland.c_str(), 1);
  std::string recorded;
  ASSERT_EQ(fs::ReadFile(proc::RecordedOpensPath(), recorded), fs::kOk);
  EXPECT_EQ(recorded, "http://example.invalid/help/guide/\n" + inst.ProgramDir() + "log/\n");
}

// Emulated machines that share this host's process table do not see each other's processes.
TEST(ProcessSnapshot, ListsOnlyTheProcessesOfThisMachineRoot) {
  qortest::TempInstall inst;
  auto spawn = [](const std::string& root) {
    pid_t pid = fork();
    if (pid == 0) {
      std::string var = "QOR_MACHINE_ROOT=" + root;
      char* envp[] = {var.data(), nullptr};
      execle("/bin/sleep", "sleep", "30", static_cast<char*>(nullptr), envp);
      _exit(127);
    }
    return pid;
  };
  pid_t ours = spawn(inst.MachineRoot());
  pid_t other = spawn(inst.Base() + "elsewhere/");
  ASSERT_GT(ours, 0);
  ASSERT_GT(other, 0);
  EXPECT_TRUE(WaitFor([&] { return Listed(ours, "sleep"); }));
  // Only once the other one runs sleep too does its absence say anything.
  EXPECT_TRUE(WaitFor([&] {
    std::string comm;
    return fs::ReadFile("/proc/" + std::to_string(other) + "/comm", comm) == fs::kOk && comm == "sleep\n";
  }));
  EXPECT_FALSE(Listed(other, "sleep"));
  EXPECT_FALSE(Listed(other));
  for (pid_t pid : {ours, other}) {
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
  }
}

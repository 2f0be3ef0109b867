#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <ctime>
#include <string>

#include "common/coded_constants.h"
#include "common/coding.h"
#include "common/date_text.h"
#include "common/hardware.h"
#include "common/machine_key.h"
#include "platform/faults.h"
#include "platform/fs.h"
#include "platform/machine_figures.h"
#include "platform/paths.h"
#include "tests/support/temp_install.h"

namespace figures = platform::machine_figures;
namespace fs = platform::fs;

namespace {

// The figures of WriteMachineIni: 107374182400 bytes, 2010-01-01 00:00 UTC (a Friday,
// in the profile's zone UTC), 4 processors.
constexpr const char* kFixedKeyText = "3F770C4819927C6182851C84BDD85D913F77O";

using platform::faults::Kind;

class MachineKey : public ::testing::Test {
 protected:
  void TearDown() override { SetMachineKeyLogHook(nullptr); }
  platform::faults::Guard faults;
};

}  // namespace

TEST_F(MachineKey, FixedFiguresGiveTheirKeyText) {
  qortest::TempInstall inst;
  inst.WriteMachineIni();
  const MachineKeyTexts t = ReadMachineKeyTexts(Build::Panel);
  EXPECT_EQ(t.disk, "104857");
  EXPECT_EQ(t.fileTime, "51100");
  EXPECT_EQ(t.processors, "4");
  const std::string key = CHardware().GetMachineKeyText();
  EXPECT_EQ(key, kFixedKeyText);
  EXPECT_EQ(key.size(), 37u);
  EXPECT_EQ(key.find_first_not_of("0123456789ABCDEFO"), std::string::npos);
  // The service derives the same key.
  EXPECT_EQ(CHardware().GetMachineKeyText(Build::Service), key);
}

TEST_F(MachineKey, EachFigureChangesTheKey) {
  qortest::TempInstall inst;
  const char* lines[] = {"system_drive_size=1024000\n", "system_folder_created=1262304060\n",
                         "processor_count=2\n"};
  for (const char* line : lines) {
    inst.WriteMachineIni(line);
    EXPECT_NE(CHardware().GetMachineKeyText(), kFixedKeyText) << line;
  }
  inst.WriteMachineIni("system_drive_size=1024000\n");
  EXPECT_EQ(ReadMachineKeyTexts(Build::Panel).disk, "1");
}

TEST_F(MachineKey, UnreadableFiguresUseTheFallbacks) {
  qortest::TempInstall inst;
  inst.WriteMachineIni();
  const struct {
    Kind figure;
    const char* logged;  // service log text, if any
  } cases[] = {
      {Kind::DriveSize, kMachineKeyDiskError},
      {Kind::FolderCreated, nullptr},
      {Kind::Processors, kMachineKeyCpuError},
  };
  for (const auto& c : cases) {
    faults.Fail(c.figure, 1);
    std::string log;
    SetMachineKeyLogHook([&](const std::string& text) { log += text; });
    const MachineKeyTexts panel = ReadMachineKeyTexts(Build::Panel);
    EXPECT_EQ(log, "") << "the panel build logs nothing";
    const MachineKeyTexts service = ReadMachineKeyTexts(Build::Service);
    EXPECT_EQ(log, c.logged ? c.logged : "");
    EXPECT_EQ(panel.disk, service.disk);
    EXPECT_EQ(panel.fileTime, service.fileTime);
    EXPECT_EQ(panel.processors, service.processors);
    EXPECT_EQ(panel.disk, c.figure == Kind::DriveSize ? coded::kDiskSizeFallbackText : "104857");
    EXPECT_EQ(panel.fileTime, c.figure == Kind::FolderCreated ? kFileTimeFallbackText : "51100");
    EXPECT_EQ(panel.processors, c.figure == Kind::Processors ? "1" : "4");
  }
  faults.When([](const platform::faults::Call& c) {
    const bool figure = c.kind == Kind::DriveSize || c.kind == Kind::FolderCreated || c.kind == Kind::Processors;
    return figure ? platform::faults::Fault::Fail(1) : platform::faults::Fault{};
  });
  EXPECT_EQ(CHardware().GetMachineKeyText(), ComposeMachineKey("31415", "27182", "1").substr(0, 37));
}

// On a file system that keeps no creation time the fixed text stands, never the change
// time: that moves with every file written in the folder, and the key with it.
TEST_F(MachineKey, NoCreationTimeGivesTheFixedText) {
  qortest::TempInstall inst;
  ASSERT_EQ(fs::MakeDirs(platform::SystemDir()), fs::kOk);
  faults.Fail(Kind::BirthTime, ENODATA);
  time_t created = 0;
  EXPECT_FALSE(figures::SystemFolderCreated(created));
  for (Build build : {Build::Panel, Build::Service})
    EXPECT_EQ(ReadMachineKeyTexts(build).fileTime, kFileTimeFallbackText);
  EXPECT_EQ(ReadMachineKeyTexts(Build::Panel).fileTime, "31415");
}

TEST_F(MachineKey, ProcessorCountBelowOneCountsOne) {
  qortest::TempInstall inst;
  inst.WriteMachineIni("processor_count=0\n");
  EXPECT_EQ(ReadMachineKeyTexts(Build::Panel).processors, "1");
}

TEST_F(MachineKey, RealFiguresWhenTheProfileIsSilent) {
  qortest::TempInstall inst;
  ASSERT_EQ(fs::MakeDirs(platform::SystemDir()), 0);
  uint64_t bytes = 0;
  EXPECT_TRUE(figures::SystemDriveSize(bytes));
  EXPECT_GT(bytes, 0u);
  time_t created = 0;
  EXPECT_TRUE(figures::SystemFolderCreated(created));
  EXPECT_GT(created, 0);
  EXPECT_GE(figures::ProcessorCount(), 1);
  (void)fs::RemoveTree(platform::SystemDir());
  EXPECT_FALSE(figures::SystemFolderCreated(created));
}

// A process that may not write gets the same key: the creation time is never read by
// opening the folder for writing.
TEST_F(MachineKey, CreationTimeNeedsNoWriteAccess) {
  qortest::TempInstall inst;
  ASSERT_EQ(fs::MakeDirs(platform::SystemDir()), 0);
  const MachineKeyTexts before = ReadMachineKeyTexts(Build::Panel);
  ASSERT_NE(before.fileTime, kFileTimeFallbackText);
  faults.When([](const platform::faults::Call& c) {
    return c.Changes() ? platform::faults::Fault::Fail(EACCES) : platform::faults::Fault{};
  });
  ASSERT_EQ(::chmod(platform::SystemDir().c_str(), 0555), 0);
  const MachineKeyTexts readOnly = ReadMachineKeyTexts(Build::Service);
  ::chmod(platform::SystemDir().c_str(), 0755);
  EXPECT_EQ(readOnly.fileTime, before.fileTime);
}

TEST_F(MachineKey, TwoProcessesWithOneProfileAgree) {
  qortest::TempInstall inst;
  inst.WriteMachineIni();
  int fds[2];
  ASSERT_EQ(::pipe(fds), 0);
  const pid_t pid = ::fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    ::close(fds[0]);
    const std::string key = CHardware().GetMachineKeyText(Build::Service);
    const bool ok = ::write(fds[1], key.data(), key.size()) == ssize_t(key.size());
    ::_exit(ok ? 0 : 1);
  }
  ::close(fds[1]);
  std::string child;
  char buf[64];
  ssize_t n;
  while ((n = ::read(fds[0], buf, sizeof buf)) > 0) child.append(buf, size_t(n));
  ::close(fds[0]);
  int status = 0;
  ASSERT_EQ(::waitpid(pid, &status, 0), pid);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  EXPECT_EQ(child, CHardware().GetMachineKeyText(Build::Panel));
  EXPECT_EQ(child, kFixedKeyText);
}

namespace {

// The machine key text as a process started under the time zone tz derives it.
std::string KeyTextInProcessUnderTz(const char* tz) {
  int fds[2];
  if (::pipe(fds) != 0) return "";
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::close(fds[0]);
    setenv("TZ", tz, 1);
    tzset();
    const std::string key = CHardware().GetMachineKeyText(Build::Service);
    const bool written = ::write(fds[1], key.data(), key.size()) == static_cast<ssize_t>(key.size());
    ::_exit(written ? 0 : 1);
  }
  ::close(fds[1]);
  std::string text;
  char buf[64];
  ssize_t n;
  while ((n = ::read(fds[0], buf, sizeof buf)) > 0) text.append(buf, size_t(n));
  ::close(fds[0]);
  int status = 0;
  ::waitpid(pid, &status, 0);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? text : "";
}

}  // namespace

TEST_F(MachineKey, ProcessesUnderDifferentTzDeriveOneKey) {
  qortest::TempInstall inst;
  // The profile's zone, the system's zone (no key), and a zone far from UTC.
  for (const char* line : {"", "time_zone=\n", "time_zone=Asia/Shanghai\n"}) {
    inst.WriteMachineIni(line);
    const std::string utc = KeyTextInProcessUnderTz("UTC");
    ASSERT_EQ(utc.size(), 37u) << line;
    EXPECT_EQ(KeyTextInProcessUnderTz("Asia/Shanghai"), utc) << line;
    EXPECT_EQ(KeyTextInProcessUnderTz("America/New_York"), utc) << line;
  }
  // The folder was made at 08:00 on that Friday in Shanghai.
  inst.WriteMachineIni("time_zone=Asia/Shanghai\n");
  EXPECT_EQ(ReadMachineKeyTexts(Build::Panel).fileTime, "51180");
  inst.WriteMachineIni();
  EXPECT_EQ(TextToKey(KeyTextInProcessUnderTz("Asia/Shanghai")), 4669u);
}

#include "platform/process.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>

#include "platform/paths.h"
#include "tests/support/temp_install.h"

namespace proc = platform::process;

TEST(Process, WindowsCommandLineSplitting) {
  struct Case {
    const char* line;
    std::vector<std::string> want;
  } cases[] = {
      {"-i", {"-i"}},
      {"  a   b ", {"a", "b"}},
      {"\"a b\" c", {"a b", "c"}},
      {"a\\\\\"b c\"", {"a\\b c"}},
      {"a\\\"b", {"a\"b"}},
      {"C:\\x\\y.exe /i", {"C:\\x\\y.exe", "/i"}},
      {"\"\"", {""}},
      {"", {}},
  };
  for (const auto& c : cases) EXPECT_EQ(proc::SplitCommandLine(c.line), c.want) << c.line;
  for (std::string arg : {"plain", "with space", "quote\"in", "trail\\", "a\\\"b", ""})
    EXPECT_EQ(proc::SplitCommandLine(proc::QuoteArgument(arg)), std::vector<std::string>{arg}) << arg;
}

TEST(Process, RunAndWaitReportsExitCodes) {
  auto ok = proc::RunAndWait("/bin/sh", "-c \"exit 3\"");
  EXPECT_TRUE(ok.started);
  EXPECT_TRUE(ok.exited);
  EXPECT_EQ(ok.exitCode, 3);
  auto missing = proc::RunAndWait("/no/such/program", "");
  EXPECT_FALSE(missing.exited);
  auto slow = proc::RunAndWaitArgs("/bin/sh", {"-c", "exec sleep 3"}, 50);
  EXPECT_TRUE(slow.timedOut);
  ASSERT_GT(slow.pid, 0);
  kill(slow.pid, SIGKILL);
  waitpid(slow.pid, nullptr, 0);
  EXPECT_FALSE(proc::CurrentUserName().empty());
}

TEST(Paths, ProgramNamesMapCaseBlind) {
  qortest::TempInstall inst;
  EXPECT_EQ(platform::ProgramDir(), inst.ProgramDir());
  EXPECT_EQ(platform::MachineRoot(), inst.MachineRoot());
  std::string f = inst.ProgramDir() + "QoripPanel";
  FILE* fp = fopen(f.c_str(), "w");
  fclose(fp);
  EXPECT_EQ(platform::MapProgramName("qoripPANEL.exe"), "QoripPanel");
  EXPECT_EQ(platform::MapProgramName("Other.EXE"), "Other");
  EXPECT_TRUE(platform::SameProgramName("QoripSvc.exe", "qoripsvc"));
  EXPECT_FALSE(platform::SameProgramName("qorip.exe", "qoripsvc"));
}

TEST(Paths, SplitAtTheLastSlash) {
  struct Case {
    std::string path, folder, name, parent;
  } cases[] = {
      {"/opt/qor/QorIP", "/opt/qor/", "QorIP", "/opt/qor"},
      {"/QorIP", "/", "QorIP", "/"},
      {"/", "/", "", "/"},
      {"iis/log/iis.log", "iis/log/", "iis.log", "iis/log"},
      {"log/", "log/", "", "log"},
      {"QorIP", "", "QorIP", ""},
      {"", "", "", ""},
  };
  for (const Case& c : cases) {
    const platform::PathParts parts = platform::SplitPath(c.path);
    EXPECT_EQ(parts.folder, c.folder) << c.path;
    EXPECT_EQ(parts.name, c.name) << c.path;
    EXPECT_EQ(platform::ParentDir(c.path), c.parent) << c.path;
  }
}

// The main road through the built qoripsvc under the built qorsc: request lines
// become daily-log lines with place names, and the update worker stores a newer
// library, which the running worker does not take up. Waits shrink by QOR_TIME_SCALE.
#include <gtest/gtest.h>
#include <signal.h>

#include <cstdio>
#include <cstdlib>
#include <thread>

#include "common/build.h"
#include "common/config.h"
#include "common/ini_reader.h"
#include "common/update_endpoint.h"
#include "platform/fs.h"
#include "platform/scm.h"
#include "tests/support/update_server.h"
#include "tests/support/temp_install.h"
#include "tests/support/wait.h"

namespace fs = platform::fs;
namespace scm = platform::scm;

namespace {

int RunQuiet(const std::string& command) { return std::system((command + " > /dev/null 2>&1").c_str()); }

using qortest::WaitFor;

bool ServiceState(scm::State state, uint32_t* pid = nullptr) {
  scm::Manager manager;
  scm::Service service;
  scm::Status s;
  if (manager.Open() != scm::kOk || manager.OpenService("qoripsvc", service) != scm::kOk ||
      service.QueryStatus(s) != scm::kOk)
    return false;
  if (pid) *pid = s.processId;
  return s.state == state;
}

// Every daily log of the installation, in date order.
std::string DailyLogs(const qortest::TempInstall& install) {
  std::vector<fs::Entry> files;
  EXPECT_TRUE(fs::List(install.ProgramDir() + "log", "qor2*.log", files));
  std::string text;
  for (const auto& f : files) text += install.ReadProgramFile("log/" + f.name);
  return text;
}

}  // namespace

TEST(RequestLogService, MainRoadThroughTheRunningService) {
  setenv("QOR_TIME_SCALE", "0.01", 1);
  qortest::TempInstall install;
  install.WriteMachineIni();
  const std::string program = qortest::InstallProgram("qoripsvc", install.ProgramDir());
  ASSERT_FALSE(program.empty()) << "qoripsvc not built";
  const std::string qorsc = qortest::BinDir() + "qorsc";
  ASSERT_TRUE(fs::IsFile(qorsc)) << "qorsc not built";

  // Master switch on, workers without delay, a library, and a work file that a
  // stopped service left behind.
  {
    CConfig panel(Build::Panel);
    ASSERT_EQ(panel.Load(), 1);
    panel.SetSystem("1");
    ASSERT_EQ(panel.Save(), 1);
  }
  install.WriteProgramFile("iis/config.ini", "[System]\nWord8=1\n");
  install.WriteProgramFile("iplib.db", "16777216|255|154|1002|0");
  install.WriteProgramFile("iis/log/iis.log.work", "left\t<ipstart>1.0.0.1<ipend>\t~area~\n");

  // The endpoint offers a newer library that puts 1.0.0.0/24 in the USA.
  std::string served = "16777216|255|81|0|0*";
  while (served.size() <= 100) served += "33554432|0|5|0|0*";
  const std::string servedFile = install.Base() + "served.txt";
  ASSERT_EQ(fs::WriteFile(servedFile, served), fs::kOk);
  qortest::UpdateServer server(install, {"--iplib", servedFile, "--iplib-time", "2026-12-1 8:0:0"});
  const std::string base = server.Base();
  ASSERT_FALSE(base.empty());
  setenv(endpoint::kOverrideEnv, base.c_str(), 1);

  ASSERT_EQ(RunQuiet("'" + program + "' -i"), 0);
  ASSERT_EQ(RunQuiet("'" + qorsc + "' start qoripsvc"), 0);
  ASSERT_TRUE(WaitFor([] { return ServiceState(scm::State::Running); }));

  // Written the way the filter module writes: one append a line.
  const std::string requestLog = install.ProgramDir() + "iis/log/iis.log";
  ASSERT_EQ(fs::WriteFile(requestLog, "new\t<ipstart>1.0.0.2<ipend>\t~area~\n", true), fs::kOk);
  ASSERT_EQ(fs::WriteFile(requestLog, "new\t<ipstart>9.9.9.9<ipend>\t~state~\n", true), fs::kOk);
  const std::string want = "left\t1.0.0.1\t中国-北京市\nnew\t1.0.0.2\t中国-北京市\nnew\t9.9.9.9\t\n";
  EXPECT_TRUE(WaitFor([&] { return DailyLogs(install) == want; })) << DailyLogs(install);
  // The work file goes once its last line has landed, a moment after the line shows.
  EXPECT_TRUE(WaitFor([&] { return !fs::Exists(requestLog) && !fs::Exists(requestLog + ".work"); }));

  // The update worker's first attempt comes 80 s (scaled) after the start.
  CIniReader ini(Build::Service);
  EXPECT_TRUE(WaitFor([&] { return ini.GetWord30() == "2026-12-1 8:0:0"; })) << ini.GetWord30();
  EXPECT_EQ(install.ReadProgramFile("iplib.db"), served);
  ASSERT_FALSE(server.Requests().empty());
  EXPECT_EQ(qortest::QueryValue(server.Requests()[0], "t"), "qorip");

  // The running worker keeps the library it started with.
  ASSERT_EQ(fs::WriteFile(requestLog, "later\t<ipstart>1.0.0.3<ipend>\t~area~\n", true), fs::kOk);
  const std::string later = want + "later\t1.0.0.3\t中国-北京市\n";
  EXPECT_TRUE(WaitFor([&] { return DailyLogs(install) == later; })) << DailyLogs(install);

  uint32_t pid = 0;
  ServiceState(scm::State::Running, &pid);
  EXPECT_EQ(RunQuiet("'" + qorsc + "' stop qoripsvc"), 0);
  EXPECT_TRUE(WaitFor([] { return ServiceState(scm::State::Stopped); }));
  if (pid > 0 && !WaitFor([&] { return ::kill(static_cast<pid_t>(pid), 0) != 0; }))
    ::kill(static_cast<pid_t>(pid), SIGKILL);
  RunQuiet("'" + program + "' -u");
  unsetenv(endpoint::kOverrideEnv);
  unsetenv("QOR_TIME_SCALE");
}

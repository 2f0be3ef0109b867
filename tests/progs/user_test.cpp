// The programs as a user meets them. On the command line: --help prints what they take
// and ends well, a bad value is refused with a status of its own, and neither needs a
// display or touches anything first. Installed: cmake --install lays out a program
// folder that works from where it lies, without the tests.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "common/config.h"
#include "common/md5.h"
#include "platform/fs.h"
#include "platform/textconv.h"
#include "tests/support/console.h"
#include "tests/support/services.h"
#include "tests/support/temp_install.h"
#include "tests/support/wait.h"

namespace fs = platform::fs;

namespace {

struct Case {
  const char* program;
  const char* args;
  int exitCode;
  const char* says;  // part of what it prints
};

const Case kCases[] = {
    {"qorsc", "--help", 0, "qfailure <name>"},
    {"qorsc", "help", 0, "failure <name>"},
    {"qorsc", "", 2, "usage: qorsc"},
    {"appcmd", "--help", 0, "appcmd qor-seed"},
    {"appcmd", "/?", 0, "appcmd list config"},
    {"w3svc", "--help", 0, "usage: w3svc"},
    {"w3svc", "--bogus", 2, "usage: w3svc"},
    {"w3svc", "one two", 2, "usage: w3svc"},
    {"qorupdate", "--help", 0, "--idle-timeout"},
    {"qorupdate", "--port abc --idle-timeout 1", 2, "--port abc"},
    {"qorupdate", "--port 8080x --idle-timeout 1", 2, "--port 8080x"},
    {"qorupdate", "--port 65536 --idle-timeout 1", 2, "--port 65536"},
    {"qorupdate", "--port -1 --idle-timeout 1", 2, "--port -1"},
    {"qorupdate", "--idle-timeout 0", 2, "--idle-timeout 0"},
    {"qorupdate", "--idle-timeout 99999999999999999999", 2, "--idle-timeout"},
    {"qorupdate", "--redirects two --idle-timeout 1", 2, "--redirects two"},
    {"qorupdate", "--iplib-pad -5 --idle-timeout 1", 2, "--iplib-pad -5"},
    {"qorupdate", "--status 20O --idle-timeout 1", 2, "--status 20O"},
    {"qorupdate", "--log", 2, "--log needs a value"},
    {"qorscreens", "--help", 0, "usage: qorscreens"},
    {"qorscreens", "", 2, "usage: qorscreens"},
    {"qorscreens", "--bogus", 2, "usage: qorscreens"},
    {"qorscreens", "one two", 2, "usage: qorscreens"},
    {"uidemo", "--help", 0, "usage: uidemo"},
    {"uidemo", "--png", 2, "--png needs a folder"},
    {"uidemo", "--bogus", 2, "unknown argument --bogus"},
    {"uidemo", "", 1, "no display"},
    {"qorstore", "--help", 0, "usage: qorstore"},
    {"qorstore", "--bogus", 2, "unknown argument --bogus"},
    {"qorsc", "bogus", 2, "unknown command bogus"},
    {"qorsc", "start", 2, "start needs a service name"},
    {"qorsc", "events NoSuchLog", 2, "no event log named NoSuchLog"},
    {"qorsc", "events System", 0, ""},
    {"qorupdate", "--iplib /nonexistent --idle-timeout 1", 2, "--iplib /nonexistent: no such file"},
};

}  // namespace

TEST(ProgramUsage, HelpIsPrintedAndBadValuesAreRefused) {
  qortest::TempInstall install;
  install.WriteMachineIni();
  const std::string cwd = install.Base() + "cwd/";
  ASSERT_EQ(fs::MakeDirs(cwd), fs::kOk);
  int ran = 0;
  for (const Case& c : kCases) {
    const std::string exe = qortest::BinDir() + c.program;
    if (!fs::IsFile(exe)) continue;  // the demo's programs need Qt 6
    ++ran;
    SCOPED_TRACE(std::string(c.program) + " " + c.args);
    // Without a display, as on a server: a program that reached Qt would abort.
    const qortest::Output out = qortest::RunConsole("cd '" + cwd +
                                                    "' && env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM '" +
                                                    exe + "' " + c.args);
    EXPECT_EQ(out.exitCode, c.exitCode) << out.text;
    EXPECT_NE(out.text.find(c.says), std::string::npos) << out.text;
    // An option is never taken for a folder to make.
    std::vector<fs::Entry> made;
    ASSERT_TRUE(fs::List(cwd, "*", made));
    EXPECT_TRUE(made.empty()) << made.front().name;
  }
  EXPECT_GE(ran, 19);
}

namespace {

// Every file under dir, relative to it, links as links.
void Walk(const std::string& dir, const std::string& prefix, std::vector<std::string>& out) {
  std::vector<fs::Entry> entries;
  ASSERT_TRUE(fs::List(dir, "*", entries)) << dir;
  for (const fs::Entry& e : entries) {
    out.push_back(prefix + e.name);
    if (e.isDir) Walk(dir + e.name + "/", prefix + e.name + "/", out);
  }
}

}  // namespace

// The demo's store: what the service of that machine reads is the panel's defaults with
// protection on, and a store already there keeps its rules.
TEST(ProgramUsage, DemoStoreHasProtectionOnForTheMachineItRunsOn) {
  qortest::TempInstall install;
  install.WriteMachineIni();
  const std::string exe = qortest::BinDir() + "qorstore";
  {
    CConfig panel(Build::Panel);
    ASSERT_EQ(panel.Load(), 1);
    panel.SetRuleData("r1|||||");
    ASSERT_EQ(panel.Save(), 1);
  }
  const qortest::Output written = qortest::RunConsole("'" + exe + "'");
  ASSERT_EQ(written.exitCode, 0) << written.text;
  CConfig service(Build::Service);
  ASSERT_EQ(service.Load(), 1);
  EXPECT_FALSE(service.IsRecovered()) << "coded for another machine";
  EXPECT_EQ(service.GetSystem(), "1");
  EXPECT_EQ(service.GetShowPanel() + service.GetLogOn() + service.GetLogDelDays(), "110");
  EXPECT_EQ(service.GetRuleData(), "r1|||||");
}

TEST(ProgramUsage, InstalledCopyHoldsTheProgramsAndRunsFromItsFolder) {
  const char* cmake = std::getenv("QOR_CMAKE");
  if (!cmake || !*cmake) GTEST_SKIP() << "run through ctest, which names cmake";
  qortest::TempInstall install;
  const std::string prefix = install.Base() + "prefix";
  const qortest::Output installed =
      qortest::RunConsole(std::string("'") + cmake + "' --install '" + qortest::BinDir() + "..' --prefix '" + prefix + "'");
  ASSERT_EQ(installed.exitCode, 0) << installed.text;

  const std::string folder = prefix + "/lib/qorip/";
  for (const char* p : {"QorIP", "QoripPanel", "QoripTools", "qoripsvc", "qorsc", "appcmd", "w3svc", "qorupdate"}) {
    if (!fs::IsFile(qortest::BinDir() + p)) continue;  // the panel and the tray need Qt 6
    SCOPED_TRACE(p);
    EXPECT_TRUE(fs::IsFile(folder + p));
  }
  for (const char* p : {"QorIP", "QoripTools", "qoripsvc", "qorsc"}) {
    if (!fs::IsFile(qortest::BinDir() + p)) continue;
    EXPECT_TRUE(fs::IsFile(prefix + "/bin/" + p)) << p;
  }
  std::vector<std::string> files;
  Walk(prefix + "/", "", files);
  for (const std::string& f : files) {
    const std::string name = f.substr(f.rfind('/') + 1);
    EXPECT_FALSE(name.rfind("t_", 0) == 0 || name.find("_bench") != std::string::npos || name == "uidemo" ||
                 name == "qorscreens" || name == "qorstore")
        << f << " is not for users";
  }

  // The installed toolbox, from its own folder (no overrides), registers the installed
  // filter module through the appcmd stand-in of a machine root made from the template.
  const std::string machine = install.Base() + "machine/";
  ASSERT_EQ(qortest::RunConsole("cp -a '" + prefix + "/share/qorip/machine/.' '" + machine + "'").exitCode, 0);
  const std::string env = "env -u QOR_PROGRAM_DIR -u QOR_BIN_DIR QOR_MACHINE_ROOT='" + machine + "' QOR_TIME_SCALE=0.01 ";
  const qortest::Output load = qortest::RunConsole(env + "'" + prefix + "/bin/QoripTools' -load_isapi");
  EXPECT_EQ(load.exitCode, 0) << load.text;
  const qortest::Output list = qortest::RunConsole(env + "'" + machine +
                                                   "Windows/System32/inetsrv/appcmd' list config /section:isapiFilters");
  EXPECT_NE(list.text.find("path=\"" + folder + "iis/qorip.dll\""), std::string::npos) << list.text;

  // The install is the installer: installed and started as the README says, the service
  // turns a request line into a daily-log line, and the recorded key uninstalls it.
  struct EndServices {
    ~EndServices() { qortest::EndEveryService(); }
  } endServices;
  for (const char* step : {"qoripsvc' -i", "qorsc' start qoripsvc"}) {
    const qortest::Output ran = qortest::RunConsole(env + "'" + prefix + "/bin/" + step);
    ASSERT_EQ(ran.exitCode, 0) << step << ": " << ran.text;
  }
  ASSERT_TRUE(fs::AppendWhole(folder + "iis/log/iis.log",
                              "2026-12-9 8:5:3\t区域\t拦截访问\t<ipstart>61.135.169.121<ipend>\t~area~\n")
                  .Ok());
  std::string daily;
  EXPECT_TRUE(qortest::WaitFor([&] {
    std::vector<fs::Entry> logs;
    daily.clear();
    if (fs::List(folder + "log/", "qor2*.log", logs) && !logs.empty()) (void)fs::ReadFile(folder + "log/" + logs[0].name, daily);
    return daily.find("\t拦截访问\t61.135.169.121\t") != std::string::npos;
  })) << daily << platform::GbkToUtf8([&] { std::string l; (void)fs::ReadFile(folder + "log/qor.log", l); return l; }());

  // The stop script ends this installation's service; with nothing left to stop it ends well.
  const std::string stop = env + "bash '" + qortest::SourceDir() + "scripts/stop.sh' '" + folder + "'";
  const qortest::Output stopped = qortest::RunConsole(stop);
  EXPECT_EQ(stopped.exitCode, 0) << stopped.text;
  EXPECT_NE(stopped.text.find("stop: service qoripsvc stopped"), std::string::npos) << stopped.text;
  EXPECT_NE(qortest::RunConsole(env + "'" + prefix + "/bin/qorsc' query qoripsvc").text.find("STATE: 1 STOPPED"),
            std::string::npos);

  std::string key;
  ASSERT_EQ(fs::ReadFile(prefix + "/share/qorip/uninstall-key", key), fs::kOk);
  while (!key.empty() && key.back() == '\n') key.pop_back();
  std::string record;
  ASSERT_EQ(fs::ReadFile(machine + "Windows/System32/qorip.db", record), fs::kOk);
  EXPECT_NE(record.find("ukey=" + Md5Hex(key)), std::string::npos) << record;
  if (!fs::IsFile(folder + "QorIP")) return;  // the panel needs Qt 6
  const qortest::Output uninstalled =
      qortest::RunConsole(env + "env -u DISPLAY -u WAYLAND_DISPLAY '" + prefix + "/bin/QorIP' \"/unload" + key + "\"");
  EXPECT_EQ(uninstalled.exitCode, 0) << uninstalled.text;
  EXPECT_NE(qortest::RunConsole(env + "'" + prefix + "/bin/qorsc' query qoripsvc").text.find("error 1060"),
            std::string::npos);
  EXPECT_FALSE(fs::Exists(folder + "iis/config.db"));
  EXPECT_EQ(qortest::RunConsole(stop).exitCode, 0) << "no service to stop";
}

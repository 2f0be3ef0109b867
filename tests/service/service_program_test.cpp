// The built qoripsvc in a temporary installation, under the service manager of the
// built qorsc, with every wait of the service shrunk by QOR_TIME_SCALE.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <optional>

#include "common/coding.h"
#include "common/config.h"
#include "common/hardware.h"
#include "common/ini_reader.h"
#include "common/tray_message.h"
#include "platform/eventlog.h"
#include "platform/fs.h"
#include "platform/mailslot.h"
#include "platform/process.h"
#include "platform/registry.h"
#include "platform/scm.h"
#include "platform/textconv.h"
#include "service/nt_service.h"
#include "tests/support/console.h"
#include "tests/support/temp_install.h"
#include "tests/support/update_server.h"
#include "tests/support/wait.h"

namespace fs = platform::fs;
namespace reg = platform::registry;
namespace scm = platform::scm;
namespace ev = platform::eventlog;
namespace proc = platform::process;

namespace {

const char kServiceKey[] = "SYSTEM\\CurrentControlSet\\Services\\qoripsvc";

using qortest::Output;

// Runs a program with arguments (no quoting needed for ours) and takes its console output.
Output RunProgram(const std::string& program, const std::string& args) {
  return qortest::RunConsole("'" + program + "' " + args);
}

using qortest::WaitFor;

class ServiceProgram : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("QOR_TIME_SCALE", "0.01", 1);
    setenv("QOR_UPDATE_URL", "http://127.0.0.1:9", 1);
    inst.WriteMachineIni();
    program = qortest::InstallProgram("qoripsvc", inst.ProgramDir());
    ASSERT_FALSE(program.empty()) << "qoripsvc not built in " << qortest::BinDir();
    qorsc = qortest::BinDir() + "qorsc";
    ASSERT_TRUE(fs::IsFile(qorsc)) << "qorsc not built";
  }

  void TearDown() override {
    // Nothing started here may outlive the test: a service still on its way out would
    // write into the installation after it is removed.
    scm::Status s;
    if (Query(s) && s.state != scm::State::Stopped) {
      RunProgram(qorsc, "stop qoripsvc");
      WaitFor([&] { return Query(s) && s.state == scm::State::Stopped; });
    }
    server.reset();
    // A service reports stopped before its process ends, and its supervisor ends after it.
    if (!WaitFor([&] { return LeftRunning().empty(); })) {
      ADD_FAILURE() << "processes of the test still ran after the wait";
      for (int pid : LeftRunning()) (void)proc::Kill(pid);  // one gone meanwhile is as good
      WaitFor([&] { return LeftRunning().empty(); });
    }
    unsetenv("QOR_TIME_SCALE");
    unsetenv("QOR_UPDATE_URL");
  }

  // Processes of this test's machine other than the test itself: the service, its
  // supervisor and whatever they started.
  std::vector<int> LeftRunning() {
    std::vector<proc::ProcessInfo> list;
    std::vector<int> pids;
    if (!proc::Snapshot(list)) return pids;
    for (const auto& p : list)
      if (p.pid != proc::CurrentPid()) pids.push_back(p.pid);
    return pids;
  }
  bool Query(scm::Status& s) {
    scm::Manager manager;
    scm::Service service;
    return manager.Open() == scm::kOk && manager.OpenService("qoripsvc", service) == scm::kOk &&
           service.QueryStatus(s) == scm::kOk;
  }
  bool InState(scm::State state) {
    scm::Status s;
    return Query(s) && s.state == state;
  }
  Output Service(const std::string& args) { return RunProgram(program, args); }

  // A store the service can read, with the master switch as given.
  void SaveStore(const char* system) {
    CConfig panel(Build::Panel);
    ASSERT_EQ(panel.Load(), 1);
    panel.SetSystem(system);
    ASSERT_EQ(panel.Save(), 1);
  }
  void WriteSettings() { inst.WriteProgramFile("iis/config.ini", "[System]\nWord8=1\n"); }

  void InstallAndStart() {
    ASSERT_NE(Service("-i").text.find("qoripsvc installed\n"), std::string::npos);
    Output start = RunProgram(qorsc, "start qoripsvc");
    ASSERT_EQ(start.exitCode, 0) << start.text;
    ASSERT_TRUE(WaitFor([&] { return InState(scm::State::Running); }));
  }
  void StopAndWait() {
    Output stop = RunProgram(qorsc, "stop qoripsvc");
    ASSERT_EQ(stop.exitCode, 0) << stop.text;
    ASSERT_TRUE(WaitFor([&] { return InState(scm::State::Stopped); }));
  }

  std::vector<uint32_t> EventIds() {
    std::vector<ev::Event> events;
    ev::ReadEvents(events);
    std::vector<uint32_t> ids;
    for (const auto& e : events)
      if (e.source == "qoripsvc") ids.push_back(e.id);
    return ids;
  }

  // The service's process (the one running its program), 0 when none.
  int ServicePid() {
    std::vector<proc::ProcessInfo> list;
    if (!proc::Snapshot(list)) return 0;
    for (const auto& p : list)
      if (p.exeName == "qoripsvc") return p.pid;
    return 0;
  }
  // A "kB" figure of /proc/<pid>/status; -1 when it cannot be read.
  static long StatusKb(int pid, const std::string& key) {
    std::string status;
    if (fs::ReadFile("/proc/" + std::to_string(pid) + "/status", status) != fs::kOk) return -1;
    const size_t at = status.find("\n" + key + ":");
    return at == std::string::npos ? -1 : std::atol(status.c_str() + at + key.size() + 2);
  }

  // Serves library as the endpoint's newer one, dated 2026-12-09 10:00:00, and points
  // the service at it. The first attempt comes 80 s after the worker started: a
  // thousandth of that here.
  void ServeLibrary(const std::string& library) {
    const std::string libFile = inst.Base() + "endpoint-iplib.txt";
    ASSERT_EQ(fs::WriteFile(libFile, library), fs::kOk);
    server.emplace(inst, std::vector<std::string>{"--iplib", libFile, "--iplib-time", "2026-12-09 10:00:00"});
    const std::string base = server->Base();
    ASSERT_FALSE(base.empty()) << "qorupdate gave no port";
    setenv("QOR_UPDATE_URL", base.c_str(), 1);
    setenv("QOR_TIME_SCALE", "0.001", 1);
  }

  qortest::TempInstall inst;
  std::string program, qorsc;
  std::optional<qortest::UpdateServer> server;  // ended by TearDown
};

}  // namespace

TEST_F(ServiceProgram, CommandLineVersionInstallAndRemove) {
  const std::string banner = "Qor·网站访问控制系统\n配置文件不存在\n";
  const std::string done = "执行完毕\n";
  struct Step {
    const char* args;
    std::string middle;
  };
  const Step steps[] = {
      {"-v", "qoripsvc Version 1.0\nThe service is not installed\n"},
      {"-i", "qoripsvc installed\n"},
      {"/I", "qoripsvc is already installed\n"},
      {"-V", "qoripsvc Version 1.0\nThe service is currently installed\n"},
      {"-u", "qoripsvc removed. (You must delete the file (" + program + ") yourself.)\n"},
      {"-u", "qoripsvc is not installed\n"},
  };
  for (const auto& step : steps) {
    Output out = Service(step.args);
    EXPECT_EQ(out.exitCode, 0);
    EXPECT_EQ(out.text, banner + step.middle + done) << step.args;
  }
  EXPECT_EQ(EventIds(), (std::vector<uint32_t>{kEventInstalled, kEventRemoved}));
}

// Started through a link of another name, the service registers its own file.
TEST_F(ServiceProgram, InstallThroughALinkRegistersTheProgramItself) {
  const std::string link = inst.Base() + "other-name";
  ASSERT_EQ(::symlink(program.c_str(), link.c_str()), 0);
  ASSERT_NE(RunProgram(link, "-i").text.find("qoripsvc installed\n"), std::string::npos);
  scm::Manager manager;
  ASSERT_EQ(manager.Open(), scm::kOk);
  scm::Service service;
  ASSERT_EQ(manager.OpenService("qoripsvc", service), scm::kOk);
  scm::Config config;
  ASSERT_EQ(service.QueryConfig(config), scm::kOk);
  EXPECT_EQ(config.imagePath, program);
  EXPECT_TRUE(fs::IsFile(config.imagePath));
  RunProgram(program, "-u");
}

TEST_F(ServiceProgram, ConfigurationPresentDropsTheWarningAndPanelLeftoverGoes) {
  SaveStore("1");
  WriteSettings();
  inst.WriteProgramFile("qorip.exe.del", "old panel");
  Output out = Service("-v");
  EXPECT_EQ(out.text.find("配置文件不存在"), std::string::npos) << out.text;
  EXPECT_FALSE(fs::Exists(inst.ProgramDir() + "qorip.exe.del"));
}

TEST_F(ServiceProgram, NotStartedByTheManagerEndsAtOnce) {
  Output out = Service("-x");
  EXPECT_EQ(out.exitCode, 0);
  EXPECT_NE(out.text.find("执行完毕\n"), std::string::npos);
  EXPECT_TRUE(EventIds().empty());
}

TEST_F(ServiceProgram, StartControlAndStopThroughTheManager) {
  SaveStore("1");
  WriteSettings();
  reg::Key params;
  ASSERT_EQ(reg::CreateKey(std::string(kServiceKey) + "\\Parameters", params), reg::kOk);
  ASSERT_EQ(params.SetDword("Start", 700), reg::kOk);
  ASSERT_EQ(params.SetDword("Inc", 0), reg::kOk);
  InstallAndStart();

  reg::Key eventKey;
  ASSERT_EQ(reg::OpenKey("SYSTEM\\CurrentControlSet\\Services\\EventLog\\Application\\qoripsvc", eventKey), reg::kOk);
  uint32_t types = 0;
  EXPECT_EQ(eventKey.QueryDword("TypesSupported", types), reg::kOk);
  EXPECT_EQ(types, 7u);
  std::string messageFile;
  EXPECT_EQ(eventKey.QueryString("EventMessageFile", messageFile), reg::kOk);
  EXPECT_EQ(messageFile, program);

  ASSERT_EQ(RunProgram(qorsc, "control qoripsvc 128").exitCode, 0);
  reg::Key status;
  uint32_t current = 0;
  ASSERT_TRUE(WaitFor([&] {
    return reg::OpenKey(std::string(kServiceKey) + "\\Status", status) == reg::kOk &&
           status.QueryDword("Current", current) == reg::kOk;
  }));
  EXPECT_EQ(current, 700u);
  ASSERT_EQ(RunProgram(qorsc, "control qoripsvc 129").exitCode, 0);

  ASSERT_TRUE(WaitFor([&] { return inst.ReadProgramFile("log/qor.log").find("主服务启动！") != std::string::npos; }));
  StopAndWait();
  const std::string log = inst.ReadProgramFile("log/qor.log");
  const size_t started = log.find("]\t主服务启动！\n"), stopped = log.find("]\t主服务停止！\n");
  ASSERT_NE(started, std::string::npos) << log;
  ASSERT_NE(stopped, std::string::npos) << log;
  EXPECT_LT(started, stopped);
  EXPECT_EQ(EventIds(), (std::vector<uint32_t>{kEventInstalled, kEventStarted, kEventBadControl, kEventStopReceived}));
}

TEST_F(ServiceProgram, StopWhileTheStoreIsMissingEndsPromptly) {
  WriteSettings();
  ASSERT_FALSE(fs::Exists(inst.ProgramDir() + "iis/config.db"));
  InstallAndStart();
  StopAndWait();
  const std::string log = inst.ReadProgramFile("log/qor.log");
  // The workers never started: no store was ever read. What the service waits for is
  // told once.
  EXPECT_EQ(log.find("主服务启动！"), std::string::npos) << log;
  const std::string waits = "等待配置文件[" + inst.ProgramDir() + "iis/config.db]";
  ASSERT_NE(log.find(waits), std::string::npos) << log;
  EXPECT_EQ(log.find(waits, log.find(waits) + 1), std::string::npos) << log;
  EXPECT_NE(log.find("]\t主服务停止！\n"), std::string::npos) << log;
  EXPECT_EQ(EventIds(), (std::vector<uint32_t>{kEventInstalled, kEventStarted, kEventStopReceived}));
}

TEST_F(ServiceProgram, TrayHearsTheMasterSwitch) {
  platform::mailslot::Slot slot;
  ASSERT_EQ(slot.Create(kTrayMailslotName), platform::mailslot::kOk);
  SaveStore("1");
  WriteSettings();
  InstallAndStart();

  auto next = [&](TrayMessage& m) {
    std::string bytes;
    if (slot.Read(bytes, 20000) != platform::mailslot::Slot::ReadResult::Message) return false;
    m = ParseTrayMessage(bytes);
    return true;
  };
  TrayMessage m;
  ASSERT_TRUE(next(m));
  EXPECT_EQ(m.command, kTrayCmdReady);
  EXPECT_EQ(m.content, "");

  SaveStore("0");
  ASSERT_TRUE(next(m));
  EXPECT_EQ(m.command, kTrayCmdClosed);
  ASSERT_TRUE(WaitFor([&] { return !fs::Exists(inst.ProgramDir() + "iis/apply.db"); }));

  SaveStore("1");
  ASSERT_TRUE(next(m));
  EXPECT_EQ(m.command, kTrayCmdReady);
  StopAndWait();
  // Nothing is sent on stop, and a steady state sent nothing more.
  std::string bytes;
  EXPECT_EQ(slot.Read(bytes, 0), platform::mailslot::Slot::ReadResult::Timeout);
}

TEST_F(ServiceProgram, TrayStartedLaterHearsTheStateAtTheNextPass) {
  SaveStore("1");
  WriteSettings();
  InstallAndStart();
  // The worker's first passes find no listener.
  ASSERT_TRUE(WaitFor([&] { return inst.ReadProgramFile("log/qor.log").find("主服务启动！") != std::string::npos; }));
  platform::mailslot::Slot slot;
  ASSERT_EQ(slot.Create(kTrayMailslotName), platform::mailslot::kOk);
  std::string bytes;
  ASSERT_EQ(slot.Read(bytes, 20000), platform::mailslot::Slot::ReadResult::Message);
  EXPECT_EQ(ParseTrayMessage(bytes).command, kTrayCmdReady);
  StopAndWait();
}

TEST_F(ServiceProgram, UpdateWorkerFetchesANewerLibrary) {
  std::string library;
  for (int i = 1; i <= 8; ++i) library += std::to_string(i * 16777216) + "|255|154|" + std::to_string(1000 + i) + "|0*";
  ASSERT_GT(library.size(), 100u);
  ASSERT_NO_FATAL_FAILURE(ServeLibrary(library));
  SaveStore("1");
  WriteSettings();
  InstallAndStart();
  // The library is written first, its time after it.
  EXPECT_TRUE(WaitFor([&] { return CIniReader(Build::Service).GetWord30() == "2026-12-09 10:00:00"; }, 30000));
  EXPECT_EQ(inst.ReadProgramFile("iplib.db"), library);
  StopAndWait();
}

// A library of some 55 MB goes to its file without the service holding it, or a
// table of it, in memory.
TEST_F(ServiceProgram, UpdateOfALargeLibraryKeepsTheServiceSmall) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
  GTEST_SKIP() << "a sanitizer's shadow memory is no figure of the service's own";
#endif
  std::string library;
  library.reserve(56u << 20);
  char record[64];
  for (uint32_t i = 0; library.size() < (55u << 20); ++i)
    library.append(record, size_t(std::snprintf(record, sizeof record, "%u|%u|154|%u|0*", i * 2048u, 2047u, 1000 + i % 34)));
  ASSERT_NO_FATAL_FAILURE(ServeLibrary(library));
  // The switch holds the update back until the service has settled.
  SaveStore("0");
  WriteSettings();
  InstallAndStart();
  ASSERT_TRUE(WaitFor([&] { return inst.ReadProgramFile("log/qor.log").find("主服务启动！") != std::string::npos; }));
  const int pid = ServicePid();
  ASSERT_GT(pid, 0);
  const long before = StatusKb(pid, "VmRSS");
  SaveStore("1");
  EXPECT_TRUE(WaitFor([&] { return CIniReader(Build::Service).GetWord30() == "2026-12-09 10:00:00"; }, 60000));
  std::string stored;
  EXPECT_EQ(fs::ReadFile(inst.ProgramDir() + "iplib.db", stored), fs::kOk);
  EXPECT_TRUE(stored == library) << "stored " << stored.size() << " bytes of " << library.size();
  const long peak = StatusKb(pid, "VmHWM"), after = StatusKb(pid, "VmRSS");
  EXPECT_LT(peak, 64 * 1024) << "peak kB";
  EXPECT_LT(after - before, 16 * 1024) << "resident kB before " << before << ", after " << after;
  StopAndWait();
}

TEST_F(ServiceProgram, UndecodableStoreRunsAsAnEmptyOne) {
  platform::mailslot::Slot slot;
  ASSERT_EQ(slot.Create(kTrayMailslotName), platform::mailslot::kOk);
  // Written under another machine's key, with the master switch on.
  const uint32_t key = TextToKey(CHardware().GetMachineKeyText(Build::Service));
  inst.WriteProgramFile("iis/config.db", EncodeText(key + 1, "<KeySystem>1</KeySystem><0>"));
  WriteSettings();
  InstallAndStart();

  std::string bytes;
  ASSERT_EQ(slot.Read(bytes, 20000), platform::mailslot::Slot::ReadResult::Message);
  EXPECT_EQ(ParseTrayMessage(bytes).command, kTrayCmdClosed);
  // The workers run: a request line reaches the day's log.
  const std::string requestLog = inst.ProgramDir() + "iis/log/iis.log";
  ASSERT_EQ(fs::WriteFile(requestLog, "request\t<ipstart>9.9.9.9<ipend>\t~state~\n", true), fs::kOk);
  // The request log goes at the start of a pass, the day's line lands after it.
  std::vector<fs::Entry> days;
  EXPECT_TRUE(WaitFor([&] {
    return fs::List(inst.ProgramDir() + "log", "qor2*.log", days) && days.size() == 1 &&
           inst.ReadProgramFile("log/" + days[0].name) == "request\t9.9.9.9\t\n";
  }));
  StopAndWait();

  ASSERT_TRUE(fs::List(inst.ProgramDir() + "log", "qor2*.log", days));
  ASSERT_EQ(days.size(), 1u);
  EXPECT_EQ(inst.ReadProgramFile("log/" + days[0].name), "request\t9.9.9.9\t\n");
  // One line says so, however often the workers reload.
  const std::string log = inst.ReadProgramFile("log/qor.log");
  const size_t told = log.find(kConfigUndecodableServiceText);
  ASSERT_NE(told, std::string::npos) << log;
  EXPECT_EQ(log.find(kConfigUndecodableServiceText, told + 1), std::string::npos) << log;
  EXPECT_FALSE(fs::Exists(inst.ProgramDir() + "iis/config.db.bad"));
}

TEST_F(ServiceProgram, UnreadableMachineFiguresGoToTheServiceLog) {
  inst.WriteMachineIni("processor_count=0\n");
  SaveStore("1");
  WriteSettings();
  InstallAndStart();
  EXPECT_TRUE(WaitFor([&] { return inst.ReadProgramFile("log/qor.log").find("获取CPU个数错误") != std::string::npos; }))
      << inst.ReadProgramFile("log/qor.log");
  StopAndWait();
}

// A name in the machine's lock folder taken by a link: the service's refusal reaches
// its log, once, and the link's target is left alone.
TEST_F(ServiceProgram, TheLayersRefusalsGoToTheServiceLog) {
  const std::string locks = inst.MachineRoot() + "locks";
  ASSERT_EQ(::mkdir(locks.c_str(), 0700), 0);
  const std::string target = inst.Base() + "target";
  ASSERT_EQ(fs::WriteFile(target, "keep"), fs::kOk);
  ASSERT_EQ(::symlink(target.c_str(), (locks + "/qoripsvclogworker.lock").c_str()), 0);
  SaveStore("1");
  WriteSettings();
  InstallAndStart();
  const std::string line = "qoripsvclogworker.lock: the name is taken by a link, not by this system; refused";
  EXPECT_TRUE(WaitFor([&] { return inst.ReadProgramFile("log/qor.log").find(line) != std::string::npos; }))
      << inst.ReadProgramFile("log/qor.log");
  StopAndWait();
  // The worker tried again at each pass; the line stays one.
  const std::string log = inst.ReadProgramFile("log/qor.log");
  const size_t at = log.find(line);
  ASSERT_NE(at, std::string::npos) << log;
  EXPECT_EQ(log.find(line, at + 1), std::string::npos) << log;
  EXPECT_EQ(log.rfind("[", at), log.rfind("\n", at) + 1) << "not a whole entry of its own: " << log;
  std::string kept;
  EXPECT_EQ(fs::ReadFile(target, kept), fs::kOk);
  EXPECT_EQ(kept, "keep");
}

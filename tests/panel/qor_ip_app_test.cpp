// The panel's start: the uninstall key check, what the uninstall removes, the cover
// repair's order, left-overs, one panel per account and the offer to end other panels.
#include "panel/qor_ip_app.h"

#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <thread>

#include "common/coding.h"
#include "common/config.h"
#include "common/hardware.h"
#include "common/ini_reader.h"
#include "common/md5.h"
#include "common/program_paths.h"
#include "common/system_info.h"
#include "platform/ui/ui_hooks.h"
#include "platform/clock.h"
#include "platform/faults.h"
#include "platform/fs.h"
#include "platform/instance.h"
#include "platform/paths.h"
#include "platform/ui/dialog.h"
#include "panel/qor_ip_dlg.h"
#include "panel/panel_globals.h"
#include "panel/qor_repair.h"
#include "tests/support/fake_program.h"
#include "tests/support/temp_install.h"
#include "tests/support/wait.h"
#include "tests/ui/ui_host_fixture.h"
#include "resources/panel_resources.h"

extern char** environ;

namespace fs = platform::fs;

namespace {

class QorIpApp : public qortest::UiHostTest {
 protected:
  void SetUp() override {
    install_.WriteMachineIni();
    platform::clock::SetFake(1800000000);
  }
  void TearDown() override {
    platform::clock::ClearFake();
    platform::instance::ReleaseInstance(CQorIPApp::InstanceName());
    platform::instance::ReleaseInstance(CQorIPApp::kMutexName);
  }

  void StoreKey(const std::string& ukey) {
    install_.WriteProgramFile("iplib.db", "1|2|3|4|5*");
    const std::string record = RecordFilePath();
    ASSERT_EQ(fs::MakeDirs(platform::ParentDir(record)), fs::kOk);
    ASSERT_EQ(fs::WriteFile(record, "[qor]\nukey=" + ukey + "\n"), fs::kOk);
  }
  bool Uninstalled() const { return !fs::Exists(install_.ProgramDir() + "iplib.db"); }

  qortest::TempInstall install_;
};

}  // namespace

TEST(QorIpAppCommandLine, JoinsArgumentsAsWindowsShowsThem) {
  struct Case {
    std::vector<std::string> args;
    std::string line;
  } cases[] = {
      {{"/opt/qor/QorIP"}, "/opt/qor/QorIP"},
      {{"QorIP", "/unload", "abc"}, "QorIP /unload abc"},
      {{"/opt/my qor/QorIP", "/cover"}, "\"/opt/my qor/QorIP\" /cover"},
      {{"QorIP", "", "a b"}, "QorIP \"\" \"a b\""},
  };
  for (auto& c : cases) {
    std::vector<char*> argv;
    for (auto& a : c.args) argv.push_back(a.data());
    EXPECT_EQ(CQorIPApp::CommandLineFromArgs(static_cast<int>(argv.size()), argv.data()), c.line);
  }
}

TEST_F(QorIpApp, UninstallKeyDecides) {
  const std::string fixed = CQorIPApp::DefaultUninstallKey();
  ASSERT_EQ(fixed, Md5Hex("_&4pzkq"));
  struct Case {
    const char* what;
    std::string stored;
    std::string commandLine;
    std::string box;  // empty: the uninstall runs
  } cases[] = {
      {"no key stored, the fixed digest", "", "QorIP /unload" + fixed, ""},
      {"capitals and the dash form", "", "QorIP -UNLOAD" + fixed, ""},
      {"a prefix of underscores is dropped", "", "QorIP /unload__" + fixed, ""},
      {"the switch inside a longer word", "", "QorIP /unloadable", "卸载参数错误1：" + Md5Hex("able")},
      {"no key at all", "", "QorIP /unload", "卸载参数错误1：" + Md5Hex("")},
      {"a blank is part of the key", "", "QorIP /unload " + fixed, "卸载参数错误1：" + Md5Hex(" " + fixed)},
      {"a stored key takes any text with its digest", Md5Hex("secret"), "QorIP /unloadsecret", ""},
      {"underscores go from the stored value too", "__" + Md5Hex("secret"), "QorIP /unloadsecret", ""},
      {"the fixed digest is no key when one is stored", Md5Hex("secret"), "QorIP /unload" + fixed,
       "卸载参数错误1：" + Md5Hex(fixed)},
      {"the key is lower-cased, the stored value is not", Md5Hex("Secret"), "QorIP /unloadSecret",
       "卸载参数错误1：" + Md5Hex("secret")},
      {"the bare switch with a stored key", Md5Hex("secret"), " /unload", "卸载参数错误0。"},
      {"the bare switch without a stored key", "", " -unload", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    StoreKey(c.stored);
    if (!c.box.empty()) Host().ExpectMessageBox(c.box, kIdOk);
    bool repaired = false;
    CQorIPApp app({[&](CQorIPApp&) { ADD_FAILURE() << "window opened"; }, [&] { repaired = true; }, {}, {}});
    EXPECT_FALSE(app.InitInstance(c.commandLine));
    EXPECT_EQ(Uninstalled(), c.box.empty());
    EXPECT_FALSE(repaired);
  }
}

TEST_F(QorIpApp, UnloadWinsOverCover) {
  StoreKey("");
  bool repaired = false;
  CQorIPApp app({{}, [&] { repaired = true; }, [&] { repaired = true; }, [&] { repaired = true; }});
  app.InitInstance("QorIP /cover /unload" + CQorIPApp::DefaultUninstallKey());
  EXPECT_TRUE(Uninstalled());
  EXPECT_FALSE(repaired);
}

TEST_F(QorIpApp, UninstallRemovesTheInstalledFilesOnly) {
  const char* removed[] = {"iplib.db",   "iis/qorip.dll", "iis/config.db", "iis/config.ini", "log/qor.log",
                           "config.db",  "config.ini",    "ReadMe.txt",    "qorip",          "qoripsvc",
                           "QoripTools", "QoripPanel"};
  const char* kept[] = {"log/qor2026-12-09.log", "iis/qorip64.dll", "other.txt"};
  for (const char* name : removed) install_.WriteProgramFile(name, "x");
  for (const char* name : kept) install_.WriteProgramFile(name, "x");
  ASSERT_EQ(fs::MakeDirs(install_.ProgramDir() + "iis/log"), fs::kOk);
  CQorIPApp app;
  EXPECT_EQ(app.Uninstall(), 1);
  for (const char* name : removed) EXPECT_FALSE(fs::Exists(install_.ProgramDir() + name)) << name;
  for (const char* name : kept) EXPECT_TRUE(fs::IsFile(install_.ProgramDir() + name)) << name;
  // The empty request-log folder goes; the module folder still holds the 64-bit module.
  EXPECT_FALSE(fs::Exists(install_.ProgramDir() + "iis/log"));
  EXPECT_TRUE(fs::IsDirectory(install_.ProgramDir() + "iis"));
}

TEST_F(QorIpApp, CoverRepairRunsItsStepsInOrderWithTheirPauses) {
  std::vector<std::pair<std::string, int64_t>> steps;
  const int64_t start = platform::clock::NowMs();
  auto step = [&](const char* name) { return [&, name] { steps.emplace_back(name, platform::clock::NowMs() - start); }; };
  CQorIPApp app({[&](CQorIPApp&) { ADD_FAILURE() << "window opened"; }, step("permissions"), step("service"),
                 step("tray")});
  install_.WriteProgramFile("iplib.db", "kept");
  // A store to read first, so that no new one is made (which holds its caller 100 ms).
  install_.WriteProgramFile("iis/config.db", "");
  EXPECT_FALSE(app.InitInstance("QorIP /COVER"));
  std::vector<std::pair<std::string, int64_t>> expected = {{"permissions", 200}, {"service", 400}, {"tray", 600}};
  EXPECT_EQ(steps, expected);
  EXPECT_TRUE(fs::IsFile(install_.ProgramDir() + "iplib.db"));
}

TEST_F(QorIpApp, LeftOversOfReplacedFilesGo) {
  const char* gone[] = {"qorip.del", "qoripsvc.del", "iis/qorip.dll.del", "iis/qorip64.dll.del", "QoripPanel.del",
                        "QoripTools.del"};
  for (const char* name : gone) install_.WriteProgramFile(name, "x");
  install_.WriteProgramFile("keep.del", "x");
  CQorIPApp::DeleteLeftOvers();
  for (const char* name : gone) EXPECT_FALSE(fs::Exists(install_.ProgramDir() + name)) << name;
  EXPECT_TRUE(fs::IsFile(install_.ProgramDir() + "keep.del"));
  // A folder of that name is not a left-over file.
  ASSERT_EQ(fs::MakeDirs(install_.ProgramDir() + "qorip.del"), fs::kOk);
  CQorIPApp::DeleteLeftOvers();
  EXPECT_TRUE(fs::IsDirectory(install_.ProgramDir() + "qorip.del"));
}

TEST_F(QorIpApp, SecondStartBringsTheFirstForwardOrEnds) {
  CQorIPApp first;
  ASSERT_TRUE(first.ClaimSingleInstance());
  // Before the first panel has a window there is nothing to bring forward.
  CQorIPApp early;
  EXPECT_FALSE(early.ClaimSingleInstance());
  EXPECT_EQ(early.ExitCode(), -1);

  ui::Dialog window(1);
  window.ShowWindow(ui::ShowMode::Minimize);
  ASSERT_TRUE(window.IsMinimized());
  first.SetMainWindow(&window);
  CQorIPApp second;
  EXPECT_FALSE(second.ClaimSingleInstance());
  EXPECT_EQ(second.ExitCode(), 0);
  // The first panel restores its window on its own thread.
  EXPECT_TRUE(qortest::WaitFor([&] {
    Host().RunFor(10);
    return !window.IsMinimized();
  }));
  first.SetMainWindow(nullptr);
}

TEST_F(QorIpApp, SecondStartAlsoBringsTheOpenPopupForward) {
  ui::ResourceSet resources;
  for (int id : {9200, 9201}) {
    ui::DialogTemplate t;
    t.id = id;
    t.cx = 100;
    t.cy = 50;
    t.fontFace = "宋体";
    resources.AddDialog(t);
  }
  UseResources(resources);
  CQorIPApp first;
  ASSERT_TRUE(first.ClaimSingleInstance());
  ui::Dialog window(9200);
  ASSERT_TRUE(window.Create());
  first.SetMainWindow(&window);
  ui::Dialog popup(9201);
  Host().WhenShown(9201, [&](ui::Dialog& d) {
    CQorIPApp second;
    EXPECT_FALSE(second.ClaimSingleInstance());
    // The first panel answers on its own thread and acts on the window thread.
    qortest::WaitFor([&] {
      Host().RunPending();
      return !Host().LogStartingWith("activate 9201").empty();
    });
    d.EndDialog(kIdOk);
  });
  popup.DoModal();
  const std::vector<std::string>& log = Host().Log();
  const auto main = std::find(log.begin(), log.end(), "activate 9200");
  const auto shown = std::find(log.begin(), log.end(), "activate 9201");
  EXPECT_NE(main, log.end());
  EXPECT_NE(shown, log.end());
  EXPECT_LT(main, shown);
  first.SetMainWindow(nullptr);
  window.DestroyWindow();
}

TEST_F(QorIpApp, EveryOtherPanelIsOfferedOnce) {
  // Two stand-in panels: copies of a program that waits. Their name is this test's own,
  // so that panels other tests run at the same time are not asked about.
  const std::string name = "QorIPt" + std::to_string(::getpid());
  ASSERT_EQ(fs::MakeDirs(install_.Base() + "other"), fs::kOk);
  const std::string copy = qortest::CopySleeper(install_.Base() + "other/", name);
  ASSERT_FALSE(copy.empty());
  pid_t pids[2] = {-1, -1};
  for (pid_t& pid : pids) {
    std::string arg0 = name;
    char arg1[] = "60";
    char* argv[] = {arg0.data(), arg1, nullptr};
    ASSERT_EQ(posix_spawn(&pid, copy.c_str(), nullptr, nullptr, argv, environ), 0);
  }
  // A spawned child carries the test's own name until its exec is done.
  ASSERT_TRUE(qortest::WaitFor([&] {
    StringList ids, accounts;
    return CHardware().ListProcessOwners(name + ".exe", ids, accounts) == 2;
  }));
  const std::string question = "检测到账户 " + GetCurrentUser() + " 正在运行网站访问控制系统进程，是否结束对方进程？";
  Host().ExpectMessageBox(question, kIdNo);
  Host().ExpectMessageBox(question, kIdYes);
  CQorIPApp app;
  app.OfferOtherPanels(name + ".exe");
  // The first process was kept, the second ended.
  int status = 0;
  EXPECT_EQ(::waitpid(pids[0], &status, WNOHANG), 0);
  const bool ended = qortest::WaitChildEnd(pids[1]);
  EXPECT_TRUE(ended);
  ::kill(pids[0], SIGKILL);
  ::waitpid(pids[0], &status, 0);
  if (!ended) {
    ::kill(pids[1], SIGKILL);
    ::waitpid(pids[1], &status, 0);
  }
}

namespace {

// The panel's store pointed at this test's installation, unloaded, as a new process has it.
class QorIpAppStore : public QorIpApp {
 protected:
  void SetUp() override {
    QorIpApp::SetUp();
    ASSERT_EQ(fs::MakeDirs(install_.ProgramDir() + "iis"), fs::kOk);
    ResetStore();
  }
  void TearDown() override {
    g_Config.SetPath("");
    g_Config.SetModuleDir("");
    QorIpApp::TearDown();
  }
  void ResetStore() {
    g_Config.SetModuleDir(install_.ProgramDir());
    g_Config.SetPath(StorePath());
    g_Config.SetKey(0);
    g_Config.SetText("");
  }
  std::string StorePath() const { return install_.ProgramDir() + "iis/config.db"; }
  static uint32_t MachineKey() { return TextToKey(CHardware().GetMachineKeyText()); }
  std::string FileBytes(const std::string& path) const {
    std::string bytes;
    const auto rc = fs::ReadFile(path, bytes);
    EXPECT_TRUE(rc == fs::kOk || rc == fs::kFileNotFound) << rc.Text();
    return bytes;
  }
  std::string StoredText() const { return DecodeText(MachineKey(), FileBytes(StorePath())); }
  void WriteStore(const std::string& plain, uint32_t key = MachineKey()) const {
    ASSERT_EQ(fs::WriteFile(StorePath(), EncodeText(key, plain)), fs::kOk);
  }
};

constexpr const char* kDefaults =
    "<KeyLogDelDays>0</KeyLogDelDays><KeyLogOn>1</KeyLogOn><KeyShowPanel>1</KeyShowPanel><0>";

}  // namespace

TEST_F(QorIpAppStore, FirstStartSavesTheDefaultsAndALaterOneKeepsTheUsersChoice) {
  LoadPanelStore(g_Config, true);
  EXPECT_EQ(StoredText(), kDefaults);
  EXPECT_EQ(g_Config.GetShowPanel(), "1");

  const std::string chosen = "<KeyLogOn>0</KeyLogOn><KeyShowPanel>0</KeyShowPanel><KeyLogDelDays>7</KeyLogDelDays><0>";
  WriteStore(chosen);
  const std::string bytes = FileBytes(StorePath());
  ResetStore();
  LoadPanelStore(g_Config, true);
  EXPECT_EQ(FileBytes(StorePath()), bytes);
  EXPECT_EQ(g_Config.GetLogOn(), "0");
  // A store of an older start that lacks some of them gets those only.
  WriteStore("<KeySystem>1</KeySystem><KeyLogOn>0</KeyLogOn><0>");
  ResetStore();
  LoadPanelStore(g_Config, true);
  EXPECT_EQ(StoredText(),
            "<KeySystem>1</KeySystem><KeyLogOn>0</KeyLogOn><0><KeyLogDelDays>0</KeyLogDelDays>"
            "<KeyShowPanel>1</KeyShowPanel><0>");
}

// Counts the reads of one file while it lives.
class FileReads {
 public:
  explicit FileReads(std::string path) : m_path(std::move(path)) {
    m_guard.When([this](const platform::faults::Call& c) {
      if (c.OpensForReading() && c.path == m_path) ++m_reads;
      return platform::faults::Fault{};
    });
  }
  int Count() const { return m_reads; }

 private:
  std::string m_path;
  std::atomic<int> m_reads{0};
  platform::faults::Guard m_guard;  // last: it goes first
};

// A large store makes every extra read of a start cost: a start with windows reads it
// exactly once until its main window is open, and the defaults a first start gives it
// are saved all the same.
TEST_F(QorIpAppStore, AStartReadsTheStoreOnce) {
  UseResources(res::PanelResources());
  for (const std::string& stored : {std::string(), std::string("<KeySystem>1</KeySystem><0>")}) {
    SCOPED_TRACE(stored);
    const auto rc = fs::DeleteFile(StorePath());
    ASSERT_TRUE(rc == fs::kOk || rc == fs::kFileNotFound) << rc.Text();
    if (!stored.empty()) WriteStore(stored);
    ResetStore();
    bool windowRan = false;
    int reads = -1;
    {
      FileReads counted(StorePath());
      CQorIPApp app({[&](CQorIPApp&) {
                       // The main window as the program opens it, splash and pages.
                       CQorIPDlg dlg;
                       dlg.SetNoticeFetcher(nullptr);
                       windowRan = dlg.Create(nullptr);
                       dlg.DestroyWindow();
                     },
                     {}, {}, {}});
      EXPECT_FALSE(app.InitInstance("QorIP"));
      reads = counted.Count();
    }
    EXPECT_TRUE(windowRan);
    EXPECT_EQ(reads, stored.empty() ? 0 : 1);
    const std::string settled = stored.empty() ? std::string(kDefaults) : stored + kDefaults;
    EXPECT_EQ(StoredText(), settled);
    EXPECT_EQ(g_Config.GetShowPanel(), "1");
    platform::instance::ReleaseInstance(CQorIPApp::InstanceName());
    platform::instance::ReleaseInstance(CQorIPApp::kMutexName);
  }
}

TEST_F(QorIpAppStore, UndecodableStoreIsKeptToldOnceAndSavedOver) {
  const std::string bytes = EncodeText(MachineKey() + 1, "<KeySystem>1</KeySystem><0>");
  ASSERT_EQ(fs::WriteFile(StorePath(), bytes), fs::kOk);
  Host().ExpectMessageBox(kConfigUndecodablePanelText, kIdOk);
  LoadPanelStore(g_Config, true);
  EXPECT_EQ(FileBytes(StorePath() + ".bad"), bytes);
  EXPECT_EQ(StoredText(), kDefaults);
  // A later load (after a rule edit) tells nothing more, and saving works.
  EXPECT_EQ(g_Config.Load(), 1);
  g_Config.SetSystem("1");
  EXPECT_EQ(g_Config.Save(), 1);
  EXPECT_EQ(StoredText(), std::string(kDefaults) + "<KeySystem>1</KeySystem><0>");
  EXPECT_EQ(Host().MessageBoxes().size(), 1u);
}

TEST_F(QorIpAppStore, CoverRepairFollowsTheStoredTraySetting) {
  install_.WriteProgramFile("QoripPanel", "tray");
  const struct {
    const char* what;
    std::string stored;  // empty: no store yet
  } cases[] = {
      {"the tray on", "<KeySystem>1</KeySystem><KeyShowPanel>1</KeyShowPanel><0>"},
      {"a new installation", ""},
  };
  size_t opens = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const auto rc = fs::DeleteFile(StorePath());
    ASSERT_TRUE(rc == fs::kOk || rc == fs::kFileNotFound) << rc.Text();
    if (!c.stored.empty()) WriteStore(c.stored);
    ResetStore();
    CQorIPApp app({[&](CQorIPApp&) { ADD_FAILURE() << "window opened"; }, {}, {},
                   [] { CQorRepair().RepairTray(); }});
    EXPECT_FALSE(app.InitInstance("QorIP /cover"));
    ASSERT_EQ(Host().ShellOpens().size(), ++opens);
    EXPECT_EQ(Host().ShellOpens().back().file, install_.ProgramDir() + "QoripPanel");
    EXPECT_EQ(Host().ShellOpens().back().parameters, "-autorun");
    EXPECT_NE(CIniReader(Build::Panel).ReadValue("System", "Word5"), "99");
    EXPECT_EQ(CHardware().RemoveTrayAutorun(), 1);
    EXPECT_EQ(g_Config.GetShowPanel(), "1");
  }
}

TEST_F(QorIpAppStore, CoverRepairTellsNothingAndLeavesAnUndecodableStoreToTheNextStart) {
  const std::string bytes = EncodeText(MachineKey() + 1, "<KeyShowPanel>0</KeyShowPanel><0>");
  ASSERT_EQ(fs::WriteFile(StorePath(), bytes), fs::kOk);
  CQorIPApp app({[&](CQorIPApp&) { ADD_FAILURE() << "window opened"; }, {}, {}, {}});
  app.InitInstance("QorIP /cover");
  EXPECT_TRUE(Host().MessageBoxes().empty());
  EXPECT_EQ(FileBytes(StorePath()), bytes);
  EXPECT_EQ(FileBytes(StorePath() + ".bad"), bytes);
  EXPECT_EQ(g_Config.GetShowPanel(), "1");
}

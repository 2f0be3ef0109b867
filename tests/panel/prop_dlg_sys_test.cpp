// The system page on the test host, in a temporary installation with stand-in
// programs; the download answers and the process checks are scripted.
#include "panel/prop_dlg_sys.h"

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <utility>

#include "common/daily_log.h"
#include "common/iis_sites.h"
#include "common/ini_reader.h"
#include "common/tag_text.h"
#include "platform/faults.h"
#include "platform/ui/ui_hooks.h"
#include "resources/panel_sys_ids.h"
#include "tests/panel/sys_page_fixture.h"
#include "platform/iis.h"

namespace {

using namespace res::panel;

class ScriptedSysPage : public CPropDlgSys {
 public:
  std::deque<std::pair<int, std::string>> replies;
  std::vector<std::string> urls;
  int serviceRuns = 1;
  int trayRuns = 1;
  bool updatingDuringRequest = false;
  // Runs while a request waits, as the window keeps dispatching messages then.
  std::function<void()> whileWaiting;

  using CPropDlgSys::JoinThreads;

 protected:
  int HttpGet(const std::string& url, std::string& reply) override {
    // A second request while one waits is refused, as CHttp::Get does.
    if (m_waiting) {
      reply.clear();
      return 0;
    }
    urls.push_back(url);
    updatingDuringRequest = g_bIpLibUpdating;
    if (whileWaiting) {
      m_waiting = true;
      auto run = std::move(whileWaiting);
      whileWaiting = nullptr;
      run();
      m_waiting = false;
    }
    if (replies.empty()) return 2;
    auto [r, text] = replies.front();
    replies.pop_front();
    reply = text;
    return r;
  }
  int FindProgram(const std::string& exeName) override {
    return exeName == "qoripsvc.exe" ? serviceRuns : trayRuns;
  }

 private:
  bool m_waiting = false;
};

// A library the table reads, n bytes long (the "*" after its record make no record).
std::string Code(size_t n) {
  std::string text = "16777216|255|1|0|0";
  text.resize(n, '*');
  return text;
}

class PropDlgSysTest : public qortest::SysPageTest {
 protected:
  PropDlgSysTest() {
    WriteStub("QoripTools");
    g_Global.m_strIpLibUrl1 = "http://one.test/ip";
    g_Global.m_strIpLibUrl2 = "http://two.test/ip";
  }
  void StoreSwitch(const char* system) {
    g_Config.SetSystem(system);
    g_Config.SetShowPanel("0");
    ASSERT_EQ(g_Config.Save(), 1);
  }
  // Opens the page with a current library, so that the first check asks nothing.
  void Open(ScriptedSysPage& page, const std::string& word30 = "2026-12-01 10:00:00") {
    m_install.WriteProgramFile("iplib.db", "1|2|CN|11|0");
    CIniReader(Build::Panel).SetWord30(word30);
    ASSERT_TRUE(page.Create());
  }
  std::string OpLog() {
    std::string text;
    const auto rc = platform::fs::ReadFile(DailyLogPath(g_LogDir), text);
    EXPECT_TRUE(rc == platform::fs::kOk || rc == platform::fs::kFileNotFound) << rc.Text();
    return text;
  }
};

TEST_F(PropDlgSysTest, OpeningWithTheSwitchOffUnloadsTheFilterWithoutSaving) {
  StoreSwitch("0");
  const std::string stamp = m_install.ProgramDir() + "iis/apply.db";
  ASSERT_EQ(platform::fs::DeleteFile(stamp), platform::fs::kOk);
  ScriptedSysPage page;
  Open(page);
  Host().RunFor(2000);
  EXPECT_EQ(StubArgs("QoripTools"), "-unload_isapi\n");
  EXPECT_EQ(page.ItemText(kIdcSysMasterSwitch), "系统总开关（已关闭）");
  EXPECT_EQ(page.IsItemChecked(kIdcSysMasterSwitch), 0);
  EXPECT_EQ(page.ColorsOf(page.Item(kIdcSysMasterSwitch)).text, ui::Rgb(255, 0, 0));
  EXPECT_FALSE(platform::fs::Exists(stamp));
  EXPECT_EQ(OpLog(), "");
  EXPECT_EQ(page.ItemText(kIdcSysIpLibTime), "IP库时间：2026-12-01 10:00:00");
  EXPECT_TRUE(Host().MessageBoxes().empty());
}

TEST_F(PropDlgSysTest, TurningTheSwitchOnSavesLoadsTheFilterAndAsksForARestart) {
  StoreSwitch("0");
  ScriptedSysPage page;
  Open(page);
  Host().RunFor(2000);
  ASSERT_TRUE(page.Click(kIdcSysMasterSwitch));
  EXPECT_EQ(StubArgs("QoripTools"), "-unload_isapi\n-load_isapi\n");
  EXPECT_EQ(page.ItemText(kIdcSysMasterSwitch), "系统总开关（已开启）");
  EXPECT_EQ(page.ColorsOf(page.Item(kIdcSysMasterSwitch)).text, ui::Rgb(11, 109, 18));
  EXPECT_TRUE(page.IsItemEnabled(kIdcSysMasterSwitch));
  EXPECT_EQ(g_Global.m_bNeedRestartIis.load(), 1);
  EXPECT_NE(OpLog().find("[保存]开启网站访问控制系统"), std::string::npos);
  CConfig reread;
  reread.SetModuleDir(m_install.ProgramDir());
  reread.SetKey(g_Config.GetKey());
  ASSERT_EQ(reread.Load(), 1);
  EXPECT_EQ(reread.GetSystem(), "1");
  EXPECT_EQ(reread.GetSystemVersion(), "1.3.2");
  Host().RunFor(500);
  EXPECT_EQ(page.ItemText(kIdcSysRestartHint), "配置变更，需要重启IIS立即生效");
}

TEST_F(PropDlgSysTest, AFailedSaveTurnsTheSwitchBackAndSaysSo) {
  StoreSwitch("0");
  ScriptedSysPage page;
  Open(page);
  Host().RunFor(2000);
  {
    platform::faults::Guard faults;
    faults.When([](const platform::faults::Call& c) {
      return c.Changes() && c.path.find("config.db") != std::string_view::npos ? platform::faults::Fault::Fail(28) : platform::faults::Fault{};
    });
    Host().ExpectMessageBox("发生错误，保存失败！", kIdOk);
    page.Click(kIdcSysMasterSwitch);
  }
  EXPECT_EQ(page.IsItemChecked(kIdcSysMasterSwitch), 0);
  EXPECT_EQ(page.ItemText(kIdcSysMasterSwitch), "系统总开关（已关闭）");
  EXPECT_EQ(g_Config.GetSystem(), "0");
  EXPECT_EQ(g_Global.m_bNeedRestartIis.load(), 0);
  EXPECT_EQ(OpLog(), "");
}

TEST_F(PropDlgSysTest, AnEmptyLibraryTimeOffersTheDownloadEvenWithALibrary) {
  StoreSwitch("0");
  ScriptedSysPage page;
  Open(page, "");
  EXPECT_EQ(page.ItemText(kIdcSysIpLibTime), "IP库时间：-");
  Host().RunFor(1900);
  EXPECT_TRUE(Host().MessageBoxes().empty());
  Host().ExpectMessageBox("IP库不存在或IP库时间不正确", kIdCancel);
  Host().RunFor(100);
  ASSERT_EQ(Host().MessageBoxes().size(), 1u);
  EXPECT_EQ(Host().MessageBoxes()[0].caption, "通知");
  EXPECT_TRUE(page.urls.empty());
  // The check runs once only.
  Host().RunFor(5000);
  EXPECT_EQ(Host().MessageBoxes().size(), 1u);
}

TEST_F(PropDlgSysTest, AStoppedServiceAndAFailingAdministrationAreReported) {
  m_install.WriteMachineIni("adsi=0\n");
  StoreSwitch("0");
  ScriptedSysPage page;
  page.serviceRuns = 0;
  Open(page);
  Host().ExpectMessageBox("系统进程被停止", kIdCancel);
  Host().ExpectMessageBox("ADSI检测发生错误", kIdOk);
  Host().RunFor(2000);
  ASSERT_EQ(Host().MessageBoxes().size(), 2u);
  EXPECT_EQ(Host().MessageBoxes()[1].caption, "组件错误");
}

struct DownloadCase {
  const char* name;
  bool libraryPresent;
  std::vector<std::pair<int, std::string>> replies;
  const char* box;  // part of the one message shown
  const char* link;
  bool written;
  size_t requests;
};

TEST_F(PropDlgSysTest, DownloadOutcomes) {
  const std::string stored = "2026-12-01 10:00:00";
  const std::string good = "<QorIpTime>2026-12-09 08:00:00</QorIpTime><QorIpCode>" + Code(101) + "</QorIpCode>";
  const DownloadCase cases[] = {
      {"current", true, {{1, "<QorIpTime>2026-12-0110:00:00</QorIpTime><QorIpCode>" + Code(200) + "</QorIpCode>"}},
       "IP库版本已经最新", "[完毕]", false, 1},
      {"missing library never counts as current", false,
       {{1, "<QorIpTime>2026-12-01 10:00:00</QorIpTime><QorIpCode>" + Code(101) + "</QorIpCode>"}},
       "IP库从 2026-12-01 10:00:00 到 2026-12-01 10:00:00 更新完毕！", "[更新]", true, 1},
      {"new library", true, {{1, good}}, "IP库从 2026-12-01 10:00:00 到 2026-12-09 08:00:00 更新完毕！", "[更新]", true, 1},
      {"code of 100 characters", true,
       {{1, "<QorIpTime>2026-12-09</QorIpTime><QorIpCode>" + Code(100) + "</QorIpCode>"}}, "IP库获取数据失败：",
       "[更新]", false, 1},
      {"server error text", true, {{1, "[error]busy</Qor"}}, "发生错误，错误信息：busy</Qor", "[更新]", false, 1},
      {"first untagged, second error judged by tags", true, {{1, "nothing"}, {1, "[error]busy"}},
       "IP库获取数据失败：[error]busy", "[更新]", false, 2},
      {"first untagged, second good", true, {{1, "nothing"}, {1, good}}, "更新完毕", "[更新]", true, 2},
      {"network down", true, {{2, "x"}, {2, "x"}}, "网络错误无法获取，错误信息：x", "[更新]", false, 2},
  };
  StoreSwitch("0");
  for (const DownloadCase& c : cases) {
    SCOPED_TRACE(c.name);
    ScriptedSysPage page;
    Open(page, stored);
    Host().RunFor(2000);
    if (!c.libraryPresent) {
      ASSERT_EQ(platform::fs::DeleteFile(m_install.ProgramDir() + "iplib.db"), platform::fs::kOk);
    }
    for (const auto& r : c.replies) page.replies.push_back(r);
    const size_t boxes = Host().MessageBoxes().size();
    Host().ExpectMessageBox(c.box, kIdOk);
    ASSERT_TRUE(page.Click(kIdcSysUpdateIpLib));
    ASSERT_EQ(Host().MessageBoxes().size(), boxes + 1);
    EXPECT_EQ(page.urls.size(), c.requests);
    EXPECT_TRUE(page.updatingDuringRequest);
    EXPECT_FALSE(g_bIpLibUpdating);
    EXPECT_EQ(page.ItemText(kIdcSysUpdateIpLib), c.link);
    EXPECT_TRUE(page.IsItemEnabled(kIdcSysUpdateIpLib));
    const std::string version = c.libraryPresent ? "2026-12-0110:00:00" : "";
    EXPECT_EQ(page.urls[0].rfind("http://one.test/ip?f=ui&t=qorip&tm=" + version + "&tk=", 0), 0u);
    EXPECT_EQ(page.urls[0].size(), std::string("http://one.test/ip?f=ui&t=qorip&tm=&tk=").size() + version.size() + 11);
    std::string lib;
    EXPECT_EQ(platform::fs::ReadFile(m_install.ProgramDir() + "iplib.db", lib).Ok(), c.written || c.libraryPresent);
    const std::string word30 = CIniReader(Build::Panel).GetWord30();
    if (c.written) {
      EXPECT_EQ(lib, GetTagValue(c.replies.back().second, "<QorIpCode>", "</QorIpCode>"));
      EXPECT_EQ(word30, GetTagValue(c.replies.back().second, "<QorIpTime>", "</QorIpTime>"));
      EXPECT_EQ(page.ItemText(kIdcSysIpLibTime), "IP库时间：" + word30);
      EXPECT_EQ(g_Global.m_strIpLibTime, word30);
    } else {
      EXPECT_EQ(lib, c.libraryPresent ? "1|2|CN|11|0" : "");
      EXPECT_EQ(word30, stored);
    }
    page.DestroyWindow();
  }
}

TEST_F(PropDlgSysTest, AFailedLibraryWriteKeepsTheOldLibraryAndVersion) {
  StoreSwitch("0");
  ScriptedSysPage page;
  Open(page);
  Host().RunFor(2000);
  page.replies.push_back({1, "<QorIpTime>2026-12-09</QorIpTime><QorIpCode>" + Code(300) + "</QorIpCode>"});
  {
    platform::faults::Guard faults;
    faults.When([](const platform::faults::Call& c) {
      return c.Changes() && c.path.find("iplib") != std::string_view::npos ? platform::faults::Fault::Fail(28) : platform::faults::Fault{};
    });
    Host().ExpectMessageBox("发生错误，保存失败！", kIdOk);
    page.Click(kIdcSysUpdateIpLib);
  }
  EXPECT_EQ(m_install.ReadProgramFile("iplib.db"), "1|2|CN|11|0");
  EXPECT_EQ(CIniReader(Build::Panel).GetWord30(), "2026-12-01 10:00:00");
  EXPECT_EQ(page.ItemText(kIdcSysUpdateIpLib), "[更新]");
}

TEST_F(PropDlgSysTest, HidingTheTrayWithoutATrayProgramWritesWord5AndRemovesAutorun) {
  StoreSwitch("0");
  g_Config.SetShowPanel("1");
  ASSERT_EQ(g_Config.Save(), 1);
  ScriptedSysPage page;
  page.trayRuns = 0;
  Open(page);
  // Shown but not running: the page starts it and sets its autorun value.
  ASSERT_EQ(Host().ShellOpens().size(), 1u);
  EXPECT_EQ(Host().ShellOpens()[0].parameters, "-autorun");
  EXPECT_EQ(page.IsItemChecked(kIdcSysShowTray), 1);
  Host().RunFor(2000);
  page.Click(kIdcSysShowTray);
  EXPECT_EQ(g_Config.GetShowPanel(), "0");
  EXPECT_EQ(CIniReader(Build::Panel).ReadValue("System", "Word5"), "99");
  EXPECT_EQ(CHardware().RemoveTrayAutorun(), 0);
}

TEST_F(PropDlgSysTest, AFailedTraySaveLeavesBoxTrayAndAutorunAsTheyWere) {
  StoreSwitch("0");
  g_Config.SetShowPanel("1");
  ASSERT_EQ(g_Config.Save(), 1);
  ScriptedSysPage page;
  page.trayRuns = 0;
  Open(page);
  Host().RunFor(2000);
  {
    platform::faults::Guard faults;
    faults.When([](const platform::faults::Call& c) {
      return c.Changes() && c.path.find("config.db") != std::string_view::npos ? platform::faults::Fault::Fail(28) : platform::faults::Fault{};
    });
    Host().ExpectMessageBox("发生错误，保存失败！", kIdOk);
    page.Click(kIdcSysShowTray);
  }
  EXPECT_EQ(page.IsItemChecked(kIdcSysShowTray), 1);
  EXPECT_EQ(g_Config.GetShowPanel(), "1");
  EXPECT_EQ(CIniReader(Build::Panel).ReadValue("System", "Word5"), "");
  EXPECT_EQ(CHardware().RemoveTrayAutorun(), 1);
}

TEST_F(PropDlgSysTest, RestartingIisClearsTheHintWhenItEnds) {
  StoreSwitch("0");
  ScriptedSysPage page;
  Open(page);
  Host().RunFor(2000);
  g_Global.m_bNeedRestartIis = 1;
  Host().RunFor(500);
  ASSERT_EQ(page.ItemText(kIdcSysRestartHint), "配置变更，需要重启IIS立即生效");
  Host().ExpectMessageBox("是否重启IIS服务？", kIdNo);
  page.Click(kIdcSysRestartIis);
  EXPECT_TRUE(page.IsItemEnabled(kIdcSysRestartIis));
  Host().ExpectMessageBox("是否重启IIS服务？", kIdYes);
  page.Click(kIdcSysRestartIis);
  EXPECT_EQ(page.ItemText(kIdcSysRestartIis), "重启中..");
  EXPECT_FALSE(page.IsItemEnabled(kIdcSysRestartIis));
  page.JoinThreads();
  Host().RunPending();
  EXPECT_TRUE(page.IsItemEnabled(kIdcSysRestartIis));
  EXPECT_EQ(page.ItemText(kIdcSysRestartIis), "重启IIS");
  EXPECT_EQ(g_Global.m_bNeedRestartIis.load(), 0);
  Host().RunFor(500);
  EXPECT_EQ(page.ItemText(kIdcSysRestartHint), "");
}

TEST_F(PropDlgSysTest, RepairReportListsEveryFailingStepInOrderAndWritesTheRecord) {
  StoreSwitch("0");
  ScriptedSysPage page;
  Open(page);
  Host().RunFor(2000);
  ASSERT_EQ(platform::fs::DeleteFile(m_install.ProgramDir() + "QoripTools"), platform::fs::kOk);
  for (const char* f : {"iis/config.db", "iis/config.ini", "iis/qorip64.dll", "iis/qorip.dll"})
    m_install.WriteProgramFile(f, "x");
  const std::string dir = m_install.ProgramDir();
  Host().ExpectMessageBox("软件修复完毕，修复报告如下：", kIdOk);
  page.Click(kIdcSysRepair);
  ASSERT_EQ(Host().MessageBoxes().size(), 1u);
  EXPECT_EQ(Host().MessageBoxes()[0].text,
            "软件修复完毕，修复报告如下："
            "\n\n· 修复IIS辅助设置发生错误：IIS操作文件[" + dir + "QoripTools]不存在，修复失败。"
            "\n\n· 修复托盘图标发生错误：托盘文件[" + dir + "QoripPanel]不存在，修复托盘失败。"
            "\n\n· 修复系统服务发生错误：关键文件：" + dir + "qoripsvc 不存在，无法修复。");
  EXPECT_EQ(Host().MessageBoxes()[0].caption, "完成");
  EXPECT_TRUE(page.IsItemEnabled(kIdcSysRepair));
  CIniReader record = RecordFileReader();
  EXPECT_EQ(record.ReadValue("qor", "version"), "1.3.2");
  EXPECT_EQ(record.ReadValue("qor", "apppath"), dir);
  EXPECT_FALSE(record.ReadValue("qor", "settime").empty());
  EXPECT_NE(OpLog().find("[操作]修复网站访问控制系统。"), std::string::npos);
}

TEST_F(PropDlgSysTest, TheSiteCountArrivesFromItsThread) {
  ASSERT_EQ(platform::iis::Seed(6), platform::iis::kOk);
  StringList comments, folders, users, states;
  const int sites = GetIisSiteInfo(comments, folders, users, states);
  ASSERT_GT(sites, 0);
  StoreSwitch("0");
  ScriptedSysPage page;
  Open(page);
  page.JoinThreads();
  Host().RunPending();
  EXPECT_EQ(page.ItemText(kIdcSysSiteCount), "网站个数：" + std::to_string(sites) + " 个");
}

TEST_F(PropDlgSysTest, ColoursCursorAndSeparator) {
  StoreSwitch("0");
  ScriptedSysPage page;
  Open(page);
  Host().RunFor(2000);
  EXPECT_EQ(page.ColorsOf(page.Item(kIdcSysRestartHint)).text, ui::Rgb(255, 0, 0));
  EXPECT_EQ(page.ColorsOf(page.Item(kIdcSysUpdateIpLib)).text, ui::Rgb(0, 0, 255));
  EXPECT_TRUE(page.ColorsOf(page.Item(kIdcSysOsName)).transparent);
  EXPECT_EQ(page.OnSetCursor(kIdcSysUpdateIpLib), ui::Cursor::Hand);
  EXPECT_NE(page.OnSetCursor(kIdcSysOsName), ui::Cursor::Hand);
  bool line = false;
  for (const std::string& op : Host().PaintDialog(page))
    if (op.find("line") != std::string::npos && op.find("430") != std::string::npos) line = true;
  EXPECT_TRUE(line);
}

}  // namespace

TEST_F(PropDlgSysTest, ALibraryTheTableCannotReadIsRefusedWithItsReason) {
  StoreSwitch("0");
  struct Case {
    const char* name;
    std::string code;
    const char* reason;
  } cases[] = {
      {"zero bytes", Code(150) + std::string(50, '\0') + "garbage", "IP库数据含有空字节"},
      {"no record", std::string(300, 'Q') + "|" + std::string(300, 'Z'), "IP库数据中没有可用的记录"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ScriptedSysPage page;
    Open(page);
    Host().RunFor(2000);
    page.replies.push_back({1, "<QorIpTime>2026-12-09</QorIpTime><QorIpCode>" + c.code + "</QorIpCode>"});
    Host().ExpectMessageBox(std::string("IP库获取数据失败：") + c.reason + "\n\n参考：", kIdOk);
    const size_t boxes = Host().MessageBoxes().size();
    ASSERT_TRUE(page.Click(kIdcSysUpdateIpLib));
    ASSERT_EQ(Host().MessageBoxes().size(), boxes + 1);
    EXPECT_EQ(Host().MessageBoxes().back().caption, "错误");
    EXPECT_EQ(m_install.ReadProgramFile("iplib.db"), "1|2|CN|11|0");
    EXPECT_EQ(CIniReader(Build::Panel).GetWord30(), "2026-12-01 10:00:00");
    EXPECT_EQ(page.ItemText(kIdcSysUpdateIpLib), "[更新]");
    EXPECT_FALSE(g_bIpLibUpdating);
    page.DestroyWindow();
  }
}

TEST_F(PropDlgSysTest, TheFirstChecksOfferDuringARunningDownloadLeavesItAlone) {
  StoreSwitch("0");
  ScriptedSysPage page;
  // No library: two seconds after opening, the page offers the download.
  ASSERT_TRUE(page.Create());
  const std::string good = "<QorIpTime>2026-12-09 08:00:00</QorIpTime><QorIpCode>" + Code(101) + "</QorIpCode>";
  page.replies.push_back({1, good});
  bool stateKept = false;
  // The user starts the download first; the offer comes while it waits, and is taken.
  Host().ExpectMessageBox("IP库不存在或IP库时间不正确", kIdOk);
  page.whileWaiting = [&] {
    Host().RunFor(2500);
    stateKept = g_bIpLibUpdating && !page.IsItemEnabled(kIdcSysUpdateIpLib) &&
                page.ItemText(kIdcSysUpdateIpLib) == "[更新中..]";
  };
  Host().ExpectMessageBox("更新到 2026-12-09 08:00:00 完毕", kIdOk);
  ASSERT_TRUE(page.Click(kIdcSysUpdateIpLib));
  EXPECT_TRUE(stateKept) << "the offer's refused request ended the running download's state";
  for (const auto& box : Host().MessageBoxes()) EXPECT_EQ(box.text.find("网络错误"), std::string::npos) << box.text;
  EXPECT_EQ(page.urls.size(), 1u);
  EXPECT_EQ(m_install.ReadProgramFile("iplib.db"), Code(101));
  EXPECT_EQ(page.ItemText(kIdcSysUpdateIpLib), "[更新]");
  EXPECT_TRUE(page.IsItemEnabled(kIdcSysUpdateIpLib));
  EXPECT_FALSE(g_bIpLibUpdating);
}

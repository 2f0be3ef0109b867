// The main window on the test host, with stand-in pages, splash, update request and
// IIS restart, in a temporary installation.
#include "panel/qor_ip_dlg.h"

#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <memory>
#include <thread>

#include "common/chttp.h"
#include "common/ini_reader.h"
#include "common/program_paths.h"
#include "common/system_info.h"
#include "platform/ui/ui_hooks.h"
#include "panel/panel_globals.h"
#include "resources/panel_ids.h"
#include "resources/panel_main_ids.h"
#include "resources/panel_resources.h"
#include "tests/support/temp_install.h"
#include "tests/support/wait.h"
#include "tests/ui/ui_host_fixture.h"

namespace {

using namespace res::panel;

constexpr int kStubSystem = 9130, kStubRules = 9129, kStubLogs = 9131;

ui::DialogTemplate StubPage(int id) {
  ui::DialogTemplate t;
  t.id = id;
  t.style = ui::dialog_style::kChild;
  t.cx = 430;
  t.cy = 254;
  t.fontFace = "宋体";
  return t;
}

class TestMainDlg : public CQorIPDlg {
 public:
  int splashRuns = 0;
  int restarts = 0;
  int updateResult = CHttp::kDone;
  std::string updateReply;
  std::string requestedUrl;

 protected:
  std::unique_ptr<ui::Dialog> MakeSystemPage() override { return std::make_unique<ui::Dialog>(kStubSystem); }
  std::unique_ptr<ui::Dialog> MakeRulesPage() override { return std::make_unique<ui::Dialog>(kStubRules); }
  std::unique_ptr<ui::Dialog> MakeLogsPage() override { return std::make_unique<ui::Dialog>(kStubLogs); }
  void RunStartSplash() override { ++splashRuns; }
  int RequestUpdate(const std::string& url, std::string& reply) override {
    requestedUrl = url;
    reply = updateReply;
    return updateResult;
  }
  void RestartIis() override { ++restarts; }
};

class QorIPDlgTest : public qortest::UiHostTest {
 protected:
  QorIPDlgTest() : m_resources(res::PanelResources()) {
    m_install.WriteMachineIni();
    for (int id : {kStubSystem, kStubRules, kStubLogs}) m_resources.AddDialog(StubPage(id));
    UseResources(m_resources);
    g_Global.m_bNeedRestartIis = 1;
  }
  ~QorIPDlgTest() override { m_dlg.DestroyWindow(); }

  // Opens the window with the notice list the fetcher answers.
  void Open(int fetchResult = 0, const std::string& reply = std::string()) {
    m_dlg.SetNoticeFetcher([fetchResult, reply](const std::string&, std::string& out) {
      out = reply;
      return fetchResult;
    });
    ASSERT_TRUE(m_dlg.Create(nullptr));
  }
  // Runs the virtual clock until the notice thread has handed its result over.
  void WaitForNotices(size_t count) {
    Host().RunFor(CQorIPDlg::kNoticeFetchDelayMs);
    qortest::WaitFor([&] {
      Host().RunPending();
      return m_dlg.NoticeList().size() >= count;
    });
    ASSERT_EQ(m_dlg.NoticeList().size(), count);
  }

  qortest::TempInstall m_install;
  ui::ResourceSet m_resources;
  TestMainDlg m_dlg;
};

std::string Item(const std::string& soft, const std::string& url, const std::string& title) {
  return "<soft>" + soft + "</soft><url>" + url + "</url><title>" + title + "</title><color>red</color>";
}

TEST_F(QorIPDlgTest, StartUpSetsUpWindowPagesAndRecord) {
  Open();
  EXPECT_EQ(m_dlg.splashRuns, 1);
  EXPECT_EQ(m_dlg.WindowText(), "Qor·网站访问控制系统 - V1.3.2");
  EXPECT_EQ(m_dlg.WindowRect().Width(), 670);
  EXPECT_EQ(m_dlg.WindowRect().Height(), 490);
  EXPECT_FALSE(m_dlg.IsMinimized());
  EXPECT_FALSE(m_dlg.IsItemVisible(kIdcLookupTest));
  EXPECT_EQ(m_dlg.ItemText(kIdcCloseText), "");
  EXPECT_EQ(m_dlg.IconId(), kIconProgram);
  EXPECT_EQ(g_Global.m_bNeedRestartIis, 0);
  EXPECT_EQ(g_ProgramDir, m_install.ProgramDir());
  ASSERT_EQ(m_dlg.SystemMenu().size(), 2u);
  EXPECT_EQ(m_dlg.SystemMenu()[0].first, 0);
  EXPECT_EQ(m_dlg.SystemMenu()[1], (std::pair<int, std::string>{kCmdAbout, "关于 Qor·网站访问控制系统(&A)..."}));
  EXPECT_TRUE(Host().HasTimer(m_dlg, CQorIPDlg::kNoticeTimer));
  // Minimised while the splash ran, restored afterwards.
  auto captions = Host().LogStartingWith("caption 102");
  ASSERT_GE(captions.size(), 2u);
  EXPECT_EQ(captions.front(), "caption 102 网站访问控制系统 - V1.3.2");

  ASSERT_EQ(m_dlg.CurrentPage(), m_dlg.SystemPage());
  for (ui::Dialog* page : {m_dlg.SystemPage(), m_dlg.RulesPage(), m_dlg.LogsPage()}) {
    ASSERT_TRUE(page->IsCreated());
    EXPECT_EQ(page->Parent(), &m_dlg);
    EXPECT_EQ(page->WindowRect(), ui::Rect::FromSize(10, 88, 646, 381));
  }
  EXPECT_TRUE(m_dlg.SystemPage()->IsVisible());
  EXPECT_FALSE(m_dlg.RulesPage()->IsVisible());
  EXPECT_FALSE(m_dlg.LogsPage()->IsVisible());

  CIniReader record = RecordFileReader();
  EXPECT_EQ(record.ReadValue("qor", "version"), "1.3.2");
  EXPECT_FALSE(record.ReadValue("qor", "settime").empty());
  EXPECT_EQ(record.ReadValue("qor", "apppath"), GetModuleDir());
}

TEST_F(QorIPDlgTest, RecordKeepsItsStartTimeAndFollowsAMovedProgram) {
  {
    CIniReader record = RecordFileReader();
    record.WriteValue("1.0.0", "version", "qor");
    record.WriteValue("2020-01-02 03:04:05", "settime", "qor");
    record.WriteValue("/old/place/", "apppath", "qor");
  }
  Open();
  CIniReader record = RecordFileReader();
  EXPECT_EQ(record.ReadValue("qor", "version"), "1.3.2");
  EXPECT_EQ(record.ReadValue("qor", "settime"), "2020-01-02 03:04:05");
  EXPECT_EQ(record.ReadValue("qor", "apppath"), m_install.ProgramDir());
}

TEST_F(QorIPDlgTest, ExactlyOnePageIsShownAtATime) {
  Open();
  struct Step {
    int button;
    ui::Dialog* (CQorIPDlg::*page)() const;
  };
  const Step steps[] = {{kIdcRulesTab, &CQorIPDlg::RulesPage},  {kIdcRulesTab, &CQorIPDlg::RulesPage},
                        {kIdcLogsTab, &CQorIPDlg::LogsPage},    {kIdcSystemTab, &CQorIPDlg::SystemPage},
                        {kIdcLogsTab, &CQorIPDlg::LogsPage},    {kIdcRulesTab, &CQorIPDlg::RulesPage}};
  for (const Step& s : steps) {
    EXPECT_TRUE(m_dlg.Click(s.button));
    ui::Dialog* wanted = (m_dlg.*s.page)();
    EXPECT_EQ(m_dlg.CurrentPage(), wanted);
    for (ui::Dialog* page : {m_dlg.SystemPage(), m_dlg.RulesPage(), m_dlg.LogsPage()})
      EXPECT_EQ(page->IsVisible(), page == wanted) << s.button;
  }
}

TEST_F(QorIPDlgTest, EscapeEnterAndF1NeverClose) {
  Open();
  for (ui::Key key : {ui::Key::Escape, ui::Key::Enter, ui::Key::F1}) {
    EXPECT_TRUE(Host().PressKey(m_dlg, key));
    EXPECT_FALSE(m_dlg.HasEnded());
  }
  // Keys from inside a page reach the window too.
  EXPECT_TRUE(Host().PressKey(*m_dlg.SystemPage(), ui::Key::Escape));
  EXPECT_FALSE(m_dlg.HasEnded());
}

TEST_F(QorIPDlgTest, CloseButtonWithNothingPendingClosesAtOnce) {
  Open();
  EXPECT_TRUE(m_dlg.Click(kIdcCloseButton));
  EXPECT_TRUE(m_dlg.HasEnded());
  EXPECT_EQ(m_dlg.Result(), kIdOk);
  EXPECT_TRUE(Host().MessageBoxes().empty());
  EXPECT_EQ(m_dlg.restarts, 0);
}

TEST_F(QorIPDlgTest, CloseButtonOffersThePendingIisRestart) {
  struct Case {
    int answer;
    int restarts;
    int pendingAfter;
  };
  for (const Case c : {Case{kIdYes, 1, 0}, Case{kIdNo, 0, 1}}) {
    TestMainDlg dlg;
    dlg.SetNoticeFetcher(nullptr);
    ASSERT_TRUE(dlg.Create(nullptr));
    g_Global.m_bNeedRestartIis = 1;
    Host().ExpectMessageBox("需要立即重启IIS吗？", c.answer);
    dlg.Click(kIdcCloseButton);
    EXPECT_TRUE(dlg.HasEnded());
    EXPECT_EQ(dlg.restarts, c.restarts);
    EXPECT_EQ(g_Global.m_bNeedRestartIis, c.pendingAfter);
    ASSERT_FALSE(Host().MessageBoxes().empty());
    EXPECT_EQ(Host().MessageBoxes().back().caption, "Qor");
    EXPECT_EQ(Host().MessageBoxes().back().flags, unsigned(kMbYesNo | kMbIconQuestion));
    dlg.DestroyWindow();
  }
}

TEST_F(QorIPDlgTest, TheCloseTextAndOkClose) {
  for (int id : {kIdcCloseText, int(kIdOk)}) {
    TestMainDlg dlg;
    dlg.SetNoticeFetcher(nullptr);
    ASSERT_TRUE(dlg.Create(nullptr));
    dlg.SendCommand(id);
    EXPECT_TRUE(dlg.HasEnded()) << id;
    dlg.DestroyWindow();
  }
}

TEST_F(QorIPDlgTest, AboutCommandOpensTheAboutBoxIgnoringTheLowBits) {
  Open();
  for (int command : {kCmdAbout, kCmdAbout | 0x7}) {
    std::string version;
    Host().WhenShown(kDlgAbout, [&](ui::Dialog& d) {
      version = d.ItemText(kIdcAboutVersion);
      d.SendCommand(kIdOk);
    });
    m_dlg.SysCommand(command);
    EXPECT_EQ(version, "版本号：V1.3.2") << command;
  }
  // Other commands open nothing.
  m_dlg.SysCommand(0xF020);
  EXPECT_EQ(Host().LogStartingWith("create 100").size(), 2u);
}

TEST_F(QorIPDlgTest, LinksOpenTheirAddresses) {
  Open();
  m_dlg.Click(kIdcGuideLink);
  // Before any notice is shown the notice line opens the default address.
  m_dlg.Click(kIdcNoticeLink);
  ASSERT_EQ(Host().ShellOpens().size(), 2u);
  EXPECT_EQ(Host().ShellOpens()[0].file, "http://www.qorip.example/help/guide/");
  EXPECT_EQ(Host().ShellOpens()[0].verb, "open");
  EXPECT_EQ(Host().ShellOpens()[1].file, m_dlg.DefaultNoticeAddress());
  EXPECT_FALSE(m_dlg.DefaultNoticeAddress().empty());
  for (int id : {kIdcGuideLink, kIdcNoticeLink, kIdcUpdateLink}) EXPECT_EQ(m_dlg.OnSetCursor(id), ui::Cursor::Hand);
  EXPECT_EQ(m_dlg.OnSetCursor(kIdcMainTitle), ui::Cursor::Default);
}

TEST_F(QorIPDlgTest, ColoursOfTitleStaticsButtonsAndTheWindow) {
  Open();
  const ui::ControlColors title = m_dlg.ColorsOf(m_dlg.Item(kIdcMainTitle));
  ASSERT_TRUE(title.hasText);
  EXPECT_EQ(title.text, ui::Rgb(255, 255, 255));
  EXPECT_TRUE(title.transparent);
  const ui::ControlColors link = m_dlg.ColorsOf(m_dlg.Item(kIdcNoticeLink));
  EXPECT_TRUE(link.transparent);
  EXPECT_FALSE(link.hasText);
  EXPECT_EQ(link.pattern, nullptr);
  const ui::ControlColors button = m_dlg.ColorsOf(m_dlg.Item(kIdcRulesTab));
  EXPECT_TRUE(button.transparent);
  EXPECT_EQ(button.pattern, ui::LoadBitmap(kBmpBackground));
  EXPECT_NE(m_dlg.ColorsOf(nullptr).pattern, nullptr);
  auto painted = Host().PaintDialog(m_dlg);
  ASSERT_FALSE(painted.empty());
  EXPECT_EQ(painted.front().rfind("pattern", 0), 0u) << painted.front();
}

// --- notices ---

TEST(ParsePromoListTest, KeepsItemsForThisProgramOnly) {
  struct Case {
    const char* name;
    std::string reply;
    StringList kept;
  };
  const std::string a = Item("*", "http://a.example/", "first");
  const std::string b = Item("qorsms,other", "http://b.example/", "second");
  const Case cases[] = {
      {"no list tags", a + "##" + b, {}},
      {"every program and this one", "<qorads>" + a + "##" + b + "</qorads>", {a, b}},
      {"excluded", "<qorads>" + Item("*,!qorsms", "u", "t") + "##" + a + "</qorads>", {a}},
      {"another program", "<qorads>" + Item("othersms", "u", "t") + "</qorads>", {}},
      {"missing colour", "<qorads><soft>*</soft><url>u</url><title>t</title></qorads>", {}},
      {"short pieces dropped", "<qorads>##1234567##" + a + "</qorads>", {a}},
      {"lower-cased on arrival", "<QORADS><SOFT>*</SOFT><URL>U</URL><TITLE>Big</TITLE><COLOR>x</COLOR></QORADS>",
       {Item("*", "u", "big").substr(0, 0) + "<soft>*</soft><url>u</url><title>big</title><color>x</color>"}},
  };
  for (const Case& c : cases) EXPECT_EQ(CQorIPDlg::ParsePromoList(c.reply), c.kept) << c.name;
}

TEST_F(QorIPDlgTest, NoticesRotateInOrderAndStartOver) {
  const std::string reply = "<qorads>" + Item("*", "http://a.example/", "first 一") + "##" +
                            Item("qorsms", "http://b.example/", "second") + "</qorads>";
  Open(1, reply);
  WaitForNotices(2);
  // The first rotation comes 3000 ms after the start.
  Host().RunFor(CQorIPDlg::kNoticeTimerMs - CQorIPDlg::kNoticeFetchDelayMs);
  const char* titles[] = {"FIRST 一", "SECOND", "FIRST 一"};
  const char* urls[] = {"http://a.example/", "http://b.example/", "http://a.example/"};
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(m_dlg.ItemText(kIdcNoticeLink), titles[i]) << i;
    EXPECT_EQ(m_dlg.NoticeAddress(), urls[i]) << i;
    Host().RunFor(CQorIPDlg::kNoticeTimerMs);
  }
  m_dlg.Click(kIdcNoticeLink);
  ASSERT_FALSE(Host().ShellOpens().empty());
  EXPECT_EQ(Host().ShellOpens().back().file, "http://b.example/");
}

TEST_F(QorIPDlgTest, AFailedOrEmptyNoticeListShowsTheDefaultNotice) {
  // Counts what other threads hand to the window's thread: with nothing to show, the
  // notice thread's hand-over is the only sign that its fetch is done.
  struct CountingHost : ui::TestHost {
    const std::thread::id window = std::this_thread::get_id();
    std::atomic<int> posts{0};
    void Post(std::function<void()> fn) override {
      ui::TestHost::Post(std::move(fn));
      if (std::this_thread::get_id() != window) ++posts;
    }
  } host;
  host.SetFailureHandler([](const std::string& m) { ADD_FAILURE() << platform::GbkToUtf8(m); });
  for (int fetch : {0, 1}) {
    TestMainDlg dlg;
    dlg.SetNoticeFetcher([fetch](const std::string&, std::string& out) {
      out = "nothing here";
      return fetch;
    });
    ASSERT_TRUE(dlg.Create(nullptr));
    const int before = host.posts;
    host.RunFor(CQorIPDlg::kNoticeFetchDelayMs);
    ASSERT_TRUE(qortest::WaitFor([&] { return host.posts > before; }));
    host.RunPending();
    host.RunFor(CQorIPDlg::kNoticeTimerMs);
    EXPECT_TRUE(dlg.NoticeList().empty());
    EXPECT_EQ(dlg.ItemText(kIdcNoticeLink), dlg.DefaultNoticeTitle()) << fetch;
    EXPECT_EQ(dlg.NoticeAddress(), dlg.DefaultNoticeAddress());
    EXPECT_EQ(dlg.DefaultNoticeTitle(), "欢迎使用Qor网站访问控制系统");
    dlg.DestroyWindow();
  }
}

// --- update check ---

TEST_F(QorIPDlgTest, UpdateCheckReportsEveryKindOfReply) {
  struct Case {
    int result;
    std::string reply;
    std::string text;
    std::string caption;
    unsigned icon;
  };
  const std::string newer = "<Version>1.4.0</Version><Describe>a<p>b|c</Describe><UpdateUrl>x</UpdateUrl>";
  const Case cases[] = {
      {CHttp::kNetworkError, "x", "网络连接失败！请检查您的计算机能否访问网络。", "错误", kMbIconError},
      {CHttp::kFailed, "", "发生错误！\n\n错误信息：", "错误", kMbIconWarning},
      {CHttp::kDone, "[error]busy[error]", "发生错误！\n\n错误信息：busy", "错误", kMbIconWarning},
      {CHttp::kDone, "[error]" + newer, "发生错误！\n\n错误信息：" + newer, "错误", kMbIconWarning},
      {CHttp::kDone, newer, "发现新版本。\n\n新版本号：1.4.0\n\n升级描述：a\r\nb\r\nc\n\n请注意升级。", "提示",
       kMbIconInformation},
      {CHttp::kDone, "<Version>1.3.2</Version></UpdateUrl>", "目前版本已经是最新版本，暂不需要升级。", "提示",
       kMbIconInformation},
      {CHttp::kDone, "<Version>1.10.0</Version></UpdateUrl>", "目前版本已经是最新版本，暂不需要升级。", "提示",
       kMbIconInformation},
      {CHttp::kDone, "一二三四五六七八九十abc", "数据错误：一二三四五六七八九十", "提示", kMbIconInformation},
      {CHttp::kDone, "a一二三四五六七八九十", "数据错误：a一二三四五六七八九", "提示", kMbIconInformation},
  };
  Open();
  g_Global.m_strUpdateUrl = "http://u.example/update.php";
  for (const Case& c : cases) {
    m_dlg.updateResult = c.result;
    m_dlg.updateReply = c.reply;
    Host().ExpectMessageBox(c.text, kIdOk);
    m_dlg.Click(kIdcUpdateLink);
    ASSERT_FALSE(Host().MessageBoxes().empty());
    const auto& box = Host().MessageBoxes().back();
    EXPECT_EQ(box.text, c.text);
    EXPECT_EQ(box.caption, c.caption);
    EXPECT_EQ(box.flags, c.icon);
    EXPECT_TRUE(m_dlg.IsItemEnabled(kIdcUpdateLink));
  }
  EXPECT_EQ(m_dlg.requestedUrl, "http://u.example/update.php?t=qorip&f=ui&v=1.3.2");
  // The link was off while the request ran.
  EXPECT_FALSE(Host().LogStartingWith("enable 102 1116 0").empty());
}

TEST_F(QorIPDlgTest, LookupTestShowsTheStartOfTheUnscrambledLibrary) {
  m_install.WriteProgramFile("iplib.db", std::string(150, 'a'));
  Open();
  Host().ExpectMessageBox("时间 ", kIdOk);
  m_dlg.OnLookupTest();
  ASSERT_EQ(Host().MessageBoxes().size(), 1u);
  const std::string& text = Host().MessageBoxes()[0].text;
  EXPECT_EQ(text.rfind("时间 0 毫秒,", 0), 0u);
  EXPECT_EQ(text.size(), std::string("时间 0 毫秒,").size() + 100);
  EXPECT_EQ(Host().MessageBoxes()[0].caption, "QorIP");
}

TEST_F(QorIPDlgTest, ClosingDoesNotWaitForARunningNoticeFetch) {
  auto gate = std::make_shared<std::promise<void>>();
  std::shared_future<void> opened = gate->get_future().share();
  auto started = std::make_shared<std::promise<void>>();
  std::future<void> startedNow = started->get_future();
  auto finished = std::make_shared<std::atomic<bool>>(false);
  auto returned = std::make_shared<std::promise<void>>();
  std::future<void> returnedNow = returned->get_future();
  {
    TestMainDlg dlg;
    // A fetch that hangs until the test lets it go (or gives up after a while).
    dlg.SetNoticeFetcher([=](const std::string&, std::string&) {
      started->set_value();
      opened.wait_for(std::chrono::seconds(5));
      finished->store(true);
      returned->set_value();
      return 0;
    });
    ASSERT_TRUE(dlg.Create(nullptr));
    Host().RunFor(CQorIPDlg::kNoticeFetchDelayMs);
    ASSERT_EQ(startedNow.wait_for(std::chrono::seconds(10)), std::future_status::ready);
    dlg.DestroyWindow();
  }
  // The window and its object are gone while the fetch still hangs.
  EXPECT_FALSE(finished->load());
  gate->set_value();
  returnedNow.wait();
  Host().RunPending();
}

}  // namespace

namespace {

// The window with the real pages, as the program runs it.
class RealPagesDlg : public CQorIPDlg {
 protected:
  void RunStartSplash() override {}
};

TEST_F(QorIPDlgTest, TheRealPagesAreCreatedFromTheirTemplates) {
  RealPagesDlg dlg;
  dlg.SetNoticeFetcher(nullptr);
  ASSERT_TRUE(dlg.Create(nullptr));
  const int templates[] = {kDlgSystemPage, kDlgRulesPage, kDlgLogsPage};
  ui::Dialog* pages[] = {dlg.SystemPage(), dlg.RulesPage(), dlg.LogsPage()};
  for (int i = 0; i < 3; ++i) {
    ASSERT_TRUE(pages[i]->IsCreated()) << templates[i];
    EXPECT_EQ(pages[i]->TemplateId(), templates[i]);
    EXPECT_EQ(pages[i]->IsVisible(), i == 0);
  }
  dlg.DestroyWindow();
}

}  // namespace

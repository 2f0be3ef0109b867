// The detailed log viewer on the test host, over a temporary log folder.
#include "panel/dialog_log_show.h"

#include <gtest/gtest.h>

#include "platform/ui/ui_hooks.h"
#include "resources/panel_ids.h"
#include "resources/panel_log_ids.h"
#include "tests/panel/log_test_support.h"

namespace {

using namespace res::panel;
namespace fs = platform::fs;

std::string Line(const std::string& type, const std::string& detail = "/a.asp") {
  return "2016-9-20 1:02:03\t" + type + "\t禁止访问\t1.2.3.4\t" + detail;
}

class DialogLogShowTest : public qortest::LogTest {
 protected:
  // Opens the viewer modeless and lets its first load run.
  void Open(CDialogLogShow& dlg) {
    ASSERT_TRUE(dlg.Create());
    Host().RunFor(100);
  }
  static std::string Status(CDialogLogShow& dlg) { return dlg.ItemText(kIdcShowStatus); }
};

TEST_F(DialogLogShowTest, ListsTheDaysNewestFirstAndOpensTheNewest) {
  WriteLog("qor2016-9-9.log", Line("URL") + "\n");
  WriteLog("qorbackup.log", "x\n");
  WriteLog("QOR2016.LOG", "x\n");
  WriteLog("QOR2016-09-10.LOG", Line("IP") + "\n" + Line("IP") + "\n");
  CDialogLogShow dlg(Context());
  Open(dlg);
  EXPECT_EQ(Rows(dlg.m_listDays),
            (std::vector<std::vector<std::string>>{{"2", "2016-09-10", "QOR2016-09-10.LOG"},
                                                   {"1", "2016-09-09", "qor2016-9-9.log"}}));
  EXPECT_EQ(dlg.ItemText(kIdcShowDaysCaption), "总日志数[2]天");
  EXPECT_EQ(dlg.DayText(), "2016-09-10");
  // The upper-case name still opens on a case-sensitive file system.
  EXPECT_EQ(dlg.FilePath(), LogDir() + "QOR2016-09-10.LOG");
  EXPECT_EQ(dlg.m_listEntries.GetItemCount(), 2);
  EXPECT_EQ(Status(dlg), "处理完毕.");
  EXPECT_EQ(dlg.WindowText(), "详细日志管理器 - Qor·网站访问控制系统");
  EXPECT_EQ(dlg.IconId(), kIconProgram);
}

TEST_F(DialogLogShowTest, NoLogsGiveANotice) {
  CDialogLogShow dlg(Context());
  Open(dlg);
  EXPECT_EQ(dlg.ItemText(kIdcShowEntriesCaption), "暂无日志.");
  EXPECT_EQ(Status(dlg), "完毕.");
  EXPECT_EQ(dlg.ItemText(kIdcShowDaysCaption), "总日志数[0]天");
}

TEST_F(DialogLogShowTest, TheRememberedDayWins) {
  WriteLog("qor2016-09-10.log", Line("IP") + "\n");
  WriteLog("qor2016-09-11.log", Line("URL") + "\n");
  m_logDate = "2016-09-10";
  CDialogLogShow dlg(Context());
  Open(dlg);
  EXPECT_EQ(dlg.DayText(), "2016-09-10");
  EXPECT_EQ(dlg.FilePath(), LogDir() + "qor2016-09-10.log");  // no remembered path: the chosen name
  EXPECT_EQ(dlg.m_listEntries.GetItemText(0, 2), "IP");
  // A remembered path decides which file is read.
  m_logFile = LogDir() + "qor2016-09-11.log";
  dlg.OnReload();
  Host().RunFor(100);
  EXPECT_EQ(dlg.FilePath(), m_logFile);
  EXPECT_EQ(dlg.DayText(), "2016-09-10");
  EXPECT_EQ(dlg.m_listEntries.GetItemText(0, 2), "URL");
}

TEST_F(DialogLogShowTest, SortsLinesIntoTheFirstMatchingType) {
  const std::string both = "2016-9-20 1:02:03\tIP\t禁止访问\t1.2.3.4\t\t时间\t";
  WriteLog("qor2016-09-20.log", Line("区域") + "\n" + both + "\n" + Line("代理") + "\n" + Line("时间") + "\n" +
                                     Line("浏览器") + "\n" + "plain line\n\n" + Line("OS") + "\n");
  CDialogLogShow dlg(Context());
  Open(dlg);
  const struct {
    int tab;
    const char* caption;
    size_t lines;
  } cases[] = {{0, "总数(7)", 7},  {1, "区域(1)", 1}, {2, "IP(1)", 1},     {3, "URL(0)", 0},
               {4, "蜘蛛(0)", 0},  {5, "代理(1)", 1}, {6, "时间(1)", 1},   {7, "来路(0)", 0},
               {8, "浏览器(1)", 1}, {9, "OS(1)", 1},  {10, "其 他(1)", 1}};
  for (const auto& c : cases) {
    EXPECT_EQ(dlg.m_tabTypes.ItemText(c.tab), c.caption);
    EXPECT_EQ(dlg.LineCount(c.tab), c.lines) << c.tab;
  }
  EXPECT_EQ(dlg.Line(2, 0), both);
  EXPECT_EQ(dlg.Line(10, 0), "plain line");
}

TEST_F(DialogLogShowTest, PagesOfFiftyAndTheLastPage) {
  WriteLog("qor2016-09-20.log", Lines(120, Line("URL")) + Line("IP") + "\n");
  CDialogLogShow dlg(Context());
  Open(dlg);
  dlg.UserSelectTab(kIdcShowTabs, 3);
  EXPECT_EQ(dlg.PageCount(), 3);
  EXPECT_EQ(Status(dlg), "页码:1/3。显示第1-50条,总121条.");
  dlg.Click(kIdcShowLast);
  EXPECT_EQ(dlg.m_listEntries.GetItemCount(), 20);
  EXPECT_EQ(dlg.m_listEntries.GetItemText(0, 0), "101");
  EXPECT_EQ(dlg.m_listEntries.GetItemText(19, 0), "120");
  EXPECT_EQ(Status(dlg), "页码:3/3。显示第101-120条,总121条.");
  // Beyond the last page: nothing happens.
  Host().ClearLog();
  dlg.Click(kIdcShowNext);
  EXPECT_TRUE(Host().LogStartingWith("text 150 1099").empty());
  dlg.Click(kIdcShowPrev);
  EXPECT_EQ(dlg.CurrentPage(), 2);
  dlg.Click(kIdcShowFirst);
  EXPECT_EQ(dlg.PageShown(), 1);
  EXPECT_EQ(dlg.ItemText(kIdcShowEntriesCaption), LogDir() + "qor2016-09-20.log 的日志条数 121,符合条件数:50");
}

TEST_F(DialogLogShowTest, AnEmptyTypeShowsPageOneOfNone) {
  WriteLog("qor2016-09-20.log", Line("IP") + "\n" + Line("IP") + "\n");
  CDialogLogShow dlg(Context());
  Open(dlg);
  dlg.UserSelectTab(kIdcShowTabs, 4);
  EXPECT_EQ(dlg.m_listEntries.GetItemCount(), 0);
  EXPECT_EQ(Status(dlg), "页码:1/0。显示第1-0条,总2条.");
  dlg.Click(kIdcShowNext);
  dlg.Click(kIdcShowLast);
  EXPECT_EQ(dlg.CurrentPage(), 1);
}

TEST_F(DialogLogShowTest, ShortLinesAreCountedButNotShown) {
  WriteLog("qor2016-09-20.log",
           "2016-9-9 1:02:03\tURL\t-\t禁止访问\n"
           "2016-9-20 1:02:03\t管理\t用户设置\t-\t[删除]删除日志文件:x(root)\n");
  CDialogLogShow dlg(Context());
  Open(dlg);
  ASSERT_EQ(dlg.m_listEntries.GetItemCount(), 1);
  EXPECT_EQ(Rows(dlg.m_listEntries)[0], (std::vector<std::string>{"1", "2016-9-20 1:02:03", "管理", "用户设置",
                                                                  "[删除]删除日志文件:x(root)", "-"}));
  EXPECT_EQ(dlg.m_tabTypes.ItemText(0), "总数(2)");
  EXPECT_EQ(Status(dlg), "处理完毕.");
  dlg.UserSelectTab(kIdcShowTabs, 0);
  EXPECT_EQ(Status(dlg), "页码:1/1。显示第1-1条,总2条.");
}

TEST_F(DialogLogShowTest, KeywordIsCaseBlindAndShownLowerCase) {
  WriteLog("qor2016-09-20.log", Line("URL", "/ABC.asp") + "\n" + Line("URL", "/x.asp") + "\n");
  CDialogLogShow dlg(Context());
  Open(dlg);
  dlg.UserEdit(kIdcShowKeyword, "AbC");
  ASSERT_EQ(dlg.m_listEntries.GetItemCount(), 1);
  EXPECT_EQ(dlg.m_listEntries.GetItemText(0, 5), "/ABC.asp");
  EXPECT_EQ(dlg.ItemText(kIdcShowKeyword), "abc");
  // The keyword stays for another tab.
  dlg.UserSelectTab(kIdcShowTabs, 3);
  EXPECT_EQ(dlg.m_listEntries.GetItemCount(), 1);
}

// A keyword pages over its hits: 100 hits among 300 lines are two pages of 50, each hit once.
TEST_F(DialogLogShowTest, KeywordPagesOverItsHitsOnly) {
  std::string text;
  for (int i = 0; i < 100; ++i)
    text += Line("URL", "/hit" + std::to_string(i) + ".asp") + "\n" + Lines(2, Line("URL", "/x.asp"));
  WriteLog("qor2016-09-20.log", text);
  CDialogLogShow dlg(Context());
  Open(dlg);
  dlg.UserEdit(kIdcShowKeyword, "hit");
  EXPECT_EQ(Status(dlg), "页码:1/2。显示第1-50条,总100条.");
  dlg.Click(kIdcShowNext);
  EXPECT_EQ(Status(dlg), "页码:2/2。显示第51-100条,总100条.");
  ASSERT_EQ(dlg.m_listEntries.GetItemCount(), 50);
  EXPECT_EQ(dlg.m_listEntries.GetItemText(0, 5), "/hit50.asp");
  EXPECT_EQ(dlg.m_listEntries.GetItemText(49, 5), "/hit99.asp");
}

TEST_F(DialogLogShowTest, AnotherTabStartsAtItsFirstPage) {
  WriteLog("qor2016-09-20.log", Lines(60, Line("URL")) + Lines(70, Line("IP")));
  CDialogLogShow dlg(Context());
  Open(dlg);
  dlg.Click(kIdcShowNext);
  ASSERT_EQ(dlg.PageShown(), 2);
  dlg.UserSelectTab(kIdcShowTabs, 2);
  EXPECT_EQ(dlg.PageShown(), 1);
  dlg.Click(kIdcShowNext);
  EXPECT_EQ(Status(dlg), "页码:2/2。显示第51-70条,总130条.");
  EXPECT_EQ(dlg.m_listEntries.GetItemText(0, 2), "IP");
}

TEST_F(DialogLogShowTest, KeysTurnPagesAndEnterNeverCloses) {
  WriteLog("qor2016-09-20.log", Lines(120, Line("URL")));
  CDialogLogShow dlg(Context());
  Open(dlg);
  dlg.UserFocus(kIdcShowKeyword);
  EXPECT_TRUE(Host().PressKey(dlg, ui::Key::Enter));
  EXPECT_FALSE(dlg.HasEnded());
  const struct {
    ui::Key key;
    int page;
  } steps[] = {{ui::Key::Right, 2}, {ui::Key::PageDown, 3}, {ui::Key::Right, 3}, {ui::Key::Left, 2},
               {ui::Key::PageUp, 1}, {ui::Key::Left, 1}};
  for (const auto& s : steps) {
    EXPECT_TRUE(Host().PressKey(dlg, s.key));
    EXPECT_EQ(dlg.PageShown(), s.page);
  }
  Host().PressKey(dlg, ui::Key::Escape);
  EXPECT_TRUE(dlg.HasEnded());
}

TEST_F(DialogLogShowTest, ChoosingADayRemembersIt) {
  WriteLog("qor2016-09-19.log", Line("IP") + "\n");
  WriteLog("qor2016-09-20.log", Line("URL") + "\n" + Line("URL") + "\n");
  CDialogLogShow dlg(Context());
  Open(dlg);
  dlg.UserSelectTab(kIdcShowTabs, 3);
  dlg.ClickRow(kIdcShowDays, 1);
  EXPECT_EQ(m_logDate, "2016-09-19");
  EXPECT_EQ(m_logFile, LogDir() + "qor2016-09-19.log");
  EXPECT_EQ(dlg.TabIndex(), 0);
  EXPECT_EQ(dlg.m_tabTypes.GetCurSel(), 0);
  EXPECT_EQ(dlg.m_tabTypes.ItemText(0), "总数(1)");
  EXPECT_EQ(dlg.m_listEntries.GetItemText(0, 2), "IP");
  // Enter on the day list does the same.
  dlg.m_listDays.SetItemSelected(1, false);
  dlg.m_listDays.SetItemSelected(0, true);
  dlg.UserFocus(kIdcShowDays);
  Host().PressKey(dlg, ui::Key::Enter);
  EXPECT_EQ(m_logDate, "2016-09-20");
}

TEST_F(DialogLogShowTest, DeletingTheDayOnDisplayReloadsAndForgetsIt) {
  WriteLog("qor2016-09-18.log", Line("IP") + "\n");
  WriteLog("qor2016-09-19.log", Line("URL") + "\n");
  m_logFile = LogDir() + "qor2016-09-19.log";
  m_logDate = "2016-09-19";
  CDialogLogShow dlg(Context());
  Open(dlg);
  Host().ExpectMessageBox("确定要删除[" + m_logFile + "]的所有日志吗？删除后将不可恢复！", kIdNo);
  dlg.SendCommand(kCmdShowDeleteDay);
  EXPECT_TRUE(fs::IsFile(m_logFile));
  const std::string deleted = m_logFile;
  Host().ExpectMessageBox("确定要删除[", kIdYes);
  dlg.SendCommand(kCmdShowDeleteDay);
  EXPECT_FALSE(fs::Exists(deleted));
  EXPECT_TRUE(m_logFile.empty());
  Host().RunFor(10);
  // The operation log made today's file, the newest day.
  EXPECT_EQ(dlg.ItemText(kIdcShowDaysCaption), "总日志数[2]天");
  EXPECT_EQ(dlg.DayText(), "2016-09-20");
  EXPECT_NE(m_install.ReadProgramFile("log/qor2016-09-20.log").find("[删除]删除日志：" + deleted), std::string::npos);
}

TEST_F(DialogLogShowTest, AMissingDayFileIsReported) {
  WriteLog("qor2016-09-19.log", Line("URL") + "\n");
  m_logFile = LogDir() + "qor2016-01-01.log";
  CDialogLogShow dlg(Context());
  Host().ExpectMessageBox("日志[" + m_logFile + "]不存在！", kIdOk);
  Open(dlg);
  EXPECT_EQ(dlg.ItemText(kIdcShowEntriesCaption), "所选日志文件不存在！");
  EXPECT_EQ(Host().MessageBoxes().back().caption, "日志不存在");
}

TEST_F(DialogLogShowTest, DetailBoxShowsTheSelectedEntry) {
  WriteLog("qor2016-09-20.log", Line("URL", "/a.asp") + "\n");
  CDialogLogShow dlg(Context());
  Open(dlg);
  dlg.SendCommand(kCmdShowDetail);  // nothing selected: no box
  EXPECT_TRUE(Host().MessageBoxes().empty());
  Host().ExpectMessageBox(
      "序号:1\n\n时间:2016-9-20 1:02:03\n\n类型:URL\n\n操作:禁止访问\n\n详细:1.2.3.4\n\n备注:/a.asp", kIdOk);
  dlg.DoubleClick(kIdcShowEntries, 0);
  EXPECT_EQ(Host().MessageBoxes().back().caption, "Qor详细日志(摁下Ctrl+C可复制文字内容)");
}

TEST_F(DialogLogShowTest, MenusOpenTheFolderAndReload) {
  WriteLog("qor2016-09-20.log", Line("URL") + "\n");
  CDialogLogShow dlg(Context());
  Open(dlg);
  Host().ExpectMenu(kCmdShowOpenFolder);
  dlg.RightClick(kIdcShowEntries, 0, ui::Point{1, 1});
  Host().RunPending();
  ASSERT_EQ(Host().ShellOpens().size(), 1u);
  EXPECT_EQ(Host().ShellOpens()[0].file, LogDir());
  WriteLog("qor2016-09-19.log", Line("URL") + "\n");
  Host().ExpectMenu(kCmdShowReload);
  dlg.RightClick(kIdcShowDays, 0, ui::Point{1, 1});
  Host().RunPending();
  Host().RunFor(100);
  EXPECT_EQ(dlg.m_listDays.GetItemCount(), 2);
}

TEST_F(DialogLogShowTest, LayoutFollowsTheWindowSize) {
  WriteLog("qor2016-09-20.log", Line("URL") + "\n");
  CDialogLogShow dlg(Context());
  Open(dlg);
  const struct {
    int w, detail;
  } cases[] = {{1000, 300}, {1300, 400}};
  for (const auto& c : cases) {
    dlg.HostResized(c.w, 700);
    EXPECT_EQ(dlg.m_listEntries.ColumnWidth(5), c.detail) << c.w;
    EXPECT_EQ(dlg.m_listEntries.ColumnWidth(4), 150);
    EXPECT_EQ(dlg.ItemRect(kIdcShowTabs).right, c.w - 10);
    EXPECT_EQ(dlg.ItemRect(kIdcShowEntries).bottom, 670);
    EXPECT_EQ(dlg.ItemRect(kIdcShowDays).bottom, 670);
    EXPECT_EQ(dlg.ItemRect(kIdcShowStatus).top, 680);
    EXPECT_EQ(dlg.ItemRect(kIdcShowKeyword).bottom, 697);
  }
  EXPECT_EQ(dlg.OnSetCursor(kIdcShowNext), ui::Cursor::Hand);
  EXPECT_EQ(dlg.OnSetCursor(kIdcShowKeyword), ui::Cursor::Default);
}

}  // namespace

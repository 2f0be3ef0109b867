// The log page on the test host, over a temporary log folder.
#include "panel/prop_dlg_log.h"

#include <gtest/gtest.h>

#include "platform/ui/ui_hooks.h"
#include "resources/panel_ids.h"
#include "resources/panel_log_ids.h"
#include "tests/panel/log_test_support.h"

namespace {

using namespace res::panel;
namespace fs = platform::fs;

// Stands in for the modal viewer and notes what it would open on.
class TestPage : public CPropDlgLog {
 public:
  using CPropDlgLog::CPropDlgLog;
  int viewers = 0;

 protected:
  void RunViewer() override { ++viewers; }
};

class PropDlgLogTest : public qortest::LogTest {
 protected:
  // Creates the page and lets its first indexing run.
  void Open(TestPage& page) {
    ASSERT_TRUE(page.Create());
    Host().RunFor(300);
  }
  void Reindex(TestPage& page, const std::string& days) {
    page.SetItemText(kIdcLogShowDays, days);
    page.IndexLogFiles();
  }
};

TEST_F(PropDlgLogTest, ListsRecentNonEmptyDailyLogsAndCountsEveryDailyName) {
  WriteLog("qor2016-09-20.log", Lines(3, "a\tURL\tb\tc"));
  WriteLog("qor2016-9-19.log", "x\n\ny\n");
  WriteLog("qor2016-09-09.log", "old\n");    // 11 days old
  WriteLog("qor2016-09-18.log", "\n\r\n");   // no entry
  WriteLog("debug.log", "z\n");
  WriteLog("qor.log", "z\n");
  ASSERT_EQ(fs::MakeDir(LogDir() + "sub"), fs::kOk);
  TestPage page(Context());
  Open(page);
  EXPECT_EQ(page.ItemText(kIdcLogShowDays), "10");
  // Each row goes to the top; the folder lists names in byte order.
  EXPECT_EQ(Rows(page.m_listLogs),
            (std::vector<std::vector<std::string>>{{"2", "2016-09-19", "2", LogDir() + "qor2016-9-19.log"},
                                                   {"1", "2016-09-20", "3", LogDir() + "qor2016-09-20.log"}}));
  EXPECT_EQ(page.ItemText(kIdcLogHint), "完毕，列表 2 项 / 总 4 项。");
  EXPECT_TRUE(page.IsItemEnabled(kIdcLogRefresh));
  EXPECT_EQ(page.m_listLogs.ColumnWidth(3), 0);
}

TEST_F(PropDlgLogTest, NumberOfDaysToShow) {
  WriteLog("qor2016-09-20.log", "a\n");
  WriteLog("qor2016-09-19.log", "a\n");
  WriteLog("qor2016-09-09.log", "a\n");
  WriteLog("qor2000-01-01.log", "a\n");
  // A day after today (a clock set back, or a log written ahead) has a negative age: it
  // is listed for every count above that age, and a negative count lists only such days.
  WriteLog("qor2016-09-25.log", "a\n");
  TestPage page(Context());
  Open(page);
  const struct {
    const char* days;
    int rows;
  } cases[] = {{"1", 2}, {"2", 3}, {"10", 3}, {"12", 4}, {"0", 5}, {"abc", 5}, {"-3", 1}};
  for (const auto& c : cases) {
    Reindex(page, c.days);
    EXPECT_EQ(page.m_listLogs.GetItemCount(), c.rows) << c.days;
  }
  Reindex(page, "1");
  EXPECT_EQ(page.m_listLogs.GetItemText(0, 1), "2016-09-25");
  EXPECT_EQ(page.m_listLogs.GetItemText(1, 1), "2016-09-20");
}

TEST_F(PropDlgLogTest, CountsFrom999OnCarryAPlus) {
  WriteLog("qor2016-09-20.log", Lines(998, "a"));
  WriteLog("qor2016-09-19.log", Lines(999, "a"));
  WriteLog("qor2016-09-18.log", Lines(1500, "a"));
  TestPage page(Context());
  Open(page);
  EXPECT_EQ(page.m_listLogs.GetItemText(0, 2), "998");
  EXPECT_EQ(page.m_listLogs.GetItemText(1, 2), "1000+");  // the count stops at 999 lines
  EXPECT_EQ(page.m_listLogs.GetItemText(2, 2), "1000+");
}

TEST_F(PropDlgLogTest, MissingLogFolderIsReported) {
  ASSERT_EQ(fs::RemoveTree(LogDir()), fs::kOk);
  TestPage page(Context());
  Host().ExpectMessageBox("日志目录不存在！", kIdOk);
  Open(page);
  EXPECT_EQ(page.m_listLogs.GetItemCount(), 0);
  EXPECT_TRUE(page.IsItemEnabled(kIdcLogRefresh));
}

TEST_F(PropDlgLogTest, SavesTheSettingsWithTheSmallestDeletionAgeOfFive) {
  const struct {
    const char* typed;
    const char* stored;
  } cases[] = {{"", "0"}, {"0", "0"}, {"1", "5"}, {"4", "5"}, {"-2", "5"}, {"5", "5"}, {"30", "30"}};
  for (const auto& c : cases) {
    TestPage page(Context());
    Open(page);
    page.CheckItem(kIdcLogOn, 0);
    page.SetItemText(kIdcLogDelDays, c.typed);
    Host().ExpectMessageBox("保存成功，重启IIS才能立即生效。", kIdOk);
    page.Click(kIdcLogSave);
    EXPECT_EQ(page.ItemText(kIdcLogDelDays), c.stored) << c.typed;
    CConfig reread;
    ASSERT_EQ(reread.Load(), 1);
    EXPECT_EQ(reread.GetLogDelDays(), c.stored) << c.typed;
    EXPECT_EQ(reread.GetLogOn(), "0");
    page.DestroyWindow();
  }
  EXPECT_EQ(Host().MessageBoxes().back().caption, "Qor");
}

TEST_F(PropDlgLogTest, ChangedNumberOfDaysRebuildsTheListAfterSaving) {
  WriteLog("qor2016-09-20.log", "a\n");
  WriteLog("qor2016-09-09.log", "a\n");
  TestPage page(Context());
  Open(page);
  ASSERT_EQ(page.m_listLogs.GetItemCount(), 1);
  page.SetItemText(kIdcLogShowDays, "30");
  Host().ExpectMessageBox("保存成功", kIdOk);
  page.Click(kIdcLogSave);
  EXPECT_TRUE(Host().HasTimer(page, 1));
  Host().RunFor(100);
  EXPECT_EQ(page.m_listLogs.GetItemCount(), 2);
  // Unchanged: no rebuild.
  Host().ExpectMessageBox("保存成功", kIdOk);
  page.Click(kIdcLogSave);
  EXPECT_FALSE(Host().HasTimer(page, 1));
}

TEST_F(PropDlgLogTest, AFailedSaveIsNotReportedAsSaved) {
  CConfig unloaded;  // never loaded: the store refuses to save
  m_config.SetLogOn("1");
  LogContext context{unloaded, m_logFile, m_logDate, ui::Font{}, ui::Font{}};
  TestPage page(context);
  Open(page);
  Host().ExpectMessageBox("保存失败", kIdOk);
  page.Click(kIdcLogSave);
  EXPECT_EQ(Host().MessageBoxes().back().flags & kMbIconError, unsigned(kMbIconError));
}

TEST_F(PropDlgLogTest, DeletingADayAsksAndLogsTheDeletion) {
  WriteLog("qor2016-09-19.log", "a\n");
  const std::string path = LogDir() + "qor2016-09-19.log";
  TestPage page(Context());
  Open(page);
  page.m_listLogs.SetItemSelected(0, true);
  Host().ExpectMessageBox("确定删除日志文件[" + path + "]吗？删除后不能恢复。", kIdNo);
  page.SendCommand(kCmdLogDeleteDay);
  EXPECT_TRUE(fs::IsFile(path));
  EXPECT_EQ(page.m_listLogs.GetItemCount(), 1);

  Host().ExpectMessageBox("确定删除日志文件[", kIdYes);
  page.SendCommand(kCmdLogDeleteDay);
  EXPECT_FALSE(fs::Exists(path));
  EXPECT_EQ(page.m_listLogs.GetItemCount(), 0);
  EXPECT_EQ(Host().MessageBoxes().back().caption, "日志删除确认");
  const std::string today = m_install.ReadProgramFile("log/qor2016-09-20.log");
  EXPECT_NE(today.find("[删除]删除日志文件:" + path), std::string::npos);
}

TEST_F(PropDlgLogTest, DeletingAVanishedDayReportsIt) {
  WriteLog("qor2016-09-19.log", "a\n");
  TestPage page(Context());
  Open(page);
  ASSERT_EQ(fs::DeleteFile(LogDir() + "qor2016-09-19.log"), fs::kOk);
  page.m_listLogs.SetItemSelected(0, true);
  Host().ExpectMessageBox("]不存在，删除失败！", kIdOk);
  page.SendCommand(kCmdLogDeleteDay);
  EXPECT_EQ(page.m_listLogs.GetItemCount(), 1);
  // Nothing selected: nothing asked.
  page.m_listLogs.SetItemSelected(0, false);
  page.SendCommand(kCmdLogDeleteDay);
}

TEST_F(PropDlgLogTest, ClearingKeepsTheRowsThatCouldNotBeDeleted) {
  WriteLog("qor2016-09-18.log", "a\n");
  WriteLog("qor2016-09-19.log", "a\n");
  WriteLog("qor2016-09-17.log", "a\n");
  TestPage page(Context());
  Open(page);
  ASSERT_EQ(page.m_listLogs.GetItemCount(), 3);
  // A folder where the file was: the deletion is refused.
  const std::string locked = LogDir() + "qor2016-09-18.log";
  ASSERT_EQ(fs::DeleteFile(locked), fs::kOk);
  ASSERT_EQ(fs::MakeDir(locked), fs::kOk);
  Host().ExpectMessageBox("确定要清理所有日志文件吗？", kIdYes);
  Host().ExpectMessageBox("操作完成，成功删除日志文件 2 个，失败 1 个。", kIdOk);
  page.SendCommand(kCmdLogClear);
  ASSERT_EQ(page.m_listLogs.GetItemCount(), 1);
  EXPECT_EQ(page.m_listLogs.GetItemText(0, 1), "2016-09-18");
  EXPECT_EQ(page.m_listLogs.GetItemText(0, 3), "删除失败：[5]");
  EXPECT_FALSE(fs::Exists(LogDir() + "qor2016-09-17.log"));
}

TEST_F(PropDlgLogTest, ClearingAnEmptyListOrDecliningDoesNothing) {
  WriteLog("qor2016-09-19.log", "a\n");
  TestPage page(Context());
  Open(page);
  Host().ExpectMessageBox("确定要清理所有日志文件吗？", kIdNo);
  page.SendCommand(kCmdLogClear);
  EXPECT_TRUE(fs::IsFile(LogDir() + "qor2016-09-19.log"));
  page.m_listLogs.DeleteAllItems();
  page.SendCommand(kCmdLogClear);  // no box
  EXPECT_EQ(Host().MessageBoxes().size(), 1u);
}

TEST_F(PropDlgLogTest, DoubleClickRemembersTheDayAndOpensTheViewer) {
  WriteLog("qor2016-9-19.log", "a\n");
  TestPage page(Context());
  Open(page);
  page.DoubleClick(kIdcLogList, -1);  // nothing selected
  EXPECT_EQ(page.viewers, 0);
  page.DoubleClick(kIdcLogList, 0);
  EXPECT_EQ(page.viewers, 1);
  EXPECT_EQ(m_logFile, LogDir() + "qor2016-9-19.log");
  EXPECT_EQ(m_logDate, "2016-09-19");
  page.Click(kIdcLogShowDetail);
  EXPECT_EQ(page.viewers, 2);
}

TEST_F(PropDlgLogTest, RightClickShowsTheListMenuAndRunsItsCommands) {
  TestPage page(Context());
  Open(page);
  EXPECT_EQ(page.m_listLogs.GetItemCount(), 0);
  WriteLog("qor2016-09-19.log", "a\n");
  Host().ExpectMenu(kCmdLogRefresh);
  page.RightClick(kIdcLogList, -1, ui::Point{5, 5});
  Host().RunPending();
  EXPECT_EQ(page.m_listLogs.GetItemCount(), 1);
  EXPECT_EQ(Host().Menus().back().commands,
            (std::vector<int>{kCmdLogViewDetail, kCmdLogDeleteDay, kCmdLogClear, kCmdLogRefresh, kCmdLogOpenFolder}));
  Host().ExpectMenu(kCmdLogOpenFolder);
  page.RightClick(kIdcLogList, 0, ui::Point{5, 5});
  Host().RunPending();
  ASSERT_EQ(Host().ShellOpens().size(), 1u);
  EXPECT_EQ(Host().ShellOpens()[0].file, LogDir());
  EXPECT_EQ(Host().ShellOpens()[0].verb, "open");
}

TEST_F(PropDlgLogTest, CheckBoxColourFollowsItsStateAndTakesEffectOnlyBySaving) {
  m_config.SetLogOn("0");
  TestPage page(Context());
  Open(page);
  EXPECT_EQ(page.IsItemChecked(kIdcLogOn), 0);
  EXPECT_EQ(page.ColorsOf(page.Item(kIdcLogOn)).text, ui::Rgb(255, 0, 0));
  page.Click(kIdcLogOn);
  EXPECT_EQ(page.ColorsOf(page.Item(kIdcLogOn)).text, ui::Rgb(11, 109, 18));
  EXPECT_EQ(m_config.GetLogOn(), "0");
  EXPECT_EQ(page.Item(kIdcLogOn)->font, (ui::Font{"宋体", 10, true}));
  EXPECT_TRUE(page.ColorsOf(page.Item(kIdcLogHint)).transparent);
}

}  // namespace

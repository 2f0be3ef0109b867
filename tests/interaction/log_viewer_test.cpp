// The detailed log viewer on a day of a few hundred lines, opened from the log page
// with a double click: tabs by type (the last ones reached with the strip's arrows),
// paging with the links and the keys, numbers of three digits shown whole in their
// narrow column, the keyword search, the detail box, and deleting the day from the
// day list's menu.
#include "tests/interaction/panel_session.h"

#include <algorithm>
#include <cstdio>
#include <ctime>

#include "platform/clock.h"
#include "resources/panel_log_ids.h"
#include "resources/panel_main_ids.h"

namespace {

using namespace res::panel;
using qortest::Hand;
using qortest::Journey;
using qortest::PanelSession;

std::string DayName(int daysBack) {
  const platform::LocalTime t = platform::clock::ToLocal(platform::clock::Now() - daysBack * 86400);
  char buf[32];
  std::snprintf(buf, sizeof buf, "log/qor%04d-%02d-%02d.log", t.year, t.month, t.day);
  return buf;
}

// 320 lines, a quarter each of 区域, IP, URL and 蜘蛛; the IP lines carry addresses
// 10.0.0.0 to 10.0.0.79.
std::string DayOfLines() {
  const char* kinds[] = {"区域", "IP", "URL", "蜘蛛"};
  std::string text;
  for (int i = 0; i < 320; ++i) {
    text += "2026-12-9 10:00:" + std::to_string(i % 60) + "\t" + kinds[i % 4] + "\t拦截访问\t10.0.0." +
            std::to_string(i / 4) + "\t北京市\n";
  }
  return text;
}


struct Seen {
  std::string allTab, ipTab, lastTab, status3, first3, last3, statusIp2, detailText;
  std::string dayAfter;
  int rowsIp2 = -1, keywordRows = -1, keywordMatches = 0, arrowDark = -1, daysAfter = -1;
  bool lastTabChosen = false;
};

TEST(LogViewerTest, TabsPagingSearchDetailAndDeletingADay) {
  PanelSession s;
  s.Install().WriteProgramFile(DayName(0), DayOfLines());
  s.Install().WriteProgramFile(DayName(1), "2026-12-8 9:00:00\tIP\t拦截访问\t10.1.1.1\t上海市\n");
  auto& user = s.User();
  qortest::QuietPanel panel;
  auto viewer = [&user]() -> ui::Dialog& { return *user.Find(kDlgLogShow); };
  auto entries = [&user, viewer] { return user.RowCount(viewer(), kIdcShowEntries); };
  Seen seen;
  Journey j;
  j.Then("main window", [&] { return s.PanelReady(panel); },
         [&] { user.Click(panel, kIdcLogsTab); })
      .Then("log list",
            [&] { return user.Ready(*panel.LogsPage(), kIdcLogList) && user.RowCount(*panel.LogsPage(), kIdcLogList) == 2; },
            [&] { user.DoubleClickRow(*panel.LogsPage(), kIdcLogList, 0); })
      .Then("viewer filled", [&] { return user.Showing(kDlgLogShow) && entries() == 50; },
            [&] {
              seen.allTab = user.TabText(viewer(), kIdcShowTabs, 0);
              seen.ipTab = user.TabText(viewer(), kIdcShowTabs, 2);
              seen.lastTab = user.TabText(viewer(), kIdcShowTabs, 10);
              seen.arrowDark = PanelSession::PixelsDarkerThan(user.ScrollButton(viewer(), kIdcShowTabs, true), 160);
              seen.lastTabChosen = user.ClickTab(viewer(), kIdcShowTabs, 10) && entries() == 0;
              user.ClickTab(viewer(), kIdcShowTabs, 0);
              user.Click(viewer(), kIdcShowNext);
              user.Click(viewer(), kIdcShowNext);
            })
      .Then("page 3", [&] { return viewer().ItemText(kIdcShowStatus).find("页码:3/7") == 0; },
            [&] {
              seen.status3 = viewer().ItemText(kIdcShowStatus);
              seen.first3 = user.CellText(viewer(), kIdcShowEntries, 0, 0);
              seen.last3 = user.CellText(viewer(), kIdcShowEntries, 49, 0);
              user.ClickTab(viewer(), kIdcShowTabs, 2);
              user.ClickRow(viewer(), kIdcShowEntries, 0);
              user.Press(viewer(), Hand::PageDown);
            })
      .Then("IP page 2", [&] { return viewer().ItemText(kIdcShowStatus).find("页码:2/2") == 0; },
            [&] {
              seen.statusIp2 = viewer().ItemText(kIdcShowStatus);
              seen.rowsIp2 = entries();
              user.Type(viewer(), kIdcShowKeyword, "10.0.0.7");
            })
      .Then("keyword", [&] { return viewer().ItemText(kIdcShowStatus) == "页码:1/1。显示第1-11条,总11条."; },
            [&] {
              seen.keywordRows = entries();
              for (int r = 0; r < seen.keywordRows; ++r)
                seen.keywordMatches += user.CellText(viewer(), kIdcShowEntries, r, 4).find("10.0.0.7") == 0;
              user.DoubleClickRow(viewer(), kIdcShowEntries, 0);
            })
      .Then("detail box", [&] { return user.BoxShows() && user.BoxCaption() == "Qor详细日志(摁下Ctrl+C可复制文字内容)"; },
            [&] {
              seen.detailText = user.BoxText();
              user.AnswerBox("确定");
            })
      .Then("day menu", [&] { return !user.BoxShows(); },
            [&] { user.RightClickRow(viewer(), kIdcShowDays, 0); })
      .Then("menu", [&] { return user.MenuShows(); }, [&] { user.ChooseMenu("删除当天日志"); })
      .Then("delete question", [&] { return user.BoxShows() && user.BoxCaption() == "Qor"; },
            [&] { user.AnswerBox("是(&Y)"); })
      // The operation log (on by the defaults the start gave the store) writes the
      // deletion into a new file of the day.
      .Then("reloaded",
            [&] {
              return s.Install().ReadProgramFile(DayName(0)).find("删除日志") != std::string::npos &&
                     user.RowCount(viewer(), kIdcShowDays) == 2;
            },
            [&] {
              seen.daysAfter = user.RowCount(viewer(), kIdcShowDays);
              seen.dayAfter = s.Install().ReadProgramFile(DayName(0));
              user.CloseBox(viewer());
            })
      .Then("viewer closed", [&] { return !user.Find(kDlgLogShow) && user.Ready(panel, kIdcCloseButton); },
            [&] { user.Click(panel, kIdcCloseButton); });
  ASSERT_EQ(s.RunToTheEnd(j, panel), "");

  EXPECT_EQ(seen.allTab, "总数(320)");
  EXPECT_EQ(seen.ipTab, "IP(80)");
  EXPECT_EQ(seen.lastTab, "其 他(0)");
  EXPECT_TRUE(seen.lastTabChosen);
  // The strip is too narrow for eleven tabs: its right arrow shows.
  EXPECT_GT(seen.arrowDark, 0);
  EXPECT_EQ(seen.status3.rfind("页码:3/7。显示第101-150条,总320条.", 0), 0u) << seen.status3;
  EXPECT_EQ(seen.first3, "101");
  EXPECT_EQ(seen.last3, "150");
  EXPECT_EQ(seen.rowsIp2, 30);
  EXPECT_EQ(seen.keywordRows, 11);  // 10.0.0.7 and 10.0.0.70 to 79
  EXPECT_EQ(seen.keywordMatches, seen.keywordRows);
  EXPECT_EQ(seen.detailText.rfind("序号:1\n\n时间:", 0), 0u) << seen.detailText;
  EXPECT_EQ(seen.daysAfter, 2);
  EXPECT_NE(seen.dayAfter.find("[删除]删除日志："), std::string::npos) << seen.dayAfter;
  EXPECT_EQ(std::count(seen.dayAfter.begin(), seen.dayAfter.end(), '\n'), 1) << seen.dayAfter;
  EXPECT_TRUE(s.Exists(DayName(1)));
}

}  // namespace

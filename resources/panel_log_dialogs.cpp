#include "resources/panel_log_dialogs.h"

#include "resources/panel_log_ids.h"

namespace res {

namespace {
using ui::ControlKind;
namespace st = ui::style;
namespace ds = ui::dialog_style;
using namespace res::panel;

ui::DialogTemplate LogPageTemplate() {
  ui::DialogTemplate t;
  t.id = kDlgLogPage;
  t.style = ds::kChild;
  t.cx = 438;
  t.cy = 258;
  t.fontFace = "宋体";
  t.fontPoints = 9;
  t.controls = {
      {kIdcLogOn, ControlKind::CheckBox, "记录日志", 5, 7, 50, 11, st::kAutoCheck | st::kTabStop},
      // Wider to the left than the 93 units the face was measured for, so that the
      // stand-in CJK font does not cut the label short.
      {-1, ControlKind::Static, "自动删除N天之前的日志：", 150, 7, 111, 10, st::kRight},
      {kIdcLogDelDays, ControlKind::Edit, "", 266, 6, 35, 13, st::kBorder | st::kTabStop},
      {-1, ControlKind::Static, "(0表示不删除)", 311, 7, 55, 10, 0},
      {-1, ControlKind::Static, "显示几天内日志：", 196, 23, 66, 10, 0},
      {kIdcLogShowDays, ControlKind::Edit, "", 266, 21, 35, 13, st::kBorder | st::kTabStop},
      {kIdcLogSave, ControlKind::Button, "保存", 334, 20, 34, 15, st::kOwnerDraw | st::kTabStop},
      {kIdcLogListCaption, ControlKind::Static, "日志列表", 5, 27, 99, 10, 0},
      {kIdcLogList, ControlKind::ListView, "", 5, 40, 364, 195, st::kBorder | st::kTabStop | st::kShowSelAlways},
      {kIdcLogShowDetail, ControlKind::Button, "详细日志", 381, 40, 48, 16, st::kOwnerDraw | st::kTabStop},
      {kIdcLogRefresh, ControlKind::Button, "刷 新", 381, 69, 48, 16, st::kOwnerDraw | st::kTabStop},
      {kIdcLogOpenFolder, ControlKind::Button, "日志目录", 381, 99, 48, 16, st::kOwnerDraw | st::kTabStop},
      {kIdcLogHint, ControlKind::Static, "日志列表", 5, 242, 234, 10, 0},
  };
  return t;
}

ui::DialogTemplate LogShowTemplate() {
  ui::DialogTemplate t;
  t.id = kDlgLogShow;
  t.style = ds::kPopup | ds::kCaption | ds::kSysMenu | ds::kMaximizeBox | ds::kResizable | ds::kCentered;
  t.cx = 560;
  t.cy = 330;
  t.caption = "详细日志管理器 - Qor·网站访问控制系统";
  t.fontFace = "宋体";
  t.fontPoints = 9;
  t.controls = {
      {kIdcShowDaysCaption, ControlKind::Static, "详细日期", 5, 5, 105, 10, 0},
      {kIdcShowDays, ControlKind::ListView, "", 5, 16, 105, 292,
       st::kBorder | st::kTabStop | st::kSingleSel | st::kShowSelAlways},
      {kIdcShowEntriesCaption, ControlKind::Static, "详细日志", 115, 5, 440, 10, 0},
      {kIdcShowTabs, ControlKind::Tab, "", 115, 16, 440, 292, st::kTabStop},
      {kIdcShowEntries, ControlKind::ListView, "", 117, 32, 436, 274, st::kBorder | st::kTabStop | st::kShowSelAlways},
      {kIdcShowStatus, ControlKind::Static, "状态栏", 5, 315, 230, 10, 0},
      {kIdcShowKeywordLabel, ControlKind::Static, "关键词", 240, 315, 28, 10, 0},
      {kIdcShowKeyword, ControlKind::Edit, "", 270, 312, 100, 14, st::kBorder | st::kTabStop},
      {kIdcShowSearch, ControlKind::Button, "检索", 374, 312, 36, 14, st::kOwnerDraw | st::kTabStop},
      {kIdcShowFirst, ControlKind::Static, "首页", 420, 315, 20, 10, st::kNotify},
      {kIdcShowPrev, ControlKind::Static, "前一页", 445, 315, 28, 10, st::kNotify},
      {kIdcShowNext, ControlKind::Static, "后一页", 478, 315, 28, 10, st::kNotify},
      {kIdcShowLast, ControlKind::Static, "尾页", 511, 315, 20, 10, st::kNotify},
  };
  return t;
}

}  // namespace

void AddLogDialogs(ui::ResourceSet& set) {
  set.AddDialog(LogPageTemplate());
  set.AddDialog(LogShowTemplate());
}

}  // namespace res

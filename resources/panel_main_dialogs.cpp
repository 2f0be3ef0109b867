#include "resources/panel_main_dialogs.h"

#include "resources/panel_ids.h"
#include "resources/panel_main_ids.h"

namespace res {

namespace {
using ui::ControlKind;
namespace st = ui::style;
namespace ds = ui::dialog_style;

// 670 x 490 pixels at the template's base units (1.5 pixels per unit each way).
ui::DialogTemplate MainTemplate() {
  using namespace res::panel;
  ui::DialogTemplate t;
  t.id = kDlgMain;
  t.style = ds::kPopup | ds::kSysMenu | ds::kCentered | ds::kAppWindow;
  t.cx = 447;
  t.cy = 327;
  t.caption = "Qor·网站访问控制系统";
  t.fontFace = "宋体";
  t.fontPoints = 9;
  t.controls = {
      {kIdcMainTitle, ControlKind::Static, "Qor·网站访问控制系统", 26, 10, 170, 11, 0},
      {kIdcGuideLink, ControlKind::Static, "操作指南", 10, 40, 36, 10, st::kNotify},
      {kIdcUpdateLink, ControlKind::Static, "升级检查", 52, 40, 36, 10, st::kNotify},
      {kIdcSystemTab, ControlKind::Button, "系统设置", 265, 20, 53, 37, st::kTabStop},
      {kIdcRulesTab, ControlKind::Button, "任务管理", 319, 20, 53, 37, st::kTabStop},
      {kIdcLogsTab, ControlKind::Button, "日志查看", 373, 20, 53, 37, st::kTabStop},
      {kIdcCloseText, ControlKind::Static, "关", 392, 4, 10, 10, st::kNotify},
      {kIdcMinimizeButton, ControlKind::Button, "", 408, 3, 16, 16, st::kTabStop},
      {kIdcCloseButton, ControlKind::Button, "", 427, 3, 16, 16, st::kTabStop},
      {kIdcNoticeLink, ControlKind::Static, "Qor·网站访问控制系统", 10, 315, 330, 10, st::kNotify},
      {kIdcLookupTest, ControlKind::Button, "测试", 400, 313, 40, 12, st::kTabStop},
  };
  return t;
}
}  // namespace

void AddMainDialogs(ui::ResourceSet& set) { set.AddDialog(MainTemplate()); }

}  // namespace res

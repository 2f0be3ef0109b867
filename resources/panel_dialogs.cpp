#include "resources/panel_dialogs.h"

#include "platform/ui/ui_hooks.h"
#include "resources/panel_ids.h"

namespace res {

namespace {
using ui::ControlKind;
namespace st = ui::style;
namespace ds = ui::dialog_style;
}  // namespace

ui::DialogTemplate AboutTemplate() {
  ui::DialogTemplate t;
  t.id = panel::kDlgAbout;
  t.style = ds::kPopup | ds::kCaption | ds::kSysMenu | ds::kCentered;
  t.cx = 235;
  t.cy = 72;
  t.caption = "关于 Qor·网站访问控制系统";
  t.fontFace = "宋体";
  t.fontPoints = 9;
  t.controls = {
      {-1, ControlKind::Picture, "", 14, 14, 21, 20, st::kIcon, panel::kIconProgram},
      {-1, ControlKind::Static, "Qor·网站访问控制系统", 46, 14, 150, 10, 0},
      {1113, ControlKind::Static, "版本号：V", 46, 28, 150, 10, 0},
      {1114, ControlKind::Static, "访问产品主页", 46, 42, 60, 10, st::kNotify},
      {kIdOk, ControlKind::Button, "确定", 178, 48, 50, 16, st::kDefault | st::kTabStop | st::kGroup},
  };
  return t;
}

ui::DialogTemplate StartTemplate() {
  ui::DialogTemplate t;
  t.id = panel::kDlgStart;
  t.style = ds::kPopup;
  // 400 x 250 pixels at the template's base units; the splash sizes itself anyway.
  t.cx = 267;
  t.cy = 167;
  t.fontFace = "宋体";
  t.fontPoints = 9;
  t.controls = {
      {-1, ControlKind::Static, "启动画面", 8, 6, 40, 10, 0},
      {panel::kIdcStartProgress, ControlKind::Progress, "", 10, 152, 247, 5, st::kBorder},
      {panel::kIdcStartText, ControlKind::Static, "正在启动", 10, 138, 200, 9, 0},
  };
  return t;
}

}  // namespace res

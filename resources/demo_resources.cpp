#include "resources/demo_resources.h"

#include "platform/ui/ui_hooks.h"
#include "resources/panel_resources.h"

namespace res {

namespace {

ui::DialogTemplate ButtonSampleTemplate() {
  using ui::ControlKind;
  namespace st = ui::style;
  using namespace res::demo;
  ui::DialogTemplate t;
  t.id = kDlgButtonSample;
  t.style = ui::dialog_style::kPopup | ui::dialog_style::kCentered;
  t.cx = 447;  // 670 x 330 pixels, on the main window's background
  t.cy = 220;
  t.fontFace = "宋体";
  t.fontPoints = 9;
  t.controls = {
      {kIdcTitle, ControlKind::Static, "Qor·网站访问控制系统 - 按钮样例", 28, 8, 160, 9, 0},
      {kIdcSystemTab, ControlKind::Button, "系统设置", 120, 20, 54, 38, st::kTabStop},
      {kIdcRulesTab, ControlKind::Button, "任务管理", 180, 20, 54, 38, st::kTabStop},
      {kIdcLogsTab, ControlKind::Button, "日志查看", 240, 20, 54, 38, st::kTabStop},
      {kIdcMinimize, ControlKind::Button, "", 408, 3, 16, 16, st::kTabStop},
      {kIdcClose, ControlKind::Button, "", 427, 3, 16, 16, st::kTabStop},
      {kIdcRestartIis, ControlKind::Button, "重启IIS", 10, 72, 50, 17, st::kTabStop},
      {kIdcRestartService, ControlKind::Button, "重启软件", 70, 72, 50, 17, st::kTabStop},
      {kIdcRepair, ControlKind::Button, "修复软件", 130, 72, 50, 17, st::kTabStop | st::kDisabled},
      {kIdcNote, ControlKind::Static, "配置变更，需要重启IIS立即生效", 200, 76, 150, 9, 0},
      {kIdcList, ControlKind::ListView, "", 10, 96, 300, 112, st::kTabStop | st::kBorder},
      {kIdOk, ControlKind::Button, "确定", 380, 192, 50, 16, st::kTabStop},
  };
  return t;
}

}  // namespace

const ui::ResourceSet& DemoResources() {
  static const ui::ResourceSet set = [] {
    ui::ResourceSet s = PanelResources();
    s.AddDialog(ButtonSampleTemplate());
    return s;
  }();
  return set;
}

void InstallDemoResources() { ui::InstallResources(&DemoResources()); }

}  // namespace res

#include "resources/tray_resources.h"

#include "platform/ui/ui_hooks.h"
#include "resources/placeholder_art.h"
#include "resources/tray_ids.h"

namespace res {

namespace {

using ui::ControlKind;
namespace st = ui::style;
namespace ds = ui::dialog_style;

ui::DialogTemplate TrayMainTemplate() {
  ui::DialogTemplate t;
  t.id = tray::kDlgMain;
  t.style = ds::kPopup | ds::kCaption | ds::kSysMenu | ds::kMinimizeBox;
  t.cx = 186;
  t.cy = 98;
  t.caption = "Qor";
  t.fontFace = "宋体";
  t.fontPoints = 9;
  t.controls = {
      {-1, ControlKind::Static, "当前状态：", 10, 10, 42, 10, 0},
      {1003, ControlKind::Static, "良好", 54, 10, 60, 10, 0},
      {1004, ControlKind::CheckBox, "开启Qor", 10, 26, 60, 10, st::kAutoCheck | st::kTabStop},
      {1005, ControlKind::Button, "执 行", 76, 24, 44, 14, st::kTabStop},
      {1006, ControlKind::Button, "重启Qor", 126, 24, 50, 14, st::kTabStop},
      {1000, ControlKind::Button, "管理面板", 10, 48, 52, 14, st::kTabStop},
      {1008, ControlKind::Button, "最小化", 68, 48, 52, 14, st::kTabStop},
      {1013, ControlKind::Button, "修改图标", 10, 70, 52, 14, st::kTabStop},
      {1014, ControlKind::Button, "修改图标2", 68, 70, 52, 14, st::kTabStop},
      {1010, ControlKind::Static, "", 130, 52, 14, 10, st::kNotify},
      {1011, ControlKind::Static, "", 146, 52, 14, 10, st::kNotify},
      {1012, ControlKind::Static, "", 162, 52, 14, 10, st::kNotify},
  };
  return t;
}

ui::DialogTemplate TrayStartTemplate() {
  ui::DialogTemplate t;
  t.id = tray::kDlgStart;
  t.style = ds::kPopup;
  t.cx = 267;
  t.cy = 167;
  t.fontFace = "宋体";
  t.fontPoints = 9;
  // The picture says it all; the one control is the button that closes the splash.
  t.controls = {
      {kIdOk, ControlKind::Button, "确定", 212, 140, 44, 14, st::kTabStop},
  };
  return t;
}

ui::ResourceSet MakeTrayResources() {
  using namespace res::tray;
  ui::ResourceSet set;
  set.AddDialog(TrayMainTemplate());
  set.AddDialog(TrayStartTemplate());
  set.AddMenu(ui::Menu{kMenuTray,
                       {ui::MenuPopup("托盘菜单", {ui::MenuCommand(32773, "打开网站访问控制系统(&M)"),
                                                  ui::MenuCommand(32771, "关于我们...(&A)"), ui::MenuSeparator(),
                                                  ui::MenuCommand(32776, "不显示托盘(&Q)")})}});
  set.AddBitmap(kBmpStart, SplashPicture);
  set.AddIcon(kIconProgram, ProgramIcon);
  set.AddIcon(kIconReady, [] { return StatusIcon(ui::Rgb(46, 160, 67), 'v'); });
  set.AddIcon(kIconBusy, [] { return StatusIcon(ui::Rgb(230, 150, 20), '!'); });
  set.AddIcon(kIconClosed, [] { return StatusIcon(ui::Rgb(128, 134, 140), '-'); });
  set.AddIcon(kIconSpare, [] { return StatusIcon(kHeaderBlue, 0); });
  set.AddIcon(kIconExited, [] { return StatusIcon(ui::Rgb(210, 48, 48), 'x'); });
  set.AddIcon(kIconUnknown, [] { return StatusIcon(ui::Rgb(120, 90, 170), '?'); });
  return set;
}

}  // namespace

const ui::ResourceSet& TrayResources() {
  static const ui::ResourceSet set = MakeTrayResources();
  return set;
}

void InstallTrayResources() { ui::InstallResources(&TrayResources()); }

}  // namespace res

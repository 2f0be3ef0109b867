#include "resources/panel_sys_dialogs.h"

#include "resources/panel_sys_ids.h"

namespace res {

namespace {
using ui::ControlKind;
namespace st = ui::style;
namespace ds = ui::dialog_style;

ui::DialogTemplate SysTemplate() {
  using namespace res::panel;
  ui::DialogTemplate t;
  t.id = kDlgSys;
  t.style = ds::kChild;
  t.cx = 433;
  t.cy = 252;
  t.fontFace = "宋体";
  t.fontPoints = 9;
  const unsigned check = st::kAutoCheck | st::kTabStop;
  const unsigned push = st::kOwnerDraw | st::kTabStop;
  t.controls = {
      {kIdcSysMasterSwitch, ControlKind::CheckBox, "系统总开关（已关闭）", 7, 6, 118, 13, check | st::kGroup},
      {kIdcSysShowTray, ControlKind::CheckBox, "显示托盘图标", 346, 6, 67, 13, check},
      {-1, ControlKind::Static, "系统信息", 7, 24, 60, 10, 0},
      {kIdcSysOsName, ControlKind::Static, "操作系统：Windows Server 2003", 19, 38, 212, 10, 0},
      {kIdcSysSiteCount, ControlKind::Static, "网站个数：0 个", 19, 57, 147, 10, 0},
      {kIdcSysProtectDays, ControlKind::Static, "保护天数：1 天", 19, 76, 147, 10, 0},
      {kIdcSysIpLibTime, ControlKind::Static, "IP库时间：-", 19, 95, 122, 10, 0},
      {kIdcSysUpdateIpLib, ControlKind::Static, "[更新]", 154, 95, 50, 10, st::kNotify},
      {kIdcSysRestartHint, ControlKind::Static, "", 19, 209, 124, 11, 0},
      {kIdcSysRestartIis, ControlKind::Button, "重启IIS", 18, 227, 50, 17, push},
      {kIdcSysRestartService, ControlKind::Button, "重启软件", 82, 227, 50, 17, push},
      {kIdcSysRepair, ControlKind::Button, "修复软件", 146, 227, 50, 17, push},
  };
  return t;
}

}  // namespace

void AddSysDialogs(ui::ResourceSet& set) { set.AddDialog(SysTemplate()); }

}  // namespace res

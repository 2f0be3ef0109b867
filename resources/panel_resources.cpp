#include "resources/panel_resources.h"

#include "resources/panel_app_dialogs.h"
#include "resources/panel_dialogs.h"
#include "resources/panel_log_dialogs.h"
#include "resources/panel_main_dialogs.h"
#include "resources/panel_rule_dialogs.h"
#include "resources/panel_ruleext_dialogs.h"
#include "resources/panel_sys_dialogs.h"
#include "resources/panel_ids.h"
#include "resources/placeholder_art.h"

namespace res {

namespace {

using ui::MenuCommand;
using ui::MenuPopup;
using ui::MenuSeparator;

ui::ResourceSet MakePanelResources() {
  using namespace res::panel;
  ui::ResourceSet set;
  set.AddDialog(AboutTemplate());
  set.AddDialog(StartTemplate());

  set.AddString(kStrAboutMenu, "关于 Qor·网站访问控制系统(&A)...");

  set.AddMenu(ui::Menu{kMenuLogDays,
                       {MenuPopup("日志日期右键菜单", {MenuCommand(32781, "查看当天日志"), MenuCommand(32782, "删除当天日志"),
                                                      MenuSeparator(), MenuCommand(32783, "打开日志记录"), MenuSeparator(),
                                                      MenuCommand(32784, "重新加载(&R)")})}});
  set.AddMenu(ui::Menu{kMenuLogEntries,
                       {MenuPopup("日志右键菜单", {MenuCommand(32786, "日志详细"), MenuSeparator(),
                                                  MenuCommand(32788, "打开日志目录")})}});
  set.AddMenu(ui::Menu{kMenuLogList,
                       {MenuPopup("日志菜单列表", {MenuCommand(32796, "查看详细日志"), MenuSeparator(),
                                                  MenuCommand(32797, "删除当天日志"), MenuCommand(32798, "清空日志"),
                                                  MenuSeparator(), MenuCommand(32801, "刷新日志"), MenuSeparator(),
                                                  MenuCommand(32802, "打开日志路径")})}});

  set.AddIcon(kIconProgram, ProgramIcon);
  set.AddBitmap(kBmpStart, SplashPicture);
  set.AddBitmap(kBmpBackground, WindowBackground);
  // Page buttons of the main window and the rule editor; window buttons on the header.
  set.AddBitmap(kBmpSystemTab, [] { return ButtonStrip(Glyph::Gear, 80, 56); });
  set.AddBitmap(kBmpRulesTab, [] { return ButtonStrip(Glyph::List, 80, 56); });
  set.AddBitmap(kBmpLogsTab, [] { return ButtonStrip(Glyph::Document, 80, 56); });
  set.AddBitmap(kBmpRuleBase, [] { return ButtonStrip(Glyph::Shield, 72, 48); });
  set.AddBitmap(kBmpRuleArea, [] { return ButtonStrip(Glyph::Globe, 72, 48); });
  set.AddBitmap(kBmpRuleIp, [] { return ButtonStrip(Glyph::Network, 72, 48); });
  set.AddBitmap(kBmpRuleUrl, [] { return ButtonStrip(Glyph::Link, 72, 48); });
  set.AddBitmap(kBmpRuleNotice, [] { return ButtonStrip(Glyph::Notice, 72, 48); });
  set.AddBitmap(kBmpClose, [] { return ButtonStrip(Glyph::Close, 24, 24); });
  set.AddBitmap(kBmpMinimize, [] { return ButtonStrip(Glyph::Minimize, 24, 24); });

  AddAppDialogs(set);
  AddMainDialogs(set);
  AddSysDialogs(set);
  AddLogDialogs(set);
  AddRuleDialogs(set);
  AddRuleExtDialogs(set);
  return set;
}

}  // namespace

const ui::ResourceSet& PanelResources() {
  static const ui::ResourceSet set = MakePanelResources();
  return set;
}

void InstallPanelResources() { ui::InstallResources(&PanelResources()); }

}  // namespace res

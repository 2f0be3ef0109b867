// QorIP: the management panel. Switches: " /unload <key>" (also " -unload") uninstalls,
// " /cover" repairs the installed parts; both end without opening a window.
#include <cstdio>
#include <string>

#include "panel/qor_ip_app.h"
#include "panel/qor_ip_dlg.h"
#include "panel/qor_repair.h"
#include "platform/textconv.h"
#include "platform/ui/qt/qt_display.h"
#include "platform/ui/qt/qt_host.h"
#include "platform/ui/ui_hooks.h"
#include "resources/panel_resources.h"

namespace {

CQorIPApp::Actions PanelActions() {
  CQorIPApp::Actions actions;
  actions.runMainWindow = [](CQorIPApp& app) {
    CQorIPDlg dlg;
    app.SetMainWindow(&dlg);
    dlg.DoModal();
    app.SetMainWindow(nullptr);
  };
  actions.repairPermissions = [] { CQorRepair().RepairPermissions(); };
  actions.repairService = [] { CQorRepair().RepairService(); };
  actions.repairTray = [] { CQorRepair().RepairTray(); };
  return actions;
}

CQorIPApp theApp(PanelActions());

void PrintError(const std::string& gbkText) { std::fputs(platform::GbkToUtf8(gbkText).c_str(), stderr); }

}  // namespace

int main(int argc, char** argv) {
  const std::string commandLine = CQorIPApp::CommandLineFromArgs(argc, argv);
  // The switch roads open no window, so a script or a remote shell can run them: they
  // use the display where it answers and run off screen where there is none or it is
  // gone. The window of a normal start needs a display.
  const bool switchRoad = CQorIPApp::IsSwitchRoad(commandLine);
  const ui::DisplayChoice display = ui::ChooseDisplay();
  if (!display.callerChose && display.named.empty() && !switchRoad) {
    PrintError("QorIP：没有可用的显示（DISPLAY 和 WAYLAND_DISPLAY 均未设置），无法打开管理面板。\n");
    return 1;
  }
  ui::QtArguments qtArgs(argc, argv, display);
  ui::QtHost host(qtArgs.Argc(), qtArgs.Argv());
  const bool offscreenByUs = !display.callerChose && host.IsOffscreen();
  if (offscreenByUs && display.WantsDisplay() && !switchRoad) {
    PrintError("QorIP：无法连接显示（" + platform::Utf8ToGbk(display.named) + "），无法打开管理面板。\n");
    return 1;
  }
  if (offscreenByUs) {
    // Nobody can answer a box off screen: it takes its default answer and is told here.
    SetMessageBoxHook([&host](const std::string& text, const std::string& caption, unsigned flags) {
      PrintError("[" + caption + "] " + text + "\n");
      return host.MessageBox(text, caption, flags);
    });
  }
  res::InstallPanelResources();
  theApp.InitInstance(commandLine);
  return theApp.ExitInstance();
}

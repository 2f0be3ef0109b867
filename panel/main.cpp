// QorIP: the management panel. Switches: " /unload <key>" (also " -unload") uninstalls,
// " /cover" repairs the installed parts; both end without opening a window.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "panel/qor_ip_app.h"
#include "panel/qor_ip_dlg.h"
#include "panel/qor_repair.h"
#include "platform/textconv.h"
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

bool IsSet(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr && *value != '\0';
}

// Neither a display nor a platform chosen by the caller.
bool NoDisplay() { return !IsSet("DISPLAY") && !IsSet("WAYLAND_DISPLAY") && !IsSet("QT_QPA_PLATFORM"); }

void PrintError(const std::string& gbkText) { std::fputs(platform::GbkToUtf8(gbkText).c_str(), stderr); }

}  // namespace

int main(int argc, char** argv) {
  const std::string commandLine = CQorIPApp::CommandLineFromArgs(argc, argv);
  // The switch roads open no window, so a script or a remote shell can run them; the
  // window of a normal start needs a display.
  const bool headless = NoDisplay();
  if (headless && !CQorIPApp::IsSwitchRoad(commandLine)) {
    PrintError("QorIP：没有可用的显示（DISPLAY 和 WAYLAND_DISPLAY 均未设置），无法打开管理面板。\n");
    return 1;
  }
  // Chosen by argument, not by the environment, so that the programs it starts choose
  // for themselves.
  std::vector<char*> args(argv, argv + argc);
  static char platformSwitch[] = "-platform";
  static char offscreen[] = "offscreen";
  if (headless) {
    args.push_back(platformSwitch);
    args.push_back(offscreen);
  }
  int qtArgc = static_cast<int>(args.size());
  args.push_back(nullptr);
  ui::QtHost host(qtArgc, args.data());
  if (headless) {
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

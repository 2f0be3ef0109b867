// QorIP: the management panel. Switches: " /unload <key>" (also " -unload") uninstalls,
// " /cover" repairs the installed parts; both end without opening a window.
#include "panel/qor_ip_app.h"
#include "panel/qor_ip_dlg.h"
#include "panel/qor_repair.h"
#include "platform/ui/qt/qt_host.h"
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

}  // namespace

int main(int argc, char** argv) {
  const std::string commandLine = CQorIPApp::CommandLineFromArgs(argc, argv);
  ui::QtHost host(argc, argv);
  res::InstallPanelResources();
  theApp.InitInstance(commandLine);
  return theApp.ExitInstance();
}

// QoripPanel: the tray status program. Its arguments (" -autorun") change nothing.
#include "platform/ui/qt/qt_host.h"
#include "resources/tray_resources.h"
#include "tray/qor_panel_app.h"

int main(int argc, char** argv) {
  CQorPanelApp theApp;
  // A second start ends before it opens anything.
  if (!theApp.ClaimInstance()) return 0;
  ui::QtHost host(argc, argv);
  res::InstallTrayResources();
  theApp.RunDialog();
  return 0;
}

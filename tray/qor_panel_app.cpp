#include "tray/qor_panel_app.h"

#include "platform/instance.h"
#include "tray/qor_panel_dlg.h"

bool CQorPanelApp::ClaimInstance() {
  // A lock that cannot be made at all does not keep the tray from running.
  return platform::instance::ClaimInstance(kInstanceName) != platform::instance::Claim::Taken;
}

void CQorPanelApp::RunDialog() {
  CQorPanelDlg dlg;
  dlg.DoModal();
}

bool CQorPanelApp::InitInstance() {
  if (ClaimInstance()) RunDialog();
  return false;
}

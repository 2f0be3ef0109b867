#include "panel/about_dlg.h"

#include "common/coded_constants.h"
#include "common/coding.h"
#include "platform/ui/ui_hooks.h"
#include "common/update_endpoint.h"
#include "platform/ui/data_exchange.h"
#include "resources/panel_ids.h"
#include "resources/panel_main_ids.h"

std::string DefaultAddress() { return DecodeBuiltinPair(coded::kNoticeDefaultAddress); }
std::string ProductAddress() { return DecodeBuiltinPair(coded::kProductAddress); }

CAboutDlg::CAboutDlg() : ui::Dialog(res::panel::kDlgAbout) {
  OnCommand(res::panel::kIdcAboutSiteLink, [this] { OnSiteLink(); });
}

void CAboutDlg::DoDataExchange(ui::DataExchange& dx) { dx.Control(kIdOk, m_btnOk); }

bool CAboutDlg::OnInitDialog() {
  ui::Dialog::OnInitDialog();
  SetItemText(res::panel::kIdcAboutVersion, std::string("版本号：V") + endpoint::kProgramVersion);
  return true;
}

void CAboutDlg::OnCtlColor(const ui::Control* control, ui::ControlColors& colors) {
  // 0xFF0000 as the dialog manager reads it: blue.
  if (control && control->id == res::panel::kIdcAboutSiteLink) colors.SetText(ui::Rgb(0, 0, 255));
}

ui::Cursor CAboutDlg::OnSetCursor(int id) {
  return id == res::panel::kIdcAboutSiteLink ? ui::Cursor::Hand : ui::Cursor::Default;
}

void CAboutDlg::OnSiteLink() { ui::ShellOpen(DefaultAddress(), "", "open", true); }

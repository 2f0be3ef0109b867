#pragma once
// The About box of the main window's system menu: version line and a link to the
// product's web site.
#include <string>

#include "panel/my_button.h"
#include "platform/ui/dialog.h"

class CAboutDlg : public ui::Dialog {
 public:
  CAboutDlg();

  void DoDataExchange(ui::DataExchange& dx) override;
  bool OnInitDialog() override;
  void OnCtlColor(const ui::Control* control, ui::ControlColors& colors) override;
  ui::Cursor OnSetCursor(int id) override;

  void OnSiteLink();

 private:
  CMyButton m_btnOk;
};

// The built-in addresses, decoded: the default one (the product's home page, also the
// notice line's address when no notice is known) and the product's site without its
// trailing '/', which help pages follow.
std::string DefaultAddress();
std::string ProductAddress();

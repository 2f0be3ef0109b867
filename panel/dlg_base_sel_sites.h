#pragma once
// The site picker: the host names bound to the IIS web sites with check boxes; the
// ticked ones are added to the domains the URL page handed over.
#include <string>

#include "common/build.h"
#include "panel/xp_button.h"
#include "panel/rule_page.h"
#include "platform/ui/control_ref.h"
#include "platform/ui/dialog.h"

class CDlgBaseSelSites : public ui::Dialog {
 public:
  // siteDomains: "|a|b|", lower-case; read on set-up, extended on OK.
  explicit CDlgBaseSelSites(std::string& siteDomains);
  explicit CDlgBaseSelSites(const RuleContext& context) : CDlgBaseSelSites(context.siteDomains) {}

  bool OnInitDialog() override;
  void DoDataExchange(ui::DataExchange& dx) override;
  void OnTimer(int id) override;
  void OnOK() override;
  void OnDblClkList();

  ui::ListCtrl& List() { return m_list; }

 protected:
  // The IIS look-ups; tests stand in for them.
  virtual int EnumAppPools(StringList& pools);
  virtual int EnumSites(const std::string& pool, StringList& comments, StringList& domains);

 private:
  std::string& m_domains;
  ui::ListCtrl m_list;
  CXPButton m_btnOk, m_btnCancel;
};

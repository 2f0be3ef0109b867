#pragma once
// The URL page: the monitored domains (with the site picker) and a URL black or
// white list.
#include <string>

#include "panel/rule_child_page.h"
#include "panel/xp_button.h"

class CPropRuleBaseUrl : public CRuleChildPage {
 public:
  explicit CPropRuleBaseUrl(const RuleContext& context);

  bool OnInitDialog() override;
  void DoDataExchange(ui::DataExchange& dx) override;
  bool SaveRule() override;
  // "浏览..": offers the typed domains to the site picker and takes back its choice.
  void OnSelectSites();

  // The domain box as the site picker reads it: "|a|b|", lower-cased; empty for none.
  static std::string DomainsForPicker(const std::string& box);
  // The picker's "|a|b|" as box lines.
  static std::string DomainsFromPicker(const std::string& domains);

  std::string m_strUrl;    // one URL pattern a line
  int m_nUrlMode = 1;      // 0 white list, 1 black list
  int m_nSitesMode = 1;    // 0 only these domains, 1 all but these
  std::string m_strSites;  // one domain a line
  CXPButton m_btnBrowse;

 protected:
  // Runs the site picker modally on the context's domain text; its answer.
  virtual int RunSitePicker();
};

#pragma once
// The browser page: user-agent tokens and browser languages that are let in or
// turned away, with a table of known browsers to add tokens from.
#include <string>

#include "common/rule_tokens.h"
#include "panel/rule_child_page.h"
#include "panel/xp_button.h"
#include "platform/ui/control_ref.h"

class CPropRuleExtBrowser : public CRuleChildPage {
 public:
  explicit CPropRuleExtBrowser(const RuleContext& context);

  bool OnInitDialog() override;
  void DoDataExchange(ui::DataExchange& dx) override;
  bool SaveRule() override;

  // "<" and a double click on the table: the selected row's token into the box.
  void OnAddBrowser();
  // "<<": every row's token.
  void OnAddAllBrowsers();
  void AddBrowserRow(const std::string& name, const std::string& token);

  std::string m_strBrowser;         // one token a line
  std::string m_strOtherLanguages;  // language codes without a check box, one a line
  int m_nLanguage = 1;              // 0 these languages only, 1 all but these
  int m_nBrowser = 1;               // 0 these browsers only, 1 all but these
  int m_nLanguageFlags[rule::kLanguageCount] = {};
  CXPButton m_btnChoose, m_btnAdd, m_btnAddAll;
  ui::ListCtrl m_listBrowsers;
};

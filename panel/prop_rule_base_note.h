#pragma once
// The notice page: shows the stored notice settings. What is saved for the notice is
// what the base page holds, so this page stores nothing.
#include <string>

#include "panel/rule_page.h"

class CPropRuleBaseNote : public CRulePage {
 public:
  explicit CPropRuleBaseNote(const RuleContext& context);

  bool OnInitDialog() override;
  void DoDataExchange(ui::DataExchange& dx) override;
  bool PreTranslateKey(const ui::KeyEvent& key) override;
  void OnCtlColor(const ui::Control* control, ui::ControlColors& colors) override;
  bool OnEraseBackground(ui::Painter& painter) override;

  std::string m_strPassword;
  std::string m_strUrl;
  std::string m_strWords;
  int m_nNoteType = 0;  // 0 404 page, 1 login, 2 redirect, 3 custom text
};

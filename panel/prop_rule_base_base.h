#pragma once
// The base page of a rule: its name, the monitored file types and the notice a
// blocked client gets.
#include <string>

#include "panel/rule_page.h"

class CPropRuleBaseBase : public CRulePage {
 public:
  explicit CPropRuleBaseBase(const RuleContext& context);

  bool OnInitDialog() override;
  void DoDataExchange(ui::DataExchange& dx) override;
  bool PreTranslateKey(const ui::KeyEvent& key) override;
  void OnCtlColor(const ui::Control* control, ui::ControlColors& colors) override;
  bool OnEraseBackground(ui::Painter& painter) override;
  // Checks the name and the notice, then writes the base tags.
  bool SaveRule() override;

  // Exchanged with the controls, in this order.
  std::string m_strFileTypes;
  int m_nFileTypeMode = 0;  // 0 only these types, 1 all but these
  std::string m_strName;
  int m_nNoteType = 0;  // 0 blank, 1 login, 2 redirect, 3 custom text
  std::string m_strPassword;
  std::string m_strUrl;
  std::string m_strWords;
  bool m_bSendReason = false;
  bool m_bAddWords = false;

 private:
  // True when another rule than the one under edit has this name.
  bool IsNameTaken(const std::string& name) const;
};

// Shared by the base and the notice page: the radio index of a rule's notice type.
int NoteTypeIndex(const std::string& ruleText);
// Ctrl+A in one of the page's edit boxes selects its whole text; the key goes on.
void SelectAllOnCtrlA(ui::Dialog& page, const ui::KeyEvent& key, std::initializer_list<int> edits);
// Rule pages: statics transparent, background white.
void PaintRulePageColors(const ui::Control* control, ui::ControlColors& colors);

#pragma once
// The page "任务管理": the rule list, with add, edit and delete through the rule editor.
#include "panel/xp_button.h"
#include "panel/rule_page.h"
#include "platform/ui/control_ref.h"

class CPropDlgRule : public ui::Dialog {
 public:
  CPropDlgRule() : CPropDlgRule(PanelRuleContext()) {}
  explicit CPropDlgRule(const RuleContext& context);

  bool OnInitDialog() override;
  void DoDataExchange(ui::DataExchange& dx) override;
  bool PreTranslateKey(const ui::KeyEvent& key) override;
  void OnTimer(int id) override;
  bool OnEraseBackground(ui::Painter& painter) override;
  void OnCtlColor(const ui::Control* control, ui::ControlColors& colors) override;

  void FillRuleList();
  void OnAddRule();
  void OnEditRule();
  void OnDeleteRule();

  ui::ListCtrl& List() { return m_list; }

 protected:
  // Runs the rule editor modally; tests may stand in for it.
  virtual int RunEditor();

 private:
  void RunEditorAndReload();
  void SetStatusText(int id, const std::string& text);
  void ShowMainWindow();

  RuleContext m_context;
  ui::ListCtrl m_list;
  CXPButton m_btnAdd, m_btnEdit, m_btnDelete;
};

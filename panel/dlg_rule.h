#pragma once
// The modal rule editor: loads the rule under edit, shows the basic or the advanced
// group of pages, and on "保存" has every page write its tags and saves the store.
#include <memory>

#include "panel/hover_button.h"
#include "panel/xp_button.h"
#include "panel/prop_rule_base.h"
#include "panel/prop_rule_ext.h"
#include "panel/rule_page.h"

class CDlgRule : public ui::Dialog {
 public:
  explicit CDlgRule(const RuleContext& context);
  ~CDlgRule() override;

  bool OnInitDialog() override;
  void DoDataExchange(ui::DataExchange& dx) override;
  void OnOK() override;
  void OnLButtonDown(ui::Point client) override;
  void OnCtlColor(const ui::Control* control, ui::ControlColors& colors) override;

  void OnBasicPages();
  void OnAdvancedPages();
  void OnCloseButton();

  CPropRuleBase& BasicGroup() { return *m_basic; }
  CPropRuleExt& AdvancedGroup() { return *m_advanced; }
  ui::Dialog* CurrentGroup() const { return m_current; }

  bool m_bEnable = true;

 private:
  // The rule under edit into the store's editing state, before any page exists.
  void LoadEditedRule();
  void ShowGroup(ui::Dialog* group);

  RuleContext m_context;
  std::unique_ptr<CPropRuleBase> m_basic;
  std::unique_ptr<CPropRuleExt> m_advanced;
  ui::Dialog* m_current = nullptr;
  CXPButton m_btnSave, m_btnClose, m_btnBasic, m_btnAdvanced;
  CHoverButton m_btnCloseX;
};

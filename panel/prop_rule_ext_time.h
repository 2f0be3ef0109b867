#pragma once
// The time page: the times of day at which visitors are let in or turned away.
#include <string>

#include "panel/rule_child_page.h"

class CPropRuleExtTime : public CRuleChildPage {
 public:
  explicit CPropRuleExtTime(const RuleContext& context);

  bool OnInitDialog() override;
  void DoDataExchange(ui::DataExchange& dx) override;
  bool SaveRule() override;

  std::string m_strTime;  // one window a line, stored as typed
  int m_nTime = 1;        // 0 allowed in these windows, 1 turned away in them
};

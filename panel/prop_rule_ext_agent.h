#pragma once
// The proxy page: whether visitors coming through a proxy are let in.
#include "panel/rule_child_page.h"

class CPropRuleExtAgent : public CRuleChildPage {
 public:
  explicit CPropRuleExtAgent(const RuleContext& context);

  bool OnInitDialog() override;
  void DoDataExchange(ui::DataExchange& dx) override;
  bool SaveRule() override;

  int m_nAgent = 0;  // 0 allow, 1 deny
};

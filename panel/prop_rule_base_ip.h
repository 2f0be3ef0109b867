#pragma once
// The IP page: addresses and ranges that alone are let in or turned away.
#include <string>

#include "panel/rule_child_page.h"

class CPropRuleBaseIp : public CRuleChildPage {
 public:
  explicit CPropRuleBaseIp(const RuleContext& context);

  bool OnInitDialog() override;
  void DoDataExchange(ui::DataExchange& dx) override;
  bool SaveRule() override;

  int m_nIpMode = 1;    // 0 only these, 1 all but these
  std::string m_strIp;  // one address or range a line
};

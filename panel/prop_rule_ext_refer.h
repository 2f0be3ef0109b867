#pragma once
// The referer page: which pages a visitor may or may not come from.
#include <string>

#include "panel/rule_child_page.h"

class CPropRuleExtRefer : public CRuleChildPage {
 public:
  explicit CPropRuleExtRefer(const RuleContext& context);

  bool OnInitDialog() override;
  void DoDataExchange(ui::DataExchange& dx) override;
  bool SaveRule() override;

  std::string m_strRefer;  // one pattern a line
  int m_nRefer = 1;        // 0 only these, 1 all but these
};

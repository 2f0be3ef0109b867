#pragma once
// The spider page: which search-engine crawlers are let in or turned away.
#include <string>

#include "panel/rule_child_page.h"
#include "panel/xp_button.h"

class CPropRuleExtSpider : public CRuleChildPage {
 public:
  explicit CPropRuleExtSpider(const RuleContext& context);

  bool OnInitDialog() override;
  void DoDataExchange(ui::DataExchange& dx) override;
  bool SaveRule() override;
  // "常用蜘蛛": the help page of the usual spider signatures.
  void OnCommonSpiders();

  int m_nSpider = 1;          // 0 only these, 1 all but these
  std::string m_strSpider;    // further signatures, one a line
  CXPButton m_btnCommon;
  int m_nFlags[4] = {0, 0, 0, 0};  // Baidu, 360, Sogou, Google
};

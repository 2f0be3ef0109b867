#pragma once
// The basic group of the rule editor: base, region, IP, URL and notice pages.
#include "panel/rule_page_holder.h"

class CPropRuleBase : public CRulePageHolder {
 public:
  enum PageIndex { kBase, kArea, kIp, kUrl, kNotice };
  explicit CPropRuleBase(const RuleContext& context);
};

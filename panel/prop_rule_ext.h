#pragma once
// The advanced group of the rule editor: spider, proxy, time, referer, browser and OS pages.
#include "panel/rule_page_holder.h"

class CPropRuleExt : public CRulePageHolder {
 public:
  enum PageIndex { kSpider, kAgent, kTime, kRefer, kBrowser, kOs };
  explicit CPropRuleExt(const RuleContext& context);
};

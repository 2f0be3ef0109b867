#include "panel/prop_rule_base.h"

#include "panel/prop_rule_base_area.h"
#include "panel/prop_rule_base_base.h"
#include "panel/prop_rule_base_ip.h"
#include "panel/prop_rule_base_note.h"
#include "panel/prop_rule_base_url.h"
#include "resources/panel_ids.h"
#include "resources/panel_rule_ids.h"

using namespace res::panel;

namespace {
std::vector<std::unique_ptr<CRulePage>> MakeBasePages(const RuleContext& context) {
  std::vector<std::unique_ptr<CRulePage>> pages;
  pages.push_back(std::make_unique<CPropRuleBaseBase>(context));
  pages.push_back(std::make_unique<CPropRuleBaseArea>(context));
  pages.push_back(std::make_unique<CPropRuleBaseIp>(context));
  pages.push_back(std::make_unique<CPropRuleBaseUrl>(context));
  pages.push_back(std::make_unique<CPropRuleBaseNote>(context));
  return pages;
}
}  // namespace

CPropRuleBase::CPropRuleBase(const RuleContext& context)
    : CRulePageHolder(kDlgRuleBaseHolder, MakeBasePages(context),
                      {{kIdcBaseLabel, kBmpRuleBaseLabel, "基本功能模块", -1},
                       {kIdcShowBase, kBmpRuleBase, "基本设置", kBase},
                       {kIdcShowArea, kBmpRuleArea, "区域设置", kArea},
                       {kIdcShowIp, kBmpRuleIp, "IP设置", kIp},
                       {kIdcShowUrl, kBmpRuleUrl, "URL设置", kUrl},
                       {kIdcShowNotice, kBmpRuleNotice, "拦截提示", kNotice}}) {}

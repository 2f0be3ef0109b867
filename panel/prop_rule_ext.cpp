#include "panel/prop_rule_ext.h"

#include "panel/prop_rule_ext_agent.h"
#include "panel/prop_rule_ext_browser.h"
#include "panel/prop_rule_ext_os.h"
#include "panel/prop_rule_ext_refer.h"
#include "panel/prop_rule_ext_spider.h"
#include "panel/prop_rule_ext_time.h"
#include "resources/panel_rule_ids.h"

using namespace res::panel;

namespace {
std::vector<std::unique_ptr<CRulePage>> MakeExtPages(const RuleContext& context) {
  std::vector<std::unique_ptr<CRulePage>> pages;
  pages.push_back(std::make_unique<CPropRuleExtSpider>(context));
  pages.push_back(std::make_unique<CPropRuleExtAgent>(context));
  pages.push_back(std::make_unique<CPropRuleExtTime>(context));
  pages.push_back(std::make_unique<CPropRuleExtRefer>(context));
  pages.push_back(std::make_unique<CPropRuleExtBrowser>(context));
  pages.push_back(std::make_unique<CPropRuleExtOs>(context));
  return pages;
}
}  // namespace

CPropRuleExt::CPropRuleExt(const RuleContext& context)
    : CRulePageHolder(kDlgRuleExtHolder, MakeExtPages(context),
                      {{kIdcExtLabel, kBmpRuleExtLabel, "高级功能模块", -1},
                       {kIdcShowSpider, kBmpRuleSpider, "蜘蛛设置", kSpider},
                       {kIdcShowAgent, kBmpRuleAgent, "代理设置", kAgent},
                       {kIdcShowTime, kBmpRuleTime, "时间设置", kTime},
                       {kIdcShowRefer, kBmpRuleRefer, "来路设置", kRefer},
                       {kIdcShowBrowser, kBmpRuleBrowser, "浏览器设置", kBrowser},
                       {kIdcShowOs, kBmpRuleOs, "操作系统", kOs}}) {}

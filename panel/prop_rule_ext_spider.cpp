#include "panel/prop_rule_ext_spider.h"

#include "common/rule_record.h"
#include "common/rule_record_fields.h"
#include "common/rule_tokens.h"
#include "platform/ui/data_exchange.h"
#include "resources/panel_ruleext_ids.h"

using namespace res::panel;

CPropRuleExtSpider::CPropRuleExtSpider(const RuleContext& context)
    : CRuleChildPage(kDlgRuleSpider, context, {kIdcSpiderData}, {}) {
  OnCommand(kIdcSpiderCommon, [this] { OnCommonSpiders(); });
}

bool CPropRuleExtSpider::OnInitDialog() {
  m_nSpider = LoadChoice(rule::kSpiderAllowed);
  for (int i = 0; i < 4; ++i) {
    m_nFlags[i] = rule::IsFlagOn(ReadRuleTag(rule::kSpiderFlags[i].token)) ? 1 : 0;
  }
  m_strSpider = rule::DecodeListField(ReadRuleTag(rule::kSpiderData));
  UpdateData(false);
  return true;
}

void CPropRuleExtSpider::DoDataExchange(ui::DataExchange& dx) {
  dx.Radio(kIdcSpiderAllow, m_nSpider);
  dx.Text(kIdcSpiderData, m_strSpider);
  dx.Control(kIdcSpiderCommon, m_btnCommon);
  for (int i = 0; i < 4; ++i) dx.Check(kIdcSpiderFlags[i], m_nFlags[i]);
}

bool CPropRuleExtSpider::SaveRule() {
  UpdateData(true);
  if (!WriteRuleTag(rule::kSpiderAllowed, rule::ModeText(m_nSpider))) return false;
  for (int i = 0; i < 4; ++i) {
    if (!WriteRuleTag(rule::kSpiderFlags[i].token, rule::FlagText(m_nFlags[i] != 0))) return false;
  }
  return WriteRuleTag(rule::kSpiderData, rule::EncodeListField(m_strSpider));
}

void CPropRuleExtSpider::OnCommonSpiders() {
  EnableItem(kIdcSpiderCommon, false);
  OpenHelp("/help/rules/spider.html");
  EnableItem(kIdcSpiderCommon, true);
}

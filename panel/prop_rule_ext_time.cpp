#include "panel/prop_rule_ext_time.h"

#include "common/rule_record.h"
#include "common/rule_record_fields.h"
#include "platform/ui/data_exchange.h"
#include "resources/panel_ruleext_ids.h"

using namespace res::panel;

CPropRuleExtTime::CPropRuleExtTime(const RuleContext& context)
    : CRuleChildPage(kDlgRuleTime, context, {kIdcTimeData}, {{kIdcTimeHelp, "/help/rules/time.html"}}) {}

bool CPropRuleExtTime::OnInitDialog() {
  m_nTime = LoadChoice(rule::kTimeAllowed);
  m_strTime = rule::DecodeListField(ReadRuleTag(rule::kTimeData));
  UpdateData(false);
  return true;
}

void CPropRuleExtTime::DoDataExchange(ui::DataExchange& dx) {
  dx.Text(kIdcTimeData, m_strTime);
  dx.Radio(kIdcTimeAllow, m_nTime);
}

bool CPropRuleExtTime::SaveRule() {
  UpdateData(true);
  return WriteRuleTag(rule::kTimeAllowed, rule::ModeText(m_nTime)) &&
         WriteRuleTag(rule::kTimeData, rule::EncodeListField(m_strTime));
}

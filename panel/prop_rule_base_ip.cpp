#include "panel/prop_rule_base_ip.h"

#include "common/rule_record.h"
#include "common/rule_record_fields.h"
#include "platform/ui/data_exchange.h"
#include "resources/panel_ruleext_ids.h"

using namespace res::panel;

CPropRuleBaseIp::CPropRuleBaseIp(const RuleContext& context)
    : CRuleChildPage(kDlgRuleIp, context, {kIdcIpData}, {{kIdcIpFeedback, nullptr}}) {}

bool CPropRuleBaseIp::OnInitDialog() {
  m_nIpMode = LoadChoice(rule::kIpAllowed);
  m_strIp = rule::DecodeListField(ReadRuleTag(rule::kIpData));
  UpdateData(false);
  return true;
}

void CPropRuleBaseIp::DoDataExchange(ui::DataExchange& dx) {
  dx.Radio(kIdcIpAllow, m_nIpMode);
  dx.Text(kIdcIpData, m_strIp);
}

bool CPropRuleBaseIp::SaveRule() {
  UpdateData(true);
  return WriteRuleTag(rule::kIpAllowed, rule::ModeText(m_nIpMode)) &&
         WriteRuleTag(rule::kIpData, rule::EncodeListField(m_strIp));
}

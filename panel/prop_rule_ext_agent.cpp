#include "panel/prop_rule_ext_agent.h"

#include "common/rule_record.h"
#include "platform/ui/data_exchange.h"
#include "resources/panel_ruleext_ids.h"

using namespace res::panel;

CPropRuleExtAgent::CPropRuleExtAgent(const RuleContext& context)
    : CRuleChildPage(kDlgRuleAgent, context, {}, {}) {}

bool CPropRuleExtAgent::OnInitDialog() {
  m_nAgent = LoadChoice(rule::kAgentAllowed);
  UpdateData(false);
  return true;
}

void CPropRuleExtAgent::DoDataExchange(ui::DataExchange& dx) { dx.Radio(kIdcAgentAllow, m_nAgent); }

bool CPropRuleExtAgent::SaveRule() {
  UpdateData(true);
  return WriteRuleTag(rule::kAgentAllowed, rule::ModeText(m_nAgent));
}

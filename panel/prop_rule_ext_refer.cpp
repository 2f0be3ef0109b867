#include "panel/prop_rule_ext_refer.h"

#include "common/rule_record.h"
#include "common/rule_record_fields.h"
#include "platform/ui/data_exchange.h"
#include "resources/panel_ruleext_ids.h"

using namespace res::panel;

CPropRuleExtRefer::CPropRuleExtRefer(const RuleContext& context)
    : CRuleChildPage(kDlgRuleRefer, context, {kIdcReferData}, {{kIdcReferHelp, "/help/rules/referer.html"}}) {}

bool CPropRuleExtRefer::OnInitDialog() {
  m_nRefer = LoadChoice(rule::kReferAllowed);
  m_strRefer = rule::DecodeListField(ReadRuleTag(rule::kReferData));
  UpdateData(false);
  return true;
}

void CPropRuleExtRefer::DoDataExchange(ui::DataExchange& dx) {
  dx.Text(kIdcReferData, m_strRefer);
  dx.Radio(kIdcReferAllow, m_nRefer);
}

bool CPropRuleExtRefer::SaveRule() {
  UpdateData(true);
  return WriteRuleTag(rule::kReferAllowed, rule::ModeText(m_nRefer)) &&
         WriteRuleTag(rule::kReferData, rule::EncodeListField(m_strRefer));
}

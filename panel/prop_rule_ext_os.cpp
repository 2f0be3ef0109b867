#include "panel/prop_rule_ext_os.h"

#include "platform/gbk.h"
#include "common/rule_record.h"
#include "common/rule_record_fields.h"
#include "platform/ui/data_exchange.h"
#include "resources/panel_ruleext_ids.h"

using namespace res::panel;

CPropRuleExtOs::CPropRuleExtOs(const RuleContext& context)
    : CRuleChildPage(kDlgRuleOs, context, {kIdcOsOther}, {{kIdcOsHelp, "/help/rules/os.html"}}) {
  OnCommand(kIdcOsAllWindows, [this] { OnWindowsAll(); });
}

bool CPropRuleExtOs::OnInitDialog() {
  m_nOs = LoadChoice(rule::kOsAllowed);
  bool ticked[rule::kOsCount] = {};
  rule::ParseOsData(ReadRuleTag(rule::kOsDataWindows), ticked);
  for (int i = 0; i < rule::kOsCount; ++i) m_nOsFlags[i] = ticked[i] ? 1 : 0;
  m_strOther = rule::DecodeListField(ReadRuleTag(rule::kOsDataOther));
  UpdateData(false);
  OnWindowsAll();
  return true;
}

void CPropRuleExtOs::DoDataExchange(ui::DataExchange& dx) {
  for (int i = rule::kOsAllWindows; i <= rule::kOsNt5; ++i) dx.Check(kIdcOsBoxes[i], m_nOsFlags[i]);
  dx.Radio(kIdcOsAllow, m_nOs);
  dx.Text(kIdcOsOther, m_strOther);
  for (int i = rule::kOsLinux; i < rule::kOsCount; ++i) dx.Check(kIdcOsBoxes[i], m_nOsFlags[i]);
}

bool CPropRuleExtOs::SaveRule() {
  UpdateData(true);
  bool ticked[rule::kOsCount];
  for (int i = 0; i < rule::kOsCount; ++i) ticked[i] = m_nOsFlags[i] != 0;
  return WriteRuleTag(rule::kOsAllowed, rule::ModeText(m_nOs)) &&
         WriteRuleTag(rule::kOsDataWindows, rule::ComposeOsData(ticked)) &&
         WriteRuleTag(rule::kOsDataOther, rule::EncodeListField(gbk::ToLower(m_strOther)));
}

void CPropRuleExtOs::OnWindowsAll() {
  UpdateData(true);
  const bool enable = m_nOsFlags[rule::kOsAllWindows] == 0;
  for (int id : {kIdcOsNt5, kIdcOsNt6, kIdcOsNt10}) EnableItem(id, enable);
}

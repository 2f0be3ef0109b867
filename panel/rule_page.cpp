#include "panel/rule_page.h"

#include "common/rule_record.h"
#include "platform/ui/ui_hooks.h"

std::string CRulePage::ShownRule() const {
  if (!IsNewRule()) return EditRule();
  return rule::NewRuleText(static_cast<int>(m_context.config.m_listRules.size()));
}

std::string CRulePage::ReadRuleTag(const char* tag) const { return rule::ReadTag(ShownRule(), tag); }

bool CRulePage::WriteRuleTag(const char* tag, const std::string& value) {
  std::string error;
  if (rule::WriteTag(m_context.config.m_strEditRule, tag, value, &error)) return true;
  ShowMessageBox(error, "错误", kMbOk | kMbIconError);
  return false;
}

#pragma once
// The operating-system page: Windows versions and other systems that are let in or
// turned away.
#include <string>

#include "common/rule_tokens.h"
#include "panel/rule_child_page.h"

class CPropRuleExtOs : public CRuleChildPage {
 public:
  explicit CPropRuleExtOs(const RuleContext& context);

  bool OnInitDialog() override;
  void DoDataExchange(ui::DataExchange& dx) override;
  bool SaveRule() override;
  // "Windows 全系列" stands for the three versions: they are greyed while it is ticked.
  void OnWindowsAll();

  // Indexed by rule::OsBox: all Windows, NT 10, NT 6, NT 5, Linux, Unix, Android, Mac OS.
  int m_nOsFlags[rule::kOsCount] = {};
  int m_nOs = 1;  // 0 these systems only, 1 all but these
  std::string m_strOther;
};

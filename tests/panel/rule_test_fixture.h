#pragma once
// A configuration store in a temporary installation, the rule context on it, and the
// panel's resources on the test host.
#include <atomic>
#include <string>

#include "common/config.h"
#include "common/rule_record.h"
#include "panel/rule_page.h"
#include "resources/panel_resources.h"
#include "tests/support/temp_install.h"
#include "tests/ui/ui_host_fixture.h"

namespace qortest {

class RuleTest : public UiHostTest {
 protected:
  RuleTest() {
    m_install.WriteMachineIni();
    // The region page reads the IP library when it saves.
    m_install.WriteProgramFile("iplib.db", "16777216|255|1|0|0*");
    UseResources(res::PanelResources());
    m_config.Load();
  }
  RuleContext Context() { return RuleContext{m_config, m_ipLibUpdating, m_needRestart, m_siteDomains, ui::Font{}}; }
  // A stored rule with only the tags given.
  static std::string Rule(const std::string& name, const std::string& more = "") {
    return "<KeyName>" + name + "</KeyName>" + more;
  }
  void StoreRules(const StringList& rules) {
    m_config.SetRuleData(CConfig::JoinRuleList(rules));
    ASSERT_EQ(m_config.Save(), 1);
  }
  // The rules as the file now holds them.
  StringList StoredRules() {
    CConfig fresh;
    fresh.Load();
    return rule::SplitRuleList(fresh.GetRuleData());
  }

  TempInstall m_install;
  CConfig m_config;
  std::atomic<bool> m_ipLibUpdating{false};
  std::atomic<int> m_needRestart{0};
  std::string m_siteDomains;
};

}  // namespace qortest

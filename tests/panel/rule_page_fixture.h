#pragma once
// A rule page on the test host with its own rule context and a temporary program
// folder; the page is made on the rule under edit the test sets.
#include <atomic>
#include <memory>
#include <string>

#include "common/config.h"
#include "common/rule_record.h"
#include "platform/ui/ui_hooks.h"
#include "panel/rule_page.h"
#include "resources/panel_resources.h"
#include "tests/support/temp_install.h"
#include "tests/ui/ui_host_fixture.h"

namespace qortest {

class RulePageTest : public UiHostTest {
 protected:
  RulePageTest() : m_context{m_config, m_updating, m_restart, m_domains, ui::Font{}} {
    m_install.WriteMachineIni();
    UseResources(res::PanelResources());
  }

  // Creates the page on rule (empty: a new rule); it stays open for the test.
  template <class Page>
  std::unique_ptr<Page> Open(const std::string& rule = "") {
    m_config.m_strEditRule = rule;
    auto page = std::make_unique<Page>(m_context);
    EXPECT_TRUE(page->Create());
    return page;
  }
  std::string Tag(const char* tag) const { return rule::ReadTag(m_config.m_strEditRule, tag); }
  bool HasTag(const char* tag) const {
    return m_config.m_strEditRule.find(std::string("<") + tag + ">") != std::string::npos;
  }
  static std::string Rule(std::initializer_list<std::pair<const char*, std::string>> tags) {
    std::string text;
    for (const auto& [tag, value] : tags) rule::WriteTag(text, tag, value);
    return text;
  }

  TempInstall m_install;
  CConfig m_config;
  std::atomic<bool> m_updating{false};
  std::atomic<int> m_restart{0};
  std::string m_domains;
  RuleContext m_context;
};

}  // namespace qortest

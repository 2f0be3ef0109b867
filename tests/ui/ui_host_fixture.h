#pragma once
// A test host whose failures (unexpected message boxes and menus, modal dialogs left
// waiting, script steps never used) fail the running test, and the resources the
// test installs for its life.
#include <gtest/gtest.h>

#include <memory>

#include "platform/textconv.h"
#include "platform/ui/resource_set.h"
#include "platform/ui/test_host.h"

namespace qortest {

class UiHostTest : public ::testing::Test {
 protected:
  UiHostTest() : m_host(std::make_unique<ui::TestHost>()) {
    m_host->SetFailureHandler([](const std::string& m) { ADD_FAILURE() << platform::GbkToUtf8(m); });
    m_previous = ui::Resources();
  }
  ~UiHostTest() override { ui::InstallResources(m_previous); }

  ui::TestHost& Host() { return *m_host; }
  // Installs set as the program's resources until the test ends.
  void UseResources(const ui::ResourceSet& set) { ui::InstallResources(&set); }

 private:
  std::unique_ptr<ui::TestHost> m_host;
  const ui::ResourceSet* m_previous = nullptr;
};

}  // namespace qortest

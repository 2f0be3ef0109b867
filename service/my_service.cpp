#include "service/my_service.h"

#include "platform/registry.h"

namespace reg = platform::registry;

bool CMyService::OnInit() {
  reg::Key key;
  if (reg::OpenKey(platform::scm::ServiceKeyPath(Name()) + "\\Parameters", key) == reg::kOk) {
    uint32_t value = 0;
    if (key.QueryDword("Start", value) == reg::kOk) m_start.store(value);
    if (key.QueryDword("Inc", value) == reg::kOk) m_increment.store(value);
  }
  m_current.store(m_start.load());
  return true;
}

void CMyService::Run() {
  while (IsRunning()) {
    if (!Wait(1000)) break;
    m_current.fetch_add(m_increment.load());
  }
}

bool CMyService::OnCustomControl(uint32_t code) {
  if (code != kControlSaveStatus) return false;
  SaveStatus();
  return true;
}

void CMyService::SaveStatus() {
  reg::Key key;
  if (reg::CreateKey(platform::scm::ServiceKeyPath(Name()) + "\\Status", key) != reg::kOk) return;
  // Not reported, like a key that cannot be opened: the next save control writes again.
  (void)key.SetDword("Current", m_current.load());
}

#pragma once
// The service itself: a counter that grows while the service runs, its start value
// and increment from the registry, written back on control 128.
#include <atomic>
#include <cstdint>

#include "service/nt_service.h"

class CMyService : public CNTService {
 public:
  static constexpr uint32_t kControlSaveStatus = 128;

  using CNTService::CNTService;

  uint32_t StartValue() const { return m_start.load(); }
  uint32_t Increment() const { return m_increment.load(); }
  uint32_t CurrentValue() const { return m_current.load(); }

  // Status\Current := the current value; nothing when the key cannot be opened.
  void SaveStatus();

  // Parameters\Start and Parameters\Inc when present; the counter starts at Start.
  bool OnInit() override;
  void Run() override;
  bool OnCustomControl(uint32_t code) override;

 private:
  // Read by the control handler while the service thread counts.
  std::atomic<uint32_t> m_start{0};
  std::atomic<uint32_t> m_increment{1};
  std::atomic<uint32_t> m_current{0};
};

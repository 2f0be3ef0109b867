#pragma once
// System helpers of the panel, shared with the service: the machine key text and the
// process, autorun and tray-message operations.
#include <string>

#include "common/build.h"

class CHardware {
 public:
  CHardware() = default;
  virtual ~CHardware() = default;

  // The 37-character machine key text (machine_key.cpp). The service build also logs
  // unreadable figures to the service log.
  std::string GetMachineKeyText(Build build = Build::Panel);

  // Process, autorun and tray-message operations (hardware_process.cpp).
};

#pragma once
// The texts behind the machine key text, and where the service build reports unreadable figures.
#include <functional>
#include <string>

#include "common/build.h"

// Texts of the service log for unreadable figures.
inline constexpr const char* kMachineKeyDiskError = "获取磁盘空间错误";
inline constexpr const char* kMachineKeyCpuError = "获取CPU个数错误";

// The service installs its log writer while its log is on; empty for none.
using MachineKeyLogHook = std::function<void(const std::string& text)>;
void SetMachineKeyLogHook(MachineKeyLogHook hook);

// The three texts the key is composed from, as GetMachineKeyText reads them.
struct MachineKeyTexts {
  std::string fileTime;
  std::string disk;
  std::string processors;
};
MachineKeyTexts ReadMachineKeyTexts(Build build);

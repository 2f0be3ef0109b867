#include "common/machine_key.h"

#include <cstdio>
#include <mutex>
#include <utility>

#include "common/coded_constants.h"
#include "common/coding.h"
#include "common/date_text.h"
#include "common/hardware.h"
#include "platform/ui/ui_hooks.h"
#include "platform/machine_figures.h"
#include "platform/time_zone.h"

namespace {

std::mutex g_logMutex;
MachineKeyLogHook g_logHook;

void ServiceLog(Build build, const char* text) {
  if (build != Build::Service) return;
  std::lock_guard<std::mutex> lock(g_logMutex);
  if (g_logHook) g_logHook(text);
}

}  // namespace

void SetMachineKeyLogHook(MachineKeyLogHook hook) {
  std::lock_guard<std::mutex> lock(g_logMutex);
  g_logHook = std::move(hook);
}

MachineKeyTexts ReadMachineKeyTexts(Build build) {
  namespace figures = platform::machine_figures;
  MachineKeyTexts texts;
  PumpMessages();

  uint64_t bytes = 0;
  if (figures::SystemDriveSize(bytes)) {
    texts.disk = std::to_string(bytes / 1024000);
  } else {
    ServiceLog(build, kMachineKeyDiskError);
    texts.disk = coded::kDiskSizeFallbackText;
  }

  // The same compact form as GetFileTimes, from the shared figure, in the machine's
  // time zone: every process of the machine must read the same text.
  time_t created = 0;
  if (figures::SystemFolderCreated(created)) {
    const platform::LocalTime t = platform::time_zone::MachineLocal(created);
    char buf[64];
    std::snprintf(buf, sizeof buf, "%d%d%d%d%d", t.dayOfWeek, t.month, t.day, t.hour, t.minute);
    texts.fileTime = buf;
  } else {
    texts.fileTime = kFileTimeFallbackText;
  }
  PumpMessages();

  int processors = figures::ProcessorCount();
  if (processors < 1) {
    ServiceLog(build, kMachineKeyCpuError);
    processors = 1;
  }
  texts.processors = std::to_string(processors);
  return texts;
}

std::string CHardware::GetMachineKeyText(Build build) {
  const MachineKeyTexts t = ReadMachineKeyTexts(build);
  return ComposeMachineKey(t.fileTime, t.disk, t.processors).substr(0, 37);
}

#include "platform/machine.h"

#include <unistd.h>

#include "platform/fs.h"
#include "platform/ini.h"
#include "platform/paths.h"

namespace platform {

MachineProfile LoadMachineProfile() {
  MachineProfile p;
  char host[256] = {0};
  if (gethostname(host, sizeof host - 1) == 0) p.computerName = host;
  p.adminGroupName = "Administrators";

  std::string text;
  if (fs::ReadFile(MachineRoot() + "machine.ini", text) != fs::kOk) return p;
  ini::Document doc;
  doc.Parse(text);
  auto str = [&](const char* key, std::string& out) {
    std::string v;
    if (doc.Get("machine", key, v)) out = v;
  };
  auto num = [&](const char* key, auto& out) {
    std::string v;
    if (doc.Get("machine", key, v) && !v.empty()) {
      try {
        out = static_cast<std::remove_reference_t<decltype(out)>>(std::stoll(v));
      } catch (...) {
      }
    }
  };
  auto flag = [&](const char* key, bool& out) {
    std::string v;
    if (doc.Get("machine", key, v) && !v.empty()) out = (v == "1" || v == "yes" || v == "true");
  };
  num("os_platform", p.osPlatform);
  num("os_major", p.osMajor);
  num("os_minor", p.osMinor);
  num("os_build", p.osBuild);
  flag("is64bit", p.is64Bit);
  str("computer_name", p.computerName);
  str("admin_group", p.adminGroupName);
  num("iis_generation", p.iisGeneration);
  flag("adsi", p.adsiAnswers);
  flag("wmi", p.wmiAnswers);
  num("system_drive_size", p.systemDriveSize);
  num("system_folder_created", p.systemFolderCreated);
  num("processor_count", p.processorCount);
  str("time_zone", p.timeZone);
  return p;
}

}  // namespace platform

#include "tools/windows_info.h"

#include "platform/gbk.h"
#include "common/system_info.h"
#include "platform/machine.h"
#include "platform/paths.h"
#include "platform/textconv.h"
#include "tools/file_tests.h"

namespace {
std::string WithoutSlash(std::string path) {
  if (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}
}  // namespace

std::string ProgramFolder() { return WithoutSlash(GetModuleDir()); }

int OsVersionCode(int platformId, int major, int minor) {
  if (platformId == 2) return major * 10 + minor;
  if (platformId == 1) return minor == 0 || minor == 10 ? minor : 0;
  return -1;
}

int GetOsVersionCode() {
  platform::MachineProfile p = platform::LoadMachineProfile();
  return OsVersionCode(p.osPlatform, p.osMajor, p.osMinor);
}

bool IsWindows64() {
  // The machine root stands for the drive of the Windows folder.
  return DirExists(platform::MachineRoot() + "Program Files (x86)");
}

std::string GetSystemFolder() { return WithoutSlash(platform::SystemDir()); }

std::string GetComputerNameText() {
  // The name buffer holds 32 characters and the terminating zero.
  return gbk::CutBytes(platform::Utf8ToGbk(platform::LoadMachineProfile().computerName), 32);
}

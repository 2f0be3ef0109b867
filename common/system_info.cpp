#include "common/system_info.h"

#include <random>

#include "platform/clock.h"
#include "platform/machine.h"
#include "platform/paths.h"
#include "platform/process.h"
#include "platform/textconv.h"

std::string GetModuleDir() { return platform::ProgramDir(); }

std::string GetSystemDir() { return platform::SystemDir(); }

std::string GetSystemDrive(int count) {
  if (count < 1) return "";
  std::string root = platform::MachineRoot();
  if (root.size() > 1 && root.back() == '/') root.pop_back();
  return root;
}

std::string GetCurrentUser() {
  std::string name = platform::process::CurrentUserName();
  if (name.empty()) return "--";
  return platform::Utf8ToGbk(name);
}

int OsVersionName(int platformId, int major, int minor, int build, std::string& name, Build flavor) {
  const bool svc = flavor == Build::Service;
  const int other = major * 10 + minor;
  auto set = [&](const char* n, int panelCode, int svcCode) {
    name = n;
    return svc ? svcCode : panelCode;
  };
  if (platformId == 1) {
    int low = build & 0xFFFF;
    if (major == 4 && minor == 10 && low == 1998) return set("Windows 98", 0, 2);
    // Second Edition is build 2222; 222 is accepted too, as earlier releases compared.
    if (major == 4 && minor == 10 && (low == 2222 || low == 222)) return set("Windows 98 SE", 0, 3);
    if (major == 4 && minor == 90 && low == 3000) return set("Windows Me", 0, 4);
    return set("Other Windows Version", other, 11);
  }
  if (platformId == 2) {
    if (major <= 4) return set("Windows NT", 40, 5);
    if (major == 5 && minor == 0) return set("Windows 2000", 50, 6);
    if (major == 5 && minor == 1) return set("Windows XP", 51, 7);
    if (major == 5 && minor == 2) return set(svc ? "Windows 2003" : "Windows Server 2003", 52, 8);
    if (major == 6 && minor == 0) return set(svc ? "Windows Vista/2008" : "Windows Server 2008/Windows Vista", 60, 9);
    if (major == 6 && minor == 1) return set(svc ? "Windows 7/2008 R2" : "Windows Server 2008 R2/Windows 7", 61, 10);
    if (major == 6 && minor >= 2 && !svc) return set("Windows Server 2012 R2/Windows 8", other, other);
  }
  return set("Other Windows Version", other, 11);
}

int GetOsVersionName(std::string& name, Build build) {
  platform::MachineProfile p = platform::LoadMachineProfile();
  return OsVersionName(p.osPlatform, p.osMajor, p.osMinor, p.osBuild, name, build);
}

std::string RandomString(int length) {
  if (length < 1) return "";
  static const char kChars[] = "abcdefghijklmnopqrstuvwxyz0123456789";
  // A private generator, seeded from the second, so calls within one second agree
  // without touching the process-wide rand().
  std::mt19937 gen(static_cast<unsigned>(platform::clock::Now()));
  std::string out;
  out.reserve(static_cast<size_t>(length));
  for (int i = 0; i < length; ++i) out += kChars[gen() % 36];
  return out;
}

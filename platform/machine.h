#pragma once
// The profile of the emulated Windows machine: machine.ini under the machine root.
// Every key is optional; a missing one falls back to this machine.
#include <cstdint>
#include <ctime>
#include <string>

namespace platform {

struct MachineProfile {
  // Windows version: platform 1 is the 9x line, 2 is NT.
  int osPlatform = 2;
  int osMajor = 6;
  int osMinor = 1;
  int osBuild = 7601;
  bool is64Bit = true;
  std::string computerName;    // UTF-8 as the OS gives it
  std::string adminGroupName;  // local name of the Administrators group (GBK)
  int iisGeneration = 7;       // 6 or 7
  bool adsiAnswers = true;
  bool wmiAnswers = true;
  // Fixed machine figures; unset (-1) reads the real machine.
  int64_t systemDriveSize = -1;
  int64_t systemFolderCreated = -1;  // seconds since the epoch
  int processorCount = -1;
  // The machine's one time zone: a zone name ("Asia/Shanghai"); empty is the
  // system's /etc/localtime (platform/time_zone.h).
  std::string timeZone;
};

// Read from MachineRoot() + "machine.ini", section [machine]. Not cached: tests
// change the root between cases.
MachineProfile LoadMachineProfile();

}  // namespace platform

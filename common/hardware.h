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

  // Process, autorun and tray-message operations (hardware_process.cpp). Executable
  // names are whole file names, compared case-blind by the ".exe" rule.

  // 1 when a process of that name runs, 0 when none does, -1 without a process list.
  int FindProcess(const std::string& exeName);
  // Ends the first process of that name, the caller itself not spared: non-zero when it
  // was ended, 0 when none matches, it could not be ended or there is no process list.
  int KillProcessByName(const std::string& exeName);
  // Ids ("%d") and owning accounts of the processes of that name (blanks around it
  // ignored), in the same order; returns their number.
  int ListProcessOwners(const std::string& exeName, StringList& ids, StringList& accounts);
  // Non-zero when the running process pid was ended.
  int KillProcess(int pid);
  // Account (without domain) that owns the process; empty on any failure.
  std::string GetProcessOwner(int pid);

  // The tray program's value in the machine's Run key: empty text on success, else
  // the error text.
  std::string SetTrayAutorun();
  // 1 when the value was there and is gone, else 0.
  int RemoveTrayAutorun();
  // Tells the tray program to quit; 1 when the message was written.
  int SendTrayCommand();
};

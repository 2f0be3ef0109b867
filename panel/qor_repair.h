#pragma once
// Puts an installation back into working order, one step at a time: file permissions,
// the tray program and its autorun value, the background service, and the filter
// module's registration with IIS. Each step returns an empty text when it found
// nothing to report, else a message for the user.
#include <string>

class CConfig;

class CQorRepair {
 public:
  // The steps read the master switch and the tray setting from the panel's store ...
  CQorRepair();
  // ... or from config.
  explicit CQorRepair(const CConfig& config);
  virtual ~CQorRepair();

  // The text of the last grant (on iis/qorip.dll); earlier grants are not reported.
  std::string RepairPermissions();
  std::string RepairTray();
  std::string RepairService();
  // Runs the toolbox with -load_isapi (switch on) or hidden with -unload_isapi and
  // waits for its end.
  std::string RepairIisFilter();

 private:
  const CConfig& m_config;
};

// The program file in the program folder that stands for a Windows program name.
std::string ProgramFilePath(const std::string& windowsName);
// Starts the tray program with "-autorun" the way the shell opens a program.
bool StartTrayProgram(const std::string& path);

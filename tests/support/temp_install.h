#pragma once
// A temporary program folder and machine root for one test, set in the environment
// (QOR_PROGRAM_DIR, QOR_MACHINE_ROOT) for the test and for the programs it runs.
#include <string>

namespace qortest {

class TempInstall {
 public:
  TempInstall();
  ~TempInstall();
  TempInstall(const TempInstall&) = delete;
  TempInstall& operator=(const TempInstall&) = delete;

  // Both end with '/'.
  const std::string& ProgramDir() const { return m_programDir; }
  const std::string& MachineRoot() const { return m_machineRoot; }
  const std::string& Base() const { return m_base; }

  // Writes a file under the program folder (parent folders made).
  void WriteProgramFile(const std::string& relative, const std::string& content) const;
  std::string ReadProgramFile(const std::string& relative) const;
  // A machine.ini with fixed figures, so keys agree across processes.
  void WriteMachineIni(const std::string& extraLines = "") const;

 private:
  std::string m_base, m_programDir, m_machineRoot;
  std::string m_oldProgramDir, m_oldMachineRoot;
  bool m_hadProgramDir = false, m_hadMachineRoot = false;
};

// Folder of the built programs: QOR_BIN_DIR (set by the test runner), else the bin
// folder of the build tree this test program was built in.
std::string BinDir();
// Folder of the sources (QOR_SOURCE_DIR).
std::string SourceDir();
// Path of the running test program.
std::string SelfExe();
// Whether path's file system keeps creation times (several keep none); what reads them
// answers "unknown" where it does not.
bool KeepsCreationTime(const std::string& path);
// Copies a built program into dir (so that its program folder is dir).
std::string InstallProgram(const std::string& name, const std::string& dir);

}  // namespace qortest

#pragma once
// Where the running installation and the emulated machine live.
#include <string>

namespace platform {

// Folder of the running executable with a trailing '/'; QOR_PROGRAM_DIR overrides it.
std::string ProgramDir();

// Full path of the running executable itself (/proc/self/exe), whatever name or link
// started it; empty when it cannot be read.
std::string ExecutablePath();

// Root of the emulated Windows machine with a trailing '/'; QOR_MACHINE_ROOT overrides
// the default /var/lib/qor-machine.
std::string MachineRoot();
inline constexpr const char* kDefaultMachineRoot = "/var/lib/qor-machine/";

// The Windows system directory under the machine root, with a trailing '/'.
std::string SystemDir();

// A path under the machine root (no leading '/': "registry/hklm.hive").
std::string MachinePath(const std::string& relative);

// The folder of what belongs to the running account alone, under the machine root:
// "users/<account name>" (the uid's number when it has no name), no trailing '/'.
// Only the path: platform/ipc_files.h makes and checks it.
std::string AccountPath();

// Windows program name ("QoripPanel.exe") to the name of a file in the program folder:
// a trailing ".exe" dropped, matched against the folder's files without regard to case.
// Returns the plain name when no file matches.
std::string MapProgramName(const std::string& windowsName, const std::string& dir = ProgramDir());

// Two executable names are one program when they agree after the ".exe" rule, case-blind.
bool SameProgramName(const std::string& a, const std::string& b);

// Drops a trailing ".exe" (any case).
std::string StripExe(const std::string& name);

}  // namespace platform

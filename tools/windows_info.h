#pragma once
// The facts of the running Windows that the toolbox decides by.
#include <string>

// Program folder without a trailing '/'.
std::string ProgramFolder();
// NT line: major * 10 + minor (2003 = 52, 2008 R2 = 61); 9x line: the minor version when
// it is 0 or 10, else 0; any other platform -1.
int OsVersionCode(int platformId, int major, int minor);
// The code of this machine.
int GetOsVersionCode();
// Whether the machine has the folder "Program Files (x86)" beside its Windows folder.
bool IsWindows64();
// The Windows system folder without a trailing '/'.
std::string GetSystemFolder();
std::string GetComputerNameText();

#pragma once
// The program folder, the system folder, the account, the Windows version, random text.
#include <string>

#include "common/build.h"

// Program folder with a trailing '/'.
std::string GetModuleDir();
// The Windows system directory with a trailing '/'.
std::string GetSystemDir();
// The folder that stands for the system drive (the machine root); the service asks
// for a count of characters, which only matters for a count below 1 (empty text).
std::string GetSystemDrive(int count = 2);
// Account of the caller (GBK), "--" when unknown.
std::string GetCurrentUser();
// Name and number of the running Windows by the machine profile; the service build
// has its own names and codes.
int GetOsVersionName(std::string& name, Build build = Build::Panel);
int OsVersionName(int platformId, int major, int minor, int build, std::string& name, Build flavor);
// Lower-case letters and digits, the same text for calls within one second.
std::string RandomString(int length);

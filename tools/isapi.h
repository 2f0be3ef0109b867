#pragma once
// Registering the filter module with IIS and removing it again, for the IIS generation
// that the Windows version implies: the administration provider up to Windows Server
// 2003, the command-line tool from Windows Vista / Server 2008 on.
#include <string>

// Set once at start-up by SetUpFilterGlobals.
extern std::string g_FilterPath;    // the 32-bit module
extern std::string g_FilterName;
extern int g_OsCode;
extern bool g_Is64;                 // cleared when the 64-bit module is missing
extern std::string g_FilterPath64;
extern std::string g_FilterName64;

void SetUpFilterGlobals();

// True on success; otherwise errorText says why (it may be empty).
bool LoadIsapi(std::string& errorText);
bool UnloadIsapi(std::string& errorText);

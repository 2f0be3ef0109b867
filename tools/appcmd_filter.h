#pragma once
// Filter registration through the IIS command-line tool (IIS 7 and later). The tool is
// waited for, at most kAppcmdTimeoutMs; its exit code decides, and a name that is listed
// already counts as registered.
#include <string>

#include "common/build.h"

inline constexpr long long kAppcmdTimeoutMs = 30000;

// The tool as the system names it, and the file that stands for it.
std::string AppcmdCommandName();
std::string AppcmdProgramFile();
// The command lines, byte for byte: the module path in double quotes inside the quoted
// value, so that a path with blanks stays one value.
std::string AddFilterCommandLine(const std::string& name, const std::string& path, bool is64);
std::string RemoveFilterCommandLine(const std::string& name);
std::string ListFiltersCommandLine();

// False without running anything for a blank name or a path holding a double quote.
bool AddFilterByAppcmd(const std::string& name, const std::string& path, bool is64, std::string& errorText);
bool RemoveFilterByAppcmd(const std::string& name, std::string& errorText);
// Names of the filters the tool lists.
bool ListAppcmdFilters(StringList& names, std::string& errorText);
// The names in the tool's list output.
StringList ParseFilterList(const std::string& output);

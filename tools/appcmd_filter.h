#pragma once
// Filter registration through the IIS command-line tool (IIS 7 and later). The tool is
// waited for, at most kAppcmdTimeoutMs; its exit code decides, and a name that is listed
// already counts as registered.
#include <string>

#include "common/build.h"

inline constexpr long long kAppcmdTimeoutMs = 30000;
// A whole registration or removal ends within this time (scaled by QOR_TIME_SCALE like
// every wait), however many calls it makes: a hanging tool cannot hold the toolbox.
inline constexpr long long kRegistrationTimeoutMs = 180000;

// The end of one registration, in real time; a call starts only before it and waits for
// the tool at most until it. The default never ends.
class CAppcmdDeadline {
 public:
  CAppcmdDeadline() = default;
  // Ends ms (scaled) from now.
  static CAppcmdDeadline In(long long ms);
  // Real milliseconds left; kAppcmdTimeoutMs or more when unbounded.
  long long RemainingMs() const;
  bool Passed() const { return RemainingMs() <= 0; }

 private:
  long long m_endMs = -1;  // steady real time; -1: never
};

// The tool as the system names it, and the file that stands for it.
std::string AppcmdCommandName();
std::string AppcmdProgramFile();
// The command lines, byte for byte: the module path in double quotes inside the quoted
// value, so that a path with blanks stays one value. A path holding a single quote would
// end the quoted value: it stands unquoted for the tool (its value then runs to the next
// "," or "]"), still in double quotes for the command line.
std::string AddFilterCommandLine(const std::string& name, const std::string& path, bool is64);
std::string RemoveFilterCommandLine(const std::string& name);
std::string ListFiltersCommandLine();

// False without running anything for a blank name, a path holding a double quote, or a
// path holding a single quote together with "," or "]" (no quoting carries both). A
// call that is not done by the deadline fails with the command line in the error text.
bool AddFilterByAppcmd(const std::string& name, const std::string& path, bool is64, std::string& errorText,
                       const CAppcmdDeadline& deadline = {});
// A name that is not listed is gone already: success.
bool RemoveFilterByAppcmd(const std::string& name, std::string& errorText, const CAppcmdDeadline& deadline = {});
// Names of the filters the tool lists.
bool ListAppcmdFilters(StringList& names, std::string& errorText, const CAppcmdDeadline& deadline = {});
// The names in the tool's list output.
StringList ParseFilterList(const std::string& output);

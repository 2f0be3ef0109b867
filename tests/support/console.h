#pragma once
// A program run as from a console: its exit code and what it printed (standard output
// and error), turned from the console's UTF-8 into the system's GBK.
#include <string>

namespace qortest {

struct Output {
  int exitCode = -1;  // 128 + the signal for a program a signal ended
  std::string text;   // GBK
};

// Runs a shell command line (the caller quotes what needs it).
Output RunConsole(const std::string& commandLine);

}  // namespace qortest

#pragma once
// Running the IIS command-line tool: the toolbox waits for it (bounded) and reads what
// it printed, as it would read appcmd.exe's console output.
#include <string>

namespace platform::iis {

struct AppcmdRun {
  bool started = false;
  bool exited = false;    // ran to its end within the time
  bool timedOut = false;  // was still running at the deadline and was ended
  int exitCode = -1;
  std::string output;     // standard output
};

// Runs program with the arguments of the parameters text (Windows command-line rules,
// no shell) and waits at most timeoutMs real milliseconds.
AppcmdRun RunAppcmd(const std::string& program, const std::string& parameters, long long timeoutMs);

}  // namespace platform::iis

#pragma once
// Child processes without a shell, with the Windows command-line rules.
#include <string>
#include <vector>

namespace platform::process {

// Splits a command line by the Windows rules (quotes, backslashes before quotes).
std::vector<std::string> SplitCommandLine(const std::string& commandLine);
// Quotes one argument so that SplitCommandLine gives it back unchanged.
std::string QuoteArgument(const std::string& arg);

struct RunResult {
  bool started = false;
  bool exited = false;     // ran to its end (not killed by a signal, not timed out)
  bool timedOut = false;
  int exitCode = -1;
  int pid = -1;            // of the child, still running after a timeout
};

// Runs program (the path exactly as given) with the arguments of the parameters text
// and waits for it. timeoutMs < 0 waits without limit; on a timeout the child is
// left running and timedOut is set. hidden only matters to a desktop host.
RunResult RunAndWait(const std::string& program, const std::string& parameters, bool hidden = false,
                     long long timeoutMs = -1);
// The same with an argument vector.
RunResult RunAndWaitArgs(const std::string& program, const std::vector<std::string>& args,
                         long long timeoutMs = -1);

// Account name of the calling process (UTF-8 as the OS gives it); empty when unknown.
std::string CurrentUserName();

int CurrentPid();

}  // namespace platform::process

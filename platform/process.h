#pragma once
// Child processes without a shell, with the Windows command-line rules; the running
// processes of the machine (from /proc), ending them, detached starts and the desktop's
// opener for web addresses and folders.
#include <functional>
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
// The name of the account with that uid, empty when the system knows none.
std::string UserNameOf(long uid);

int CurrentPid();

// One running process as a snapshot sees it. Names are the OS's (UTF-8); compare
// executable names with platform::SameProgramName (the ".exe" rule).
struct ProcessInfo {
  int pid = 0;
  int parentPid = 0;
  std::string exeName;  // file name of its executable, without folder
  std::string owner;    // account the process runs as; empty when unknown
};

// Every running process (not the ones that ended and wait to be reaped), by ascending
// pid. False when the process table cannot be read.
[[nodiscard]] bool Snapshot(std::vector<ProcessInfo>& out);

// Account the process runs as; empty when it does not exist or the account is unknown.
std::string ProcessOwner(int pid);

// Ends the process at once. False when it does not exist or may not be ended; never
// signals a group (pid <= 0).
[[nodiscard]] bool Kill(int pid);

// Starts program with the arguments of the parameters text, detached like a shell
// "open": its own session, stdin from /dev/null, not waited for. A Windows program name
// ("QoripPanel.exe") is mapped to the file of its folder. The pid, or -1 when it could
// not be started.
[[nodiscard]] int StartDetached(const std::string& program, const std::string& parameters, bool hidden = false);

// Opens a web address or a folder with the desktop's opener. Without a desktop the
// request is recorded as one line in RecordedOpensPath(). False when neither happened.
[[nodiscard]] bool OpenDocument(const std::string& target);
std::string RecordedOpensPath();

// Snapshot, owner look-up, kill and start ask the fault table (platform/faults.h) first;
// an errno it gives makes the operation fail as with that errno.
// What the table says of a start (0: go on); the layer's own starts ask it first.
int ApplyStartFault();

}  // namespace platform::process

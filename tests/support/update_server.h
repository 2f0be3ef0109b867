#pragma once
// The stand-in update endpoint (qorupdate of the build), run on a free port.
#include <sys/types.h>

#include <string>
#include <vector>

#include "tests/support/temp_install.h"

namespace qortest {

class UpdateServer {
 public:
  // Starts qorupdate on a free port with the options given. logged: it also logs its
  // requests (Requests()) and ends after a minute without one.
  UpdateServer(const TempInstall& install, std::vector<std::string> args, bool logged = true);
  ~UpdateServer();
  UpdateServer(const UpdateServer&) = delete;
  UpdateServer& operator=(const UpdateServer&) = delete;

  // "http://127.0.0.1:<port>" once the server listens (up to 10 s); empty if never.
  std::string Base();
  // The request targets it was asked for, in order.
  std::vector<std::string> Requests() const;
  // Waits up to 10 s for its end; the exit code, or -1.
  int WaitExit();
  pid_t Pid() const { return m_pid; }

 private:
  std::string m_portFile, m_logFile;
  pid_t m_pid = -1;
  bool m_reaped = false;
};

// The value of a query key in a request target; "<none>" when the key is missing.
std::string QueryValue(const std::string& target, const std::string& key);

}  // namespace qortest

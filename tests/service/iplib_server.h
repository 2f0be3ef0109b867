#pragma once
// The stand-in update endpoint (qorupdate of the build) for the service's tests.
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <string>
#include <thread>
#include <vector>

#include "platform/fs.h"
#include "tests/support/temp_install.h"

extern char** environ;

namespace qortest {

class UpdateServer {
 public:
  // Starts qorupdate on a free port with the options given, logging its requests.
  UpdateServer(const TempInstall& install, std::vector<std::string> args)
      : m_portFile(install.Base() + "port"), m_logFile(install.Base() + "requests.log") {
    platform::fs::DeleteFile(m_portFile);
    platform::fs::DeleteFile(m_logFile);
    args.insert(args.begin(), {BinDir() + "qorupdate", "--port", "0", "--port-file", m_portFile, "--log", m_logFile,
                               "--idle-timeout", "60"});
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    if (posix_spawn(&m_pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) m_pid = -1;
  }
  ~UpdateServer() {
    if (m_pid > 0) {
      ::kill(m_pid, SIGTERM);
      ::waitpid(m_pid, nullptr, 0);
    }
  }
  UpdateServer(const UpdateServer&) = delete;
  UpdateServer& operator=(const UpdateServer&) = delete;

  // "http://127.0.0.1:<port>" once the server listens (up to 10 s); empty if never.
  std::string Base() {
    std::string port;
    for (int i = 0; i < 1000 && port.empty() && m_pid > 0; ++i) {
      if (platform::fs::ReadFile(m_portFile, port) != platform::fs::kOk) port.clear();
      if (port.empty()) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return port.empty() ? "" : "http://127.0.0.1:" + port;
  }

  // The request targets it was asked for, in order.
  std::vector<std::string> Requests() const {
    std::string text;
    platform::fs::ReadFile(m_logFile, text);
    std::vector<std::string> out;
    size_t pos = 0;
    while (pos < text.size()) {
      size_t nl = text.find('\n', pos);
      if (nl == std::string::npos) nl = text.size();
      std::string line = text.substr(pos, nl - pos);
      if (line.rfind("GET ", 0) == 0) out.push_back(line.substr(4));
      pos = nl + 1;
    }
    return out;
  }

 private:
  std::string m_portFile, m_logFile;
  pid_t m_pid = -1;
};

// The value of a query key in a request target; "<none>" when the key is missing.
inline std::string QueryValue(const std::string& target, const std::string& key) {
  size_t q = target.find('?');
  if (q == std::string::npos) return "<none>";
  std::string query(1, '&');
  query.append(target, q + 1, std::string::npos).append(1, '&');
  std::string needle(1, '&');
  needle.append(key).append(1, '=');
  size_t at = query.find(needle);
  if (at == std::string::npos) return "<none>";
  size_t start = at + key.size() + 2;
  return query.substr(start, query.find('&', start) - start);
}

}  // namespace qortest

#include "tests/support/update_server.h"

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include "platform/fs.h"
#include "tests/support/fake_program.h"
#include "tests/support/wait.h"

extern char** environ;

namespace qortest {

namespace fs = platform::fs;

UpdateServer::UpdateServer(const TempInstall& install, std::vector<std::string> args, bool logged)
    : m_portFile(install.Base() + "port"), m_logFile(install.Base() + "requests.log") {
  (void)fs::DeleteFile(m_portFile);
  (void)fs::DeleteFile(m_logFile);
  std::vector<std::string> head = {BinDir() + "qorupdate", "--port", "0", "--port-file", m_portFile};
  if (logged) head.insert(head.end(), {"--log", m_logFile, "--idle-timeout", "60"});
  args.insert(args.begin(), head.begin(), head.end());
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  if (posix_spawn(&m_pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) m_pid = -1;
}

UpdateServer::~UpdateServer() {
  if (m_pid > 0 && !m_reaped) {
    ::kill(m_pid, SIGKILL);
    ::waitpid(m_pid, nullptr, 0);
  }
}

std::string UpdateServer::Base() {
  std::string port;
  // Written whole by a rename.
  WaitFor([&] { return m_pid > 0 && fs::ReadFile(m_portFile, port) == fs::kOk && !port.empty(); }, 10000);
  return port.empty() ? "" : "http://127.0.0.1:" + port;
}

std::vector<std::string> UpdateServer::Requests() const {
  std::string text;
  (void)fs::ReadFile(m_logFile, text);
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

int UpdateServer::WaitExit() {
  int status = 0;
  if (m_reaped || !WaitChildEnd(m_pid, &status, 10000)) return -1;
  m_reaped = true;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string QueryValue(const std::string& target, const std::string& key) {
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

#pragma once
// What the caller side, the supervisor (qorsc) and the dispatcher of a service share:
// the status file of a running service, the local socket they talk over and its
// line protocol. Not for the programs: they use platform/scm.h.
//
// Lines, every field escaped (scm_names.h):
//   dispatcher -> supervisor  "H <name> <pid>"            hello, once
//   supervisor -> dispatcher  "A <arg>..."                accepted, the start arguments
//                             "N <code>"                  refused with that code
//   supervisor -> dispatcher  "C <control>"               a control to deliver
//   dispatcher -> supervisor  "S <status>"                a status report
//                             "R <code> <status>"         the answer to "C"
//   caller -> supervisor      "Q <control>"               a control request
//   supervisor -> caller      "R <code> <status>"         5 when the caller's account
//                                                         may not send it (the peer's
//                                                         credentials say who it is),
//                                                         1061 when that account holds
//                                                         too many connections already
#include <sys/types.h>

#include <cstdint>
#include <string>

#include "platform/scm.h"

namespace platform::scm::wire {

constexpr const char* kSocketEnv = "QOR_SCM_SOCKET";
constexpr const char* kServiceEnv = "QOR_SCM_SERVICE";

using scm::ProcessWaitMs;
// Monotonic real milliseconds.
int64_t SteadyMs();

struct StatusRecord {
  std::string name;
  Status status;
  int supervisorPid = 0;
  uint64_t supervisorStart = 0;  // start time of that process, against pid reuse
  std::string socket;            // abstract socket name of the supervisor
  uint32_t connects = 0;         // dispatcher connections so far
  bool ended = false;            // the supervisor has finished
};

std::string FileBase(const std::string& serviceName);  // services/<name folded>
std::string LockPath(const std::string& serviceName);
// False when there is no status file (never started).
[[nodiscard]] bool ReadStatusRecord(const std::string& serviceName, StatusRecord& out);
[[nodiscard]] int WriteStatusRecord(const StatusRecord& record);
// Whether the record's supervisor is still at work.
bool SupervisorAlive(const StatusRecord& record);

// Start time of a live process in clock ticks; 0 when it is gone or a zombie.
uint64_t ProcessStartTicks(int pid);

std::string FormatStatus(const Status& s);
bool ParseStatus(const std::string& fields, Status& out);

// Abstract-namespace Unix stream sockets, close-on-exec. -1 on failure. The listener
// does not block: Accept gives -1 once nobody waits.
[[nodiscard]] int Listen(const std::string& name);
[[nodiscard]] int Connect(const std::string& name);
[[nodiscard]] int Accept(int listenFd);
// Who is at the other end of a connected socket, as the kernel says; an unknown peer
// reads as pid 0 of the account nobody can be (uid -1).
struct Peer {
  int pid = 0;
  uid_t uid = static_cast<uid_t>(-1);
};
[[nodiscard]] Peer PeerOf(int fd);
[[nodiscard]] bool SendLine(int fd, const std::string& line);

// Buffered line reading from a socket.
class LineReader {
 public:
  explicit LineReader(int fd = -1) : m_fd(fd) {}
  void Reset(int fd) {
    m_fd = fd;
    m_buf.clear();
  }
  // 1 a line was read, 0 none within timeoutMs (real), -1 end of stream or error.
  [[nodiscard]] int Read(std::string& line, int64_t timeoutMs);
  // Reads what is available without waiting: 1 a line, 0 nothing complete yet, -1 end.
  [[nodiscard]] int ReadAvailable(std::string& line);
  int Fd() const { return m_fd; }

 private:
  bool TakeLine(std::string& line);
  int m_fd;
  std::string m_buf;
};

// Splits a protocol line into its unescaped fields (first field is the verb).
bool SplitFields(const std::string& line, std::vector<std::string>& out);
std::string JoinFields(const std::vector<std::string>& fields);

}  // namespace platform::scm::wire

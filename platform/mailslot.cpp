#include "platform/mailslot.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <strings.h>
#include <thread>  // std::chrono clocks; <chrono> itself has a literal with no GBK form

#include "platform/ipc_files.h"

namespace platform::mailslot {

namespace {

constexpr const char kPrefix[] = "\\\\.\\mailslot\\";

std::string BareName(const std::string& name) {
  constexpr size_t n = sizeof kPrefix - 1;
  if (name.size() >= n && strncasecmp(name.c_str(), kPrefix, n) == 0) return name.substr(n);
  return name;
}

int ErrnoCode(int err) {
  switch (err) {
    case ENOENT:
    case ECONNREFUSED:
    case ENOTDIR:
      return kNoReader;
    case EACCES:
    case EPERM:
      return kAccessDenied;
    case EAGAIN:
    case ENOBUFS:
      return kSlotFull;
    case EMSGSIZE:
      return kTooLarge;
    case ENAMETOOLONG:
      return kInvalidName;
    default:
      return kFailed;
  }
}

}  // namespace

std::string SocketPath(const std::string& name) {
  std::string dir = ipc::Folder();
  if (dir.empty()) return "";
  return dir + ipc::FileName(BareName(name)) + ".slot";
}

Slot::~Slot() { Close(); }

int Slot::Create(const std::string& name) {
  if (IsOpen()) return kAlreadyExists;
  if (BareName(name).empty()) return kInvalidName;
  std::string path = SocketPath(name);
  if (path.empty()) return kAccessDenied;
  int lock = ipc::TryLock(path + ".lock");
  if (lock < 0) return errno == EWOULDBLOCK ? kAlreadyExists : ErrnoCode(errno);
  // Holding the lock, a socket file still there was left by a reader that died.
  if (!ipc::ClearStaleSocket(path)) {
    ::close(lock);
    return kAccessDenied;
  }
  int s = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  if (s < 0) {
    ::close(lock);
    return kFailed;
  }
  ipc::LocalAddress addr;
  if (!addr.Set(path)) {
    ::close(s);
    ::close(lock);
    return kInvalidName;
  }
  if (::bind(s, addr.Addr(), addr.Length()) != 0) {
    int code = ErrnoCode(errno);
    ::close(s);
    ::close(lock);
    return code;
  }
  // Writers run under other accounts too.
  if (!ipc::OpenSocketToAll(path)) {
    ::close(s);
    ::close(lock);
    return kAccessDenied;
  }
  m_socket = s;
  m_lock = lock;
  m_path = path;
  return kOk;
}

Slot::ReadResult Slot::Read(std::string& message, int64_t waitMs) {
  message.clear();
  if (!IsOpen()) return ReadResult::Failed;
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs < 0 ? 0 : waitMs);
  char buf[kMaxMessage + 1];
  for (;;) {
    int timeout = -1;
    if (waitMs >= 0) {
      auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now())
                      .count();
      timeout = left > 0 ? static_cast<int>(left) : 0;
    }
    pollfd p{m_socket, POLLIN, 0};
    int r = ::poll(&p, 1, timeout);
    if (r < 0) {
      if (errno == EINTR) continue;
      return ReadResult::Failed;
    }
    if (r == 0) return ReadResult::Timeout;
    // MSG_TRUNC gives the whole length, so an oversized message is seen and dropped
    // instead of arriving cut.
    ssize_t n = ::recv(m_socket, buf, sizeof buf, MSG_DONTWAIT | MSG_TRUNC);
    if (n < 0) {
      if (errno == EINTR || errno == EAGAIN) continue;
      return ReadResult::Failed;
    }
    if (static_cast<size_t>(n) > kMaxMessage) continue;
    message.assign(buf, static_cast<size_t>(n));
    return ReadResult::Message;
  }
}

void Slot::Close() {
  if (m_socket < 0) return;
  // Unlinked while the lock is still held, so the next owner never loses its socket.
  ::unlink(m_path.c_str());
  ::close(m_socket);
  ::close(m_lock);
  m_socket = m_lock = -1;
  m_path.clear();
}

int Write(const std::string& name, const std::string& message) {
  if (BareName(name).empty()) return kInvalidName;
  if (message.size() > kMaxMessage) return kTooLarge;
  std::string path = SocketPath(name);
  if (path.empty()) return kNoReader;
  struct stat st;
  if (::lstat(path.c_str(), &st) != 0) return ErrnoCode(errno);
  if (!S_ISSOCK(st.st_mode)) return kNoReader;  // a link or a file is nobody's slot
  int s = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  if (s < 0) return kFailed;
  ipc::LocalAddress addr;
  int code = kInvalidName;
  if (addr.Set(path)) {
    ssize_t n;
    do {
      n = ::sendto(s, message.data(), message.size(), MSG_DONTWAIT | MSG_NOSIGNAL, addr.Addr(), addr.Length());
    } while (n < 0 && errno == EINTR);
    code = n == static_cast<ssize_t>(message.size()) ? kOk : (n < 0 ? ErrnoCode(errno) : kFailed);
  }
  ::close(s);
  return code;
}

}  // namespace platform::mailslot

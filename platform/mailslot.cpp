#include "platform/mailslot.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <strings.h>
#include <thread>  // std::chrono clocks; <chrono> itself has a literal with no GBK form

#include "platform/ipc_files.h"
#include "platform/notice.h"
#include "platform/process.h"
#include "platform/scm_access.h"
#include "platform/sys.h"

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

// How long a name another account reads is waited for before the refusal.
constexpr int64_t kForeignReaderWaitMs = 500;

int64_t NowMs() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

std::string AccountName(uid_t uid) {
  const std::string name = process::UserNameOf(static_cast<long>(uid));
  return name.empty() ? std::to_string(uid) : name;
}

// 1 a reader is bound to the socket at path, 0 nobody is, -1 cannot tell.
int ReaderLives(const std::string& path) {
  UniqueFd s(::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0));
  ipc::LocalAddress addr;
  if (!s || !addr.Set(path)) return -1;
  if (::connect(s.Get(), addr.Addr(), addr.Length()) == 0) return 1;
  return errno == ECONNREFUSED ? 0 : -1;
}

// Makes the slot's name free for this reader: kOk once nothing is at path.
int FreeTheName(const std::string& path) {
  const int64_t until = NowMs() + kForeignReaderWaitMs;
  const uid_t me = ::geteuid();
  for (;;) {
    struct stat st;
    if (::lstat(path.c_str(), &st) != 0) return errno == ENOENT ? kOk : ErrnoCode(errno);
    if (!S_ISSOCK(st.st_mode)) {
      // Planted by another account (a fifo, say): an administrator moves it aside, kept
      // for a look, rather than going without the name for ever.
      const std::string aside = path + ".refused." + std::to_string(::getpid());
      if (st.st_uid != me && scm::access::IsAdministrator(me) && sys::Rename(path, aside) == 0) {
        notice::Write("mailslot " + path + ": something of account " + AccountName(st.st_uid) +
                      " that is no socket was in the way; moved aside to " + aside);
        continue;
      }
      return ipc::ClearStaleSocket(path) ? kOk : kAccessDenied;  // refused and logged
    }
    const int lives = ReaderLives(path);
    if (lives == 0) {
      // Left by a reader that died: its account, or root, clears it.
      if (st.st_uid == me || me == 0) return ipc::ClearStaleSocket(path) ? kOk : kAccessDenied;
      notice::Write("mailslot " + path + ": left by account " + AccountName(st.st_uid) +
                    ", which alone can clear it; refused");
      return kAccessDenied;
    }
    if (st.st_uid == me) return kAlreadyExists;
    if (scm::access::IsAdministrator(me) && !scm::access::IsAdministrator(st.st_uid) && ::unlink(path.c_str()) == 0) {
      notice::Write("mailslot " + path + ": read by account " + AccountName(st.st_uid) +
                    ", which is no administrator; taken back");
      return kOk;
    }
    if (NowMs() >= until) {
      notice::Write("mailslot " + path + ": read by account " + AccountName(st.st_uid) + "; waited " +
                    std::to_string(kForeignReaderWaitMs) + " ms, refused");
      return kAlreadyExists;
    }
    ::poll(nullptr, 0, 25);
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
  std::string own = ipc::AccountFolder();
  if (path.empty() || own.empty()) return kAccessDenied;
  UniqueFd lock(ipc::TryLock(own + ipc::FileName(BareName(name)) + ".slot.lock"));
  if (!lock) return errno == EWOULDBLOCK ? kAlreadyExists : ErrnoCode(errno);
  if (int rc = FreeTheName(path)) return rc;
  UniqueFd s(::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0));
  if (!s) return kFailed;
  ipc::LocalAddress addr;
  if (!addr.Set(path)) return kInvalidName;
  if (::bind(s.Get(), addr.Addr(), addr.Length()) != 0) return errno == EADDRINUSE ? kAlreadyExists : ErrnoCode(errno);
  // Writers run under other accounts too.
  if (!ipc::OpenSocketToAll(path)) return kAccessDenied;
  m_socket = std::move(s);
  m_lock = std::move(lock);
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
    pollfd p{m_socket.Get(), POLLIN, 0};
    int r = ::poll(&p, 1, timeout);
    if (r < 0) {
      if (errno == EINTR) continue;
      return ReadResult::Failed;
    }
    if (r == 0) return ReadResult::Timeout;
    // MSG_TRUNC gives the whole length, so an oversized message is seen and dropped
    // instead of arriving cut.
    ssize_t n = ::recv(m_socket.Get(), buf, sizeof buf, MSG_DONTWAIT | MSG_TRUNC);
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
  if (!m_socket) return;
  // Unlinked while the lock is still held, so the next owner never loses its socket.
  ::unlink(m_path.c_str());
  m_socket.Reset();
  m_lock.Reset();
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
  UniqueFd s(::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0));
  if (!s) return kFailed;
  ipc::LocalAddress addr;
  if (!addr.Set(path)) return kInvalidName;
  ssize_t n;
  do {
    n = ::sendto(s.Get(), message.data(), message.size(), MSG_DONTWAIT | MSG_NOSIGNAL, addr.Addr(), addr.Length());
  } while (n < 0 && errno == EINTR);
  return n == static_cast<ssize_t>(message.size()) ? kOk : (n < 0 ? ErrnoCode(errno) : kFailed);
}

}  // namespace platform::mailslot

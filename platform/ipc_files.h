#pragma once
// What the mailslot and the single-instance locks share: their folder <machine root>/ipc/,
// file names made from object names, owner locks and local socket addresses.
#include <sys/socket.h>
#include <sys/un.h>

#include <string>

namespace platform::ipc {

// The ipc folder with a trailing '/', made (sticky, writable by every account) when missing.
// Empty when it cannot be made.
std::string Folder();

// An object name as a file name: '/' becomes '_', ASCII letters are folded (names are
// case-blind), the second byte of a double-byte character is left alone.
std::string FileName(const std::string& objectName);

// An exclusive flock on path held by the returned descriptor (close-on-exec, so a child
// never keeps it). -1 when another open of the file holds it (errno EWOULDBLOCK) or the
// file cannot be opened.
int TryLock(const std::string& path);

// A Unix socket address for path. Paths too long for sun_path go through
// /proc/self/fd/<folder descriptor>/, which stays open as long as the address lives.
class LocalAddress {
 public:
  LocalAddress() = default;
  ~LocalAddress();
  LocalAddress(const LocalAddress&) = delete;
  LocalAddress& operator=(const LocalAddress&) = delete;

  bool Set(const std::string& path);
  const sockaddr* Addr() const { return reinterpret_cast<const sockaddr*>(&m_addr); }
  socklen_t Length() const { return m_length; }

 private:
  sockaddr_un m_addr{};
  socklen_t m_length = 0;
  int m_dirFd = -1;
};

}  // namespace platform::ipc

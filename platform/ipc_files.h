#pragma once
// What the mailslot and the single-instance locks share: their folders (ipc/ for what
// accounts share, users/<account>/ for what belongs to one, locks/ for the system's),
// file names made from object names, owner locks and local socket addresses.
#include <sys/socket.h>
#include <sys/un.h>

#include <string>

#include "platform/unique_fd.h"

namespace platform::ipc {

// The ipc folder with a trailing '/', made (sticky, writable by every account) when missing.
// Empty when it cannot be made.
std::string Folder();

// An object name as a file name: '/' becomes '_', ASCII letters are folded (names are
// case-blind), the second byte of a double-byte character is left alone.
std::string FileName(const std::string& objectName);

// The folder of locks that only the system's own processes take, with a trailing
// '/': <machine root>/locks/, mode 0700, so no other account can open a lock there.
// Empty (and logged) when it cannot be made or is not a private folder of ours.
std::string PrivateFolder();

// The folder of what belongs to the running account alone, with a trailing '/':
// <machine root>/users/<account>/, mode 0700 and owned by the account, so no other
// account can open what lies in it. users/ is sticky and open to every account, each
// making its own folder there. A name there that is not a private folder of this
// account is refused (and logged); root moves it aside and makes its folder afresh.
// Empty when it cannot be had.
std::string AccountFolder();

// An exclusive flock on path in a private folder (the account's own or locks/), held
// by the returned descriptor (close-on-exec, so a child never keeps it). -1 when
// another open of the file holds it (errno EWOULDBLOCK) or the file cannot be opened
// or checked. A new lock file gets mode 0600; a link is never followed, and a name taken by
// something else (a link, no plain file, a file with other names or of another
// account) is refused with errno EPERM and a log line.
[[nodiscard]] int TryLock(const std::string& path);

// Makes a socket file that bind just created reachable by every account. False (and
// logged) when the name holds something else, which is then left alone.
[[nodiscard]] bool OpenSocketToAll(const std::string& path);

// Clears a socket left by a holder that died, before a new one is bound there. False
// (and logged) when the name holds something that is not a socket.
[[nodiscard]] bool ClearStaleSocket(const std::string& path);

// A Unix socket address for path. Paths too long for sun_path go through
// /proc/self/fd/<folder descriptor>/, which stays open as long as the address lives.
class LocalAddress {
 public:
  LocalAddress() = default;
  LocalAddress(const LocalAddress&) = delete;
  LocalAddress& operator=(const LocalAddress&) = delete;

  [[nodiscard]] bool Set(const std::string& path);
  const sockaddr* Addr() const { return reinterpret_cast<const sockaddr*>(&m_addr); }
  socklen_t Length() const { return m_length; }

 private:
  sockaddr_un m_addr{};
  socklen_t m_length = 0;
  UniqueFd m_dirFd;
};

}  // namespace platform::ipc

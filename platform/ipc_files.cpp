#include "platform/ipc_files.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <cstdio>
#include <cstring>

#include "platform/fs.h"
#include "platform/paths.h"

namespace platform::ipc {

std::string Folder() {
  std::string dir = MachinePath("ipc");
  if (!fs::IsDirectory(dir)) {
    if (fs::MakeDirs(dir) != fs::kOk && !fs::IsDirectory(dir)) return "";
    // The tray, the panel and the service may run under different accounts.
    ::chmod(dir.c_str(), 01777);
  }
  return dir + "/";
}

std::string FileName(const std::string& objectName) {
  std::string out;
  out.reserve(objectName.size());
  for (size_t i = 0; i < objectName.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(objectName[i]);
    if (c >= 0x81 && c <= 0xFE && i + 1 < objectName.size()) {
      out += objectName[i];
      out += objectName[++i];
      continue;
    }
    if (c == '/' || c == 0) c = '_';
    if (c >= 'A' && c <= 'Z') c = static_cast<unsigned char>(c - 'A' + 'a');
    out += static_cast<char>(c);
  }
  if (out.empty() || out == "." || out == "..") out = "_" + out;
  return out;
}

int TryLock(const std::string& path) {
  int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
  if (fd < 0) return -1;
  ::fchmod(fd, 0666);  // best effort: another account may own the next claim
  while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    if (errno == EINTR) continue;
    int err = errno;
    ::close(fd);
    errno = err;
    return -1;
  }
  return fd;
}

LocalAddress::~LocalAddress() {
  if (m_dirFd >= 0) ::close(m_dirFd);
}

bool LocalAddress::Set(const std::string& path) {
  if (m_dirFd >= 0) {
    ::close(m_dirFd);
    m_dirFd = -1;
  }
  std::memset(&m_addr, 0, sizeof m_addr);
  m_addr.sun_family = AF_UNIX;
  std::string use = path;
  if (use.size() >= sizeof m_addr.sun_path) {
    auto slash = path.rfind('/');
    if (slash == std::string::npos) return false;
    std::string dir = slash == 0 ? "/" : path.substr(0, slash);
    m_dirFd = ::open(dir.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (m_dirFd < 0) return false;
    char prefix[48];
    std::snprintf(prefix, sizeof prefix, "/proc/self/fd/%d", m_dirFd);
    use = prefix + path.substr(slash);
    if (use.size() >= sizeof m_addr.sun_path) return false;
  }
  std::memcpy(m_addr.sun_path, use.data(), use.size());
  m_length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + use.size() + 1);
  return true;
}

}  // namespace platform::ipc

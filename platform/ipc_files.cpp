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
#include "platform/notice.h"
#include "platform/paths.h"
#include "platform/sys.h"

namespace platform::ipc {

namespace {
bool PrivateDirOfMine(const std::string& dir) {
  struct stat st;
  return sys::Lstat(dir, st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::geteuid() && (st.st_mode & 077) == 0;
}

void Refuse(const std::string& path, const char* why) {
  notice::Write("ipc " + path + ": the name is taken by " + why + ", not by this system; refused");
}
}  // namespace

std::string Folder() {
  std::string dir = MachinePath("ipc");
  if (!fs::IsDirectory(dir)) {
    if (fs::MakeDirs(dir) != fs::kOk && !fs::IsDirectory(dir)) return "";
    // The tray, the panel and the service may run under different accounts.
    (void)sys::Chmod(dir, 01777);
  }
  return dir + "/";
}

std::string PrivateFolder() {
  std::string dir = MachinePath("locks");
  if (!fs::IsDirectory(ParentDir(dir)) && fs::MakeDirs(ParentDir(dir)) != fs::kOk) return "";
  if (sys::MakeDir(dir, 0700) != 0 && errno != EEXIST) {
    notice::Write("lock folder " + dir + ": cannot be made (" + std::strerror(errno) + ")");
    return "";
  }
  if (!PrivateDirOfMine(dir)) {
    notice::Write("lock folder " + dir + ": not a private folder of this account, refused");
    return "";
  }
  return dir + "/";
}

std::string AccountFolder() {
  const std::string dir = AccountPath();
  const std::string users = ParentDir(dir);
  if (!fs::IsDirectory(users)) {
    const std::string root = ParentDir(users);
    if (!fs::IsDirectory(root) && fs::MakeDirs(root) != fs::kOk) return "";
    // Every account makes its own folder here, and none can move another's.
    if (sys::MakeDir(users, 0755) == 0) (void)sys::Chmod(users, 01777);
    else if (errno != EEXIST) return "";
  }
  struct stat st;
  if (sys::Lstat(users, st) != 0 || !S_ISDIR(st.st_mode) || (st.st_uid != 0 && st.st_uid != ::geteuid()) ||
      ((st.st_mode & 0002) && !(st.st_mode & S_ISVTX))) {
    notice::Write("accounts folder " + users + ": not the machine's own, refused");
    return "";
  }
  if (sys::MakeDir(dir, 0700) != 0 && errno != EEXIST) {
    notice::Write("account folder " + dir + ": cannot be made (" + std::strerror(errno) + ")");
    return "";
  }
  if (PrivateDirOfMine(dir)) return dir + "/";
  if (::geteuid() == 0) {
    // Another account took the name first: root may move it out of the way.
    const std::string aside = dir + ".refused." + std::to_string(::getpid());
    if (sys::Rename(dir, aside) == 0 && sys::MakeDir(dir, 0700) == 0 && PrivateDirOfMine(dir)) {
      notice::Write("account folder " + dir + ": was not this account's own; moved aside to " + aside);
      return dir + "/";
    }
  }
  notice::Write("account folder " + dir + ": not a private folder of this account, refused");
  return "";
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
  UniqueFd fd(sys::Open(path, O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
  if (!fd && errno == EEXIST) {
    // O_NONBLOCK: a fifo planted under the name must not hold the open up.
    fd.Reset(sys::Open(path, O_RDWR | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    if (!fd) {
      int err = errno;
      if (err == ELOOP) {
        Refuse(path, "a link");
        err = EPERM;
      }
      errno = err;
      return -1;
    }
    struct stat st;
    if (sys::Fstat(fd.Get(), st, path) != 0) {
      const int err = errno;
      fd.Reset();
      errno = err;
      return -1;
    }
    const char* why = nullptr;
    if (!S_ISREG(st.st_mode)) why = "something that is no plain file";
    else if (st.st_nlink != 1) why = "a file with other names";
    else if (st.st_uid != ::geteuid()) why = "a file of another account";
    if (why) {
      fd.Reset();
      Refuse(path, why);
      errno = EPERM;
      return -1;
    }
  } else if (!fd) {
    return -1;
  }
  while (sys::Lock(fd.Get(), LOCK_EX | LOCK_NB, path) != 0) {
    if (errno == EINTR) continue;
    int err = errno;
    fd.Reset();
    errno = err;
    return -1;
  }
  return fd.Release();
}

bool OpenSocketToAll(const std::string& path) {
  struct stat st;
  // Nobody else can replace a file of ours in the sticky folder, so the checked
  // name stays the socket just bound.
  if (sys::Lstat(path, st) != 0 || !S_ISSOCK(st.st_mode) || st.st_uid != ::geteuid()) {
    Refuse(path, "something other than the socket just made");
    return false;
  }
  return sys::Chmod(path, 0666) == 0;
}

bool ClearStaleSocket(const std::string& path) {
  struct stat st;
  if (sys::Lstat(path, st) != 0) return errno == ENOENT;
  if (!S_ISSOCK(st.st_mode)) {
    Refuse(path, S_ISLNK(st.st_mode) ? "a link" : "something that is no socket");
    return false;
  }
  (void)sys::Unlink(path);  // unlink never follows a link
  return true;
}

bool LocalAddress::Set(const std::string& path) {
  m_dirFd.Reset();
  std::memset(&m_addr, 0, sizeof m_addr);
  m_addr.sun_family = AF_UNIX;
  std::string use = path;
  if (use.size() >= sizeof m_addr.sun_path) {
    std::string dir = platform::ParentDir(path);
    if (dir.empty()) return false;
    m_dirFd.Reset(sys::Open(dir, O_PATH | O_DIRECTORY | O_CLOEXEC));
    if (!m_dirFd) return false;
    char prefix[48];
    std::snprintf(prefix, sizeof prefix, "/proc/self/fd/%d", m_dirFd.Get());
    use = prefix + ("/" + platform::SplitPath(path).name);
    if (use.size() >= sizeof m_addr.sun_path) return false;
  }
  std::memcpy(m_addr.sun_path, use.data(), use.size());
  m_length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + use.size() + 1);
  return true;
}

}  // namespace platform::ipc

#include "platform/fs.h"

#include <dirent.h>
#include <fcntl.h>
#include <strings.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <mutex>
#include <random>

namespace platform::fs {

namespace {
std::mutex g_hookMutex;
FaultHook g_hook;
std::atomic<bool> g_hasHook{false};

std::mutex g_roomMutex;
RoomHook g_roomHook;
std::atomic<bool> g_hasRoomHook{false};

int64_t Room(const std::string& path) {
  if (!g_hasRoomHook.load(std::memory_order_acquire)) return -1;
  std::lock_guard<std::mutex> lock(g_roomMutex);
  return g_roomHook ? g_roomHook(path) : -1;
}

int Fault(Op op, const std::string& path) {
  if (!g_hasHook.load(std::memory_order_acquire)) return 0;
  std::lock_guard<std::mutex> lock(g_hookMutex);
  return g_hook ? g_hook(op, path) : 0;
}

std::string ParentOf(const std::string& path) {
  auto slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

bool WriteAll(int fd, const char* p, size_t n) {
  while (n > 0) {
    ssize_t w = ::write(fd, p, n);
    if (w < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    p += w;
    n -= static_cast<size_t>(w);
  }
  return true;
}
}  // namespace

void SetFaultHook(FaultHook hook) {
  std::lock_guard<std::mutex> lock(g_hookMutex);
  g_hook = std::move(hook);
  g_hasHook.store(static_cast<bool>(g_hook), std::memory_order_release);
}

int WinError(int err) {
  switch (err) {
    case 0: return kOk;
    case ENOENT: return kFileNotFound;
    case ENOTDIR: return kPathNotFound;
    case EACCES:
    case EPERM:
    case EISDIR:
    case EROFS: return kAccessDenied;
    case EBUSY:
    case ETXTBSY: return kSharingViolation;
    case EEXIST: return kAlreadyExists;
    case ENOTEMPTY: return kDirNotEmpty;
    case ENAMETOOLONG: return kPathNotFound;
    case ENOSPC:
    case EIO: return kWriteFault;
    default: return kAccessDenied;
  }
}

bool Exists(const std::string& path) {
  struct stat st;
  return !path.empty() && ::stat(path.c_str(), &st) == 0;
}

bool Present(const std::string& path) {
  struct stat st;
  return !path.empty() && ::lstat(path.c_str(), &st) == 0;
}

bool IsDirectory(const std::string& path) {
  struct stat st;
  return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool IsFile(const std::string& path) {
  struct stat st;
  return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

int64_t FileSize(const std::string& path) {
  struct stat st;
  if (::stat(path.c_str(), &st) != 0) return -1;
  return static_cast<int64_t>(st.st_size);
}

bool WildcardMatch(const std::string& pattern, const std::string& name) {
  // "*.*" is everything on Windows, names without a dot included.
  if (pattern == "*" || pattern == "*.*") return true;
  size_t p = 0, n = 0, star = std::string::npos, mark = 0;
  auto lower = [](char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); };
  while (n < name.size()) {
    if (p < pattern.size() && (pattern[p] == '?' || lower(pattern[p]) == lower(name[n]))) {
      ++p;
      ++n;
    } else if (p < pattern.size() && pattern[p] == '*') {
      star = p++;
      mark = n;
    } else if (star != std::string::npos) {
      p = star + 1;
      n = ++mark;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  // "name.*" also matches "name" with no extension.
  if (p + 2 == pattern.size() && pattern[p] == '.' && pattern[p + 1] == '*') return true;
  return p == pattern.size();
}

bool List(const std::string& dir, const std::string& pattern, std::vector<Entry>& out) {
  out.clear();
  DIR* d = opendir(dir.c_str());
  if (!d) return false;
  std::string base = dir;
  if (!base.empty() && base.back() != '/') base += '/';
  while (dirent* e = readdir(d)) {
    std::string name = e->d_name;
    if (name == "." || name == "..") continue;
    if (!WildcardMatch(pattern, name)) continue;
    Entry entry;
    entry.name = name;
    struct stat st;
    if (::stat((base + name).c_str(), &st) == 0) {
      entry.isDir = S_ISDIR(st.st_mode);
      entry.size = static_cast<uint64_t>(st.st_size);
      entry.modified = st.st_mtime;
    }
    out.push_back(std::move(entry));
  }
  closedir(d);
  std::sort(out.begin(), out.end(), [](const Entry& a, const Entry& b) { return a.name < b.name; });
  return true;
}

int MakeDir(const std::string& path) {
  if (::mkdir(path.c_str(), 0755) == 0) return kOk;
  if (errno == EEXIST && IsDirectory(path)) return kOk;
  if (errno == ENOENT) return kPathNotFound;
  return WinError(errno);
}

int MakeDirs(const std::string& path) {
  if (path.empty() || IsDirectory(path)) return kOk;
  std::string parent = ParentOf(path);
  if (parent != path && parent != "." && parent != "/") {
    int rc = MakeDirs(parent);
    if (rc != kOk) return rc;
  }
  return MakeDir(path);
}

int DeleteFile(const std::string& path) {
  if (path.empty()) return kPathNotFound;
  if (int err = Fault(Op::Delete, path)) return WinError(err);
  struct stat st;
  if (::lstat(path.c_str(), &st) != 0) {
    if (errno == ENOENT) return Exists(ParentOf(path)) ? kFileNotFound : kPathNotFound;
    return WinError(errno);
  }
  if (S_ISDIR(st.st_mode)) return kAccessDenied;
  if (::unlink(path.c_str()) == 0) return kOk;
  return WinError(errno);
}

int RemoveDir(const std::string& path) {
  if (::rmdir(path.c_str()) == 0) return kOk;
  if (errno == ENOENT) return kFileNotFound;
  return WinError(errno);
}

int RemoveTree(const std::string& path) {
  struct stat st;
  if (::lstat(path.c_str(), &st) != 0) return errno == ENOENT ? kFileNotFound : WinError(errno);
  if (!S_ISDIR(st.st_mode)) return ::unlink(path.c_str()) == 0 ? kOk : WinError(errno);
  std::vector<Entry> entries;
  List(path, "*", entries);
  for (const auto& e : entries) {
    int rc = RemoveTree(path + "/" + e.name);
    if (rc != kOk) return rc;
  }
  return RemoveDir(path);
}

int Rename(const std::string& from, const std::string& to) {
  if (int err = Fault(Op::Rename, to)) return WinError(err);
  if (::rename(from.c_str(), to.c_str()) == 0) return kOk;
  return WinError(errno);
}

int ReadFile(const std::string& path, std::string& out) {
  out.clear();
  if (int err = Fault(Op::OpenRead, path)) return WinError(err);
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return WinError(errno);
  struct stat st;
  if (::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
    ::close(fd);
    return kAccessDenied;
  }
  char buf[65536];
  for (;;) {
    ssize_t n = ::read(fd, buf, sizeof buf);
    if (n < 0) {
      if (errno == EINTR) continue;
      int err = errno;
      ::close(fd);
      return err == EISDIR ? kAccessDenied : kReadFault;
    }
    if (n == 0) break;
    out.append(buf, static_cast<size_t>(n));
  }
  ::close(fd);
  return kOk;
}

int WriteFile(const std::string& path, const std::string& data, bool append) {
  if (path.empty()) return kPathNotFound;
  if (int err = Fault(Op::OpenWrite, path)) return WinError(err);
  int flags = O_WRONLY | O_CREAT | O_CLOEXEC | (append ? O_APPEND : O_TRUNC);
  int fd = ::open(path.c_str(), flags, 0644);
  if (fd < 0) return errno == ENOENT ? kPathNotFound : WinError(errno);
  int err = Fault(Op::Write, path);
  size_t size = data.size();
  const int64_t room = append && err == 0 ? Room(path) : -1;
  if (room >= 0 && static_cast<uint64_t>(room) < size) size = static_cast<size_t>(room);
  bool ok = err == 0 && WriteAll(fd, data.data(), size);
  if (!ok && err == 0) err = errno;
  if (ok && size < data.size()) {
    ok = false;
    err = ENOSPC;
  }
  if (::close(fd) != 0 && ok) {
    ok = false;
    err = errno;
  }
  return ok ? kOk : (err == ENOSPC || err == EIO || err == 0 ? kWriteFault : WinError(err));
}

int ReplaceFile(const std::string& path, const std::string& data) {
  if (path.empty()) return kPathNotFound;
  if (int err = Fault(Op::OpenWrite, path)) return WinError(err);
  static std::atomic<unsigned> counter{0};
  std::string tmp = path + ".tmp" + std::to_string(::getpid()) + "_" + std::to_string(counter++);
  int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return errno == ENOENT ? kPathNotFound : WinError(errno);
  int err = Fault(Op::Write, path);
  bool ok = err == 0 && WriteAll(fd, data.data(), data.size()) && ::fsync(fd) == 0;
  if (!ok && err == 0) err = errno;
  if (::close(fd) != 0 && ok) {
    ok = false;
    err = errno;
  }
  if (ok) {
    if (int f = Fault(Op::Rename, path)) {
      ok = false;
      err = f;
    } else if (::rename(tmp.c_str(), path.c_str()) != 0) {
      ok = false;
      err = errno;
    }
  }
  if (!ok) {
    ::unlink(tmp.c_str());
    return err == 0 ? kWriteFault : WinError(err);
  }
  // Make the rename itself durable.
  int dfd = ::open(ParentOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dfd >= 0) {
    ::fsync(dfd);
    ::close(dfd);
  }
  return kOk;
}

bool BirthTime(const std::string& path, time_t& out) {
  struct statx stx;
  if (::statx(AT_FDCWD, path.c_str(), 0, STATX_BTIME | STATX_CTIME, &stx) != 0) return false;
  if (stx.stx_mask & STATX_BTIME) {
    out = static_cast<time_t>(stx.stx_btime.tv_sec);
  } else {
    out = static_cast<time_t>(stx.stx_ctime.tv_sec);
  }
  return true;
}

Openers OtherOpeners(const std::string& path) {
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return Openers::Unknown;
  // A write lease is granted only while no other descriptor of the file exists.
  Openers result = Openers::Unknown;
  if (::fcntl(fd, F_SETLEASE, F_WRLCK) == 0) {
    ::fcntl(fd, F_SETLEASE, F_UNLCK);
    result = Openers::None;
  } else if (errno == EAGAIN || errno == EBUSY) {
    result = Openers::Some;
  }
  ::close(fd);
  return result;
}

bool WithLock(const std::string& lockPath, const std::function<void()>& fn) {
  int fd = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  while (::flock(fd, LOCK_EX) != 0 && errno == EINTR) {
  }
  fn();
  ::flock(fd, LOCK_UN);
  ::close(fd);
  return true;
}

}  // namespace platform::fs

namespace platform::fs {

void SetRoomHook(RoomHook hook) {
  std::lock_guard<std::mutex> lock(g_roomMutex);
  g_roomHook = std::move(hook);
  g_hasRoomHook.store(static_cast<bool>(g_roomHook), std::memory_order_release);
}

InFile::~InFile() { Close(); }

int InFile::Open(const std::string& path, bool noFollow) {
  Close();
  if (path.empty()) return kPathNotFound;
  if (int err = Fault(Op::OpenRead, path)) return WinError(err);
  // Non-blocking, so that a fifo put in the file's place cannot hold the open.
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | (noFollow ? O_NOFOLLOW : 0));
  if (fd < 0) return errno == ELOOP ? kNotRegularFile : WinError(errno);
  struct stat st;
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return kNotRegularFile;
  }
  m_fd = fd;
  return kOk;
}

void InFile::Close() {
  if (m_fd >= 0) ::close(m_fd);
  m_fd = -1;
}

int64_t InFile::Read(char* buf, size_t n) {
  if (m_fd < 0) return -1;
  for (;;) {
    ssize_t got = ::read(m_fd, buf, n);
    if (got >= 0) return static_cast<int64_t>(got);
    if (errno != EINTR) return -1;
  }
}

bool InFile::Seek(int64_t offset) { return m_fd >= 0 && ::lseek(m_fd, static_cast<off_t>(offset), SEEK_SET) == offset; }

int64_t InFile::Size() const {
  struct stat st;
  if (m_fd < 0 || ::fstat(m_fd, &st) != 0) return -1;
  return static_cast<int64_t>(st.st_size);
}

std::string InFile::Identity() const {
  struct stat st;
  if (m_fd < 0 || ::fstat(m_fd, &st) != 0) return "";
  return std::to_string(static_cast<unsigned long long>(st.st_dev)) + ":" +
         std::to_string(static_cast<unsigned long long>(st.st_ino));
}

int AppendWhole(const std::string& path, const std::string& data) {
  if (path.empty()) return kPathNotFound;
  if (int err = Fault(Op::OpenWrite, path)) return WinError(err);
  int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) return errno == ENOENT ? kPathNotFound : WinError(errno);
  struct stat st;
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return kAccessDenied;
  }
  if (data.empty()) return ::close(fd) == 0 ? kOk : kWriteFault;
  int err = Fault(Op::Write, path);
  size_t want = data.size();
  const int64_t room = err == 0 ? Room(path) : -1;
  if (room >= 0 && static_cast<uint64_t>(room) < want) want = static_cast<size_t>(room);
  ssize_t wrote = 0;
  if (err == 0 && want > 0) {
    do wrote = ::write(fd, data.data(), want);
    while (wrote < 0 && errno == EINTR);
    if (wrote < 0) {
      err = errno;
      wrote = 0;
    }
  }
  if (err == 0 && static_cast<size_t>(wrote) < data.size()) err = ENOSPC;
  if (err != 0 && wrote > 0) {
    // O_APPEND leaves the offset at the end of what this write added.
    const off_t end = ::lseek(fd, 0, SEEK_CUR);
    if (end >= wrote && ::fstat(fd, &st) == 0 && st.st_size == end) (void)::ftruncate(fd, end - wrote);
  }
  if (::close(fd) != 0 && err == 0) err = errno;
  return err == 0 ? kOk : (err == ENOSPC || err == EIO ? kWriteFault : WinError(err));
}

int Truncate(const std::string& path, int64_t size) {
  if (int err = Fault(Op::OpenWrite, path)) return WinError(err);
  int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC | O_NOFOLLOW);
  if (fd < 0) return WinError(errno);
  int rc = ::ftruncate(fd, static_cast<off_t>(size)) == 0 ? kOk : WinError(errno);
  ::close(fd);
  return rc;
}

}  // namespace platform::fs

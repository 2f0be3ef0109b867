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

#include <signal.h>
#include <sys/random.h>
#include <time.h>

#include "platform/clock.h"
#include "platform/notice.h"
#include "platform/paths.h"

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
  std::string dir = ParentDir(path);
  return dir.empty() ? "." : dir;
}

int64_t MonotonicMs() {
  timespec ts;
  ::clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<int64_t>(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

void PauseMs(int ms) {
  timespec ts{ms / 1000, (ms % 1000) * 1000000L};
  while (::nanosleep(&ts, &ts) != 0 && errno == EINTR) {
  }
}

std::string NameOf(const std::string& path) { return SplitPath(path).name; }

// 16 hex digits from the kernel's generator, so another account cannot name the
// temporary file in advance.
std::string RandomHex() {
  unsigned char bytes[8];
  size_t got = 0;
  while (got < sizeof bytes) {
    ssize_t n = ::getrandom(bytes + got, sizeof bytes - got, 0);
    if (n < 0) {
      if (errno == EINTR) continue;
      break;
    }
    got += static_cast<size_t>(n);
  }
  if (got < sizeof bytes) {
    std::random_device rd;
    for (auto& b : bytes) b = static_cast<unsigned char>(rd());
  }
  static const char* hex = "0123456789abcdef";
  std::string out;
  for (unsigned char b : bytes) {
    out += hex[b >> 4];
    out += hex[b & 15];
  }
  return out;
}

// "<name>.tmp<pid>_<hex>" of a replace of name; the pid when it is one.
bool IsTempOf(const std::string& name, const std::string& entry, long& pid) {
  const std::string prefix = name + ".tmp";
  if (entry.size() <= prefix.size() || entry.compare(0, prefix.size(), prefix) != 0) return false;
  size_t i = prefix.size(), digits = 0;
  pid = 0;
  while (i < entry.size() && entry[i] >= '0' && entry[i] <= '9' && digits < 10) {
    pid = pid * 10 + (entry[i] - '0');
    ++i, ++digits;
  }
  if (digits == 0 || i >= entry.size() || entry[i] != '_') return false;
  size_t hexDigits = entry.size() - i - 1;
  if (hexDigits == 0 || hexDigits > 16) return false;
  for (++i; i < entry.size(); ++i)
    if (!std::isxdigit(static_cast<unsigned char>(entry[i]))) return false;
  return true;
}

bool ProcessExists(long pid) { return pid > 0 && (::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM); }

// Takes an exclusive flock, trying without blocking until waitMs (scaled) is over.
bool LockWithin(int fd, int64_t waitMs) {
  if (waitMs < 0) {
    while (::flock(fd, LOCK_EX) != 0)
      if (errno != EINTR) return false;
    return true;
  }
  const int64_t deadline = MonotonicMs() + clock::ScaledMs(waitMs);
  int pause = 1;
  for (;;) {
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0) return true;
    if (errno != EWOULDBLOCK && errno != EINTR) return false;
    if (MonotonicMs() >= deadline) {
      errno = ETIMEDOUT;
      return false;
    }
    PauseMs(pause);
    pause = std::min(pause * 2, 20);
  }
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
  std::string tmp;
  int fd = -1;
  for (int attempt = 0; attempt < 8 && fd < 0; ++attempt) {
    tmp = path + ".tmp" + std::to_string(::getpid()) + "_" + RandomHex();
    fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd < 0 && errno != EEXIST) break;
  }
  if (fd < 0) return errno == ENOENT ? kPathNotFound : WinError(errno);
  // Held while the file is written, so a cleanup never takes a file still in work.
  ::flock(fd, LOCK_EX | LOCK_NB);
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
  RemoveStaleTemps(path);
  return kOk;
}

int RemoveStaleTemps(const std::string& path) {
  const std::string dir = ParentOf(path);
  const std::string name = NameOf(path);
  DIR* d = ::opendir(dir.c_str());
  if (!d) return 0;
  std::vector<std::string> candidates;
  while (dirent* e = ::readdir(d)) {
    long pid = 0;
    if (IsTempOf(name, e->d_name, pid) && !ProcessExists(pid)) candidates.push_back(e->d_name);
  }
  ::closedir(d);
  int removed = 0;
  for (const auto& c : candidates) {
    const std::string full = dir + "/" + c;
    int fd = ::open(full.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) continue;
    struct stat st;
    // A writer still at work holds its lock; anything but a plain file is not ours.
    bool stale = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && ::flock(fd, LOCK_EX | LOCK_NB) == 0;
    if (stale) {
      struct stat now;
      // Still the same file under that name when it goes.
      if (::lstat(full.c_str(), &now) == 0 && now.st_ino == st.st_ino && now.st_dev == st.st_dev &&
          ::unlink(full.c_str()) == 0)
        ++removed;
    }
    ::close(fd);
  }
  return removed;
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

bool WithLock(const std::string& lockPath, const std::function<void()>& fn, const LockOptions& options) {
  for (;;) {
    int fd = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) {
      // A missing folder is the caller's to report; anything else is worth a line.
      if (errno != ENOENT) notice::Write("lock " + lockPath + ": cannot open (" + std::strerror(errno) + ")");
      return false;
    }
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
      ::close(fd);
      notice::Write("lock " + lockPath + ": not a plain file, refused");
      return false;
    }
    // A lock file left readable by an older build lets anyone hold it, so an empty one
    // of ours is made private (a file locked for its own sake keeps its mode).
    if ((st.st_mode & 077) != 0 && st.st_uid == ::geteuid() && st.st_size == 0) ::fchmod(fd, 0600);
    if (!LockWithin(fd, options.waitMs)) {
      int err = errno;
      ::close(fd);
      notice::Write("lock " + lockPath + (err == ETIMEDOUT ? ": still held after the wait, given up"
                                                            : ": cannot be taken (" + std::string(std::strerror(err)) + ")"));
      return false;
    }
    if (options.removeAfter) {
      // The last holder may have removed the file before we had the lock; then the
      // lock is on a file nobody else will find, and the next one is taken afresh.
      struct stat now;
      if (::lstat(lockPath.c_str(), &now) != 0 || now.st_ino != st.st_ino || now.st_dev != st.st_dev) {
        ::close(fd);
        continue;
      }
    }
    fn();
    // Removed while still held, so nobody takes a lock on the file on its way out.
    if (options.removeAfter) ::unlink(lockPath.c_str());
    ::flock(fd, LOCK_UN);
    ::close(fd);
    return true;
  }
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

int AppendWhole(const std::string& path, std::string_view data) {
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

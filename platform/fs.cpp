#include "platform/fs.h"

#include <dirent.h>
#include <fcntl.h>
#include <strings.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <random>

#include <signal.h>
#include <sys/random.h>
#include <time.h>

#include "platform/clock.h"
#include "platform/faults.h"
#include "platform/notice.h"
#include "platform/paths.h"
#include "platform/sys.h"
#include "platform/unique_fd.h"

namespace platform::fs {

namespace {
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
bool LockWithin(int fd, int64_t waitMs, const std::string& path) {
  if (waitMs < 0) {
    while (sys::Lock(fd, LOCK_EX, path) != 0)
      if (errno != EINTR) return false;
    return true;
  }
  const int64_t deadline = MonotonicMs() + clock::ScaledMs(waitMs);
  int pause = 1;
  for (;;) {
    if (sys::Lock(fd, LOCK_EX | LOCK_NB, path) == 0) return true;
    if (errno != EWOULDBLOCK && errno != EINTR) return false;
    if (MonotonicMs() >= deadline) {
      errno = ETIMEDOUT;
      return false;
    }
    PauseMs(pause);
    pause = std::min(pause * 2, 20);
  }
}

bool WriteAll(int fd, const char* p, size_t n, const std::string& path) {
  while (n > 0) {
    ssize_t w = sys::Write(fd, p, n, path);
    if (w < 0) return false;
    p += w;
    n -= static_cast<size_t>(w);
  }
  return true;
}
}  // namespace

Result Result::FromErrno(int err) { return Result(WinError(err), err); }

std::string Result::Text() const {
  std::string text = std::to_string(m_code);
  if (m_errno != 0) text += std::string(" (") + std::strerror(m_errno) + ")";
  return text;
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
  return !path.empty() && sys::Stat(path, st) == 0;
}

bool Present(const std::string& path) {
  struct stat st;
  return !path.empty() && sys::Lstat(path, st) == 0;
}

bool IsDirectory(const std::string& path) {
  struct stat st;
  return !path.empty() && sys::Stat(path, st) == 0 && S_ISDIR(st.st_mode);
}

bool IsFile(const std::string& path) {
  struct stat st;
  return !path.empty() && sys::Stat(path, st) == 0 && S_ISREG(st.st_mode);
}

int64_t FileSize(const std::string& path) {
  struct stat st;
  if (sys::Stat(path, st) != 0) return -1;
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
  DIR* d = sys::OpenDir(dir);
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
    if (sys::Stat(base + name, st) == 0) {
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

Result MakeDir(const std::string& path) {
  if (sys::MakeDir(path, 0755) == 0) return Result();
  const int err = errno;
  if (err == EEXIST && IsDirectory(path)) return Result();
  if (err == ENOENT) return Result(kPathNotFound, err);
  return Result::FromErrno(err);
}

Result MakeDirs(const std::string& path) {
  if (path.empty() || IsDirectory(path)) return Result();
  std::string parent = ParentOf(path);
  if (parent != path && parent != "." && parent != "/") {
    Result rc = MakeDirs(parent);
    if (!rc.Ok()) return rc;
  }
  return MakeDir(path);
}

Result DeleteFile(const std::string& path) {
  if (path.empty()) return Result(kPathNotFound);
  struct stat st;
  if (sys::Lstat(path, st) != 0) {
    const int err = errno;
    if (err == ENOENT) return Result(Exists(ParentOf(path)) ? kFileNotFound : kPathNotFound, err);
    return Result::FromErrno(err);
  }
  if (S_ISDIR(st.st_mode)) return Result(kAccessDenied, EISDIR);
  if (sys::Unlink(path) == 0) return Result();
  return Result::FromErrno(errno);
}

Result RemoveDir(const std::string& path) {
  if (sys::RemoveDir(path) == 0) return Result();
  if (errno == ENOENT) return Result(kFileNotFound, ENOENT);
  return Result::FromErrno(errno);
}

Result RemoveTree(const std::string& path) {
  struct stat st;
  if (sys::Lstat(path, st) != 0) return errno == ENOENT ? Result(kFileNotFound, ENOENT) : Result::FromErrno(errno);
  if (!S_ISDIR(st.st_mode)) return sys::Unlink(path) == 0 ? Result() : Result::FromErrno(errno);
  std::vector<Entry> entries;
  // A folder that cannot be listed cannot be emptied: say why, rather than the rmdir's
  // "not empty".
  if (!List(path, "*", entries)) return Result::FromErrno(errno);
  for (const auto& e : entries) {
    Result rc = RemoveTree(path + "/" + e.name);
    if (!rc.Ok()) return rc;
  }
  return RemoveDir(path);
}

Result Rename(const std::string& from, const std::string& to) {
  if (sys::Rename(from, to) == 0) return Result();
  return Result::FromErrno(errno);
}

Result ReadFile(const std::string& path, std::string& out) {
  out.clear();
  UniqueFd fd(sys::Open(path, O_RDONLY | O_CLOEXEC));
  if (!fd) return Result::FromErrno(errno);
  struct stat st;
  if (sys::Fstat(fd.Get(), st, path) == 0 && S_ISDIR(st.st_mode)) return Result(kAccessDenied, EISDIR);
  char buf[65536];
  for (;;) {
    ssize_t n = sys::Read(fd.Get(), buf, sizeof buf, path);
    if (n < 0) {
      const int err = errno;
      out.clear();
      return Result(err == EISDIR ? kAccessDenied : kReadFault, err);
    }
    if (n == 0) break;
    out.append(buf, static_cast<size_t>(n));
  }
  return Result();
}

Result WriteFile(const std::string& path, const std::string& data, bool append) {
  if (path.empty()) return Result(kPathNotFound);
  int flags = O_WRONLY | O_CREAT | O_CLOEXEC | (append ? O_APPEND : O_TRUNC);
  UniqueFd fd(sys::Open(path, flags, 0644));
  if (!fd) return errno == ENOENT ? Result(kPathNotFound, ENOENT) : Result::FromErrno(errno);
  int err = 0;
  bool ok = WriteAll(fd.Get(), data.data(), data.size(), path);
  if (!ok) err = errno;
  if (const int closeErr = fd.Close(path); closeErr != 0 && ok) {
    ok = false;
    err = closeErr;
  }
  if (ok) return Result();
  return Result(err == ENOSPC || err == EIO || err == 0 ? kWriteFault : WinError(err), err);
}

Result ReplaceFile(const std::string& path, const std::string& data) {
  ReplacingFile file;
  if (const Result opened = file.Open(path); !opened.Ok()) return opened;
  (void)file.Write(data);  // a failure comes back from Commit
  return file.Commit();
}

ReplacingFile::~ReplacingFile() { Discard(); }

Result ReplacingFile::Open(const std::string& path) {
  Discard();
  m_failed = Result();
  if (path.empty()) return m_failed = Result(kPathNotFound);
  for (int attempt = 0; attempt < 8 && !m_fd; ++attempt) {
    m_tmp = path + ".tmp" + std::to_string(::getpid()) + "_" + RandomHex();
    m_fd.Reset(sys::Open(m_tmp, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644));
    if (!m_fd && errno != EEXIST) break;
  }
  if (!m_fd) {
    const int err = errno;
    m_tmp.clear();
    return m_failed = err == ENOENT ? Result(kPathNotFound, ENOENT) : Result::FromErrno(err);
  }
  m_path = path;
  // Held while the file is written, so a cleanup never takes a file still in work.
  (void)sys::Lock(m_fd.Get(), LOCK_EX | LOCK_NB, m_tmp);
  return Result();
}

Result ReplacingFile::Write(std::string_view data) {
  if (!m_failed.Ok()) return m_failed;
  if (!m_fd) return m_failed = Result(kWriteFault);
  if (!WriteAll(m_fd.Get(), data.data(), data.size(), m_tmp)) {
    const int err = errno;
    m_failed = err == 0 ? Result(kWriteFault) : Result::FromErrno(err);
  }
  return m_failed;
}

Result ReplacingFile::Commit() {
  if (!m_fd && m_failed.Ok()) m_failed = Result(kWriteFault);
  int err = m_failed.Errno();
  bool ok = m_failed.Ok() && sys::Fsync(m_fd.Get(), m_tmp) == 0;
  if (m_failed.Ok() && !ok) err = errno;
  if (const int closeErr = m_fd.Close(m_tmp); closeErr != 0 && ok) {
    ok = false;
    err = closeErr;
  }
  if (ok && sys::Rename(m_tmp, m_path) != 0) {
    ok = false;
    err = errno;
  }
  if (!ok) {
    Discard();
    return m_failed = err == 0 ? Result(kWriteFault) : Result::FromErrno(err);
  }
  m_tmp.clear();
  // Make the rename itself durable; the new content is in place whatever this answers.
  UniqueFd dir(sys::Open(ParentOf(m_path), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (dir) (void)sys::Fsync(dir.Get(), ParentOf(m_path));
  RemoveStaleTemps(m_path);
  return Result();
}

void ReplacingFile::Discard() {
  m_fd.Reset();
  // Best effort: what a failed unlink leaves, the next replace's cleanup takes.
  if (!m_tmp.empty()) (void)sys::Unlink(m_tmp);
  m_tmp.clear();
}

int RemoveStaleTemps(const std::string& path) {
  const std::string dir = ParentOf(path);
  const std::string name = NameOf(path);
  DIR* d = sys::OpenDir(dir);
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
    UniqueFd fd(sys::Open(full, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    if (!fd) continue;
    struct stat st;
    // A writer still at work holds its lock; anything but a plain file is not ours.
    bool stale = sys::Fstat(fd.Get(), st, full) == 0 && S_ISREG(st.st_mode) &&
                 sys::Lock(fd.Get(), LOCK_EX | LOCK_NB, full) == 0;
    if (stale) {
      struct stat now;
      // Still the same file under that name when it goes.
      if (sys::Lstat(full, now) == 0 && now.st_ino == st.st_ino && now.st_dev == st.st_dev &&
          sys::Unlink(full) == 0)
        ++removed;
    }
  }
  return removed;
}

bool BirthTime(const std::string& path, time_t& out) {
  struct statx stx;
  if (::statx(AT_FDCWD, path.c_str(), 0, STATX_BTIME, &stx) != 0) return false;
  if (faults::CodeFor(faults::Kind::BirthTime, path) != 0) stx.stx_mask &= ~STATX_BTIME;
  // Some file systems answer with a zero time rather than leaving the field out.
  if (!(stx.stx_mask & STATX_BTIME) || (stx.stx_btime.tv_sec == 0 && stx.stx_btime.tv_nsec == 0)) return false;
  out = static_cast<time_t>(stx.stx_btime.tv_sec);
  return true;
}

Openers OtherOpeners(const std::string& path) {
  UniqueFd fd(sys::Open(path, O_RDONLY | O_CLOEXEC));
  if (!fd) return Openers::Unknown;
  // A write lease is granted only while no other descriptor of the file exists.
  Openers result = Openers::Unknown;
  if (::fcntl(fd.Get(), F_SETLEASE, F_WRLCK) == 0) {
    ::fcntl(fd.Get(), F_SETLEASE, F_UNLCK);
    result = Openers::None;
  } else if (errno == EAGAIN || errno == EBUSY) {
    result = Openers::Some;
  }
  return result;
}

bool WithLock(const std::string& lockPath, const std::function<void()>& fn, const LockOptions& options) {
  for (;;) {
    UniqueFd fd(sys::Open(lockPath, O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (!fd) {
      // A missing folder is the caller's to report; anything else is worth a line.
      if (errno != ENOENT) notice::Write("lock " + lockPath + ": cannot open (" + std::strerror(errno) + ")");
      return false;
    }
    struct stat st;
    if (sys::Fstat(fd.Get(), st, lockPath) != 0) {
      notice::Write("lock " + lockPath + ": cannot be checked (" + std::strerror(errno) + ")");
      return false;
    }
    if (!S_ISREG(st.st_mode)) {
      notice::Write("lock " + lockPath + ": not a plain file, refused");
      return false;
    }
    // A lock file left readable by an older build lets anyone hold it, so an empty one
    // of ours is made private (a file locked for its own sake keeps its mode).
    if ((st.st_mode & 077) != 0 && st.st_uid == ::geteuid() && st.st_size == 0)
      (void)sys::Fchmod(fd.Get(), 0600, lockPath);
    if (!LockWithin(fd.Get(), options.waitMs, lockPath)) {
      int err = errno;
      notice::Write("lock " + lockPath + (err == ETIMEDOUT ? ": still held after the wait, given up"
                                                            : ": cannot be taken (" + std::string(std::strerror(err)) + ")"));
      return false;
    }
    if (options.removeAfter) {
      // The last holder may have removed the file before we had the lock; then the
      // lock is on a file nobody else will find, and the next one is taken afresh.
      struct stat now;
      if (sys::Lstat(lockPath, now) != 0 || now.st_ino != st.st_ino || now.st_dev != st.st_dev) continue;
    }
    fn();
    // Removed while still held, so nobody takes a lock on the file on its way out; a
    // lock file left behind is harmless (the next taker checks it).
    if (options.removeAfter) (void)sys::Unlink(lockPath);
    (void)sys::Lock(fd.Get(), LOCK_UN, lockPath);
    return true;
  }
}

}  // namespace platform::fs

namespace platform::fs {

InFile::~InFile() { Close(); }

Result InFile::Open(const std::string& path, bool noFollow) {
  Close();
  if (path.empty()) return Result(kPathNotFound);
  // Non-blocking, so that a fifo put in the file's place cannot hold the open.
  UniqueFd fd(sys::Open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK | (noFollow ? O_NOFOLLOW : 0)));
  if (!fd) return errno == ELOOP ? Result(kNotRegularFile, ELOOP) : Result::FromErrno(errno);
  struct stat st;
  // A check that fails says nothing of the file: no refusal (whose caller may remove the name).
  if (sys::Fstat(fd.Get(), st, path) != 0) return Result::FromErrno(errno);
  if (!S_ISREG(st.st_mode)) return Result(kNotRegularFile);
  m_fd = std::move(fd);
  m_path = path;
  return Result();
}

void InFile::Close() {
  // Nothing was written through it, so close has nothing to lose.
  m_fd.Reset();
  m_path.clear();
}

int64_t InFile::Read(char* buf, size_t n) {
  if (!m_fd) return -1;
  ssize_t got = sys::Read(m_fd.Get(), buf, n, m_path);
  return got >= 0 ? static_cast<int64_t>(got) : -1;
}

bool InFile::Seek(int64_t offset) { return m_fd && ::lseek(m_fd.Get(), static_cast<off_t>(offset), SEEK_SET) == offset; }

int64_t InFile::Size() const {
  struct stat st;
  if (!m_fd || sys::Fstat(m_fd.Get(), st, m_path) != 0) return -1;
  return static_cast<int64_t>(st.st_size);
}

Result InFile::DropCached(int64_t offset, int64_t length) {
  if (!m_fd) return Result(kReadFault);
  if (sys::Advise(m_fd.Get(), static_cast<off_t>(offset), static_cast<off_t>(length), POSIX_FADV_DONTNEED, m_path) != 0)
    return Result::FromErrno(errno);
  return Result();
}

std::string InFile::Identity() const {
  struct stat st;
  if (!m_fd || sys::Fstat(m_fd.Get(), st, m_path) != 0) return "";
  return std::to_string(static_cast<unsigned long long>(st.st_dev)) + ":" +
         std::to_string(static_cast<unsigned long long>(st.st_ino));
}

Result AppendWhole(const std::string& path, std::string_view data) {
  if (path.empty()) return Result(kPathNotFound);
  UniqueFd fd(sys::Open(path, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644));
  if (!fd) return errno == ENOENT ? Result(kPathNotFound, ENOENT) : Result::FromErrno(errno);
  struct stat st;
  if (sys::Fstat(fd.Get(), st, path) != 0 || !S_ISREG(st.st_mode)) return Result(kAccessDenied);
  if (data.empty()) {
    const int closeErr = fd.Close(path);
    return closeErr == 0 ? Result() : Result(kWriteFault, closeErr);
  }
  int err = 0;
  ssize_t wrote = sys::Write(fd.Get(), data.data(), data.size(), path);
  if (wrote < 0) {
    err = errno;
    wrote = 0;
  }
  if (err == 0 && static_cast<size_t>(wrote) < data.size()) err = ENOSPC;
  if (err != 0 && wrote > 0) {
    // O_APPEND leaves the offset at the end of what this write added.
    const off_t end = ::lseek(fd.Get(), 0, SEEK_CUR);
    if (end >= wrote && sys::Fstat(fd.Get(), st, path) == 0 && st.st_size == end)
      (void)sys::Ftruncate(fd.Get(), end - wrote, path);
  }
  if (const int closeErr = fd.Close(path); closeErr != 0 && err == 0) err = closeErr;
  if (err == 0) return Result();
  return Result(err == ENOSPC || err == EIO ? kWriteFault : WinError(err), err);
}

Result Truncate(const std::string& path, int64_t size) {
  UniqueFd fd(sys::Open(path, O_WRONLY | O_CLOEXEC | O_NOFOLLOW));
  if (!fd) return Result::FromErrno(errno);
  Result rc = sys::Ftruncate(fd.Get(), static_cast<off_t>(size), path) == 0 ? Result() : Result::FromErrno(errno);
  if (const int closeErr = fd.Close(path); closeErr != 0 && rc.Ok()) rc = Result::FromErrno(closeErr);
  return rc;
}

}  // namespace platform::fs

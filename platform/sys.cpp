#include "platform/sys.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "platform/faults.h"

namespace platform::sys {

namespace {
using faults::Call;
using faults::Kind;

// A descriptor whose last write was cut short by a fault, and the code its next write
// fails with.
thread_local int t_shortFd = -1;
thread_local int t_shortCode = 0;

// 0 to go ahead; else errno is set and -1 is the call's answer.
int Refuse(Kind kind, std::string_view path) {
  const faults::Fault f = faults::Check(Call{kind, path, 0, {}});
  if (f.code == 0) return 0;
  errno = static_cast<int>(f.code);
  return -1;
}
}  // namespace

int Open(const std::string& path, int flags, mode_t mode) {
  const faults::Fault f = faults::Check(Call{Kind::Open, path, 0, {}, flags});
  if (f.code != 0) {
    errno = static_cast<int>(f.code);
    return -1;
  }
  int fd;
  do fd = ::open(path.c_str(), flags, mode);
  while (fd < 0 && errno == EINTR);
  if (fd == t_shortFd) t_shortFd = -1;
  return fd;
}

ssize_t Read(int fd, void* buf, size_t n, std::string_view path) {
  if (Refuse(Kind::Read, path)) return -1;
  ssize_t got;
  do got = ::read(fd, buf, n);
  while (got < 0 && errno == EINTR);
  return got;
}

ssize_t Write(int fd, const void* buf, size_t n, std::string_view path) {
  if (fd == t_shortFd && fd >= 0) {
    t_shortFd = -1;
    (void)faults::Check(Call{Kind::Write, path, 0, {static_cast<const char*>(buf), n}});
    errno = t_shortCode;
    return -1;
  }
  const faults::Fault f = faults::Check(Call{Kind::Write, path, 0, {static_cast<const char*>(buf), n}});
  size_t want = n;
  if (f.Strikes()) {
    if (f.land <= 0) {
      errno = static_cast<int>(f.code);
      return -1;
    }
    want = static_cast<size_t>(f.land) < n ? static_cast<size_t>(f.land) : n;
  }
  ssize_t wrote;
  do wrote = ::write(fd, buf, want);
  while (wrote < 0 && errno == EINTR);
  if (f.exit) faults::ExitNow();
  if (f.Strikes() && wrote >= 0) {
    t_shortFd = fd;
    t_shortCode = static_cast<int>(f.code);
  }
  return wrote;
}

int Fsync(int fd, std::string_view path) {
  if (Refuse(Kind::Fsync, path)) return -1;
  return ::fsync(fd);
}

int Close(int fd, std::string_view path) {
  if (fd == t_shortFd) t_shortFd = -1;
  // A close that fails still lets the descriptor go, as Linux's does.
  const int refused = Refuse(Kind::Close, path);
  const int saved = errno;
  const int rc = ::close(fd);
  if (refused) {
    errno = saved;
    return -1;
  }
  return rc;
}

int Ftruncate(int fd, off_t size, std::string_view path) {
  if (Refuse(Kind::Truncate, path)) return -1;
  return ::ftruncate(fd, size);
}

int Advise(int fd, off_t offset, off_t length, int advice, std::string_view path) {
  if (Refuse(Kind::Advise, path)) return -1;
  const int err = ::posix_fadvise(fd, offset, length, advice);
  if (err == 0) return 0;
  errno = err;
  return -1;
}

int Rename(const std::string& from, const std::string& to) {
  if (Refuse(Kind::Rename, to)) return -1;
  return ::rename(from.c_str(), to.c_str());
}

int Unlink(const std::string& path) {
  if (Refuse(Kind::Unlink, path)) return -1;
  return ::unlink(path.c_str());
}

int MakeDir(const std::string& path, mode_t mode) {
  if (Refuse(Kind::MakeDir, path)) return -1;
  return ::mkdir(path.c_str(), mode);
}

int RemoveDir(const std::string& path) {
  if (Refuse(Kind::RemoveDir, path)) return -1;
  return ::rmdir(path.c_str());
}

DIR* OpenDir(const std::string& path) {
  if (Refuse(Kind::ListDir, path)) return nullptr;
  return ::opendir(path.c_str());
}

int Stat(const std::string& path, struct stat& st) {
  if (Refuse(Kind::Stat, path)) return -1;
  return ::stat(path.c_str(), &st);
}

int Lstat(const std::string& path, struct stat& st) {
  if (Refuse(Kind::Stat, path)) return -1;
  return ::lstat(path.c_str(), &st);
}

int Fstat(int fd, struct stat& st, std::string_view path) {
  if (Refuse(Kind::Stat, path)) return -1;
  return ::fstat(fd, &st);
}

int Lock(int fd, int operation, std::string_view path) {
  if (Refuse(Kind::Lock, path)) return -1;
  return ::flock(fd, operation);
}

int Chmod(const std::string& path, mode_t mode) {
  if (Refuse(Kind::Chmod, path)) return -1;
  return ::chmod(path.c_str(), mode);
}

int Fchmod(int fd, mode_t mode, std::string_view path) {
  if (Refuse(Kind::Chmod, path)) return -1;
  return ::fchmod(fd, mode);
}

}  // namespace platform::sys

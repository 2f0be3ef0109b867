#pragma once
// The layer's file calls, each asked of the fault table (platform/faults.h) first. They
// behave as the system calls they stand for: -1 (nullptr for OpenDir) with errno set.
// path is what the call is about, for the table's rules; for calls on a descriptor it is
// the path the descriptor was opened with.
#include <dirent.h>
#include <sys/stat.h>
#include <sys/types.h>

#include <cstddef>
#include <string>
#include <string_view>

namespace platform::sys {

int Open(const std::string& path, int flags, mode_t mode = 0);
// Retries on EINTR. A faulted write that lands part of its bytes returns that count, and
// the next write on the descriptor fails with the fault's code, as a disk that fills does.
ssize_t Read(int fd, void* buf, size_t n, std::string_view path = {});
ssize_t Write(int fd, const void* buf, size_t n, std::string_view path = {});
int Fsync(int fd, std::string_view path = {});
int Close(int fd, std::string_view path = {});
int Ftruncate(int fd, off_t size, std::string_view path = {});
// posix_fadvise; unlike it, -1 with errno set on a failure.
int Advise(int fd, off_t offset, off_t length, int advice, std::string_view path = {});
int Rename(const std::string& from, const std::string& to);
int Unlink(const std::string& path);
int MakeDir(const std::string& path, mode_t mode);
int RemoveDir(const std::string& path);
DIR* OpenDir(const std::string& path);
int Stat(const std::string& path, struct stat& st);
// Does not follow a link.
int Lstat(const std::string& path, struct stat& st);
int Fstat(int fd, struct stat& st, std::string_view path = {});
// flock; EINTR is the caller's to retry.
int Lock(int fd, int operation, std::string_view path = {});
int Chmod(const std::string& path, mode_t mode);
int Fchmod(int fd, mode_t mode, std::string_view path = {});

}  // namespace platform::sys

#pragma once
// Files and folders, answered in the terms the programs expect of Windows:
// sorted, case-blind wildcard listings and Windows error codes.
#include <cstdint>
#include <ctime>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/unique_fd.h"

namespace platform::fs {

// Windows error codes the callers test for.
enum : int {
  kOk = 0,
  kFileNotFound = 2,
  kPathNotFound = 3,
  kAccessDenied = 5,
  kSharingViolation = 32,
  kAlreadyExists = 183,
  kDirNotEmpty = 145,
  kWriteFault = 29,
  kReadFault = 30,
  kNotRegularFile = 1920,  // a link, folder, fifo or device where a file was expected
};

// The answer of every operation below that can fail: the Windows code the callers test
// (it converts to int, so `fs::WriteFile(...) == fs::kOk` reads as before) and the errno
// behind it, which the code alone may hide (every errno Windows has no word for reads as
// 5), for whoever logs the failure.
class [[nodiscard]] Result {
 public:
  constexpr Result() = default;
  constexpr explicit Result(int code, int err = 0) : m_code(code), m_errno(err) {}
  // From an errno: its Windows code, and the errno kept.
  static Result FromErrno(int err);
  constexpr operator int() const { return m_code; }
  constexpr int Code() const { return m_code; }
  constexpr int Errno() const { return m_errno; }
  constexpr bool Ok() const { return m_code == 0; }
  // "5" or "5 (No space left on device)", for logs.
  std::string Text() const;

 private:
  int m_code = 0;
  int m_errno = 0;
};

struct Entry {
  std::string name;
  bool isDir = false;
  uint64_t size = 0;
  time_t modified = 0;
};

bool Exists(const std::string& path);
// The name is there, whatever it is: a link is not followed (a dangling one counts).
bool Present(const std::string& path);
bool IsDirectory(const std::string& path);
bool IsFile(const std::string& path);
// Size in bytes, or -1 when the file cannot be read.
int64_t FileSize(const std::string& path);

// Entries of dir whose names match a Windows wildcard ("*.log", "qor*.*", "*"),
// case-blind, sorted by name byte-wise; "." and ".." are never listed.
// Returns false when dir cannot be read.
[[nodiscard]] bool List(const std::string& dir, const std::string& pattern, std::vector<Entry>& out);
bool WildcardMatch(const std::string& pattern, const std::string& name);

// One level; 0 when made or already a folder, else a Windows code.
Result MakeDir(const std::string& path);
// Every missing level of path.
Result MakeDirs(const std::string& path);
// A file; 0, 2, 3, 5 (also for a folder) or 32.
Result DeleteFile(const std::string& path);
// An empty folder.
Result RemoveDir(const std::string& path);
// A folder and all below it.
Result RemoveTree(const std::string& path);
Result Rename(const std::string& from, const std::string& to);

// Whole file into out; 0 or a Windows code.
Result ReadFile(const std::string& path, std::string& out);
// Truncate-and-write, or one O_APPEND write of the whole data. Fails when open,
// write, flush or close fails.
Result WriteFile(const std::string& path, const std::string& data, bool append = false);
// Temporary file in the same folder, fsync, rename over path: readers see the old
// or the new content, never a mixture. The temporary file has a name nobody can
// guess (path + ".tmp<pid>_<random>"), is made afresh and never through a link, and
// is locked while it is written. A replace that worked also removes what earlier
// replaces of the same path left behind when they were killed midway.
Result ReplaceFile(const std::string& path, const std::string& data);
// ReplaceFile written piece by piece, for content that is never whole in memory (a
// download): Open makes the temporary file as ReplaceFile does, Write adds to it and
// Commit puts it in place. Until Commit, path is what it was; a file dropped without
// Commit takes its temporary file with it.
class ReplacingFile {
 public:
  ReplacingFile() = default;
  ~ReplacingFile();
  ReplacingFile(const ReplacingFile&) = delete;
  ReplacingFile& operator=(const ReplacingFile&) = delete;
  Result Open(const std::string& path);
  // The first failure stays: later writes and Commit answer it.
  Result Write(std::string_view data);
  Result Commit();

 private:
  void Discard();

  std::string m_path, m_tmp;
  UniqueFd m_fd;
  Result m_failed;
};
// Removes temporary files of path's earlier replaces whose writer has gone (no lock
// on them and no process of the pid in their name). Returns how many it removed.
int RemoveStaleTemps(const std::string& path);

// Creation time (statx birth time). Opens nothing for writing. False when the path
// cannot be read or its file system keeps no creation time (the change time is no
// stand-in: it moves with every change in the folder).
[[nodiscard]] bool BirthTime(const std::string& path, time_t& out);

// Whether a process other than the caller still holds the file open (a writer that
// opened it before it was renamed away, say). Unknown where the file system cannot tell.
enum class Openers { None, Some, Unknown };
Openers OtherOpeners(const std::string& path);

// How long a lock is waited for before the wait is given up and logged (real
// milliseconds before QOR_TIME_SCALE).
inline constexpr int64_t kLockWaitMs = 30000;

struct LockOptions {
  int64_t waitMs = kLockWaitMs;  // < 0: no limit
  // The lock file goes when the lock is given up, so that nothing stays behind in a
  // folder that must be removable. Every taker of such a lock must ask for it.
  bool removeAfter = false;
};

// Runs fn while holding an exclusive advisory lock on lockPath. A missing lock file
// is made with mode 0600, so no other account can open it to hold the lock; a link
// is never followed. Returns false, without running fn, when the lock file cannot be
// opened or is no plain file, and when the wait ran out (both logged).
bool WithLock(const std::string& lockPath, const std::function<void()>& fn, const LockOptions& options = {});

// errno to the Windows code the callers expect (unknown ones: 5).
int WinError(int err);

}  // namespace platform::fs

namespace platform::fs {

// A file read block by block. Open takes only a regular file: with noFollow a link is
// refused too (O_NOFOLLOW), and what was opened is checked on the descriptor, so a
// name swapped meanwhile is never followed.
class InFile {
 public:
  InFile() = default;
  ~InFile();
  InFile(const InFile&) = delete;
  InFile& operator=(const InFile&) = delete;
  // 0, or a Windows code (1920 for a link or anything but a regular file).
  Result Open(const std::string& path, bool noFollow = false);
  void Close();
  bool IsOpen() const { return m_fd.Valid(); }
  // Up to n bytes from the current position: the count, 0 at the end, -1 on an error.
  int64_t Read(char* buf, size_t n);
  // Moves the position; false when it cannot.
  bool Seek(int64_t offset);
  int64_t Size() const;
  // Lets the system drop the cached pages of [offset, offset + length) (a file read
  // once needs them no more, and a large file's pages make its delete slow); 0 or a
  // Windows code. The bytes stay in the file.
  Result DropCached(int64_t offset, int64_t length);
  // Identity of the opened file (device and inode), to tell a file from a later one
  // of the same name.
  std::string Identity() const;

 private:
  UniqueFd m_fd;
  std::string m_path;
};

// One O_APPEND write of data, without a lock: the whole lines of one call never
// interleave with another writer's. When the write falls short (a full disk), the
// bytes that did land are cut off again, so the file ends where it ended before
// (unless another writer appended behind them meanwhile; then they stay).
// 0, or a Windows code (29 for a short write).
Result AppendWhole(const std::string& path, std::string_view data);
// Cuts a file back to size bytes; 0 or a Windows code.
Result Truncate(const std::string& path, int64_t size);

}  // namespace platform::fs

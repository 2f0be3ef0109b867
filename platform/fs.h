#pragma once
// Files and folders, answered in the terms the programs expect of Windows:
// sorted, case-blind wildcard listings and Windows error codes.
#include <cstdint>
#include <ctime>
#include <functional>
#include <string>
#include <vector>

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
};

struct Entry {
  std::string name;
  bool isDir = false;
  uint64_t size = 0;
  time_t modified = 0;
};

bool Exists(const std::string& path);
bool IsDirectory(const std::string& path);
bool IsFile(const std::string& path);
// Size in bytes, or -1 when the file cannot be read.
int64_t FileSize(const std::string& path);

// Entries of dir whose names match a Windows wildcard ("*.log", "qor*.*", "*"),
// case-blind, sorted by name byte-wise; "." and ".." are never listed.
// Returns false when dir cannot be read.
bool List(const std::string& dir, const std::string& pattern, std::vector<Entry>& out);
bool WildcardMatch(const std::string& pattern, const std::string& name);

// One level; 0 when made or already a folder, else a Windows code.
int MakeDir(const std::string& path);
// Every missing level of path.
int MakeDirs(const std::string& path);
// A file; 0, 2, 3, 5 (also for a folder) or 32.
int DeleteFile(const std::string& path);
// An empty folder.
int RemoveDir(const std::string& path);
// A folder and all below it.
int RemoveTree(const std::string& path);
int Rename(const std::string& from, const std::string& to);

// Whole file into out; 0 or a Windows code.
int ReadFile(const std::string& path, std::string& out);
// Truncate-and-write, or one O_APPEND write of the whole data. Fails when open,
// write, flush or close fails.
int WriteFile(const std::string& path, const std::string& data, bool append = false);
// Temporary file in the same folder, fsync, rename over path: readers see the old
// or the new content, never a mixture. The temporary file has a name nobody can
// guess (path + ".tmp<pid>_<random>"), is made afresh and never through a link, and
// is locked while it is written. A replace that worked also removes what earlier
// replaces of the same path left behind when they were killed midway.
int ReplaceFile(const std::string& path, const std::string& data);
// Removes temporary files of path's earlier replaces whose writer has gone (no lock
// on them and no process of the pid in their name). Returns how many it removed.
int RemoveStaleTemps(const std::string& path);

// Creation time (statx birth time; the change time where the file system has none).
// Opens nothing for writing. False when the path cannot be read.
bool BirthTime(const std::string& path, time_t& out);

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

// Test double: the hook sees every open for reading or writing and every rename;
// a non-zero return makes that call fail with the returned errno.
enum class Op { OpenRead, OpenWrite, Write, Rename };
using FaultHook = std::function<int(Op, const std::string& path)>;
void SetFaultHook(FaultHook hook);

// errno to the Windows code the callers expect.
int WinError(int err);

}  // namespace platform::fs

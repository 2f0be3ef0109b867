#pragma once
// The layer's one fault table. Every file call of the layer (platform::sys) and every
// operation the other modules answer from the OS (accounts, acl, iis, machine figures,
// process, registry) asks it first, so a test can make any of them fail, or end the
// process, at a chosen call. Unarmed it costs one atomic load.
//
// Tests arm it only through a Guard, which disarms it when it goes out of scope (a
// failed assertion cannot leave it armed for the next test):
//
//   platform::faults::Guard g;            // counts calls from here on
//   g.FailAt(3, EIO);                     // the 3rd call fails with EIO, once
//   g.FailFrom(3, ENOSPC);                // the 3rd and every later call fail
//   g.ExitAt(3);                          // the 3rd call ends the process: _exit(kExitStatus)
//   g.ExitAt(3, /*land=*/10);             // ... a write lands 10 bytes first
//   g.Only([](const Call& c) { return c.path.ends_with("config.db"); });  // count only these
//   g.When([](const Call& c) {            // a rule of the test's own, asked before the count
//     return c.kind == Kind::Rename ? Fault::Fail(EIO) : Fault{};
//   });
//   g.Fail(Kind::Rename, EIO);            // the same, for a rule as plain as that one
//   g.Calls();                            // calls counted so far
//
// A rule sees a write's bytes, so it can end the process after a chosen part of them:
//   g.When([](const Call& c) {            // a cut right after the first line end
//     if (c.kind != Kind::Write) return Fault{};
//     const size_t end = c.data.find('\n');
//     return end == std::string_view::npos ? Fault{} : Fault::Exit(static_cast<int64_t>(end + 1));
//   });
//
// A sweep runs an operation in a fresh child (qortest::RunInChild in
// tests/support/forked.h) with ExitAt(N) or FailAt(N) for N = 1, 2, ... until the child
// reports fewer than N calls: by then every call has been hit once (an Only filter of
// Call::IsFileCall keeps the count to file calls). tests/common/leftovers_test.cpp has one.
#include <fcntl.h>

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace platform::faults {

enum class Kind {
  // Files (platform::sys); keep them first (Call::IsFileCall).
  Open, Read, Write, Fsync, Rename, Truncate, Unlink, Close, MakeDir, RemoveDir, ListDir,
  Advise,     // advice on a file's cached pages (posix_fadvise)
  Stat,       // stat, lstat, fstat
  Lock,       // flock
  Chmod,      // chmod, fchmod
  BirthTime,  // a fault: the file system keeps no creation time
  // accounts
  ListUsers, ListGroups, LookupName, LookupSid, QueryGroups,
  // acl
  AclRead, AclMerge, AclApply,
  // iis (object model and its state)
  IisOpen, IisGet, IisSetInfo, IisChildren, IisGetObject, IisCreate, IisInvoke, IisReadState, IisWriteState,
  // machine figures
  DriveSize, FolderCreated, Processors,
  // process
  Snapshot, Owner, Kill, Start,
  // registry (the hive)
  RegistryRead, RegistryWrite,
};

// What a call is about to do.
struct Call {
  Kind kind;
  std::string_view path;  // the file, folder or object; empty where there is none
  int pid = 0;            // process calls
  std::string_view data;  // the bytes a write is about to write
  int flags = 0;          // Open: its O_ flags
  // An Open that only reads (nothing made, cut or written).
  bool OpensForReading() const { return kind == Kind::Open && (flags & (O_ACCMODE | O_CREAT | O_TRUNC)) == O_RDONLY; }
  // A call of platform::sys (or the birth-time read), not a module's.
  bool IsFileCall() const { return kind <= Kind::BirthTime; }
  // A file call that changes something on disk.
  bool Changes() const {
    switch (kind) {
      case Kind::Open: return !OpensForReading();
      case Kind::Write: case Kind::Fsync: case Kind::Rename: case Kind::Truncate: case Kind::Unlink:
      case Kind::MakeDir: case Kind::RemoveDir: case Kind::Chmod: return true;
      default: return false;
    }
  }
};

// What the table makes of a call.
struct Fault {
  int64_t code = 0;   // non-zero: the call fails with it (an errno, or the module's own code)
  bool exit = false;  // the process ends at the call
  int64_t land = -1;  // writes: this many bytes land first (a short write); -1: none
  static Fault Fail(int64_t code, int64_t land = -1) { return {code, false, land}; }
  static Fault Exit(int64_t land = -1) { return {0, true, land}; }
  bool Strikes() const { return code != 0 || exit; }
};

// The exit status of a process the table ended.
inline constexpr int kExitStatus = 86;

// Asked by the layer before each call. A fault that ends the process ends it here (after
// a write's landed bytes, which platform::sys writes itself). The Nth call is counted
// here whether or not it strikes.
Fault Check(const Call& call);
// Check's code alone, for modules whose failure is just a code (0: go ahead).
int64_t CodeFor(Kind kind, std::string_view path = {}, int pid = 0);
// Ends the process as the table does.
[[noreturn]] void ExitNow();

using Rule = std::function<Fault(const Call&)>;
using Filter = std::function<bool(const Call&)>;

// Arms the table for its lifetime; one at a time (a second one aborts the program).
class Guard {
 public:
  Guard();
  ~Guard();
  Guard(const Guard&) = delete;
  Guard& operator=(const Guard&) = delete;

  // Counted mode: the nth counted call (1-based) fails with code (an errno for file
  // calls), once or from then on, or ends the process. land: bytes a faulted write
  // lets land before the fault.
  void FailAt(uint64_t nth, int64_t code, int64_t land = -1);
  void FailFrom(uint64_t nth, int64_t code, int64_t land = -1);
  void ExitAt(uint64_t nth, int64_t land = -1);
  // Only calls for which filter is true are counted (and struck); all by default.
  void Only(Filter filter);
  // A rule asked for every call before the count; a fault it returns strikes. One rule
  // at a time: When and Fail replace the one before.
  void When(Rule rule);
  // The rule "every call of kind (whose path holds pathPart) fails with code".
  void Fail(Kind kind, int64_t code, std::string pathPart = {});
  // Counted calls so far; the count starts again with each FailAt, FailFrom and ExitAt.
  uint64_t Calls() const;
  // Forgets every rule, filter, plan and count; the table keeps counting.
  void Reset();
};

}  // namespace platform::faults

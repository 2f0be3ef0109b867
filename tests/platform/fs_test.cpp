#include "platform/faults.h"
#include "platform/fs.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <functional>
#include <cerrno>
#include <thread>
#include <vector>

#include "platform/faults.h"
#include "platform/ipc_files.h"
#include "platform/notice.h"
#include "tests/support/other_account.h"
#include "tests/support/temp_install.h"

namespace fs = platform::fs;
using platform::faults::Kind;

TEST(Fs, WindowsWildcards) {
  struct Case {
    const char* pattern;
    const char* name;
    bool want;
  } cases[] = {
      {"*.log", "qor2016-9-9.log", true}, {"*.log", "QOR.LOG", true},  {"*.log", "a.log.bak", false},
      {"*.*", "noext", true},             {"*", ".hidden", true},      {"qor*.log", "qorx.log", true},
      {"qor*.log", "xqor.log", false},    {"a?c", "abc", true},        {"a?c", "ac", false},
      {"name.*", "name", true},           {"name.*", "name.txt", true}, {"*.db", "iplib.db", true},
  };
  for (const auto& c : cases) EXPECT_EQ(fs::WildcardMatch(c.pattern, c.name), c.want) << c.pattern << " " << c.name;
}

TEST(Fs, ListIsSortedAndFiltered) {
  qortest::TempInstall inst;
  std::string d = inst.ProgramDir() + "x";
  EXPECT_EQ(fs::MakeDir(d), fs::kOk);
  for (const char* n : {"b.log", "a.LOG", "c.txt"}) EXPECT_EQ(fs::WriteFile(d + "/" + n, "1"), fs::kOk);
  std::vector<fs::Entry> out;
  ASSERT_TRUE(fs::List(d, "*.log", out));
  ASSERT_EQ(out.size(), 2u);
  EXPECT_EQ(out[0].name, "a.LOG");
  EXPECT_EQ(out[1].name, "b.log");
  EXPECT_FALSE(fs::List(d + "/none", "*", out));
}

TEST(Fs, DeleteGivesWindowsCodes) {
  qortest::TempInstall inst;
  std::string base = inst.ProgramDir();
  EXPECT_EQ(fs::WriteFile(base + "f", "1"), fs::kOk);
  EXPECT_EQ(fs::DeleteFile(base + "f"), fs::kOk);
  EXPECT_EQ(fs::DeleteFile(base + "f"), fs::kFileNotFound);
  EXPECT_EQ(fs::DeleteFile(base + "nodir/f"), fs::kPathNotFound);
  EXPECT_EQ(fs::DeleteFile(base + "iis"), fs::kAccessDenied);
  EXPECT_EQ(fs::MakeDir(base + "a/b"), fs::kPathNotFound);
  EXPECT_EQ(fs::MakeDirs(base + "a/b"), fs::kOk);
  EXPECT_EQ(fs::MakeDir(base + "a/b"), fs::kOk);
}

TEST(Fs, ReplaceIsAllOrNothing) {
  qortest::TempInstall inst;
  std::string path = inst.ProgramDir() + "store";
  ASSERT_EQ(fs::ReplaceFile(path, "old"), fs::kOk);
  for (Kind failing : {Kind::Open, Kind::Write, Kind::Fsync, Kind::Close, Kind::Rename}) {
    {
      platform::faults::Guard faults;
      faults.Fail(failing, EIO, "store");
      const fs::Result rc = fs::ReplaceFile(path, "new");
      EXPECT_NE(rc, fs::kOk) << int(failing);
      EXPECT_EQ(rc.Errno(), EIO) << int(failing);
    }
    std::string data;
    ASSERT_EQ(fs::ReadFile(path, data), fs::kOk);
    EXPECT_EQ(data, "old");
  }
  std::vector<fs::Entry> left;
  (void)fs::List(inst.ProgramDir(), "store.tmp*", left);
  EXPECT_TRUE(left.empty());
  EXPECT_EQ(fs::ReplaceFile(path, "new"), fs::kOk);
  EXPECT_EQ(fs::FileSize(path), 3);
}

TEST(Fs, AppendAndReadFaults) {
  qortest::TempInstall inst;
  std::string path = inst.ProgramDir() + "a";
  EXPECT_EQ(fs::WriteFile(path, "1", true), fs::kOk);
  EXPECT_EQ(fs::WriteFile(path, "2", true), fs::kOk);
  std::string data;
  EXPECT_EQ(fs::ReadFile(path, data), fs::kOk);
  EXPECT_EQ(data, "12");
  {
    platform::faults::Guard faults;
    faults.Fail(Kind::Open, EACCES);
    EXPECT_EQ(fs::ReadFile(path, data), fs::kAccessDenied);
    // Mid-file: what was read is not handed out as the whole file.
    faults.Fail(Kind::Read, EIO);
    data = "stale";
    const fs::Result rc = fs::ReadFile(path, data);
    EXPECT_EQ(rc, fs::kReadFault);
    EXPECT_EQ(rc.Errno(), EIO);
    EXPECT_EQ(data, "");
  }
  EXPECT_EQ(fs::ReadFile(inst.ProgramDir(), data), fs::kAccessDenied);
  time_t born = 0;
  const bool kept = qortest::KeepsCreationTime(path);
  EXPECT_EQ(fs::BirthTime(path, born), kept);
  EXPECT_TRUE(!kept || born > 0);
  EXPECT_FALSE(fs::BirthTime(path + "x", born));
}

TEST(Fs, OtherOpenersSeesAWriterThatOpenedBeforeARename) {
  qortest::TempInstall inst;
  std::string path = inst.ProgramDir() + "iis.log", moved = path + ".work";
  FILE* writer = fopen(path.c_str(), "a");
  ASSERT_NE(writer, nullptr);
  ASSERT_EQ(fs::Rename(path, moved), fs::kOk);
  EXPECT_EQ(fs::OtherOpeners(moved), fs::Openers::Some);
  fclose(writer);
  EXPECT_EQ(fs::OtherOpeners(moved), fs::Openers::None);
  EXPECT_EQ(fs::OtherOpeners(path), fs::Openers::Unknown);
}

namespace {
// A pid that no process has: a child that has ended and been reaped.
pid_t DeadPid() {
  pid_t pid = fork();
  if (pid == 0) _exit(0);
  waitpid(pid, nullptr, 0);
  return pid;
}
}  // namespace

TEST(Fs, ReplaceNeverWritesThroughALinkAtAGuessableName) {
  qortest::TempInstall inst;
  const std::string path = inst.ProgramDir() + "iis/log/state";
  const std::string target = inst.Base() + "target";
  ASSERT_EQ(fs::WriteFile(target, "untouched"), fs::kOk);
  // Every name the old scheme could pick next for this process.
  const std::string pid = std::to_string(getpid());
  for (int n = 0; n < 300; ++n) symlink(target.c_str(), (path + ".tmp" + pid + "_" + std::to_string(n)).c_str());

  std::vector<std::string> seen;
  {
    platform::faults::Guard faults;
    faults.When([&](const platform::faults::Call& c) {
      std::vector<fs::Entry> entries;
      if (c.kind == Kind::Write && fs::List(inst.ProgramDir() + "iis/log", "state.tmp*", entries))
        for (const auto& e : entries) {
          struct stat st;
          if (lstat((inst.ProgramDir() + "iis/log/" + e.name).c_str(), &st) == 0 && S_ISREG(st.st_mode))
            seen.push_back(e.name);
        }
      return platform::faults::Fault{};
    });
    ASSERT_EQ(fs::ReplaceFile(path, "one"), fs::kOk);
    ASSERT_EQ(fs::ReplaceFile(path, "two"), fs::kOk);
  }

  std::string data;
  ASSERT_EQ(fs::ReadFile(target, data), fs::kOk);
  EXPECT_EQ(data, "untouched");
  ASSERT_EQ(fs::ReadFile(path, data), fs::kOk);
  EXPECT_EQ(data, "two");
  struct stat st;
  ASSERT_EQ(lstat(path.c_str(), &st), 0);
  EXPECT_TRUE(S_ISREG(st.st_mode));
  // Each temporary name carries 16 random hex digits after the pid, and no two agree.
  ASSERT_EQ(seen.size(), 2u);
  for (const auto& name : seen) {
    const std::string prefix = "state.tmp" + pid + "_";
    ASSERT_EQ(name.compare(0, prefix.size(), prefix), 0) << name;
    EXPECT_EQ(name.size(), prefix.size() + 16) << name;
  }
  EXPECT_NE(seen[0], seen[1]);
}

TEST(Fs, AReplaceClearsWhatKilledReplacesOfItsOwnPathLeft) {
  qortest::TempInstall inst;
  const std::string dir = inst.ProgramDir() + "iis/";
  const std::string dead = std::to_string(DeadPid());
  const std::string mine = std::to_string(getpid());
  const std::vector<std::string> stale = {"config.db.tmp" + dead + "_7", "config.db.tmp" + dead + "_0123456789abcdef"};
  const std::vector<std::string> kept = {
      "config.db.tmp" + mine + "_8",          // a save of a process that still runs
      "config.db.tmp" + dead + "_9",          // locked: a writer is still at it
      "config.ini.tmp" + dead + "_1",         // another file's
      "config.db.tmpx", "config.db.tmp" + dead + "_zz", "config.db.bak",  // not the replace's names
  };
  for (const auto& n : stale) ASSERT_EQ(fs::WriteFile(dir + n, "half"), fs::kOk);
  for (const auto& n : kept) ASSERT_EQ(fs::WriteFile(dir + n, "keep"), fs::kOk);
  int held = open((dir + kept[1]).c_str(), O_RDONLY);
  ASSERT_GE(held, 0);
  ASSERT_EQ(flock(held, LOCK_EX), 0);

  ASSERT_EQ(fs::ReplaceFile(dir + "config.db", "whole"), fs::kOk);
  for (const auto& n : stale) EXPECT_FALSE(fs::Exists(dir + n)) << n;
  for (const auto& n : kept) EXPECT_TRUE(fs::Exists(dir + n)) << n;
  close(held);
  EXPECT_EQ(fs::RemoveStaleTemps(dir + "config.db"), 1) << "the lock was given up, the pid is gone";
}

TEST(Fs, ALockFileIsPrivateAndTheWaitForItEnds) {
  qortest::TempInstall inst;
  const std::string lock = inst.MachineRoot() + "hive.lock";
  bool ran = false;
  ASSERT_TRUE(fs::WithLock(lock, [&] { ran = true; }));
  EXPECT_TRUE(ran);
  struct stat st;
  ASSERT_EQ(stat(lock.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u) << "another account could open the lock file and hold it";

  // Held elsewhere: the wait is bounded and fn never runs.
  int other = open(lock.c_str(), O_RDONLY);
  ASSERT_GE(other, 0);
  ASSERT_EQ(flock(other, LOCK_EX), 0);
  std::vector<std::string> notes;
  platform::notice::SetSink([&](const std::string& t) { notes.push_back(t); });
  fs::LockOptions brief;
  brief.waitMs = 20;
  ran = false;
  EXPECT_FALSE(fs::WithLock(lock, [&] { ran = true; }, brief));
  platform::notice::SetSink(nullptr);
  EXPECT_FALSE(ran);
  ASSERT_EQ(notes.size(), 1u);
  EXPECT_NE(notes[0].find(lock), std::string::npos);
  close(other);

  // A link is never followed.
  const std::string target = inst.Base() + "target";
  ASSERT_EQ(fs::WriteFile(target, "x"), fs::kOk);
  chmod(target.c_str(), 0644);
  ASSERT_EQ(symlink(target.c_str(), (inst.MachineRoot() + "link.lock").c_str()), 0);
  EXPECT_FALSE(fs::WithLock(inst.MachineRoot() + "link.lock", [] {}));
  ASSERT_EQ(stat(target.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0644u);
}

TEST(Fs, ALockThatGoesWithItsWriteLeavesNoFileAndStillExcludes) {
  qortest::TempInstall inst;
  const std::string lock = inst.ProgramDir() + "iis/config.ini.lock";
  fs::LockOptions once;
  once.removeAfter = true;
  std::atomic<int> inside{0};
  std::atomic<bool> overlap{false};
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([&] {
      for (int i = 0; i < 50; ++i)
        fs::WithLock(lock, [&] {
          if (inside.fetch_add(1) != 0) overlap = true;
          inside.fetch_sub(1);
        }, once);
    });
  for (auto& t : threads) t.join();
  EXPECT_FALSE(overlap.load());
  EXPECT_FALSE(fs::Exists(lock));
}

TEST(Fs, AnotherAccountCannotHoldALockOfTheSystem) {
  if (!qortest::CanSwitchAccounts()) GTEST_SKIP() << "needs root to act as another account";
  qortest::TempInstall inst;
  qortest::OpenWayFor(inst.MachineRoot() + "registry/x");
  EXPECT_EQ(fs::MakeDirs(inst.MachineRoot() + "registry"), fs::kOk);
  const std::string lock = inst.MachineRoot() + "registry/HKLM.hive.lock";
  ASSERT_TRUE(fs::WithLock(lock, [] {}));
  qortest::HeldByNobody other;
  EXPECT_FALSE(other.Hold(lock));
}

// The fault table: counted modes, the count, a cut write, and the guard's reset.
TEST(FaultTable, CountedModesStrikeTheNthCall) {
  qortest::TempInstall inst;
  const std::string path = inst.ProgramDir() + "f";
  using platform::faults::Guard;
  uint64_t calls = 0;
  {
    Guard g;
    ASSERT_EQ(fs::WriteFile(path, "abc"), fs::kOk);
    calls = g.Calls();  // open, write, close
  }
  ASSERT_EQ(calls, 3u);
  const struct {
    const char* what;
    std::function<void(Guard&)> arm;
    bool failsFirst, failsSecond;
  } cases[] = {
      {"once", [](Guard& g) { g.FailAt(2, ENOSPC); }, true, false},
      {"from then on", [](Guard& g) { g.FailFrom(2, ENOSPC); }, true, true},
      {"past the end", [&](Guard& g) { g.FailAt(2 * calls + 1, ENOSPC); }, false, false},
      {"only counted kinds", [](Guard& g) {
         g.Only([](const platform::faults::Call& c) { return c.kind == Kind::Close; });
         g.FailAt(1, EIO);
       }, true, false},
  };
  for (const auto& c : cases) {
    Guard g;
    c.arm(g);
    EXPECT_EQ(fs::WriteFile(path, "first") != fs::kOk, c.failsFirst) << c.what;
    EXPECT_EQ(fs::WriteFile(path, "second") != fs::kOk, c.failsSecond) << c.what;
  }
  // The guard is gone: nothing strikes any more.
  EXPECT_EQ(fs::WriteFile(path, "after"), fs::kOk);
}

// The checks, locks, modes and folders behind the file operations ask the table too.
TEST(FaultTable, EveryCallOfTheFilesAndSharedFoldersStrikes) {
  qortest::TempInstall inst;
  const std::string path = inst.ProgramDir() + "f";
  ASSERT_EQ(fs::WriteFile(path, "x"), fs::kOk);
  const struct {
    Kind kind;
    const char* pathPart;
    std::function<bool()> failed;
  } cases[] = {
      {Kind::Stat, "/f", [&] { return !fs::Exists(path); }},
      {Kind::Stat, "/f", [&] { return fs::InFile().Open(path) != fs::kOk; }},
      {Kind::Lock, "f.lock", [&] { return !fs::WithLock(path + ".lock", [] {}); }},
      {Kind::MakeDir, "locks", [] { return platform::ipc::PrivateFolder().empty(); }},
      {Kind::Chmod, "ipc", [&] {
         struct stat st;
         return !platform::ipc::Folder().empty() && ::stat((inst.MachineRoot() + "ipc").c_str(), &st) == 0 &&
                (st.st_mode & 07777) != 01777;
       }},
  };
  for (const auto& c : cases) {
    platform::faults::Guard g;
    g.Fail(c.kind, EIO, c.pathPart);
    EXPECT_TRUE(c.failed()) << int(c.kind) << " " << c.pathPart;
  }
}

TEST(FaultTable, ExitEndsTheProcessAtTheCallAndACutWriteLandsItsPart) {
  qortest::TempInstall inst;
  const std::string path = inst.ProgramDir() + "f";
  pid_t pid = fork();
  if (pid == 0) {
    platform::faults::Guard g;
    g.Only([](const platform::faults::Call& c) { return c.kind == Kind::Write; });
    g.ExitAt(1, /*land=*/4);
    (void)fs::WriteFile(path, "abcdefgh");
    _exit(0);
  }
  int status = 0;
  ASSERT_EQ(waitpid(pid, &status, 0), pid);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), platform::faults::kExitStatus);
  std::string data;
  ASSERT_EQ(fs::ReadFile(path, data), fs::kOk);
  EXPECT_EQ(data, "abcd");

  // Cut short without an exit: the bytes land, the write fails, and so does the file's write.
  platform::faults::Guard g;
  g.When([](const platform::faults::Call& c) {
    return c.kind == Kind::Write ? platform::faults::Fault::Fail(ENOSPC, 2) : platform::faults::Fault{};
  });
  const fs::Result rc = fs::WriteFile(path, "xyz");
  EXPECT_EQ(rc, fs::kWriteFault);
  EXPECT_EQ(rc.Errno(), ENOSPC);
  g.Reset();
  ASSERT_EQ(fs::ReadFile(path, data), fs::kOk);
  EXPECT_EQ(data, "xy");
}

// Every request line lands in the daily log exactly once: on a full disk, after a kill
// between the append and the deletion of the work file, and never through a link.
#include <errno.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <sched.h>
#include <signal.h>

#include <climits>
#include <cstdio>
#include <random>
#include <algorithm>
#include <cstdlib>
#include <functional>
#include <vector>

#include "common/daily_log.h"
#include "common/text_file.h"
#include "platform/clock.h"
#include "platform/eventlog.h"
#include "platform/faults.h"
#include "platform/fs.h"
#include "service/request_log.h"
#include "tests/service/request_log_probe.h"
#include "tests/support/forked.h"
#include "tests/support/temp_install.h"

namespace fs = platform::fs;
namespace faults = platform::faults;

namespace {

class RequestLogOnce : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::clock::SetFake(platform::clock::FromLocal(2026, 12, 9, 10, 0, 0));
    install_.WriteProgramFile("iplib.db", "16777216|255|154|1002|0");
    daily_ = install_.ProgramDir() + "log/qor2026-12-09.log";
  }
  void TearDown() override { platform::clock::ClearFake(); }

  // A rule that lets the daily log grow to room bytes at most (negative: no limit): a
  // write past it lands what fits, then fails as a full disk does.
  faults::Rule DiskOf(const int64_t& room) const {
    return [this, &room](const faults::Call& c) {
      if (room < 0 || c.kind != faults::Kind::Write || c.path != daily_) return faults::Fault{};
      const int64_t left = std::max<int64_t>(0, room - std::max<int64_t>(0, fs::FileSize(daily_)));
      return static_cast<int64_t>(c.data.size()) > left ? faults::Fault::Fail(ENOSPC, left) : faults::Fault{};
    };
  }

  // Lines of about 100 bytes, each with its own number.
  static std::string RequestLines(int first, int count) {
    std::string text;
    char buf[160];
    for (int i = first; i < first + count; ++i) {
      std::snprintf(buf, sizeof buf, "2026-12-9 10:0:0\t区域\t拦截\t<ipstart>1.0.0.%d<ipend>\t~area~\twww.example.com/%08d\n",
                    i % 256, i);
      text += buf;
    }
    return text;
  }

  // How often each line number stands in the daily log; every line must be whole.
  std::vector<int> Seen(int count) {
    std::vector<int> seen(static_cast<size_t>(count), 0);
    for (const auto& line : SplitLines(install_.ReadProgramFile("log/qor2026-12-09.log"))) {
      size_t slash = line.rfind('/');
      EXPECT_NE(slash, std::string::npos) << line;
      EXPECT_NE(line.find("中国-北京市"), std::string::npos) << line;
      if (slash == std::string::npos || line.size() != slash + 9) continue;
      int i = std::atoi(line.c_str() + slash + 1);
      if (i >= 0 && i < count) seen[static_cast<size_t>(i)]++;
    }
    return seen;
  }

  void ExpectEachOnce(int count) {
    std::vector<int> seen = Seen(count);
    int missing = 0, doubled = 0;
    for (int n : seen) {
      missing += n == 0;
      doubled += n > 1;
    }
    EXPECT_EQ(missing, 0);
    EXPECT_EQ(doubled, 0);
  }

  static int EventsWithId(uint32_t id) {
    std::vector<platform::eventlog::Event> events;
    platform::eventlog::ReadEvents(events);
    int n = 0;
    for (const auto& e : events) n += e.id == id;
    return n;
  }

  qortest::TempInstall install_;
  std::string daily_;
};

// Appends with a plain write, as another process would.
void AppendRaw(const std::string& path, const std::string& text) {
  int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT, 0644);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(::write(fd, text.data(), text.size()), static_cast<ssize_t>(text.size()));
  ::close(fd);
}

}  // namespace

// The daily log may grow by one block's raw size: the first block (shorter once
// transformed) lands, the second finds the disk full. Nothing partial stays, the failure is reported, and once there is room again
// the rest follows without repeating the first block.
TEST_F(RequestLogOnce, FullDiskWritesEveryLineOnce) {
  const int kLines = static_cast<int>(CRequestLog::kBlockSize / 55);  // about one and a half blocks
  int64_t limit = static_cast<int64_t>(CRequestLog::kBlockSize);
  faults::Guard guard;
  guard.When(DiskOf(limit));
  install_.WriteProgramFile("iis/log/iis.log", RequestLines(0, kLines));
  CRequestLog log(install_.ProgramDir());
  EXPECT_EQ(log.ProcessPass(), CRequestLog::kAppendFailed);
  const std::string partial = install_.ReadProgramFile("log/qor2026-12-09.log");
  ASSERT_FALSE(partial.empty());
  EXPECT_EQ(partial.back(), '\n');
  EXPECT_LE(static_cast<int64_t>(partial.size()), limit);
  EXPECT_EQ(EventsWithId(kEventRequestLogNotWritten), 1);
  // Still full: nothing more, and the report is not repeated.
  EXPECT_EQ(log.ProcessPass(), CRequestLog::kAppendFailed);
  EXPECT_EQ(install_.ReadProgramFile("log/qor2026-12-09.log"), partial);
  EXPECT_EQ(EventsWithId(kEventRequestLogNotWritten), 1);

  limit = -1;
  EXPECT_EQ(log.ProcessPass(), CRequestLog::kWritten);
  ExpectEachOnce(kLines);
  EXPECT_FALSE(fs::Exists(Probe(log).WorkFilePath()));
  EXPECT_FALSE(fs::Exists(Probe(log).ProgressFilePath()));
}

// A fault that stays from pass to pass (a work file that cannot be deleted, a folder
// where the record goes) is told once, and nothing is read again while it stays; once
// it is gone, the pass finishes.
TEST_F(RequestLogOnce, AFaultThatStaysIsToldOnceAndNothingIsReadAgain) {
  constexpr int kLines = 50;
  struct Case {
    const char* name;
    uint32_t event;
    int result;  // of the passes while the fault stays
  } const cases[] = {
      {"undeletable work file", kEventRequestLogLeft, CRequestLog::kWritten},
      {"folder in the place of the record", kEventRequestLogNotWritten, CRequestLog::kAppendFailed},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    (void)fs::RemoveTree(install_.ProgramDir() + "log");
    const int told = EventsWithId(c.event);
    install_.WriteProgramFile("iis/log/iis.log", RequestLines(0, kLines));
    CRequestLog log(install_.ProgramDir());
    const std::string work = Probe(log).WorkFilePath(), record = Probe(log).ProgressFilePath();
    const bool undeletable = c.event == kEventRequestLogLeft;
    if (!undeletable) {
      ASSERT_EQ(fs::MakeDir(record), fs::kOk);
    }
    int reads = 0;
    {
      faults::Guard guard;
      guard.When([&](const faults::Call& call) {
        if (call.kind == faults::Kind::Read && (call.path == work || call.path == daily_)) ++reads;
        return undeletable && call.kind == faults::Kind::Unlink && call.path == work ? faults::Fault::Fail(EACCES)
                                                                                      : faults::Fault{};
      });
      EXPECT_EQ(log.ProcessPass(), c.result);
      reads = 0;
      for (int pass = 0; pass < 5; ++pass) EXPECT_EQ(log.ProcessPass(), c.result);
    }
    EXPECT_EQ(reads, 0);
    EXPECT_EQ(EventsWithId(c.event), told + 1);
    if (!undeletable) {
      ASSERT_EQ(fs::RemoveDir(record), fs::kOk);
    }
    EXPECT_EQ(log.ProcessPass(), CRequestLog::kWritten);
    ExpectEachOnce(kLines);
    EXPECT_FALSE(fs::Exists(work));
    EXPECT_FALSE(fs::Exists(record));
    EXPECT_EQ(EventsWithId(c.event), told + 1);
  }
}

// A small disk that fills up while request lines keep coming: every pass either lands
// lines or leaves them, never both.
TEST_F(RequestLogOnce, SmallDiskNeverDoublesALine) {
  constexpr int kLines = 1600;
  int64_t room = 64 * 1024;
  faults::Guard guard;
  guard.When(DiskOf(room));
  CRequestLog log(install_.ProgramDir());
  for (int i = 0; i < kLines; i += 100) {
    std::string text = RequestLines(i, 100);
    int fd = ::open(Probe(log).RequestLogPath().c_str(), O_WRONLY | O_APPEND | O_CREAT, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::write(fd, text.data(), text.size()), static_cast<ssize_t>(text.size()));
    ::close(fd);
    log.ProcessPass();
  }
  std::vector<int> seen = Seen(kLines);
  int doubled = 0, landed = 0;
  for (int n : seen) {
    doubled += n > 1;
    landed += n > 0;
  }
  EXPECT_EQ(doubled, 0);
  EXPECT_GT(landed, 0);
  EXPECT_LT(landed, kLines);
  room = -1;
  while (log.ProcessPass() != CRequestLog::kIdle) {
  }
  ExpectEachOnce(kLines);
}

// Runs one pass of a worker in a child process, which the rule may end as a kill would;
// true when the child ended that way.
bool PassInChild(const std::string& programDir, CRequestLogProbe::Sizes sizes, const faults::Rule& rule) {
  pid_t pid = fork();
  if (pid < 0) return false;
  if (pid == 0) {
    const auto log = CRequestLogProbe::WithSizes(programDir, sizes);
    faults::Guard guard;
    guard.When(rule);
    log->ProcessPass();
    _exit(0);
  }
  int status = 0;
  return waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == faults::kExitStatus;
}

// The service is killed after a block landed and before the work file was deleted
// (once at the last block, once between two blocks): the next start writes nothing twice.
TEST_F(RequestLogOnce, KillAfterTheAppendDoublesNothing) {
  const int kLines = static_cast<int>(CRequestLog::kBlockSize / 55);
  for (int killAt : {0, 1}) {
    (void)fs::RemoveTree(install_.ProgramDir() + "log");  // not there before the first round
    install_.WriteProgramFile("iis/log/iis.log", RequestLines(0, kLines));
    const std::string work = install_.ProgramDir() + "iis/log/iis.log.work";
    int appends = 0;
    ASSERT_TRUE(PassInChild(install_.ProgramDir(), {}, [&](const faults::Call& c) {
      // killAt 0: as the work file is deleted; 1: as the second block is appended.
      if (killAt == 0 && c.kind == faults::Kind::Unlink && c.path == work) return faults::Fault::Exit();
      if (killAt == 1 && c.kind == faults::Kind::Write && c.path == daily_ && ++appends == 2) return faults::Fault::Exit();
      return faults::Fault{};
    })) << killAt;
    ASSERT_TRUE(fs::Exists(work));

    CRequestLog restarted(install_.ProgramDir());
    EXPECT_EQ(restarted.ProcessPass(), CRequestLog::kWritten) << killAt;
    ExpectEachOnce(kLines);
    EXPECT_EQ(SplitLines(install_.ReadProgramFile("log/qor2026-12-09.log")).size(), static_cast<size_t>(kLines));
    EXPECT_FALSE(fs::Exists(Probe(restarted).ProgressFilePath()));
  }
}

// A kill ends the daily-log append after some of its bytes landed: right after a line
// end (the kill stops a large write at a page boundary, often a line end) or inside a
// line, with another writer's line appended just before the append or just after the
// kill (as the panel appends). The next start lands every request line once, in order,
// and keeps every line of the other writer whole on its own; a piece that line ended
// stays alone, and the service log tells of it once.
TEST_F(RequestLogOnce, KillAnywhereInAnAppendLandsEachLineOnce) {
  constexpr int kLines = 300;
  const std::string kPanel = "2026-12-9 10:0:0\t管理\t保存设置\t-\tpanel line\n";
  struct Case {
    const char* name;
    int line;     // the cut falls in this line,
    int offset;   // this many bytes into it (0: right after the line before; -1: before its end)
    bool before;  // another writer's line lands between the record and the append
    bool after;   // and after the kill, before the restart, as the panel does
    bool library = false;  // a new library comes before the restart
    bool racing = false;   // the other writer's line comes as the restart completes the piece
  } cases[] = {
      {"after one line", 1, 0, false, false},
      {"after 150 lines", 150, 0, false, false},
      {"after every line", kLines, 0, false, false},
      {"inside the first line", 0, 10, false, false},
      {"inside line 77", 77, 40, false, false},
      {"before a line end", 20, -1, false, false},
      {"other writer first, after a line end", 40, 0, true, false},
      {"other writer first, inside a line", 40, 33, true, false},
      {"other writer after the kill, after a line end", 60, 0, false, true},
      {"other writer after the kill, inside a line", 60, 33, false, true},
      {"other writer after the kill, before a line end", 60, -1, false, true},
      {"new library, after a line end", 90, 0, false, false, true},
      {"new library, inside a line", 90, 20, true, false, true},
      {"other writer as the piece is completed", 70, 25, false, false, false, true},
  };
  CRequestLog reference(install_.ProgramDir());
  std::vector<std::string> want;
  std::string whole;
  for (const std::string& line : SplitLines(RequestLines(0, kLines))) {
    want.push_back(Probe(reference).TransformLine(line));
    whole += want.back() + "\n";
  }
  // Lines that had not landed are looked up in the library of the restart.
  install_.WriteProgramFile("iplib.db", "16777216|255|81|0|0");
  std::vector<std::string> wantNew;
  {
    CRequestLog restarted(install_.ProgramDir());
    for (const std::string& line : SplitLines(RequestLines(0, kLines))) wantNew.push_back(Probe(restarted).TransformLine(line));
  }
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    install_.WriteProgramFile("iplib.db", "16777216|255|154|1002|0");
    (void)fs::RemoveTree(install_.ProgramDir() + "log");  // not there before the first round
    install_.WriteProgramFile("iis/log/iis.log", RequestLines(0, kLines));
    size_t cut = 0;
    for (int i = 0; i < c.line && i < kLines; ++i) cut += want[static_cast<size_t>(i)].size() + 1;
    cut += c.offset < 0 ? want[static_cast<size_t>(c.line)].size() : static_cast<size_t>(c.offset);
    ASSERT_TRUE(PassInChild(install_.ProgramDir(), {}, [&](const faults::Call& call) {
      if (call.kind != faults::Kind::Write || call.path != daily_) return faults::Fault{};
      // The other writer's line goes in with a plain write, past the table.
      if (c.before) AppendRaw(daily_, kPanel);
      return call.data == whole ? faults::Fault::Exit(static_cast<int64_t>(cut)) : faults::Fault::Fail(EIO);
    }));
    if (c.after) {
      ASSERT_EQ(AppendDailyLogText(daily_, kPanel), 1);
    }
    if (c.library) install_.WriteProgramFile("iplib.db", "16777216|255|81|0|0");
    std::vector<std::string> expected = want;
    if (c.library) std::copy(wantNew.begin() + c.line, wantNew.end(), expected.begin() + c.line);

    CRequestLog restarted(install_.ProgramDir());
    {
      faults::Guard guard;
      bool raced = !c.racing;
      guard.When([&](const faults::Call& call) {
        // As AppendDailyLogText appends after a piece: on a line of its own.
        if (call.kind == faults::Kind::Write && call.path == daily_ && !raced) {
          raced = true;
          AppendRaw(daily_, "\n" + kPanel);
        }
        return faults::Fault{};
      });
      EXPECT_EQ(restarted.ProcessPass(), CRequestLog::kWritten);
    }
    const std::string text = install_.ReadProgramFile("log/qor2026-12-09.log");
    ASSERT_FALSE(text.empty());
    EXPECT_EQ(text.back(), '\n');
    const std::string panelLine = kPanel.substr(0, kPanel.size() - 1);
    // The piece cut by the kill, when the other writer's line came behind it, and the
    // missing bytes, when that line came as they were appended.
    const std::string& cutLine = want[static_cast<size_t>(c.line)];
    const std::string piece = (c.after || c.racing) && c.offset > 0 ? cutLine.substr(0, c.offset) : "";
    const std::string rest = c.racing ? cutLine.substr(c.offset) : "";
    std::vector<std::string> got;
    int panel = 0, pieces = 0;
    for (const std::string& line : SplitLines(text)) {
      if (line.find("panel line") != std::string::npos) {
        ++panel;
        EXPECT_EQ(line, panelLine);
      } else if (!piece.empty() && (line == piece || line == rest)) {
        ++pieces;
      } else {
        got.push_back(line);
      }
    }
    EXPECT_EQ(pieces, piece.empty() ? 0 : c.racing ? 2 : 1);
    int told = 0;
    for (const std::string& line : SplitLines(install_.ReadProgramFile("log/qor.log")))
      told += line.find("请求记录") != std::string::npos;
    EXPECT_EQ(told, piece.empty() ? 0 : 1);
    // Every request line once, whole and in order: the first difference, if any.
    size_t same = 0;
    while (same < got.size() && same < expected.size() && got[same] == expected[same]) ++same;
    EXPECT_EQ(same, expected.size());
    EXPECT_EQ(got.size(), expected.size());
    EXPECT_EQ(panel, (c.before ? 1 : 0) + (c.after ? 1 : 0) + (c.racing ? 1 : 0));
  }
}

// A piece of a line cut by a kill that cannot be completed (the library changed before
// the restart) is cut off; when that cut fails, nothing is appended behind the piece,
// the failure is reported, and a later pass finishes the span.
TEST_F(RequestLogOnce, FailedCutOfAPieceHoldsTheSpan) {
  constexpr int kLines = 50;
  install_.WriteProgramFile("iis/log/iis.log", RequestLines(0, kLines));
  ASSERT_TRUE(PassInChild(install_.ProgramDir(), {}, [&](const faults::Call& c) {
    return c.kind == faults::Kind::Write && c.path == daily_ ? faults::Fault::Exit(250) : faults::Fault{};
  }));
  const std::string piece = install_.ReadProgramFile("log/qor2026-12-09.log");
  ASSERT_EQ(piece.size(), 250u);
  install_.WriteProgramFile("iplib.db", "16777216|255|81|0|0");
  CRequestLog restarted(install_.ProgramDir());
  {
    faults::Guard guard;
    guard.Fail(faults::Kind::Truncate, EIO);
    EXPECT_EQ(restarted.ProcessPass(), CRequestLog::kAppendFailed);
  }
  EXPECT_EQ(install_.ReadProgramFile("log/qor2026-12-09.log"), piece);
  EXPECT_EQ(EventsWithId(kEventRequestLogNotWritten), 1);
  EXPECT_EQ(restarted.ProcessPass(), CRequestLog::kWritten);
  const StringList lines = SplitLines(install_.ReadProgramFile("log/qor2026-12-09.log"));
  ASSERT_EQ(lines.size(), static_cast<size_t>(kLines));
  // The lines that landed whole keep their region; the rest have the new library's.
  const size_t whole = static_cast<size_t>(std::count(piece.begin(), piece.end(), '\n'));
  ASSERT_GT(whole, 0u);
  for (size_t i = 0; i < lines.size(); ++i)
    EXPECT_NE(lines[i].find(i < whole ? "中国-北京市" : "美国-"), std::string::npos) << i << ": " << lines[i];
}

// iis/log is writable by every account: a link put there in the place of the request
// log (or of its work file) is never followed into the world-readable daily log.
TEST_F(RequestLogOnce, LinkInThePlaceOfTheRequestLogIsRefused) {
  const std::string secret = install_.Base() + "secret.txt";
  ASSERT_EQ(fs::WriteFile(secret, "secret line one\nsecret line two\n"), fs::kOk);
  CRequestLog log(install_.ProgramDir());
  for (const std::string& place : {Probe(log).RequestLogPath(), Probe(log).WorkFilePath()}) {
    ASSERT_EQ(::symlink(secret.c_str(), place.c_str()), 0);
    EXPECT_EQ(log.ProcessPass(), CRequestLog::kRefused) << place;
    EXPECT_FALSE(fs::Exists(place));
    struct stat st;
    EXPECT_NE(::lstat(place.c_str(), &st), 0) << "the link stays";
  }
  EXPECT_EQ(install_.ReadProgramFile("log/qor2026-12-09.log"), "");
  std::string kept;
  ASSERT_EQ(fs::ReadFile(secret, kept), fs::kOk);
  EXPECT_EQ(kept, "secret line one\nsecret line two\n");
  EXPECT_EQ(EventsWithId(kEventRequestLogRefused), 2);
  // The filter module's next line is taken as usual.
  install_.WriteProgramFile("iis/log/iis.log", RequestLines(0, 1));
  EXPECT_EQ(log.ProcessPass(), CRequestLog::kWritten);
}

// A writer that keeps the work file open holds the pass only until stop is asked.
TEST_F(RequestLogOnce, StopEndsTheWaitForWriters) {
  install_.WriteProgramFile("iis/log/iis.log.work", RequestLines(0, 10));
  CRequestLog log(install_.ProgramDir());
  int fd = ::open(Probe(log).WorkFilePath().c_str(), O_WRONLY | O_APPEND);
  ASSERT_GE(fd, 0);
  if (fs::OtherOpeners(Probe(log).WorkFilePath()) != fs::Openers::Some) {
    ::close(fd);
    GTEST_SKIP() << "the file system does not tell about open writers";
  }
  platform::StopToken stop;
  stop.RequestStop();
  EXPECT_EQ(log.ProcessPass(&stop), CRequestLog::kStopped);
  ::close(fd);
  EXPECT_EQ(install_.ReadProgramFile("log/qor2026-12-09.log"), "");
  EXPECT_EQ(log.ProcessPass(), CRequestLog::kWritten);
  ExpectEachOnce(10);
}

// The worker killed with SIGKILL at random moments of large passes over lines of any
// length (empty, short, "\r\n"-ended, longer than a block, and 64 bytes, so that a
// write cut at a page boundary ends at a line end), in blocks and spans
// small enough that the kills fall in every part of a pass: after the restarts every
// kept line stands in the daily log once, whole and in order.
TEST_F(RequestLogOnce, RandomKillsDuringLargePassesLoseAndDoubleNothing) {
  const CRequestLogProbe::Sizes sizes{64 * 1024, 256 * 1024};
  std::mt19937 gen(20261209);
  std::uniform_int_distribution<int> percent(0, 99), shortLength(0, 300), longLength(1000, 20000),
      hugeLength(100000, 300000), letter('a', 'z');
  std::string raw;
  for (int i = 0; i < 30000; ++i) {
    const int p = percent(gen);
    const int length = p < 2 ? longLength(gen) : (i % 6000 == 17 ? hugeLength(gen) : shortLength(gen));
    std::string line;
    if (i < 15000) {
      line = "2026-12-9 10:0:0 line " + std::to_string(i) + " ";
      line.resize(63, '.');
      raw += line + "\n";
      continue;
    }
    if (p >= 5) line = "2026-12-9 10:0:0\t区域\t<ipstart>1.0.0." + std::to_string(i % 256) + "<ipend>\t~area~\t";
    line += std::string(static_cast<size_t>(length), static_cast<char>(letter(gen)));
    if (p >= 5) line += "/" + std::to_string(i);
    raw += line + (p == 99 ? "\r\n" : "\n");
  }
  CRequestLog reference(install_.ProgramDir());
  std::string want;
  for (const std::string& line : Probe(reference).TransformBatch(raw)) want += line + "\n";
  install_.WriteProgramFile("iis/log/iis.log", raw);

  int kills = 0;
  for (int round = 0;; ++round) {
    ASSERT_LT(round, 200);
    pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      const auto log = CRequestLogProbe::WithSizes(install_.ProgramDir(), sizes);
      while (log->ProcessPass() != CRequestLog::kIdle) {
      }
      _exit(0);
    }
    // A kill once the daily log has grown by a random step of up to a thirtieth; after
    // 60 kills the pass is let finish.
    std::uniform_int_distribution<int64_t> step(0, static_cast<int64_t>(want.size() / 30));
    const int64_t at = kills < 60 ? std::max<int64_t>(0, fs::FileSize(daily_)) + step(gen) : INT64_MAX;
    int status = 0;
    pid_t ended = 0;
    while ((ended = waitpid(pid, &status, WNOHANG)) == 0 && fs::FileSize(daily_) < at) sched_yield();
    if (ended == 0) {
      ::kill(pid, SIGKILL);
      ASSERT_EQ(waitpid(pid, &status, 0), pid);
    }
    if (WIFEXITED(status)) {
      ASSERT_EQ(WEXITSTATUS(status), 0);
      break;
    }
    ++kills;
  }
  EXPECT_GT(kills, 10);
  const std::string got = install_.ReadProgramFile("log/qor2026-12-09.log");
  size_t same = 0;
  while (same < got.size() && same < want.size() && got[same] == want[same]) ++same;
  EXPECT_EQ(same, want.size()) << "first difference at byte " << same;
  EXPECT_EQ(got.size(), want.size());
  EXPECT_FALSE(fs::Exists(install_.ProgramDir() + "iis/log/iis.log.work"));
  EXPECT_FALSE(fs::Exists(install_.ProgramDir() + "iis/log/iis.log.work.pos"));
}

// Every call of a pass of several blocks and spans (its threads included) fails in turn,
// or ends the process there, with or without part of a write landed first; a restart
// then lands every request line exactly once and in order, and leaves no file behind.
TEST_F(RequestLogOnce, SweepOverEveryCallOfAPass) {

  const CRequestLogProbe::Sizes sizes{4096, 12 * 1024, 8 * 1024};
  const std::string raw = RequestLines(0, 200);
  std::string want;
  {
    CRequestLog reference(install_.ProgramDir());
    for (const std::string& line : Probe(reference).TransformBatch(raw)) want += line + "\n";
  }
  const std::string logDir = install_.ProgramDir() + "log", iisDir = install_.ProgramDir() + "iis/log";
  // The pass swept lets the work file's cached pages go on the way, so the sweep meets
  // that call too.
  {
    install_.WriteProgramFile("iis/log/iis.log", raw);
    const auto log = CRequestLogProbe::WithSizes(install_.ProgramDir(), sizes);
    int advised = 0;
    faults::Guard guard;
    guard.When([&advised](const faults::Call& c) {
      if (c.kind == faults::Kind::Advise) ++advised;
      return faults::Fault{};
    });
    ASSERT_EQ(log->ProcessPass(), CRequestLog::kWritten);
    EXPECT_GT(advised, 0);
  }
  struct Mode {
    const char* name;
    std::function<void(faults::Guard&, uint64_t)> arm;
  } modes[] = {
      {"fail", [](faults::Guard& g, uint64_t n) { g.FailAt(n, EIO); }},
      {"end", [](faults::Guard& g, uint64_t n) { g.ExitAt(n); }},
      {"end in a write", [](faults::Guard& g, uint64_t n) { g.ExitAt(n, /*land=*/1500); }},
  };
  for (const Mode& mode : modes) {
    uint64_t n = 1;
    for (;; ++n) {
      SCOPED_TRACE(std::string(mode.name) + " at call " + std::to_string(n));
      ASSERT_LT(n, 2000u);
      (void)fs::RemoveTree(logDir);  // not there before the first round
      ASSERT_EQ(fs::RemoveTree(iisDir), fs::kOk);
      install_.WriteProgramFile("iis/log/iis.log", raw);
      // The child says whether its pass ran without reaching call n.
      const bool completed = qortest::RunForked(1, [&](int) {
        const auto log = CRequestLogProbe::WithSizes(install_.ProgramDir(), sizes);
        faults::Guard guard;
        mode.arm(guard, n);
        log->ProcessPass();
        return guard.Calls() < n;
      });
      CRequestLog restarted(install_.ProgramDir());
      for (int pass = 0; pass < 5 && restarted.ProcessPass() != CRequestLog::kIdle; ++pass) {
      }
      ASSERT_EQ(install_.ReadProgramFile("log/qor2026-12-09.log"), want);
      std::vector<fs::Entry> left;
      ASSERT_TRUE(fs::List(iisDir, "*", left));
      for (const auto& e : left) ADD_FAILURE() << "left: " << e.name;
      ASSERT_TRUE(fs::List(logDir, "*", left));
      for (const auto& e : left)
        if (e.name != "qor2026-12-09.log") ADD_FAILURE() << "left: " << e.name;
      if (completed) break;
    }
    // The sweep reached every call of a pass of several blocks.
    EXPECT_GT(n, 30u) << mode.name;
  }
}

#include "common/daily_log.h"

#include <errno.h>
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "common/text_file.h"
#include "platform/faults.h"
#include "platform/clock.h"
#include "platform/fs.h"
#include "tests/support/forked.h"
#include "tests/support/temp_install.h"
#include "tests/support/wait.h"

namespace fs = platform::fs;

namespace {
struct FakeClock {
  explicit FakeClock(time_t t) { platform::clock::SetFake(t); }
  ~FakeClock() { platform::clock::ClearFake(); }
};
using FaultGuard = platform::faults::Guard;
using platform::faults::Call;
using platform::faults::Fault;
using platform::faults::Kind;
std::string Read(const std::string& path) {
  std::string text;
  (void)fs::ReadFile(path, text);
  return text;
}
}  // namespace

TEST(DailyLog, NamesAndToday) {
  FakeClock clock(platform::clock::FromLocal(2016, 9, 9, 8, 5, 3));
  EXPECT_EQ(DailyLogFileName(), "qor2016-09-09.log");
  EXPECT_EQ(DailyLogFileName("2026-12-09"), "qor2026-12-09.log");
  EXPECT_EQ(DailyLogPath("/p/log/"), "/p/log/qor2016-09-09.log");
  EXPECT_EQ(GetTodayShortText(), "2016-9-9");
  platform::clock::SetFake(platform::clock::FromLocal(2016, 12, 31, 23, 59, 59));
  EXPECT_EQ(DailyLogFileName(), "qor2016-12-31.log");
  EXPECT_EQ(GetTodayShortText(), "2016-12-31");
}

TEST(DailyLog, AppendsWholeLinesAndMakesTheFolder) {
  qortest::TempInstall inst;
  std::string dir = inst.ProgramDir() + "newlog/";
  std::string path = dir + "qor2016-09-09.log";
  EXPECT_EQ(AppendDailyLog(path, StringList{}), 1);
  EXPECT_FALSE(fs::Exists(dir));
  EXPECT_EQ(AppendDailyLog(path, StringList{"a\tb", "中文"}), 1);
  EXPECT_EQ(AppendDailyLog(path, "third"), 1);
  EXPECT_EQ(Read(path), "a\tb\n中文\nthird\n");
  // A piece that another writer's cut write left at the end stays a line of its own.
  ASSERT_EQ(fs::WriteFile(path, "cut pie", true), fs::kOk);
  EXPECT_EQ(AppendDailyLog(path, "fourth"), 1);
  EXPECT_EQ(Read(path), "a\tb\n中文\nthird\ncut pie\nfourth\n");
  // Nothing but daily logs in the folder: the lock is the file's own.
  std::vector<fs::Entry> entries;
  ASSERT_TRUE(fs::List(dir, "*", entries));
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0].name, "qor2016-09-09.log");
}

TEST(DailyLog, Failures) {
  qortest::TempInstall inst;
  FaultGuard guard;
  // Two missing levels: only one is made, as for the log folder.
  EXPECT_EQ(AppendDailyLog(inst.ProgramDir() + "a/b/qor2016-09-09.log", "x"), 0);
  EXPECT_FALSE(fs::Exists(inst.ProgramDir() + "a"));
  // The log folder is a file.
  inst.WriteProgramFile("flat", "");
  EXPECT_EQ(AppendDailyLog(inst.ProgramDir() + "flat/qor2016-09-09.log", "x"), 0);
  // The day's name is a folder.
  ASSERT_EQ(fs::MakeDir(inst.ProgramDir() + "log/qor2016-09-10.log"), 0);
  EXPECT_EQ(AppendDailyLog(inst.ProgramDir() + "log/qor2016-09-10.log", "x"), 0);
  // A write that falls short.
  std::string path = inst.ProgramDir() + "log/qor2016-09-11.log";
  guard.When([&](const Call& c) { return c.kind == Kind::Write && c.path == path ? Fault::Fail(ENOSPC) : Fault{}; });
  EXPECT_EQ(AppendDailyLog(path, "x"), 0);
  guard.Reset();
  EXPECT_EQ(AppendDailyLog(path, "y"), 1);
  EXPECT_EQ(Read(path), "y\n");
}

// Any account that can read a daily log can lock it; the writers take no lock, so such a
// holder stalls nobody.
TEST(DailyLog, ALockHeldByAnotherStallsNoWriter) {
  qortest::TempInstall inst;
  std::string path = inst.ProgramDir() + "log/qor2016-09-09.log";
  ASSERT_EQ(AppendDailyLog(path, "first"), 1);
  int fd = ::open(path.c_str(), O_RDONLY);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(::flock(fd, LOCK_EX), 0);
  std::atomic<bool> done{false};
  std::thread writer([&] {
    AppendDailyLog(path, "second");
    done = true;
  });
  EXPECT_TRUE(qortest::WaitFor([&] { return done.load(); }, 5000));
  ::flock(fd, LOCK_UN);
  writer.join();
  ::close(fd);
  EXPECT_EQ(Read(path), "first\nsecond\n");
}

// A write that finds the disk full part way leaves no half line behind.
TEST(DailyLog, ShortWriteIsCutBack) {
  qortest::TempInstall inst;
  std::string path = inst.ProgramDir() + "log/qor2016-09-09.log";
  ASSERT_EQ(AppendDailyLog(path, "first"), 1);
  {
    FaultGuard guard;
    guard.When([&](const Call& c) { return c.kind == Kind::Write && c.path == path ? Fault::Fail(ENOSPC, 4) : Fault{}; });
    EXPECT_EQ(AppendDailyLog(path, StringList{"second line", "third line"}), 0);
  }
  EXPECT_EQ(Read(path), "first\n");
}

TEST(DailyLog, TwoProcessesNeverInterleave) {
  qortest::TempInstall inst;
  std::string path = inst.ProgramDir() + "log/qor2016-09-09.log";
  constexpr int kWriters = 2, kBatches = 50;
  EXPECT_TRUE(qortest::RunForked(kWriters, [&](int w) {
    bool ok = true;
    for (int b = 0; b < kBatches; ++b) {
      StringList batch;
      for (int i = 0; i < 20; ++i) batch.push_back(std::string(60, static_cast<char>('a' + w)) + std::to_string(b));
      ok = AppendDailyLog(path, batch) == 1 && ok;
    }
    return ok;
  }));
  StringList lines = SplitLines(Read(path));
  ASSERT_EQ(lines.size(), static_cast<size_t>(kWriters * kBatches * 20));
  // Each batch of 20 lines arrives in one piece.
  for (size_t i = 0; i < lines.size(); i += 20)
    for (size_t j = i; j < i + 20; ++j) EXPECT_EQ(lines[j], lines[i]) << j;
}

TEST(DailyLog, GroupOfALine) {
  struct Case {
    const char* line;
    int group;
  } const cases[] = {
      {"t\t区域\top\tx", 0},
      {"t\tIP\top\tx", 1},
      {"t\tURL\top\tx", 2},
      {"t\t蜘蛛\top\tx", 3},
      {"t\t时间\top\tx", 4},
      {"t\t代理\top\tx", 5},
      {"t\t来路\top\tx", 6},
      {"t\t浏览器\top\tx", 7},
      {"t\tOS\top\tx", 8},
      {"t\t管理\t用户设置\t-\t[保存]x(admin)", 9},
      // The earlier word in the test order wins, wherever it stands.
      {"t\tURL\t区域\tx", 0},
      {"t\tOS\tIP\tx", 1},
      // Markers need both tabs, and the type word is not looked at case-blind.
      {"t\tIPx\top", 9},
      {"IP\tx", 9},
      {"t\tip\tx", 9},
      {"", 9},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(DailyLogLineGroup(c.line), c.group) << c.line;
    EXPECT_EQ(ParseDailyLogLine(c.line).group, c.group) << c.line;
  }
  EXPECT_EQ(DailyLogGroupWord(0), "区域");
  EXPECT_EQ(DailyLogGroupWord(7), "浏览器");
  EXPECT_EQ(DailyLogGroupWord(9), "其他");
  EXPECT_EQ(DailyLogGroupWord(-1), "其他");
  EXPECT_EQ(DailyLogGroupWord(10), "其他");
}

TEST(DailyLog, ParseColumns) {
  struct Case {
    const char* line;
    bool shown;
    const char* time;
    const char* type;
    const char* operation;
    const char* address;
    const char* detail;
  } const cases[] = {
      {"2016-9-9 8:5:3\t管理\t用户设置\t-\t[保存]x(admin)", true, "2016-9-9 8:5:3", "管理", "用户设置",
       "[保存]x(admin)", "-"},
      {"2016-9-9 1:02:03\tIP\t禁止访问\t1.2.3.4\t美国\r", true, "2016-9-9 1:02:03", "IP", "禁止访问", "1.2.3.4",
       "美国"},
      {"2016-9-9 1:02:03\tURL\t-\t禁止访问", false, "", "", "", "", ""},
      // Empty and one-byte pieces take no column; a sixth piece is not a column.
      {"t1\t\tIP\tx\top\tad\tde\tmore", true, "t1", "IP", "op", "ad", "de"},
      {"only one piece", false, "", "", "", "", ""},
  };
  // The writers' layout is what the parser takes apart.
  EXPECT_EQ(FormatDailyLogLine("2016-9-9 8:5:3", "管理", "用户设置", "-", "[保存]x(admin)"),
            std::string(cases[0].line));
  for (const auto& c : cases) {
    DailyLogLine got = ParseDailyLogLine(c.line);
    EXPECT_EQ(got.shown, c.shown) << c.line;
    EXPECT_EQ(got.time, c.time) << c.line;
    EXPECT_EQ(got.type, c.type) << c.line;
    EXPECT_EQ(got.operation, c.operation) << c.line;
    EXPECT_EQ(got.address, c.address) << c.line;
    EXPECT_EQ(got.detail, c.detail) << c.line;
  }
}

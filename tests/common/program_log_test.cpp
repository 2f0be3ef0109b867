#include "common/program_log.h"

#include <gtest/gtest.h>

#include "common/text_file.h"
#include "platform/clock.h"
#include "platform/fs.h"
#include "tests/support/temp_install.h"

namespace fs = platform::fs;

namespace {

struct FakeClockScope {
  explicit FakeClockScope(time_t t) { platform::clock::SetFake(t); }
  ~FakeClockScope() { platform::clock::ClearFake(); }
};

std::string LogText(const qortest::TempInstall& inst) { return inst.ReadProgramFile("log/qor.log"); }

int Entries(const std::string& text) { return static_cast<int>(SplitLines(text).size()); }

}  // namespace

TEST(ServiceLog, EntryIsBracketedUnpaddedTimeTabAndMessage) {
  qortest::TempInstall inst;
  FakeClockScope clock(platform::clock::FromLocal(2016, 9, 9, 7, 4, 9));
  CLog log(Build::Service);
  EXPECT_EQ(log.LogPath(), inst.ProgramDir() + "log/qor.log");
  EXPECT_EQ(log.Write("主服务启动！", true), 1);
  EXPECT_EQ(log.Write("no break", false), 1);
  EXPECT_EQ(LogText(inst), "[2016-9-9 7:4:9]\t主服务启动！\n[2016-9-9 7:4:9]\tno break");
}

TEST(ServiceLog, RepeatedMessageIsWrittenOnce) {
  struct Case {
    std::vector<std::string> messages;
    int entries;
  };
  const Case cases[] = {
      {{"A", "A"}, 1},
      {{"A", "B", "A"}, 3},
      {{"A", "A", "B", "B", "A"}, 3},
      // Case-sensitive: these differ.
      {{"a", "A"}, 2},
  };
  for (const auto& c : cases) {
    qortest::TempInstall inst;
    CLog log(Build::Service);
    for (const auto& m : c.messages) EXPECT_EQ(log.Write(m, true), 1);
    EXPECT_EQ(Entries(LogText(inst)), c.entries) << c.messages.size();
  }
}

TEST(ServiceLog, OversizedLogRestartsWithTheNextEntry) {
  struct Case {
    size_t size;
    bool restarts;
  };
  for (const Case c : {Case{CLog::kMaxServiceLogBytes, false}, Case{CLog::kMaxServiceLogBytes + 1, true}}) {
    qortest::TempInstall inst;
    inst.WriteProgramFile("log/qor.log", std::string(c.size, 'x'));
    CLog log(Build::Service);
    EXPECT_EQ(log.Write("next", true), 1);
    const std::string text = LogText(inst);
    if (c.restarts) {
      EXPECT_EQ(Entries(text), 1);
      EXPECT_NE(text.find("]\tnext\n"), std::string::npos);
    } else {
      EXPECT_EQ(text.substr(0, c.size), std::string(c.size, 'x'));
      EXPECT_GT(text.size(), c.size);
    }
  }
}

TEST(ServiceLog, RepeatStillRestartsAnOversizedLog) {
  qortest::TempInstall inst;
  CLog log(Build::Service);
  ASSERT_EQ(log.Write("same", true), 1);
  inst.WriteProgramFile("log/qor.log", std::string(CLog::kMaxServiceLogBytes + 1, 'x'));
  EXPECT_EQ(log.Write("same", true), 1);
  EXPECT_FALSE(fs::Exists(inst.ProgramDir() + "log/qor.log"));
}

TEST(ServiceLog, TrayBuildHasNoSizeLimit) {
  qortest::TempInstall inst;
  inst.WriteProgramFile("log/qor.log", std::string(CLog::kMaxServiceLogBytes + 1, 'x'));
  CLog log(Build::Tray);
  EXPECT_EQ(log.Write("next", true), 1);
  EXPECT_GT(LogText(inst).size(), CLog::kMaxServiceLogBytes + 1);
}

TEST(ServiceLog, MissingLogFolderLosesTheEntry) {
  qortest::TempInstall inst;
  ASSERT_EQ(fs::RemoveTree(inst.ProgramDir() + "log"), fs::kOk);
  CLog log(Build::Service);
  EXPECT_EQ(log.Write("lost", true), 0);
  EXPECT_FALSE(fs::Exists(inst.ProgramDir() + "log"));
}

TEST(ServiceLog, ProgramFolderGetsItsSlash) {
  CLog log(Build::Service, "/opt/qor");
  EXPECT_EQ(log.LogPath(), "/opt/qor/log/qor.log");
}

#include <errno.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include "platform/clock.h"
#include "platform/faults.h"
#include "platform/fs.h"
#include "service/request_log.h"
#include "tests/service/request_log_probe.h"
#include "tests/support/temp_install.h"

namespace fs = platform::fs;
namespace faults = platform::faults;
using faults::Call;
using faults::Fault;
using faults::Kind;

namespace {

class RequestLogPass : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::clock::SetFake(platform::clock::FromLocal(2026, 12, 9, 10, 0, 0));
    install_.WriteProgramFile("iplib.db", "16777216|255|154|1002|0");
    log_ = std::make_unique<CRequestLog>(install_.ProgramDir());
  }
  void TearDown() override { platform::clock::ClearFake(); }

  void WriteRequestLog(const std::string& text) { install_.WriteProgramFile("iis/log/iis.log", text); }
  std::string Daily(const std::string& date = "2026-12-09") {
    return install_.ReadProgramFile("log/qor" + date + ".log");
  }
  bool RequestLogExists() { return fs::Exists(Probe(*log_).RequestLogPath()); }
  bool WorkFileExists() { return fs::Exists(Probe(*log_).WorkFilePath()); }

  qortest::TempInstall install_;
  std::unique_ptr<CRequestLog> log_;
};

// Appends with a plain write, as another process would (the fault hook holds a lock
// that the file layer would take again).
void AppendRaw(const std::string& path, const std::string& text) {
  int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT, 0644);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(::write(fd, text.data(), text.size()), static_cast<ssize_t>(text.size()));
  ::close(fd);
}

}  // namespace

TEST_F(RequestLogPass, NothingToDo) {
  EXPECT_EQ(log_->ProcessPass(), CRequestLog::kIdle);
  EXPECT_FALSE(fs::Exists(install_.ProgramDir() + "log/qor2026-12-09.log"));
}

TEST_F(RequestLogPass, BatchLandsInTheDailyLogAndTheFileGoes) {
  WriteRequestLog("a\t<ipstart>1.0.0.1<ipend>\t~area~\r\nxy\nsecond line\n");
  int64_t before = platform::clock::NowMs();
  EXPECT_EQ(log_->ProcessPass(), CRequestLog::kWritten);
  EXPECT_EQ(Daily(), "a\t1.0.0.1\t中国-北京市\nsecond line\n");
  EXPECT_FALSE(RequestLogExists());
  EXPECT_FALSE(WorkFileExists());
  // The writer was given its 2 s before the file was taken.
  EXPECT_GE(platform::clock::NowMs() - before, CRequestLog::kSettleWaitMs);
}

TEST_F(RequestLogPass, BatchesOfTenAndElevenBytes) {
  struct Case {
    std::string content;
    int result;
    std::string daily;
  } cases[] = {
      {"abcdefghij\n", CRequestLog::kLeftInPlace, ""},
      {"abcd\nabcdefghij\nxyz\n", CRequestLog::kLeftInPlace, ""},
      {"abcde\nfghij\n", CRequestLog::kWritten, "abcde\nfghij\n"},
      {"abcdefghijk", CRequestLog::kWritten, "abcdefghijk\n"},
  };
  for (const auto& c : cases) {
    qortest::TempInstall install;
    CRequestLog log(install.ProgramDir());
    install.WriteProgramFile("iis/log/iis.log", c.content);
    EXPECT_EQ(log.ProcessPass(), c.result) << c.content;
    EXPECT_EQ(install.ReadProgramFile("log/qor2026-12-09.log"), c.daily) << c.content;
    bool left = c.result == CRequestLog::kLeftInPlace;
    EXPECT_FALSE(fs::Exists(Probe(log).WorkFilePath())) << c.content;
    EXPECT_EQ(fs::Exists(Probe(log).RequestLogPath()), left) << c.content;
    // A small batch stays where it is, pass after pass.
    if (left) {
      EXPECT_EQ(log.ProcessPass(), CRequestLog::kLeftInPlace);
      EXPECT_EQ(install.ReadProgramFile("iis/log/iis.log"), c.content);
    }
  }
}

TEST_F(RequestLogPass, SmallBatchWaitsAndKeepsTheOrder) {
  WriteRequestLog("abcdefg\n");
  ASSERT_EQ(log_->ProcessPass(), CRequestLog::kLeftInPlace);
  AppendRaw(Probe(*log_).RequestLogPath(), "hijklmn\n");
  EXPECT_EQ(log_->ProcessPass(), CRequestLog::kWritten);
  EXPECT_EQ(Daily(), "abcdefg\nhijklmn\n");
  EXPECT_FALSE(RequestLogExists());
  EXPECT_FALSE(WorkFileExists());
}

TEST_F(RequestLogPass, TwoBatchesStandOnSeparateLines) {
  WriteRequestLog("first batch");
  ASSERT_EQ(log_->ProcessPass(), CRequestLog::kWritten);
  WriteRequestLog("second batch");
  ASSERT_EQ(log_->ProcessPass(), CRequestLog::kWritten);
  EXPECT_EQ(Daily(), "first batch\nsecond batch\n");
}

TEST_F(RequestLogPass, BatchAfterMidnightGoesToTheNewDay) {
  platform::clock::SetFake(platform::clock::FromLocal(2026, 12, 9, 23, 59, 50));
  WriteRequestLog("2026-12-9 23:59:49\tlate request\n");
  ASSERT_EQ(log_->ProcessPass(), CRequestLog::kWritten);
  platform::clock::SetFake(platform::clock::FromLocal(2026, 12, 9, 23, 59, 59));
  WriteRequestLog("2026-12-9 23:59:58\tlater request\n");
  ASSERT_EQ(log_->ProcessPass(), CRequestLog::kWritten);
  EXPECT_EQ(Daily("2026-12-09"), "2026-12-9 23:59:49\tlate request\n");
  EXPECT_EQ(Daily("2026-12-10"), "2026-12-9 23:59:58\tlater request\n");
}

TEST_F(RequestLogPass, MissingLogFolderIsCreated) {
  ASSERT_EQ(fs::RemoveTree(install_.ProgramDir() + "log"), fs::kOk);
  WriteRequestLog("one request line\n");
  EXPECT_EQ(log_->ProcessPass(), CRequestLog::kWritten);
  EXPECT_EQ(Daily(), "one request line\n");
}

TEST_F(RequestLogPass, RefusedAppendKeepsTheBatchAndWritesItOnce) {
  for (Kind failing : {Kind::Open, Kind::Write}) {
    const std::string daily = install_.ProgramDir() + "log/qor2026-12-09.log";
    (void)fs::RemoveTree(install_.ProgramDir() + "log");  // not there in the first round
    WriteRequestLog("request line one\nrequest line two\n");
    {
      faults::Guard guard;
      guard.When([&](const Call& c) { return c.kind == failing && c.path == daily ? Fault::Fail(ENOSPC) : Fault{}; });
      EXPECT_EQ(log_->ProcessPass(), CRequestLog::kAppendFailed);
    }
    EXPECT_TRUE(WorkFileExists());
    EXPECT_EQ(Daily(), "");
    EXPECT_EQ(log_->ProcessPass(), CRequestLog::kWritten);
    EXPECT_EQ(Daily(), "request line one\nrequest line two\n");
    EXPECT_FALSE(WorkFileExists());
  }
}

TEST_F(RequestLogPass, UnreadableFileStaysForALaterPass) {
  WriteRequestLog("request line one\n");
  const std::string work = Probe(*log_).WorkFilePath();
  {
    faults::Guard guard;
    guard.When([&](const Call& c) { return c.OpensForReading() && c.path == work ? Fault::Fail(EACCES) : Fault{}; });
    EXPECT_EQ(log_->ProcessPass(), CRequestLog::kReadFailed);
  }
  EXPECT_TRUE(WorkFileExists());
  EXPECT_EQ(log_->ProcessPass(), CRequestLog::kWritten);
  EXPECT_EQ(Daily(), "request line one\n");
}

TEST_F(RequestLogPass, FailedRenameLeavesTheRequestLog) {
  WriteRequestLog("request line one\n");
  {
    faults::Guard guard;
    guard.Fail(Kind::Rename, EACCES);
    EXPECT_EQ(log_->ProcessPass(), CRequestLog::kHandOffFailed);
  }
  EXPECT_TRUE(RequestLogExists());
  EXPECT_FALSE(WorkFileExists());
  EXPECT_EQ(log_->ProcessPass(), CRequestLog::kWritten);
}

TEST_F(RequestLogPass, LeftoverWorkFileGoesFirst) {
  install_.WriteProgramFile("iis/log/iis.log.work", "left by a crash\n");
  WriteRequestLog("written after the start\n");
  EXPECT_EQ(log_->ProcessPass(), CRequestLog::kWritten);
  EXPECT_EQ(Daily(), "left by a crash\n");
  EXPECT_TRUE(RequestLogExists());
  EXPECT_EQ(log_->ProcessPass(), CRequestLog::kWritten);
  EXPECT_EQ(Daily(), "left by a crash\nwritten after the start\n");
}

TEST_F(RequestLogPass, StopBeforeTheHandOffTouchesNothing) {
  WriteRequestLog("request line one\n");
  platform::StopToken stop;
  stop.RequestStop();
  EXPECT_EQ(log_->ProcessPass(&stop), CRequestLog::kStopped);
  EXPECT_TRUE(RequestLogExists());
  EXPECT_FALSE(WorkFileExists());
  EXPECT_EQ(Daily(), "");
}

TEST_F(RequestLogPass, LinesOfALateWriterAreTakenBeforeTheFileGoes) {
  WriteRequestLog("early request\n");
  const std::string work = Probe(*log_).WorkFilePath();
  const std::string daily = install_.ProgramDir() + "log/qor2026-12-09.log";
  int appends = 0;
  // A writer that opened iis.log before the rename adds its line while the batch
  // read before goes to the daily log.
  faults::Guard guard;
  guard.When([&](const Call& c) {
    if (c.kind == Kind::Open && !c.OpensForReading() && c.path == daily && ++appends == 1) AppendRaw(work, "late request\n");
    return Fault{};
  });
  EXPECT_EQ(log_->ProcessPass(), CRequestLog::kWritten);
  EXPECT_EQ(Daily(), "early request\nlate request\n");
  EXPECT_FALSE(WorkFileExists());
}

TEST_F(RequestLogPass, UnfinishedLastLineIsGivenTimeToEnd) {
  const std::string work = Probe(*log_).WorkFilePath();
  WriteRequestLog("early request\nhalf of a ");
  int reads = 0;
  faults::Guard guard;
  guard.When([&](const Call& c) {
    if (c.OpensForReading() && c.path == work && ++reads == 2) AppendRaw(work, "line\n");
    return Fault{};
  });
  EXPECT_EQ(log_->ProcessPass(), CRequestLog::kWritten);
  EXPECT_EQ(Daily(), "early request\nhalf of a line\n");
}

TEST_F(RequestLogPass, LastLineWithoutEndStillCounts) {
  WriteRequestLog("early request\nlast one");
  EXPECT_EQ(log_->ProcessPass(), CRequestLog::kWritten);
  EXPECT_EQ(Daily(), "early request\nlast one\n");
}

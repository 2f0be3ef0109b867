#include "service/thread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <mutex>
#include <thread>
#include <vector>

#include "common/config.h"
#include "common/ini_reader.h"
#include "platform/clock.h"
#include "platform/faults.h"
#include "platform/fs.h"
#include "platform/instance.h"
#include "service/global.h"
#include "common/program_log.h"
#include "platform/ipc_files.h"
#include "tests/support/other_account.h"
#include "tests/support/temp_install.h"
#include "tests/support/update_server.h"
#include "tests/support/wait.h"

namespace fs = platform::fs;

namespace {

// Polls cond every 10 ms for at most 10 s of real time.
using qortest::WaitFor;

// A program folder with a store and settings, the service's objects on it, and the
// statuses the workers pass on. The fake clock makes every worker wait instant.
class ThreadFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    // Nothing may leave the machine: the update attempts go to a closed local port.
    setenv("QOR_UPDATE_URL", "http://127.0.0.1:9", 1);
    inst.WriteMachineIni();
    platform::clock::SetFake(platform::clock::FromLocal(2026, 12, 9, 10, 0, 0));
    ASSERT_EQ(panel.Load(), 1);
    global.SetStatusSenderForTests([this](int code, const std::string& text) {
      std::lock_guard<std::mutex> lock(mutex);
      sent.push_back({code, text});
      return true;
    });
  }
  void TearDown() override {
    stop.RequestStop();
    thread.WaitForWorkers(60000, 100, nullptr);
    platform::clock::ClearFake();
    unsetenv("QOR_UPDATE_URL");
  }

  void SaveSwitch(const char* value) {
    panel.SetSystem(value);
    ASSERT_EQ(panel.Save(), 1);
  }
  void WriteWord8() { inst.WriteProgramFile("iis/config.ini", "[System]\nWord8=1\n"); }
  bool Sent(int code) {
    std::lock_guard<std::mutex> lock(mutex);
    for (const auto& s : sent)
      if (s.first == code && s.second.empty()) return true;
    return false;
  }
  size_t SentCount() {
    std::lock_guard<std::mutex> lock(mutex);
    return sent.size();
  }
  bool Gone(const std::string& relative) { return !fs::Exists(inst.ProgramDir() + relative); }
  // Every daily log: the fake clock runs days ahead while the update worker waits.
  std::string DailyLogs() {
    std::vector<fs::Entry> found;
    EXPECT_TRUE(fs::List(inst.ProgramDir() + "log", "qor2*.log", found));
    std::string all;
    for (const auto& e : found) all += inst.ReadProgramFile("log/" + e.name);
    return all;
  }

  qortest::TempInstall inst;
  CConfig panel{Build::Panel};
  CConfig config{Build::Service};
  CGlobal global;
  CLog log{Build::Service};
  CIniReader ini{Build::Service};
  CThread thread{global, config, ini, log};
  platform::StopToken stop;
  std::mutex mutex;
  std::vector<std::pair<int, std::string>> sent;
};

}  // namespace

TEST_F(ThreadFixture, StatusFollowsTheStoreThroughTheChangeStamp) {
  SaveSwitch("1");
  ASSERT_EQ(config.Load(), 1);
  WriteWord8();
  ASSERT_EQ(thread.Start(stop), 1);
  EXPECT_NE(inst.ReadProgramFile("log/qor.log").find("]\t主服务启动！\n"), std::string::npos);

  ASSERT_TRUE(WaitFor([&] { return Sent(1) && Gone("iis/apply.db"); }));
  EXPECT_EQ(global.SystemSwitch(), 1);

  SaveSwitch("0");
  // The update worker reloads the store too, so the status may come before the stamp goes.
  ASSERT_TRUE(WaitFor([&] { return Sent(3) && Gone("iis/apply.db"); }));
  EXPECT_EQ(global.SystemSwitch(), 0);
  // One message per change, not one per pass.
  EXPECT_EQ(SentCount(), 2u);

  stop.RequestStop();
  EXPECT_TRUE(thread.WaitForWorkers(60000, 100, nullptr));
  EXPECT_TRUE(thread.WorkersEnded());
}

TEST_F(ThreadFixture, AStampThatCannotGoIsLoggedOnceAndStillReloads) {
  namespace faults = platform::faults;
  std::atomic<int> refused{0};
  faults::Guard guard;
  guard.When([&](const faults::Call& c) {
    if (c.kind != faults::Kind::Unlink || !c.path.ends_with("iis/apply.db")) return faults::Fault{};
    ++refused;
    return faults::Fault::Fail(EACCES);
  });
  SaveSwitch("1");
  WriteWord8();
  ASSERT_EQ(thread.Start(stop), 1);
  // Every pass meets the stamp again and reloads.
  ASSERT_TRUE(WaitFor([&] { return Sent(1) && refused >= 3; }));
  const std::string logged = inst.ReadProgramFile("log/qor.log");
  const std::string line = "]删除失败：5 (Permission denied)\n";
  const size_t at = logged.find(line);
  ASSERT_NE(at, std::string::npos) << logged;
  EXPECT_EQ(logged.find(line, at + 1), std::string::npos) << "told once, not every pass";
  EXPECT_NE(logged.find("配置变更标记[" + inst.ProgramDir() + "iis/apply.db]"), std::string::npos);

  guard.Reset();
  ASSERT_TRUE(WaitFor([&] { return Gone("iis/apply.db"); }));
  stop.RequestStop();
  EXPECT_TRUE(thread.WaitForWorkers(60000, 100, nullptr));
}

TEST_F(ThreadFixture, MissingWord8DelaysTheWorkersElevenTimesTwoSeconds) {
  SaveSwitch("1");
  ASSERT_EQ(config.Load(), 1);
  const int64_t before = platform::clock::NowMs();
  ASSERT_EQ(thread.Start(stop), 1);
  EXPECT_GE(platform::clock::NowMs() - before, CThread::kWord8Reads * CThread::kWord8WaitMs);
  EXPECT_TRUE(WaitFor([&] { return Sent(1); }));
  // Told once what it waits for, not at every read.
  const std::string logged = inst.ReadProgramFile("log/qor.log");
  const std::string waits = "设置文件[" + inst.ProgramDir() + "iis/config.ini]中没有[System]Word8";
  ASSERT_NE(logged.find(waits), std::string::npos) << logged;
  EXPECT_EQ(logged.find(waits, logged.find(waits) + 1), std::string::npos) << logged;
}

TEST_F(ThreadFixture, StopBeforeStartStartsNoWorker) {
  WriteWord8();
  stop.RequestStop();
  EXPECT_EQ(thread.Start(stop), 0);
  EXPECT_TRUE(thread.WorkersEnded());
  EXPECT_TRUE(thread.WaitForWorkers(1000, 100, nullptr));
  EXPECT_EQ(SentCount(), 0u);
}

TEST_F(ThreadFixture, SecondHolderOfTheRequestLogWaitsForTheLock) {
  namespace inst_lock = platform::instance;
  // Another service process holds the request log.
  ASSERT_EQ(inst_lock::ClaimInstance(CThread::kLogWorkerLockName, inst_lock::Scope::SystemOnly),
            inst_lock::Claim::Acquired);
  SaveSwitch("1");
  ASSERT_EQ(config.Load(), 1);
  WriteWord8();
  const std::string line = "2026-12-9 10:0:0\tIP\tdeny\t<ipstart>10.1.2.3<ipend>\t~area~";
  inst.WriteProgramFile("iis/log/iis.log", line + "\n");
  ASSERT_EQ(thread.Start(stop), 1);
  // Two stamps consumed one after the other: a whole pass ran with iis.log present.
  ASSERT_TRUE(WaitFor([&] { return Gone("iis/apply.db"); }));
  SaveSwitch("1");
  ASSERT_TRUE(WaitFor([&] { return Gone("iis/apply.db"); }));
  EXPECT_FALSE(Gone("iis/log/iis.log"));
  EXPECT_EQ(DailyLogs(), "");

  inst_lock::ReleaseInstance(CThread::kLogWorkerLockName);
  ASSERT_TRUE(WaitFor([&] { return !DailyLogs().empty(); }));
  EXPECT_NE(DailyLogs().find("\t10.1.2.3\t-\n"), std::string::npos) << DailyLogs();
  EXPECT_TRUE(Gone("iis/log/iis.log"));
}

TEST_F(ThreadFixture, AnotherAccountHoldingTheSharedNameDoesNotStopTheRequestLog) {
  if (!qortest::CanSwitchAccounts()) GTEST_SKIP() << "needs root to act as another account";
  qortest::OpenWayFor(inst.MachineRoot() + "ipc/x");
  // Another account makes the worker's name in the shared folder and holds it.
  qortest::HeldByNobody squatter;
  ASSERT_TRUE(squatter.Hold(platform::ipc::Folder() + "qoripsvclogworker.lock", true));
  SaveSwitch("1");
  ASSERT_EQ(config.Load(), 1);
  WriteWord8();
  inst.WriteProgramFile("iis/log/iis.log", "2026-12-9 10:0:0\tIP\tdeny\t<ipstart>10.1.2.3<ipend>\t~area~\n");
  ASSERT_EQ(thread.Start(stop), 1);
  ASSERT_TRUE(WaitFor([&] { return !DailyLogs().empty(); }));
  EXPECT_TRUE(Gone("iis/log/iis.log"));
}

// An endpoint that holds the update up: a stop ends the attempt at once, whatever the
// transfer is doing.
TEST_F(ThreadFixture, AStopEndsAnUpdateTheEndpointHoldsUp) {
  const std::string lib = inst.Base() + "served.txt";
  ASSERT_EQ(fs::WriteFile(lib, "16777216|255|1|0|0" + std::string(200, '*')), fs::kOk);
  SaveSwitch("1");
  WriteWord8();
  for (const char* mode : {"silent", "trickle"}) {
    CThread worker{global, config, ini, log};
    platform::StopToken halt;
    bool asked = false, ended = false;
    {
      qortest::UpdateServer server(inst, {"--iplib", lib, "--stall", mode});
      const std::string base = server.Base();
      ASSERT_FALSE(base.empty()) << mode;
      setenv("QOR_UPDATE_URL", base.c_str(), 1);
      ASSERT_EQ(worker.Start(halt), 1);
      asked = WaitFor([&] { return !server.Requests().empty(); });
      halt.RequestStop();
      // Far inside the transfer's own bound and the time the server takes.
      ended = WaitFor([&] { return worker.WorkersEnded(); }, 10000);
    }
    EXPECT_TRUE(asked) << mode;
    EXPECT_TRUE(ended) << mode;
    // With the server gone any transfer ends; nothing outlives the case.
    EXPECT_TRUE(WaitFor([&] { return worker.WorkersEnded(); }, 60000));
    EXPECT_TRUE(worker.WaitForWorkers(1000, 100, nullptr));
  }
}

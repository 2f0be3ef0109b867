// What saves leave behind in folders that the uninstall must be able to remove.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "common/coding.h"
#include "common/config.h"
#include "common/daily_log.h"
#include "common/ini_reader.h"
#include "common/op_log.h"
#include "common/program_paths.h"
#include "common/update_endpoint.h"
#include "platform/faults.h"
#include "platform/fs.h"
#include "platform/paths.h"
#include "service/iplib_update.h"
#include "tests/support/forked.h"
#include "tests/support/temp_install.h"
#include "tests/support/update_server.h"

namespace fs = platform::fs;

namespace {

// The files of a folder, sorted.
std::vector<std::string> Names(const std::string& dir) {
  std::vector<fs::Entry> entries;
  if (!fs::List(dir, "*", entries)) return {};
  std::vector<std::string> names;
  for (const auto& e : entries)
    if (!e.isDir) names.push_back(e.name);
  return names;
}

}  // namespace

TEST(Leftovers, ALaterSaveRemovesWhatAKilledSaveLeft) {
  qortest::TempInstall inst;
  inst.WriteMachineIni();
  const std::string iis = inst.ProgramDir() + "iis/";
  CConfig config;
  config.SetModuleDir(inst.ProgramDir());
  config.SetPath(iis + "config.db");
  config.SetKey(5287);
  ASSERT_EQ(fs::WriteFile(iis + "config.db", ""), fs::kOk);
  config.Load();
  config.SetSystem("1");
  // A save that was killed between writing its temporary file and the rename.
  pid_t killed = fork();
  if (killed == 0) {
    platform::faults::Guard faults;
    faults.When([](const platform::faults::Call& c) {
      return c.kind == platform::faults::Kind::Rename ? platform::faults::Fault::Exit() : platform::faults::Fault{};
    });
    (void)config.Save();  // ended at the rename
    _exit(0);
  }
  int status = 0;
  waitpid(killed, &status, 0);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == platform::faults::kExitStatus);
  const auto before = Names(iis);
  ASSERT_EQ(before.size(), 2u) << testing::PrintToString(before);  // config.db and the leftover
  EXPECT_EQ(before[1].rfind("config.db.tmp" + std::to_string(killed) + "_", 0), 0u) << before[1];

  ASSERT_EQ(config.Save(), 1);
  EXPECT_EQ(Names(iis), (std::vector<std::string>{"apply.db", "config.db"}));
}

TEST(Leftovers, SettingsWritesLeaveNoLockFile) {
  qortest::TempInstall inst;
  CIniReader ini(Build::Panel);
  ASSERT_EQ(ini.SetWord30("2026-12-09 08:00:00"), 1);
  CIniReader record(Build::Panel);
  record.SetPath(platform::SystemDir() + "qorip.db");
  record.WriteValue("1.3.2", "version", "qor");
  EXPECT_EQ(Names(inst.ProgramDir() + "iis"), (std::vector<std::string>{"config.ini"}));
  EXPECT_EQ(Names(platform::SystemDir()), (std::vector<std::string>{"qorip.db"}));
  // So the folder goes with its files.
  ASSERT_EQ(fs::DeleteFile(inst.ProgramDir() + "iis/config.ini"), fs::kOk);
  ASSERT_EQ(fs::RemoveDir(inst.ProgramDir() + "iis/log"), fs::kOk);
  EXPECT_EQ(fs::RemoveDir(inst.ProgramDir() + "iis"), fs::kOk);
}

// Every write of the store, the settings, the IP library and the operation log, failed
// or ended at each of its file calls in turn: N = 1, 2, ... until the operation ends
// without reaching call N. After each: the files are the old or the new ones and whole,
// nothing is set aside, no temporary file stays (after a restart where the call ended
// the process), and an operation whose change did not land said it failed.
namespace {

using platform::faults::Call;
using platform::faults::Guard;
using platform::faults::Kind;

constexpr uint32_t kSweepKey = 5287;
constexpr const char* kOldStamp = "old stamp";
constexpr const char* kOldTime = "2026-1-1 0:0:0";
constexpr const char* kNewTime = "2026-12-9 8:0:0";

bool FileCall(const Call& c) { return c.IsFileCall(); }

std::string Read(const std::string& path) {
  std::string data;
  if (fs::ReadFile(path, data) != fs::kOk) return "<missing>";
  return data;
}

// Temporary files and copies set aside in dir. (A lock file a killed writer left goes
// with the next write; it holds no data and blocks nobody.)
std::vector<std::string> Temporaries(const std::string& dir) {
  std::vector<std::string> left;
  for (const auto& name : Names(dir))
    if (name.find(".tmp") != std::string::npos || name.find(".bad") != std::string::npos) left.push_back(name);
  return left;
}

// A library the table reads, of more than 100 bytes.
std::string Library() {
  std::string text = "16777216|255|1|0|0";
  text.resize(120, '*');
  return text;
}

struct Operation {
  const char* name;
  std::vector<std::string> dirs;  // where nothing temporary may stay
  std::function<void()> prepare;  // the old state
  // In the child: readies the operation (unfaulted) and gives it back; it answers
  // whether it reported success.
  std::function<std::function<bool()>()> start;
  // Whole and old or new; true when new. Failures are the test's.
  std::function<bool(const std::string& when)> check;
  // A reported failure leaves the old state (false: the change may have landed all the same).
  bool allOrNothing = true;
};

enum class Mode { Fail, CutShort, Exit };

void Arm(Guard& g, Mode mode, uint64_t n) {
  g.Only(FileCall);
  switch (mode) {
    case Mode::Fail: g.FailAt(n, EIO); break;
    case Mode::CutShort: g.FailAt(n, ENOSPC, /*land=*/1); break;
    case Mode::Exit: g.ExitAt(n); break;
  }
}

// The operation in a fresh process: "<1 or 0> <calls counted>".
qortest::ChildRun RunOnce(const Operation& op, Mode mode, uint64_t n) {
  return qortest::RunInChild([&] {
    std::function<bool()> run = op.start();
    Guard g;
    if (n > 0) Arm(g, mode, n);
    const bool ok = run();
    return std::string(ok ? "1 " : "0 ") + std::to_string(g.Calls());
  });
}

void Sweep(const Operation& op, Mode mode) {
  const char* modeName[] = {"fail", "cut short", "exit"};
  for (uint64_t n = 1; n < 200; ++n) {
    const std::string when = std::string(op.name) + ", " + modeName[int(mode)] + " at call " + std::to_string(n);
    op.prepare();
    const qortest::ChildRun run = RunOnce(op, mode, n);
    if (run.returned) {
      const bool reported = run.result[0] == '1';
      const uint64_t calls = std::stoull(run.result.substr(2));
      const bool isNew = op.check(when);
      if (calls < n) {
        EXPECT_TRUE(reported && isNew) << when << ": unfaulted run";
        EXPECT_GT(n, 1u) << when << ": no file call counted";
        return;
      }
      EXPECT_TRUE(isNew || !reported) << when << ": reported done, but the change is not there";
      EXPECT_TRUE(!isNew || reported || !op.allOrNothing) << when << ": reported failed, but the change is there";
    } else {
      ASSERT_EQ(run.exitStatus, platform::faults::kExitStatus) << when << ": the child ended otherwise";
      op.check(when + " (ended)");
      // The restart: the same operation again, unfaulted.
      // (It may find nothing left to do: an update that already landed is refused.)
      const qortest::ChildRun again = RunOnce(op, mode, 0);
      ASSERT_TRUE(again.returned) << when;
      EXPECT_TRUE(op.check(when + ", restarted")) << when;
    }
    for (const auto& dir : op.dirs)
      EXPECT_TRUE(Temporaries(dir).empty()) << when << ": " << testing::PrintToString(Temporaries(dir));
  }
  ADD_FAILURE() << op.name << ": never completed";
}

}  // namespace

TEST(Leftovers, EveryFileCallOfEveryWriteFailedOrEnded) {
  qortest::TempInstall inst;
  inst.WriteMachineIni();
  const std::string dir = inst.ProgramDir();
  const std::string iis = dir + "iis/", store = iis + "config.db", stamp = iis + "apply.db";
  const std::string settings = iis + "config.ini", library = dir + "iplib.db", logDir = dir + "log/";
  ASSERT_EQ(fs::MakeDirs(logDir), fs::kOk);
  const auto clean = [&](const std::string& folder) {
    for (const auto& name : Names(folder))
      if (name.find(".tmp") != std::string::npos || name.find(".bad") != std::string::npos ||
          name.find(".lock") != std::string::npos)
        (void)fs::DeleteFile(folder + name);
  };

  CConfig writer(Build::Service);
  writer.SetKey(kSweepKey);
  writer.SetModuleDir(dir);
  const Operation storeSave{
      "store save",
      {iis},
      [&] {
        clean(iis);
        writer.SetText("<KeySystem>1</KeySystem><KeyLogOn>1</KeyLogOn><0>");
        ASSERT_EQ(fs::ReplaceFile(store, EncodeText(kSweepKey, writer.GetText())), fs::kOk);
        ASSERT_EQ(fs::WriteFile(stamp, kOldStamp), fs::kOk);
      },
      [&]() -> std::function<bool()> {
        auto config = std::make_shared<CConfig>(Build::Service);
        config->SetKey(kSweepKey);
        config->SetModuleDir(dir);
        if (config->Load() != 1) return [] { return false; };
        config->SetSystem("0");
        return [config] { return config->Save() == 1; };
      },
      [&](const std::string& when) {
        CConfig reader(Build::Service);
        reader.SetKey(kSweepKey);
        reader.SetModuleDir(dir);
        EXPECT_EQ(reader.Load(), 1) << when;
        EXPECT_FALSE(reader.IsRecovered()) << when << ": set aside";
        const std::string system = reader.GetSystem();
        EXPECT_TRUE(system == "0" || system == "1") << when << ": " << reader.GetText();
        EXPECT_EQ(reader.GetLogOn(), "1") << when;
        const std::string stamped = Read(stamp);
        EXPECT_FALSE(stamped.empty()) << when << ": torn stamp";
        EXPECT_TRUE(system == "0" || stamped == kOldStamp) << when << ": a new stamp on the old store";
        return system == "0";
      }};

  const Operation settingsSave{
      "settings save",
      {iis},
      [&] {
        clean(iis);
        ASSERT_EQ(fs::ReplaceFile(settings, std::string("[System]\nWord8=1\nWord30=") + kOldTime + "\n"), fs::kOk);
      },
      [&]() -> std::function<bool()> {
        auto ini = std::make_shared<CIniReader>(Build::Service);
        return [ini] { return ini->SetWord30(kNewTime) == 1; };
      },
      [&](const std::string& when) {
        CIniReader ini(Build::Service);
        EXPECT_EQ(ini.ReadValue("System", "Word8"), "1") << when << ": " << Read(settings);
        const std::string time = ini.GetWord30();
        EXPECT_TRUE(time == kOldTime || time == kNewTime) << when << ": " << Read(settings);
        return time == kNewTime;
      }};

  ASSERT_EQ(fs::WriteFile(inst.Base() + "served.txt", Library()), fs::kOk);
  qortest::UpdateServer server(inst, {"--iplib", inst.Base() + "served.txt", "--iplib-time", kNewTime});
  const std::string base = server.Base();
  ASSERT_FALSE(base.empty());
  const Operation libraryReplace{
      "IP-library replace",
      {dir, iis},
      [&] {
        clean(dir);
        clean(iis);
        ASSERT_EQ(fs::ReplaceFile(library, "old library"), fs::kOk);
        ASSERT_EQ(fs::ReplaceFile(settings, std::string("[System]\nWord8=1\nWord30=") + kOldTime + "\n"), fs::kOk);
      },
      [&]() -> std::function<bool()> {
        setenv(endpoint::kOverrideEnv, base.c_str(), 1);
        auto ini = std::make_shared<CIniReader>(Build::Service);
        return [ini, dir] {
          return UpdateIpLibOnce(dir, endpoint::FirstHost(), endpoint::IpLibPath(), *ini) == kIpLibWritten;
        };
      },
      [&](const std::string& when) {
        const std::string lib = Read(library);
        const std::string time = CIniReader(Build::Service).GetWord30();
        EXPECT_TRUE(lib == "old library" || lib == Library()) << when << ": " << lib;
        EXPECT_TRUE(time == kOldTime || time == kNewTime) << when << ": " << time;
        // The time follows only a stored library.
        EXPECT_TRUE(time != kNewTime || lib == Library()) << when;
        return lib == Library() && time == kNewTime;
      }};

  std::string logPath;
  const Operation opLog{
      "operation log",
      {logDir},
      [&] {
        clean(logDir);
        g_LogDir = logDir;
        logPath = DailyLogPath(logDir);
        ASSERT_EQ(fs::WriteFile(logPath, "old line\n"), fs::kOk);
      },
      [&]() -> std::function<bool()> {
        g_LogDir = logDir;
        auto config = std::make_shared<CConfig>(Build::Service);
        config->SetText("<KeyLogOn>1</KeyLogOn><0>");
        return [config] { return WriteOpLog("sweep", *config) == 1; };
      },
      [&](const std::string& when) {
        const std::string text = Read(logPath);
        EXPECT_EQ(text.rfind("old line\n", 0), 0u) << when << ": " << text;
        EXPECT_TRUE(!text.empty() && text.back() == '\n') << when << ": torn: " << text;
        size_t lines = 0;
        for (size_t at = 0; (at = text.find("\n", at)) != std::string::npos; ++at) ++lines;
        const std::string tail = text.substr(std::min(text.size(), sizeof "old line\n" - 1));
        // Every line after the old one is the operation's, whole.
        for (size_t at = 0; at < tail.size();) {
          const size_t end = tail.find('\n', at);
          const std::string line = tail.substr(at, end - at);
          EXPECT_NE(line.find("\t管理\t用户设置\t-\tsweep("), std::string::npos) << when << ": " << line;
          at = end == std::string::npos ? tail.size() : end + 1;
        }
        return lines >= 2;
      },
      false};  // a close that fails after the line landed

  for (const Operation* op : {&storeSave, &settingsSave, &libraryReplace, &opLog})
    for (Mode mode : {Mode::Fail, Mode::CutShort, Mode::Exit}) Sweep(*op, mode);
  unsetenv(endpoint::kOverrideEnv);
}

// What saves leave behind in folders that the uninstall must be able to remove.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "common/config.h"
#include "common/ini_reader.h"
#include "platform/faults.h"
#include "platform/fs.h"
#include "platform/paths.h"
#include "tests/support/temp_install.h"

namespace fs = platform::fs;

namespace {

// The files of a folder, sorted.
std::vector<std::string> Names(const std::string& dir) {
  std::vector<fs::Entry> entries;
  fs::List(dir, "*", entries);
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

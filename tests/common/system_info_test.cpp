#include "common/system_info.h"

#include <gtest/gtest.h>

#include "common/http_text.h"
#include "common/run_process.h"
#include "platform/clock.h"
#include "tests/support/temp_install.h"

TEST(SystemInfo, OsVersionNames) {
  struct Case {
    int platformId, major, minor, build;
    const char* panelName;
    int panelCode;
    const char* svcName;
    int svcCode;
  } cases[] = {
      {1, 4, 10, 1998, "Windows 98", 0, "Windows 98", 2},
      {1, 4, 10, 2222, "Windows 98 SE", 0, "Windows 98 SE", 3},
      {1, 4, 10, 222, "Windows 98 SE", 0, "Windows 98 SE", 3},
      {1, 4, 90, 3000, "Windows Me", 0, "Windows Me", 4},
      {1, 4, 10, 5, "Other Windows Version", 50, "Other Windows Version", 11},
      {2, 4, 0, 1381, "Windows NT", 40, "Windows NT", 5},
      {2, 5, 0, 2195, "Windows 2000", 50, "Windows 2000", 6},
      {2, 5, 1, 2600, "Windows XP", 51, "Windows XP", 7},
      {2, 5, 2, 3790, "Windows Server 2003", 52, "Windows 2003", 8},
      {2, 6, 0, 6000, "Windows Server 2008/Windows Vista", 60, "Windows Vista/2008", 9},
      {2, 6, 1, 7601, "Windows Server 2008 R2/Windows 7", 61, "Windows 7/2008 R2", 10},
      {2, 6, 3, 9600, "Windows Server 2012 R2/Windows 8", 63, "Other Windows Version", 11},
      {2, 10, 0, 17763, "Other Windows Version", 100, "Other Windows Version", 11},
      {2, 5, 3, 0, "Other Windows Version", 53, "Other Windows Version", 11},
  };
  for (const auto& c : cases) {
    std::string name;
    EXPECT_EQ(OsVersionName(c.platformId, c.major, c.minor, c.build, name, Build::Panel), c.panelCode);
    EXPECT_EQ(name, c.panelName);
    EXPECT_EQ(OsVersionName(c.platformId, c.major, c.minor, c.build, name, Build::Service), c.svcCode);
    EXPECT_EQ(name, c.svcName);
  }
}

TEST(SystemInfo, OsVersionFromMachineProfile) {
  qortest::TempInstall inst;
  inst.WriteMachineIni("os_major=5\nos_minor=2\n");
  std::string name;
  EXPECT_EQ(GetOsVersionName(name), 52);
  EXPECT_EQ(name, "Windows Server 2003");
}

TEST(SystemInfo, RandomStringIsStableWithinASecond) {
  platform::clock::SetFake(1500000000);
  std::string a = RandomString(11);
  platform::clock::AdvanceFake(900);
  EXPECT_EQ(RandomString(11), a);
  platform::clock::AdvanceFake(200);
  EXPECT_NE(RandomString(11), a);
  platform::clock::ClearFake();
  EXPECT_EQ(a.size(), 11u);
  EXPECT_EQ(a.find_first_not_of("abcdefghijklmnopqrstuvwxyz0123456789"), std::string::npos);
  EXPECT_EQ(RandomString(0), "");
}

TEST(SystemInfo, PathsAndUser) {
  qortest::TempInstall inst;
  EXPECT_EQ(GetModuleDir(), inst.ProgramDir());
  EXPECT_EQ(GetSystemDir(), inst.MachineRoot() + "Windows/System32/");
  EXPECT_NE(GetCurrentUser(), "");
  EXPECT_EQ(AppendRandomNumber("http://h/a"), "http://h/a?rnum=" + std::to_string(DownloadRandomNumber()));
  EXPECT_EQ(AppendRandomNumber("http://h/a?x=1").find("&rnum="), 14u);
  std::string out = "x";
  EXPECT_EQ(HttpGetText("", out), 0);
  EXPECT_EQ(HttpGetText("http://127.0.0.1:1/none", out), 0);
}

TEST(SystemInfo, RunProcessWaitRunsThePathExactly) {
  qortest::TempInstall inst;
  std::string marker = inst.ProgramDir() + "ran";
  platform::clock::SetFake(1000);
  EXPECT_EQ(RunProcessWait("/bin/sh", "-c \"echo ok > '" + marker + "'\""), 1);
  platform::clock::ClearFake();
  EXPECT_EQ(inst.ReadProgramFile("ran"), "ok\n");
  EXPECT_EQ(RunProcessWait(inst.ProgramDir() + "missing", ""), 0);
  EXPECT_EQ(RunProcessWait(inst.ProgramDir(), ""), 0);
}

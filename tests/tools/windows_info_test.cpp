#include "tools/windows_info.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include "common/text_file.h"
#include "platform/clock.h"
#include "platform/fs.h"
#include "platform/textconv.h"
#include "tests/support/temp_install.h"
#include "tools/file_tests.h"
#include "tools/tools_log.h"

namespace fs = platform::fs;

TEST(WindowsInfo, OsVersionCodes) {
  struct Case {
    int platformId, major, minor, want;
  } cases[] = {
      {2, 5, 0, 50}, {2, 5, 1, 51}, {2, 5, 2, 52}, {2, 6, 0, 60}, {2, 6, 1, 61}, {2, 10, 0, 100},
      {1, 4, 0, 0},  {1, 4, 10, 10}, {1, 4, 90, 0}, {0, 6, 1, -1}, {3, 6, 1, -1},
  };
  for (const auto& c : cases)
    EXPECT_EQ(OsVersionCode(c.platformId, c.major, c.minor), c.want) << c.platformId << " " << c.major << "." << c.minor;
  qortest::TempInstall inst;
  inst.WriteMachineIni("os_platform=2\nos_major=5\nos_minor=2\ncomputer_name=WEB-01\n");
  EXPECT_EQ(GetOsVersionCode(), 52);
  EXPECT_EQ(GetComputerNameText(), "WEB-01");
  EXPECT_EQ(GetSystemFolder(), inst.MachineRoot() + "Windows/System32");
  EXPECT_EQ(ProgramFolder() + "/", inst.ProgramDir());
}

TEST(WindowsInfo, BitnessFromTheProgramFilesFolder) {
  qortest::TempInstall inst;
  EXPECT_FALSE(IsWindows64());
  ASSERT_EQ(fs::MakeDirs(inst.MachineRoot() + "program files (X86)"), fs::kOk);  // the listing is case-blind
  EXPECT_TRUE(IsWindows64());
}

TEST(WindowsInfo, BitnessUnderAMachineRootWithChineseNames) {
  qortest::TempInstall inst;
  // UTF-8 of "机" ends in 0xBA, which a GBK walk would pair with the '/' after it.
  const std::string root = inst.Base() + platform::GbkToUtf8("机") + "/";
  ASSERT_EQ(fs::MakeDirs(root + "Program Files (x86)"), fs::kOk);
  setenv("QOR_MACHINE_ROOT", root.c_str(), 1);
  EXPECT_TRUE(IsWindows64());
  EXPECT_TRUE(DirExists(root + "Program Files (x86)"));
  EXPECT_TRUE(FileExistsByDir(root + "program files (x86)"));
  EXPECT_FALSE(DirExists(root + "Program Files (x64)"));
  setenv("QOR_MACHINE_ROOT", inst.MachineRoot().c_str(), 1);
}

TEST(FileTests, ListingRules) {
  qortest::TempInstall inst;
  inst.WriteProgramFile("iis/qorip.dll", "MZ");
  const std::string p = inst.ProgramDir();
  struct Case {
    std::string path;
    bool want;
  } cases[] = {
      {p + "iis/qorip.dll", true},  {p + "iis/QORIP.DLL", true}, {p + "iis/qor*.dll", true},
      {p + "iis/qorip64.dll", false}, {p + "iis", true},           {p + "iis/", true},
      {"iis/qorip.dll", false},      {"", false},                  {p + "none/qorip.dll", false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FileExistsByDir(c.path), c.want) << c.path;
    EXPECT_EQ(DirExists(c.path), c.want) << c.path;
  }
}

TEST(ToolsLog, LinesAndBlankMessages) {
  qortest::TempInstall inst;
  ASSERT_EQ(fs::RemoveTree(inst.ProgramDir() + "log"), fs::kOk);
  WriteLog("   ");
  WriteLog("");
  EXPECT_FALSE(fs::Exists(inst.ProgramDir() + "log"));  // not even the folder
  platform::clock::SetFake(platform::clock::FromLocal(2026, 3, 7, 9, 5, 4));
  WriteLog("卸载ISAPI");
  WriteLog(" x ");
  platform::clock::ClearFake();
  EXPECT_EQ(inst.ReadProgramFile("log/QoripTools.log"), "[2026/3/7 9:05:04]卸载ISAPI\n[2026/3/7 9:05:04] x \n");
  EXPECT_EQ(ToolsLogPath(), inst.ProgramDir() + "log/QoripTools.log");
}

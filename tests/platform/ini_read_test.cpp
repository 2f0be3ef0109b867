#include "platform/ini.h"

#include <gtest/gtest.h>

#include "platform/fs.h"
#include "platform/machine.h"
#include "tests/support/temp_install.h"

TEST(IniRead, CaseBlindTrimmedWithDefaults) {
  qortest::TempInstall inst;
  std::string path = inst.ProgramDir() + "a.ini";
  EXPECT_EQ(platform::fs::WriteFile(path, "; comment\r\n[System]\r\n Word1 = value one \r\nWord2=\r\n[Other]\nWord1=x\n"), platform::fs::kOk);
  namespace ini = platform::ini;
  EXPECT_EQ(ini::ReadString(path, "system", "WORD1", "d"), "value one");
  EXPECT_EQ(ini::ReadString(path, "System", "Word2", "d"), "");
  EXPECT_EQ(ini::ReadString(path, "System", "Word3", "d"), "d");
  EXPECT_EQ(ini::ReadString(path, "None", "Word1", "d"), "d");
  EXPECT_EQ(ini::ReadString(path + "x", "System", "Word1", "d"), "d");
  EXPECT_EQ(ini::ReadString(path, "System", "Word1", "", 4), "val");
  EXPECT_EQ(ini::ReadString(path, "other", "word1", ""), "x");
  EXPECT_EQ(ini::ReadInt(path, "System", "Word1", 7), 7);
}

TEST(IniRead, MachineProfile) {
  qortest::TempInstall inst;
  inst.WriteMachineIni("iis_generation=6\nadsi=0\n");
  auto p = platform::LoadMachineProfile();
  EXPECT_EQ(p.iisGeneration, 6);
  EXPECT_FALSE(p.adsiAnswers);
  EXPECT_EQ(p.processorCount, 4);
  EXPECT_EQ(p.systemDriveSize, 107374182400LL);
}

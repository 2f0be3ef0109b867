// The repair steps in a temporary installation, with stand-in programs.
#include "panel/qor_repair.h"

#include <gtest/gtest.h>
#include <signal.h>

#include <cstdlib>

#include "common/config.h"
#include "common/ini_reader.h"
#include "tests/panel/sys_page_fixture.h"

namespace {

// The toolbox's bound shrinks with the other waits.
const bool g_scaled = (setenv("QOR_TIME_SCALE", "0.01", 1), true);

class QorRepairTest : public qortest::SysPageTest {};

TEST_F(QorRepairTest, AMissingProgramFileEndsItsStepWithItsMessage) {
  const std::string dir = m_install.ProgramDir();
  struct Case {
    std::string (CQorRepair::*step)();
    std::string message;
  };
  const Case cases[] = {
      {&CQorRepair::RepairTray, "托盘文件[" + dir + "QoripPanel]不存在，修复托盘失败。"},
      {&CQorRepair::RepairService, "关键文件：" + dir + "qoripsvc 不存在，无法修复。"},
      {&CQorRepair::RepairIisFilter, "IIS操作文件[" + dir + "QoripTools]不存在，修复失败。"},
  };
  for (const Case& c : cases) {
    CQorRepair repair(g_Config);
    EXPECT_EQ((repair.*c.step)(), c.message);
  }
  EXPECT_TRUE(Host().ShellOpens().empty());
}

TEST_F(QorRepairTest, TheFilterStepFollowsTheStoredSwitch) {
  WriteStub("QoripTools");
  g_Config.SetSystem("1");
  EXPECT_EQ(CQorRepair(g_Config).RepairIisFilter(), "");
  g_Config.SetSystem("0");
  EXPECT_EQ(CQorRepair(g_Config).RepairIisFilter(), "");
  EXPECT_EQ(StubArgs("QoripTools"), "-load_isapi\n-unload_isapi\n");
}

TEST_F(QorRepairTest, AToolboxThatDoesNotEndIsReportedAfterTheBound) {
  const std::string path = m_install.ProgramDir() + "QoripTools";
  m_install.WriteProgramFile("QoripTools", "#!/bin/sh\necho $$ > \"$0.pid\"\nexec sleep 60\n");
  chmod(path.c_str(), 0755);
  g_Config.SetSystem("1");
  EXPECT_EQ(CQorRepair(g_Config).RepairIisFilter(),
            "IIS操作文件[" + path + "]运行超时，没有结束，修复可能未完成。");
  std::string pid;
  ASSERT_EQ(platform::fs::ReadFile(path + ".pid", pid), platform::fs::kOk);
  ASSERT_GT(std::atoi(pid.c_str()), 0);
  kill(std::atoi(pid.c_str()), SIGKILL);
}

TEST_F(QorRepairTest, TrayOffEndsTheTrayAndRemovesItsAutorunWithoutStartingIt) {
  WriteStub("QoripPanel");
  ASSERT_EQ(CHardware().SetTrayAutorun(), "");
  g_Config.SetShowPanel("0");
  EXPECT_EQ(CQorRepair(g_Config).RepairTray(), "");
  EXPECT_TRUE(Host().ShellOpens().empty());
  // No tray program listened, so the quit request went to the settings file.
  EXPECT_EQ(CIniReader(Build::Panel).ReadValue("System", "Word5"), "99");
  EXPECT_EQ(CHardware().RemoveTrayAutorun(), 0);
}

TEST_F(QorRepairTest, TrayOnStartsTheTrayAndSetsItsAutorun) {
  WriteStub("QoripPanel");
  g_Config.SetShowPanel("1");
  EXPECT_EQ(CQorRepair(g_Config).RepairTray(), "");
  ASSERT_EQ(Host().ShellOpens().size(), 1u);
  EXPECT_EQ(Host().ShellOpens()[0].file, m_install.ProgramDir() + "QoripPanel");
  EXPECT_EQ(Host().ShellOpens()[0].parameters, "-autorun");
  EXPECT_EQ(CHardware().RemoveTrayAutorun(), 1);
}

TEST_F(QorRepairTest, PermissionsMakeTheRequestLogFolderAndReportTheLastGrant) {
  for (const char* f : {"iis/config.db", "iis/config.ini", "iis/qorip64.dll", "iis/qorip.dll"})
    m_install.WriteProgramFile(f, "x");
  EXPECT_EQ(CQorRepair(g_Config).RepairPermissions(), "");
  EXPECT_TRUE(platform::fs::IsDirectory(m_install.ProgramDir() + "iis/log/"));
}

TEST_F(QorRepairTest, OnlyTheLastGrantIsReported) {
  // Without the 32-bit module the last grant fails; a missing 64-bit one is not told.
  for (const char* f : {"iis/config.db", "iis/config.ini"}) m_install.WriteProgramFile(f, "x");
  const std::string result = CQorRepair(g_Config).RepairPermissions();
  EXPECT_NE(result.find("qorip.dll"), std::string::npos);
  EXPECT_EQ(result.find("qorip64.dll"), std::string::npos);
}

}  // namespace

#pragma once
// A temporary installation with the panel's store loaded, the system page's template
// installed, and stand-in program files that note how they were started.
#include <sys/stat.h>

#include <string>

#include "common/coding.h"
#include "common/hardware.h"
#include "common/op_log.h"
#include "common/program_paths.h"
#include "panel/panel_globals.h"
#include "platform/fs.h"
#include "resources/panel_sys_dialogs.h"
#include "tests/support/temp_install.h"
#include "tests/ui/ui_host_fixture.h"

namespace qortest {

class SysPageTest : public UiHostTest {
 protected:
  SysPageTest() {
    m_install.WriteMachineIni();
    res::AddSysDialogs(m_resources);
    UseResources(m_resources);
    InitGlobalPaths();
    const std::string dir = m_install.ProgramDir();
    g_Config.SetModuleDir(dir);
    g_Config.SetPath(dir + "iis/config.db");
    g_Config.SetKey(TextToKey(CHardware().GetMachineKeyText(Build::Panel)));
    g_Config.Load();
    g_Config.SetLogOn("1");
    SetOpLogConfig(&g_Config);
    g_Global.m_bNeedRestartIis = 0;
    g_bIpLibUpdating = false;
  }
  ~SysPageTest() override { SetOpLogConfig(nullptr); }

  // A program of the folder that appends its arguments to "<name>.args".
  void WriteStub(const std::string& name) {
    const std::string path = m_install.ProgramDir() + name;
    m_install.WriteProgramFile(name, "#!/bin/sh\necho \"$@\" >> \"$0.args\"\n");
    chmod(path.c_str(), 0755);
  }
  std::string StubArgs(const std::string& name) {
    std::string text;
    const std::string args = m_install.ProgramDir() + name + ".args";
    const auto rc = platform::fs::ReadFile(args, text);
    EXPECT_TRUE(rc == platform::fs::kOk || rc == platform::fs::kFileNotFound) << rc.Text();
    return text;
  }
  bool ProgramFileExists(const std::string& relative) {
    return platform::fs::Exists(m_install.ProgramDir() + relative);
  }

  TempInstall m_install;
  ui::ResourceSet m_resources;
};

}  // namespace qortest

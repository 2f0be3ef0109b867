// QoripTools as a program: switches, the IIS state it leaves, its log and exit code.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include "common/text_file.h"
#include "platform/acl.h"
#include "platform/fs.h"
#include "platform/iis.h"
#include "platform/process.h"
#include "tests/support/iis_filters.h"
#include "tests/support/temp_install.h"

namespace iis = platform::iis;
namespace fs = platform::fs;

namespace {

class ToolsProgram : public ::testing::Test {
 protected:
  // Waits shrink, yet a registration keeps seconds of its bounded time on a busy machine.
  void SetUp() override { setenv("QOR_TIME_SCALE", "0.05", 1); }
  void TearDown() override { unsetenv("QOR_TIME_SCALE"); }

  void Prepare(const std::string& os, int generation, bool module64 = true) {
    inst.WriteMachineIni(os);
    std::string inetsrv = inst.MachineRoot() + "Windows/System32/inetsrv/";
    ASSERT_EQ(fs::MakeDirs(inetsrv), fs::kOk);
    appcmd = qortest::InstallProgram("appcmd", inetsrv);
    ASSERT_FALSE(appcmd.empty()) << "appcmd not built in " << qortest::BinDir();
    auto seed = platform::process::RunAndWaitArgs(appcmd, {"qor-seed", generation == 6 ? "iis6" : "iis7"}, 20000);
    ASSERT_EQ(seed.exitCode, 0);
    tools = qortest::InstallProgram("QoripTools", inst.ProgramDir());
    ASSERT_FALSE(tools.empty()) << "QoripTools not built in " << qortest::BinDir();
    inst.WriteProgramFile("iis/qorip.dll", "MZ");
    if (module64) inst.WriteProgramFile("iis/qorip64.dll", "MZ");
  }
  void Prepare6() { Prepare("os_major=5\nos_minor=2\n", 6); }

  int Run(const std::vector<std::string>& args) {
    auto r = platform::process::RunAndWaitArgs(tools, args, 60000);
    EXPECT_TRUE(r.exited);
    return r.exitCode;
  }
  // The log lines without their time stamps.
  StringList Log() {
    StringList out;
    for (auto& line : SplitLines(inst.ReadProgramFile("log/QoripTools.log"))) {
      size_t close = line.find(']');  // the stamp is ASCII
      out.push_back(close == std::string::npos ? line : line.substr(close + 1));
    }
    return out;
  }
  void ClearLog() {
    const auto rc = fs::DeleteFile(inst.ProgramDir() + "log/QoripTools.log");
    EXPECT_TRUE(rc == fs::kOk || rc == fs::kFileNotFound) << rc.Text();
  }
  std::string LoadOrder() { return qortest::FilterLoadOrder(); }
  std::vector<std::string> JournalSince(size_t from, const std::string& op = "") {
    std::vector<iis::JournalEntry> j;
    EXPECT_TRUE(iis::ReadJournal(j));
    std::vector<std::string> out;
    for (size_t i = from; i < j.size(); ++i)
      if (op.empty() || j[i].op == op) out.push_back(j[i].actor + " " + j[i].op + " " + j[i].path);
    return out;
  }
  size_t JournalSize() {
    std::vector<iis::JournalEntry> j;
    EXPECT_TRUE(iis::ReadJournal(j));
    return j.size();
  }

  qortest::TempInstall inst;
  std::string appcmd, tools;
};

}  // namespace

TEST_F(ToolsProgram, SwitchMatching) {
  Prepare6();
  struct Case {
    std::vector<std::string> args;
    bool runs;
  } cases[] = {
      {{}, false},
      {{"load_isapi"}, false},
      {{" -load_isapi"}, false},
      {{"-load_isapi", "now"}, false},
      {{"-load_isapi "}, false},
      {{"--load_isapi"}, false},
      {{"-LOAD_ISAPI"}, true},
      {{"/Load_Isapi"}, true},
  };
  for (const auto& c : cases) {
    ASSERT_EQ(iis::Seed(6), iis::kOk);
    ClearLog();
    EXPECT_EQ(Run(c.args), 0);
    bool registered = LoadOrder() == "sspifilt,Compression,qorip";
    EXPECT_EQ(registered, c.runs) << (c.args.empty() ? "(none)" : c.args[0]);
    EXPECT_EQ(Log().empty(), !c.runs) << (c.args.empty() ? "(none)" : c.args[0]);
  }
}

TEST_F(ToolsProgram, Iis6RoundTrip) {
  Prepare6();
  size_t seed = JournalSize();
  EXPECT_EQ(Run({"-load_isapi"}), 0);
  EXPECT_EQ(LoadOrder(), "sspifilt,Compression,qorip");
  EXPECT_EQ(JournalSince(seed, "create"), std::vector<std::string>{"QoripTools create W3SVC/Filters/qorip"});
  EXPECT_EQ(Log(), StringList{"安装过滤器:qorip"});
  EXPECT_EQ(Run({"-load_isapi"}), 0);  // listed already: nothing more
  EXPECT_EQ(Log(), StringList{"安装过滤器:qorip"});

  EXPECT_EQ(Run({"-unload_isapi"}), 0);
  EXPECT_EQ(LoadOrder(), "sspifilt,Compression");
  EXPECT_EQ(JournalSince(seed).back(), "QoripTools put W3SVC/Filters");
  EXPECT_EQ(Run({"/unload_isapi"}), 1);
  EXPECT_EQ(Log(), (StringList{"安装过滤器:qorip", "卸载ISAPI", "卸载ISAPI", "卸载ISAPI出错:"}));
}

TEST_F(ToolsProgram, Iis7RoundTripWithAndWithoutThe64BitModule) {
  for (bool module64 : {true, false}) {
    Prepare("os_major=6\nos_minor=1\nis64bit=1\n", 7, module64);
    if (!module64) {
      ASSERT_EQ(fs::DeleteFile(inst.ProgramDir() + "iis/qorip64.dll"), fs::kOk);
    }
    size_t seed = JournalSize();
    EXPECT_EQ(Run({"-load_isapi"}), 0) << module64;
    EXPECT_EQ(LoadOrder(), module64 ? "ASP.Net_4.0_32bit,ASP.Net_4.0_64bit,qorip,qorip64"
                                    : "ASP.Net_4.0_32bit,ASP.Net_4.0_64bit,qorip");
    auto creates = JournalSince(seed, "create");
    ASSERT_EQ(creates.size(), module64 ? 2u : 1u);
    EXPECT_EQ(creates[0], "appcmd create W3SVC/Filters/qorip");
    iis::Object f;
    ASSERT_EQ(iis::Object::Open("IIS://LocalHost/W3SVC/Filters/qorip", f), iis::kOk);
    iis::Value v;
    ASSERT_EQ(f.Get("PreCondition", v), iis::kOk);
    EXPECT_EQ(v.AsText(), "bitness32");
    ASSERT_EQ(f.Get("FilterPath", v), iis::kOk);
    EXPECT_EQ(v.AsText(), inst.ProgramDir() + "iis/qorip.dll");
    EXPECT_TRUE(Log().empty());  // success writes nothing on IIS 7

    EXPECT_EQ(Run({"-unload_isapi"}), 0);
    EXPECT_EQ(LoadOrder(), "ASP.Net_4.0_32bit,ASP.Net_4.0_64bit");
    EXPECT_EQ(JournalSince(seed, "delete").size(), module64 ? 2u : 1u);
    EXPECT_EQ(Log(), StringList{"卸载ISAPI"});
    ClearLog();
  }
}

TEST_F(ToolsProgram, Iis7UnloadOfAnUnregisteredFilterSucceeds) {
  Prepare("os_major=6\nos_minor=1\nis64bit=1\n", 7);
  EXPECT_EQ(Run({"-unload_isapi"}), 0);
  EXPECT_EQ(Log(), StringList{"卸载ISAPI"});
  EXPECT_EQ(LoadOrder(), "ASP.Net_4.0_32bit,ASP.Net_4.0_64bit");
}

TEST_F(ToolsProgram, HangingAppcmdEndsTheRegistrationAndNamesTheStep) {
  Prepare("os_major=6\nos_minor=1\nis64bit=1\n", 7);
  // A tool that never ends; the whole registration is bounded by its scaled deadline.
  ASSERT_EQ(fs::WriteFile(appcmd, "#!/bin/sh\nexec sleep 600\n"), fs::kOk);
  chmod(appcmd.c_str(), 0755);
  setenv("QOR_TIME_SCALE", "0.001", 1);
  auto r = platform::process::RunAndWaitArgs(tools, {"-load_isapi"}, 60000);
  ASSERT_TRUE(r.exited) << "still running after a minute";
  EXPECT_EQ(r.exitCode, 1);
  StringList log = Log();
  ASSERT_EQ(log.size(), 1u);
  const std::string line = "加载ISAPI出错:appcmd未在限定时间内结束：" + inst.MachineRoot() +
                           "Windows/System32/inetsrv/appcmd.exe set config /section:isapiFilters /+[name='qorip'";
  EXPECT_EQ(log[0].substr(0, line.size()), line) << log[0];
}

TEST_F(ToolsProgram, MissingModuleIsLogged) {
  Prepare("os_major=6\nos_minor=1\n", 7);
  ASSERT_EQ(fs::DeleteFile(inst.ProgramDir() + "iis/qorip.dll"), fs::kOk);
  EXPECT_EQ(Run({"-load_isapi"}), 1);
  EXPECT_EQ(Log(), StringList{"加载ISAPI出错:组件不存在（" + inst.ProgramDir() + "iis/qorip.dll),请检查。"});
  EXPECT_EQ(LoadOrder(), "ASP.Net_4.0_32bit,ASP.Net_4.0_64bit");
}

TEST_F(ToolsProgram, RecoverIisRecyclesTheRunningPools) {
  Prepare("os_major=6\nos_minor=1\n", 7);
  size_t seed = JournalSize();
  EXPECT_EQ(Run({"-qor_recoveriis"}), 0);
  EXPECT_EQ(JournalSince(seed), (std::vector<std::string>{"QoripTools recycle W3SVC/AppPools/DefaultAppPool",
                                                          "QoripTools recycle W3SVC/AppPools/Classic .NET AppPool",
                                                          "QoripTools recycle W3SVC/AppPools/ShopPool"}));
  EXPECT_EQ(Log(), StringList{"回收应用程序池完成"});

  ClearLog();
  inst.WriteMachineIni("adsi=0\n");
  EXPECT_EQ(Run({"/QOR_RECOVERIIS"}), 1);
  EXPECT_EQ(Log(), (StringList{"应用错误:无效的语法。，您可以选择重启IIS来完成应用。", "回收应用程序池完成"}));
}

TEST_F(ToolsProgram, SetSecLeavesTheModelledAcls) {
  Prepare("os_major=6\nos_minor=1\nadmin_group=管理员组\n", 7);
  inst.WriteProgramFile("iis/config.db", "x");
  inst.WriteProgramFile("iis/config.ini", "x");
  EXPECT_EQ(Run({"-qor_setsec"}), 0);
  EXPECT_EQ(Log(), StringList{"设置系统路径权限"});
  struct Case {
    const char* relative;
    const char* everyone;  // nullptr: no entry for Everyone
    uint32_t inheritance;
  } cases[] = {
      {"", nullptr, 0},
      {"iis/qorip.dll", "re", 4},
      {"iis/qorip64.dll", "re", 4},
      {"iis/config.ini", "r", 4},
      {"iis/config.db", "r", 4},
      {"iis/log", "wr", 3},
      {"log", nullptr, 0},
  };
  for (const auto& c : cases) {
    platform::acl::Acl a;
    ASSERT_EQ(platform::acl::Read(inst.ProgramDir() + c.relative, a), 0) << c.relative;
    EXPECT_TRUE(a.isProtected) << c.relative;
    ASSERT_EQ(a.entries.size(), c.everyone ? 3u : 2u) << c.relative;
    EXPECT_EQ(a.entries[0].trustee, "管理员组");
    EXPECT_EQ(a.entries[0].mask, platform::acl::kGenericAll);
    EXPECT_EQ(a.entries[0].inheritance, platform::acl::kSubContainersAndObjects);
    EXPECT_EQ(a.entries[1].trustee, "SYSTEM");
    EXPECT_EQ(a.entries[1].mask, platform::acl::kGenericAll);
    if (c.everyone) {
      uint32_t mask = std::string(c.everyone) == "re"  ? platform::acl::kGenericRead | platform::acl::kGenericExecute
                      : std::string(c.everyone) == "r" ? platform::acl::kGenericRead
                                                       : platform::acl::kGenericRead | platform::acl::kGenericWrite;
      EXPECT_EQ(a.entries[2].trustee, "Everyone");
      EXPECT_EQ(a.entries[2].mask, mask) << c.relative;
      EXPECT_EQ(a.entries[2].inheritance, c.inheritance) << c.relative;
    }
  }
}

TEST_F(ToolsProgram, RepairSetsPermissionsAndRegisters) {
  Prepare("os_major=6\nos_minor=1\n", 7);
  EXPECT_EQ(Run({"-qor_repair"}), 0);
  EXPECT_EQ(Log(), StringList{"修复系统"});
  EXPECT_EQ(LoadOrder(), "ASP.Net_4.0_32bit,ASP.Net_4.0_64bit,qorip,qorip64");
  platform::acl::Acl a;
  ASSERT_EQ(platform::acl::Read(inst.ProgramDir() + "iis/log", a), 0);
  EXPECT_EQ(a.entries.size(), 3u);
}

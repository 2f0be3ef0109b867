// Filter registration in process: the IIS 6 load order through the provider, and the
// IIS 7 command lines through a recording stand-in of appcmd.
#include "tools/isapi.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "common/text_file.h"
#include "platform/faults.h"
#include "platform/clock.h"
#include "platform/fs.h"
#include "platform/iis.h"
#include "platform/textconv.h"
#include "tests/support/iis_filters.h"
#include "tests/support/temp_install.h"
#include "tools/adsi_filter.h"
#include "tools/appcmd_filter.h"
#include "tools/tools_log.h"

namespace iis = platform::iis;
namespace fs = platform::fs;

namespace {

class Isapi : public ::testing::Test {
 protected:
  void SetUp() override { platform::clock::SetFake(1767225600); }
  void TearDown() override {
    platform::clock::ClearFake();
  }
  platform::faults::Guard faults;

  // A machine of that OS version with a seeded IIS and the modules asked for.
  void Prepare(const std::string& os, int generation, bool module32 = true, bool module64 = true) {
    inst.WriteMachineIni(os + "is64bit=1\n");
    ASSERT_EQ(iis::Seed(generation), iis::kOk);
    if (module32) inst.WriteProgramFile("iis/qorip.dll", "MZ");
    if (module64) inst.WriteProgramFile("iis/qorip64.dll", "MZ");
    SetUpFilterGlobals();
  }
  void Prepare6(const std::string& os = "os_major=5\nos_minor=2\n") { Prepare(os, 6); }

  // Replaces appcmd by a script that records its arguments and exits with the code in
  // appcmd.exit (0 when missing); "list" prints the lines of appcmd.list.
  void FakeAppcmd() {
    std::string dir = inst.MachineRoot() + "Windows/System32/inetsrv/";
    ASSERT_EQ(fs::MakeDirs(dir), fs::kOk);
    std::string script =
        "#!/bin/sh\n"
        "printf '%s\\n' \"$*\" >> '" + dir + "calls'\n"
        "if [ \"$1\" = list ] && [ -f '" + dir + "appcmd.list' ]; then cat '" + dir + "appcmd.list'; fi\n"
        "if [ -f '" + dir + "appcmd.exit' ]; then exit $(cat '" + dir + "appcmd.exit'); fi\n"
        "exit 0\n";
    ASSERT_EQ(fs::WriteFile(dir + "appcmd", script), fs::kOk);
    chmod((dir + "appcmd").c_str(), 0755);
    fakeDir = dir;
  }
  void FakeExit(int code) { ASSERT_EQ(fs::WriteFile(fakeDir + "appcmd.exit", std::to_string(code)), fs::kOk); }
  void FakeList(const std::string& names) {
    std::string out = "<system.webServer>\n  <isapiFilters>\n";
    for (const auto& n : SplitLines(names)) out += "    <filter name=\"" + n + "\" path=\"x\" enabled=\"true\" />\n";
    ASSERT_EQ(fs::WriteFile(fakeDir + "appcmd.list", out + "  </isapiFilters>\n</system.webServer>\n"), fs::kOk);
  }
  StringList Calls() {
    std::string text;
    const auto rc = fs::ReadFile(fakeDir + "calls", text);
    EXPECT_TRUE(rc == fs::kOk || rc == fs::kFileNotFound) << rc.Text();
    return SplitLines(text);
  }
  void InstallRealAppcmd() {
    std::string dir = inst.MachineRoot() + "Windows/System32/inetsrv/";
    ASSERT_FALSE(qortest::InstallProgram("appcmd", dir).empty()) << "appcmd not built";
  }

  std::string LoadOrder() { return qortest::FilterLoadOrder(); }
  void SetLoadOrder(const std::string& order) {
    iis::Object filters;
    ASSERT_EQ(iis::Object::Open("IIS://LocalHost/W3SVC/Filters", filters), iis::kOk);
    filters.Put("FilterLoadOrder", iis::Value::OfText(order));
    ASSERT_EQ(filters.SetInfo(), iis::kOk);
  }
  std::string Log() { return inst.ReadProgramFile("log/QoripTools.log"); }

  qortest::TempInstall inst;
  std::string fakeDir;
};

}  // namespace

TEST_F(Isapi, GlobalsFollowTheModulesAndTheMachine) {
  Prepare("os_major=6\nos_minor=1\n", 7);
  EXPECT_EQ(g_FilterName, "qorip");
  EXPECT_EQ(g_FilterName64, "qorip64");
  EXPECT_EQ(g_FilterPath, inst.ProgramDir() + "iis/qorip.dll");
  EXPECT_EQ(g_FilterPath64, inst.ProgramDir() + "iis/qorip64.dll");
  EXPECT_EQ(g_OsCode, 61);
  EXPECT_TRUE(g_Is64);
  ASSERT_EQ(fs::DeleteFile(g_FilterPath64), fs::kOk);
  SetUpFilterGlobals();
  EXPECT_FALSE(g_Is64);  // no 64-bit module: handled as 32-bit
}

TEST_F(Isapi, MissingModuleAndUnknownVersions) {
  Prepare("os_major=6\nos_minor=1\n", 7, false);
  std::string error;
  EXPECT_FALSE(LoadIsapi(error));
  EXPECT_EQ(error, "组件不存在（" + g_FilterPath + "),请检查。");
  inst.WriteProgramFile("iis/qorip.dll", "MZ");
  for (int code : {40, 53, -1}) {
    g_OsCode = code;
    error.clear();
    EXPECT_FALSE(LoadIsapi(error)) << code;
    EXPECT_EQ(error, "未知操作系统版本！") << code;
    error.clear();
    EXPECT_FALSE(UnloadIsapi(error)) << code;
    EXPECT_EQ(error, "未知操作系统版本！") << code;
  }
}

TEST_F(Isapi, Iis6LoadOrderLists) {
  Prepare6();
  struct Case {
    const char* before;
    const char* after;
  } cases[] = {
      {"a,b", "a,b,qorip"},
      {"a,b,", "a,b,qorip"},
      {"", "qorip"},
      {"  ", "qorip"},
      {"a,QORIP,b", "a,QORIP,b"},  // listed in capitals: listed
      {"a, qorip", "a, qorip"},
  };
  for (const auto& c : cases) {
    SetLoadOrder(c.before);
    std::string error;
    EXPECT_TRUE(LoadIsapi(error)) << c.before;
    EXPECT_EQ(error, "");
    EXPECT_EQ(LoadOrder(), c.after) << c.before;
  }
  iis::Object f;
  ASSERT_EQ(iis::Object::Open("IIS://LocalHost/W3SVC/Filters/qorip", f), iis::kOk);
  iis::Value v;
  ASSERT_EQ(f.Get("FilterPath", v), iis::kOk);
  EXPECT_EQ(v.AsText(), g_FilterPath);
  ASSERT_EQ(f.Get("FilterDescription", v), iis::kOk);
  EXPECT_EQ(v.AsText(), "Qor过滤器组件");
  ASSERT_EQ(f.Get("FilterEnabled", v), iis::kOk);
  EXPECT_EQ(v.AsNumber(), 1);
  // Four registrations were logged; the already-listed cases logged nothing.
  StringList lines = SplitLines(Log());
  ASSERT_EQ(lines.size(), 4u);
  for (const auto& line : lines) EXPECT_NE(line.find("]安装过滤器:qorip"), std::string::npos) << line;
}

TEST_F(Isapi, Iis6ObjectGoesInBeforeTheName) {
  Prepare6();
  std::string error;
  ASSERT_TRUE(LoadIsapi(error));
  std::vector<iis::JournalEntry> j;
  ASSERT_TRUE(iis::ReadJournal(j));
  ASSERT_GE(j.size(), 3u);
  EXPECT_EQ(j[1].op + " " + j[1].path, "create W3SVC/Filters/qorip");
  EXPECT_EQ(j.back().detail, "FilterLoadOrder=sspifilt,Compression,qorip");
}

// A name already in the load order changes nothing: no filter object is made or
// rewritten, and IIS records no change.
TEST_F(Isapi, AlreadyListedIsSuccessOnEveryVersion) {
  for (const char* os : {"os_major=5\nos_minor=0\n", "os_major=5\nos_minor=1\n", "os_major=5\nos_minor=2\n"}) {
    Prepare6(os);
    SetLoadOrder("sspifilt,QorIP ");
    std::vector<iis::JournalEntry> before, after;
    ASSERT_TRUE(iis::ReadJournal(before));
    std::string error;
    EXPECT_TRUE(LoadIsapi(error)) << os;
    EXPECT_EQ(error, "");
    EXPECT_EQ(LoadOrder(), "sspifilt,QorIP ");
    ASSERT_TRUE(iis::ReadJournal(after));
    EXPECT_EQ(after.size(), before.size()) << os << ": " << after.back().op << " " << after.back().path;
    iis::Object f;
    EXPECT_EQ(iis::Object::Open("IIS://LocalHost/W3SVC/Filters/qorip", f), iis::kErrPathNotFound) << os;
  }
  EXPECT_EQ(Log(), "");
}

TEST_F(Isapi, Iis6FailuresAbortBeforeTheListIsWritten) {
  Prepare6();
  // An unreadable load order must not become a list of our name alone.
  faults.Fail(platform::faults::Kind::IisGet, iis::kErrAccessDenied, "FilterLoadOrder");
  std::string error;
  EXPECT_FALSE(LoadIsapi(error));
  EXPECT_NE(error.find("0x80070005"), std::string::npos) << error;
  faults.Reset();
  EXPECT_EQ(LoadOrder(), "sspifilt,Compression");
  iis::Object f;
  EXPECT_EQ(iis::Object::Open("IIS://LocalHost/W3SVC/Filters/qorip", f), iis::kErrPathNotFound);

  // A filter object that cannot be created leaves the load order alone too.
  faults.Fail(platform::faults::Kind::IisCreate, iis::kErrAccessDenied);
  error.clear();
  EXPECT_FALSE(LoadIsapi(error));
  EXPECT_FALSE(error.empty());
  faults.Reset();
  EXPECT_EQ(LoadOrder(), "sspifilt,Compression");

  inst.WriteMachineIni("os_major=5\nos_minor=2\nadsi=0\n");
  error.clear();
  EXPECT_FALSE(LoadIsapi(error));
  EXPECT_NE(error.find("0x800401E4"), std::string::npos) << error;
}

TEST_F(Isapi, Iis6Unload) {
  Prepare6();
  struct Case {
    const char* before;
    const char* after;
    bool ok;
  } cases[] = {
      {"a,qorip,b", "a,b", true},
      {"qorip", "", true},
      {"QorIP,a,qorip", "a", true},  // every entry, whatever its case
      {"a,b", "a,b", false},
      {" ", " ", false},
      {"qorip64", "qorip64", false},
  };
  for (const auto& c : cases) {
    SetLoadOrder(c.before);
    std::string error;
    EXPECT_EQ(UnloadIsapi(error), c.ok) << c.before;
    EXPECT_EQ(LoadOrder(), c.after) << c.before;
  }
}

TEST_F(Isapi, IsFilterInLoadOrder) {
  Prepare6();
  SetLoadOrder("A,QorIP");
  bool listed = false;
  EXPECT_EQ(IsFilterInLoadOrder("qorip", listed), iis::kOk);
  EXPECT_TRUE(listed);
  EXPECT_EQ(IsFilterInLoadOrder("qor", listed), iis::kOk);
  EXPECT_FALSE(listed);
  SetLoadOrder("");
  EXPECT_EQ(IsFilterInLoadOrder("qorip", listed), iis::kOk);
  EXPECT_FALSE(listed);
  inst.WriteMachineIni("adsi=0\n");
  EXPECT_EQ(IsFilterInLoadOrder("qorip", listed), iis::kErrNoProvider);
}

TEST_F(Isapi, AppcmdLinesAreExact) {
  Prepare("", 7);
  const std::string tool = inst.MachineRoot() + "Windows/System32/inetsrv/appcmd.exe";
  EXPECT_EQ(AddFilterCommandLine("qorip", "/opt/a b/qorip.dll", false),
            tool + " set config /section:isapiFilters /+[name='qorip',path='\"/opt/a b/qorip.dll\"',"
                   "preCondition='bitness32']");
  EXPECT_EQ(AddFilterCommandLine("qorip64", "/p/qorip64.dll", true),
            tool + " set config /section:isapiFilters /+[name='qorip64',path='\"/p/qorip64.dll\"',"
                   "preCondition='bitness64']");
  EXPECT_EQ(RemoveFilterCommandLine("qorip"), tool + " set config /section:isapiFilters /-[name='qorip']");

  FakeAppcmd();
  std::string error;
  ASSERT_TRUE(AddFilterByAppcmd("qorip", "/opt/a b/qorip.dll", false, error)) << error;
  ASSERT_TRUE(RemoveFilterByAppcmd("qorip", error)) << error;
  // What the tool receives after the command line is split.
  EXPECT_EQ(Calls(), (StringList{"set config /section:isapiFilters /+[name='qorip',path='/opt/a b/qorip.dll',"
                                 "preCondition='bitness32']",
                                 "set config /section:isapiFilters /-[name='qorip']"}));
}

TEST_F(Isapi, AppcmdRefusalsRunNothing) {
  Prepare("", 7);
  FakeAppcmd();
  std::string error;
  EXPECT_FALSE(AddFilterByAppcmd("  ", "/p/x.dll", false, error));
  EXPECT_FALSE(RemoveFilterByAppcmd("", error));
  EXPECT_FALSE(AddFilterByAppcmd("qorip", "/p/\"x\".dll", false, error));
  EXPECT_EQ(error, "组件路径含有引号，无法登记（/p/\"x\".dll）");
  EXPECT_TRUE(Calls().empty());
}

TEST_F(Isapi, AppcmdExitCodesCount) {
  Prepare("", 7, true, false);
  FakeAppcmd();
  struct Case {
    int exit;
    bool ok;
  } cases[] = {{0, true}, {iis::kAppcmdDuplicate, true}, {iis::kAppcmdBadSyntax, false}, {1, false}};
  for (const auto& c : cases) {
    FakeExit(c.exit);
    std::string error;
    EXPECT_EQ(LoadIsapi(error), c.ok) << c.exit;
    if (!c.ok) {
      EXPECT_EQ(error, "appcmd执行失败，退出码：" + std::to_string(c.exit));
    }
  }
  // Removing a name that is not listed leaves what was asked for: success.
  FakeExit(iis::kAppcmdNotListed);
  std::string error;
  EXPECT_TRUE(UnloadIsapi(error)) << error;
  EXPECT_EQ(error, "");
  FakeExit(1);
  EXPECT_FALSE(UnloadIsapi(error));
  EXPECT_EQ(error, "appcmd执行失败，退出码：1");

  ASSERT_EQ(fs::DeleteFile(fakeDir + "appcmd"), fs::kOk);
  error.clear();
  EXPECT_FALSE(LoadIsapi(error));
  EXPECT_EQ(error, "无法启动" + AppcmdCommandName());
}

TEST_F(Isapi, ThirtyTwoBitRegistersOnceWithoutVerification) {
  Prepare("", 7, true, false);
  FakeAppcmd();
  std::string error;
  EXPECT_TRUE(LoadIsapi(error));
  StringList calls = Calls();
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_NE(calls[0].find("preCondition='bitness32'"), std::string::npos);
}

TEST_F(Isapi, SixtyFourBitVerificationIsBounded) {
  Prepare("", 7);
  FakeAppcmd();
  FakeList("qorip");  // the 64-bit registration never shows
  std::string error;
  EXPECT_FALSE(LoadIsapi(error));
  EXPECT_EQ(error, "appcmd未列出已登记的过滤器");
  int lists = 0, adds32 = 0, adds64 = 0;
  for (const auto& c : Calls()) {
    if (c.rfind("list ", 0) == 0) ++lists;
    else if (c.find("bitness64") != std::string::npos) ++adds64;
    else if (c.find("bitness32") != std::string::npos) ++adds32;
  }
  EXPECT_EQ(lists, 11);
  EXPECT_EQ(adds32, 12);
  EXPECT_EQ(adds64, 12);

  // Once both show, one check suffices.
  FakeList("qorip\nQORIP64");
  ASSERT_EQ(fs::DeleteFile(fakeDir + "calls"), fs::kOk);
  error.clear();
  EXPECT_TRUE(LoadIsapi(error)) << error;
  EXPECT_EQ(Calls().size(), 3u);
}

TEST_F(Isapi, Iis7RoundTripThroughTheRealStandIn) {
  Prepare("", 7);
  InstallRealAppcmd();
  std::string error;
  ASSERT_TRUE(LoadIsapi(error)) << error;
  EXPECT_EQ(LoadOrder(), "ASP.Net_4.0_32bit,ASP.Net_4.0_64bit,qorip,qorip64");
  ASSERT_TRUE(LoadIsapi(error)) << error;  // again: listed already
  EXPECT_EQ(LoadOrder(), "ASP.Net_4.0_32bit,ASP.Net_4.0_64bit,qorip,qorip64");
  ASSERT_TRUE(UnloadIsapi(error)) << error;
  EXPECT_EQ(LoadOrder(), "ASP.Net_4.0_32bit,ASP.Net_4.0_64bit");
}

TEST_F(Isapi, PathWithASingleQuoteIsRegistered) {
  Prepare("", 7);
  InstallRealAppcmd();
  const std::string tool = inst.MachineRoot() + "Windows/System32/inetsrv/appcmd.exe";
  EXPECT_EQ(AddFilterCommandLine("qorip", "/opt/it's/qorip.dll", false),
            tool + " set config /section:isapiFilters /+[name='qorip',path=\"/opt/it's/qorip.dll\","
                   "preCondition='bitness32']");
  struct Case {
    std::string path;
    bool ok;
  } cases[] = {
      {"/opt/it's/qorip.dll", true},      {"/opt/it's a b/qorip.dll", true}, {"/opt/a b]/qorip.dll", true},
      {"/opt/it's]/qorip.dll", false},    {"/opt/it's,x/qorip.dll", false},
  };
  for (const auto& c : cases) {
    std::string error;
    ASSERT_EQ(AddFilterByAppcmd("qorip", c.path, false, error), c.ok) << c.path << ": " << error;
    if (!c.ok) {
      EXPECT_EQ(error, "组件路径含有引号，无法登记（" + c.path + "）");
      continue;
    }
    std::vector<iis::FilterEntry> entries;
    ASSERT_EQ(iis::ListFilters(entries), iis::kOk);
    bool found = false;
    for (const auto& e : entries) found |= e.name == "qorip" && e.path == c.path && e.preCondition == "bitness32";
    EXPECT_TRUE(found) << c.path;
    ASSERT_TRUE(RemoveFilterByAppcmd("qorip", error)) << error;
  }
}

TEST_F(Isapi, PathsInErrorTextsAreGbk) {
  Prepare("", 7);
  FakeAppcmd();
  const std::string gbkPath = "/opt/网站/qorip.dll";
  g_FilterPath = platform::GbkToUtf8(gbkPath);  // as the OS names it
  std::string error;
  EXPECT_FALSE(LoadIsapi(error));
  EXPECT_EQ(error, "组件不存在（" + gbkPath + "),请检查。");
  error.clear();
  EXPECT_FALSE(AddFilterByAppcmd("qorip", platform::GbkToUtf8("/opt/\"网站\"/qorip.dll"), false, error));
  EXPECT_EQ(error, "组件路径含有引号，无法登记（/opt/\"网站\"/qorip.dll）");
}

TEST(ParseFilterList, NamesOfTheListOutput) {
  std::string out =
      "<system.webServer>\n  <isapiFilters>\n"
      "    <filter name=\"a&amp;b\" path=\"/x name=&quot;y&quot;\" />\n"
      "    <FILTER path=\"/p\" name=\"qorip\" preCondition=\"bitness32\" />\n"
      "    <filter path=\"/nameless\" />\n"
      "  </isapiFilters>\n</system.webServer>\n";
  EXPECT_EQ(ParseFilterList(out), (StringList{"a&b", "qorip"}));
  EXPECT_TRUE(ParseFilterList("ERROR ( message:x )").empty());
}

// The appcmd stand-in as a program: its command lines, exit codes and the state it
// shares with the administration provider.
#include <gtest/gtest.h>

#include "platform/fs.h"
#include "platform/iis.h"
#include "platform/iis_appcmd.h"
#include "tests/support/iis_filters.h"
#include "tests/support/temp_install.h"

namespace iis = platform::iis;

namespace {

class Appcmd : public ::testing::Test {
 protected:
  void Install(const std::string& ini) {
    inst.WriteMachineIni(ini);
    std::string dir = inst.MachineRoot() + "Windows/System32/inetsrv/";
    ASSERT_EQ(platform::fs::MakeDirs(dir), platform::fs::kOk);
    program = qortest::InstallProgram("appcmd", dir);
    ASSERT_FALSE(program.empty()) << "appcmd not built in " << qortest::BinDir();
  }
  iis::AppcmdRun Run(const std::string& parameters) { return iis::RunAppcmd(program, parameters, 20000); }
  int Exit(const std::string& parameters) {
    auto r = Run(parameters);
    EXPECT_TRUE(r.exited) << parameters;
    return r.exitCode;
  }
  std::string LoadOrder() { return qortest::FilterLoadOrder(); }

  qortest::TempInstall inst;
  std::string program;
};

const char kAdd32[] =
    "set config /section:isapiFilters /+[name='qorip',path='\"/opt/Qor Site/iis/qorip.dll\"',"
    "preCondition='bitness32']";

}  // namespace

TEST_F(Appcmd, SeedsAndRegistersWhatTheProviderSees) {
  Install("iis_generation=7\n");
  ASSERT_EQ(Exit("qor-seed iis7"), 0);
  ASSERT_EQ(Exit(kAdd32), 0);
  EXPECT_EQ(LoadOrder(), "ASP.Net_4.0_32bit,ASP.Net_4.0_64bit,qorip");
  iis::Object f;
  ASSERT_EQ(iis::Object::Open("IIS://LocalHost/W3SVC/Filters/qorip", f), iis::kOk);
  iis::Value path;
  ASSERT_EQ(f.Get("FilterPath", path), iis::kOk);
  // The double quotes of the command line group the path; they are not part of it.
  EXPECT_EQ(path.AsText(), "/opt/Qor Site/iis/qorip.dll");

  auto list = Run("list config /section:isapiFilters");
  ASSERT_EQ(list.exitCode, 0);
  EXPECT_NE(list.output.find("<filter name=\"qorip\" path=\"/opt/Qor Site/iis/qorip.dll\" enabled=\"true\" "
                             "preCondition=\"bitness32\" />"),
            std::string::npos)
      << list.output;

  EXPECT_EQ(Exit(kAdd32), iis::kAppcmdDuplicate);
  EXPECT_EQ(Exit("set config /section:isapiFilters /+[name='QORIP',path='x']"), iis::kAppcmdDuplicate);
  EXPECT_EQ(Exit("set config /section:system.webServer/isapiFilters /-[name='qorip']"), 0);
  EXPECT_EQ(LoadOrder(), "ASP.Net_4.0_32bit,ASP.Net_4.0_64bit");
  EXPECT_EQ(Exit("set config /section:isapiFilters /-[name='qorip']"), iis::kAppcmdNotListed);

  std::vector<iis::JournalEntry> journal;
  ASSERT_TRUE(iis::ReadJournal(journal));
  ASSERT_FALSE(journal.empty());
  EXPECT_EQ(journal.back().actor, "appcmd");
  EXPECT_EQ(journal.back().op, "delete");
}

TEST_F(Appcmd, RefusesBadSyntax) {
  Install("iis_generation=7\n");
  ASSERT_EQ(Exit("qor-seed iis7"), 0);
  const char* bad[] = {
      "",
      "set",
      "set config",
      "set config /section:isapiFilters",
      "set config /section:defaultDocument /+[name='a']",
      "set config /section:isapiFilters /+[path='x']",
      "set config /section:isapiFilters /+[name='']",
      "set config /section:isapiFilters /+[name='a',colour='x']",
      "set config /section:isapiFilters /+[name='a',enabled='maybe']",
      "set config /section:isapiFilters /+[name='a'",
      "set config /section:isapiFilters /+[name='a",
      "set config /section:isapiFilters +[name='a']",
      "list config /section:isapiFilters /+[name='a']",
      "delete config /section:isapiFilters",
      "qor-seed iis8",
  };
  for (const char* line : bad) EXPECT_EQ(Exit(line), iis::kAppcmdBadSyntax) << line;
  EXPECT_EQ(LoadOrder(), "ASP.Net_4.0_32bit,ASP.Net_4.0_64bit");
  EXPECT_EQ(Exit("set config -section:ISAPIFILTERS /+[name=plain,path=/p/x.dll,enabled=false]"), 0);
  std::vector<iis::FilterEntry> list;
  ASSERT_EQ(iis::ListFilters(list), iis::kOk);
  EXPECT_EQ(list.back().name, "plain");
  EXPECT_EQ(list.back().path, "/p/x.dll");
  EXPECT_FALSE(list.back().enabled);
}

TEST_F(Appcmd, NeedsTheIis7ConfigurationSystem) {
  Install("iis_generation=6\n");
  ASSERT_EQ(Exit("qor-seed iis6"), 0);
  EXPECT_EQ(Exit(kAdd32), iis::kAppcmdNoConfig);
  EXPECT_EQ(Exit("list config /section:isapiFilters"), iis::kAppcmdNoConfig);
  EXPECT_EQ(LoadOrder(), "sspifilt,Compression");
}

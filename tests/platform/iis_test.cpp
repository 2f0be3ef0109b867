#include "platform/faults.h"
#include "platform/iis.h"

#include <gtest/gtest.h>

#include "platform/fs.h"
#include "platform/iis_appcmd.h"
#include "tests/support/temp_install.h"

namespace iis = platform::iis;
namespace fs = platform::fs;

namespace {

struct Seeded {
  explicit Seeded(int generation = 7, const std::string& extra = "") {
    inst.WriteMachineIni(extra);
    EXPECT_EQ(iis::Seed(generation), iis::kOk);
  }
  qortest::TempInstall inst;
};

iis::Object MustOpen(const std::string& path) {
  iis::Object o;
  EXPECT_EQ(iis::Object::Open(path, o), iis::kOk) << path;
  return o;
}

std::string Text(const iis::Object& o, const char* property) {
  iis::Value v;
  if (o.Get(property, v) != iis::kOk) return "<none>";
  return v.AsText();
}

std::vector<std::string> JournalOps() {
  std::vector<iis::JournalEntry> j;
  EXPECT_TRUE(iis::ReadJournal(j));
  std::vector<std::string> out;
  for (const auto& e : j) out.push_back(e.op + " " + e.path + " " + e.detail);
  return out;
}

}  // namespace

TEST(IisObject, OpensPathsCaseBlindAndRefusesOthers) {
  Seeded s;
  struct Case {
    const char* path;
    uint32_t want;
  } cases[] = {
      {"IIS://LocalHost/W3SVC/Filters", iis::kOk},
      {"iis://localhost/w3svc/filters/", iis::kOk},
      {"IIS://QORTEST/W3SVC", iis::kOk},  // the computer name of machine.ini
      {"IIS://LocalHost/W3SVC/1/ROOT", iis::kOk},
      {"IIS://LocalHost/W3SVC/99", iis::kErrPathNotFound},
      {"IIS://otherhost/W3SVC", iis::kErrBadPathname},
      {"LDAP://LocalHost/W3SVC", iis::kErrBadPathname},
      {"IIS://LocalHost", iis::kErrBadPathname},
      {"", iis::kErrBadPathname},
  };
  for (const auto& c : cases) {
    iis::Object o;
    EXPECT_EQ(iis::Object::Open(c.path, o), c.want) << c.path;
    EXPECT_EQ(o.IsBound(), c.want == iis::kOk) << c.path;
  }
  iis::Object root = MustOpen("iis://localhost/w3svc/1/root");
  EXPECT_EQ(root.Name(), "Root");
  EXPECT_EQ(root.Class(), "IIsWebVirtualDir");
  EXPECT_EQ(root.AdsPath(), "IIS://LocalHost/W3SVC/1/Root");
}

TEST(IisObject, ProviderAnswersOnlyWhereMachineIniSays) {
  struct Case {
    const char* ini;
    bool answers;
  } cases[] = {
      {"iis_generation=6\n", true},
      {"iis_generation=7\nadsi=1\n", true},
      {"iis_generation=7\nadsi=0\n", false},
      {"iis_generation=0\n", false},
  };
  for (const auto& c : cases) {
    qortest::TempInstall inst;
    inst.WriteMachineIni(c.ini);
    EXPECT_EQ(iis::ProviderAnswers(), c.answers) << c.ini;
    iis::Object o;
    uint32_t rc = iis::Object::Open("IIS://LocalHost/W3SVC", o);
    EXPECT_EQ(rc, c.answers ? iis::kOk : iis::kErrNoProvider) << c.ini;
    if (!c.answers) {
      EXPECT_EQ(iis::LastError(), 0x01E4);
    }
  }
}

TEST(IisObject, PutIsCachedUntilSetInfoAndJournalledOnce) {
  Seeded s;
  iis::Object site = MustOpen("IIS://LocalHost/W3SVC/1");
  site.Put("servercomment", iis::Value::OfText("新名字"));
  EXPECT_EQ(Text(site, "ServerComment"), "新名字");
  EXPECT_EQ(Text(MustOpen("IIS://LocalHost/W3SVC/1"), "ServerComment"), "Default Web Site");
  ASSERT_EQ(site.SetInfo(), iis::kOk);
  EXPECT_EQ(Text(MustOpen("IIS://LocalHost/W3SVC/1"), "ServerComment"), "新名字");
  // Putting the same value again changes nothing and writes no journal line.
  site.Put("ServerComment", iis::Value::OfText("新名字"));
  ASSERT_EQ(site.SetInfo(), iis::kOk);
  auto ops = JournalOps();
  ASSERT_EQ(ops.size(), 2u);
  EXPECT_EQ(ops[0], "seed  iis7");
  EXPECT_EQ(ops[1], "put W3SVC/1 servercomment=新名字");
}

TEST(IisObject, InheritablePropertiesComeFromAncestors) {
  Seeded s;
  iis::Object root1 = MustOpen("IIS://LocalHost/W3SVC/1/Root");
  iis::Object site2 = MustOpen("IIS://LocalHost/W3SVC/2");
  EXPECT_EQ(Text(root1, "AnonymousUserName"), "IUSR_QORTEST");  // from W3SVC
  EXPECT_EQ(Text(site2, "AnonymousUserName"), "IUSR_SHOP");     // its own
  EXPECT_EQ(Text(root1, "ServerComment"), "<none>");            // not inheritable
  iis::Value v;
  EXPECT_EQ(root1.Get("NoSuchProperty", v), iis::kErrPropertyNotFound);
}

TEST(IisObject, ChildrenCreateAndGetObject) {
  Seeded s;
  iis::Object pools = MustOpen("IIS://LocalHost/W3SVC/AppPools");
  std::vector<iis::Object> children;
  ASSERT_EQ(pools.Children(children), iis::kOk);
  std::vector<std::string> names;
  for (const auto& c : children) names.push_back(c.Name());
  EXPECT_EQ(names, (std::vector<std::string>{"DefaultAppPool", "Classic .NET AppPool", "ShopPool", "OldPool"}));

  iis::Object filters = MustOpen("IIS://LocalHost/W3SVC/Filters");
  iis::Object f;
  EXPECT_EQ(filters.GetObject("IIsFilter", "qorip", f), iis::kErrPathNotFound);
  EXPECT_EQ(filters.Create("IIsWebServer", "qorip", f), iis::kErrSchemaViolation);
  EXPECT_EQ(filters.Create("iisfilter", "ASP.NET_4.0_32BIT", f), iis::kErrAlreadyExists);
  ASSERT_EQ(filters.Create("iisfilter", "qorip", f), iis::kOk);
  EXPECT_EQ(f.Class(), "IIsFilter");
  f.Put("FilterPath", iis::Value::OfText("/p/qorip.dll"));
  // Not there until committed.
  iis::Object again;
  EXPECT_EQ(filters.GetObject("IIsFilter", "qorip", again), iis::kErrPathNotFound);
  ASSERT_EQ(f.SetInfo(), iis::kOk);
  ASSERT_EQ(filters.GetObject("IISFILTER", "QORIP", again), iis::kOk);
  EXPECT_EQ(again.Name(), "qorip");
  EXPECT_EQ(Text(again, "filterpath"), "/p/qorip.dll");
  EXPECT_EQ(filters.GetObject("IIsWebServer", "qorip", again), iis::kErrUnknownObject);
  auto ops = JournalOps();
  EXPECT_EQ(ops[ops.size() - 2], "create W3SVC/Filters/qorip IIsFilter");
  EXPECT_EQ(ops.back(), "put W3SVC/Filters/qorip FilterPath=/p/qorip.dll");
}

TEST(IisObject, RecycleOnlyRunningPools) {
  Seeded s;
  iis::Object running = MustOpen("IIS://LocalHost/W3SVC/AppPools/ShopPool");
  iis::Object stopped = MustOpen("IIS://LocalHost/W3SVC/AppPools/OldPool");
  iis::Object site = MustOpen("IIS://LocalHost/W3SVC/1");
  EXPECT_EQ(running.Invoke("recycle"), iis::kOk);
  EXPECT_EQ(stopped.Invoke("Recycle"), iis::kErrServiceNotActive);
  EXPECT_EQ(site.Invoke("Recycle"), iis::kErrUnknownMethod);
  EXPECT_EQ(running.Invoke("Explode"), iis::kErrUnknownMethod);
  EXPECT_EQ(JournalOps().back(), "recycle W3SVC/AppPools/ShopPool ");
}

TEST(IisObject, TextsWithAwkwardBytesSurviveTheStore) {
  Seeded s;
  // 眧 盶 盵 盷 end in the bytes '|', '\\', '[' and ']'; the rest tests the escapes.
  const std::string awkward = "眧盶盵盷|=[a]%\nb";
  iis::Object site = MustOpen("IIS://LocalHost/W3SVC/3");
  site.Put("ServerComment", iis::Value::OfText(awkward));
  site.Put("ServerBindings", iis::Value::OfList({awkward, "", ":80:x"}));
  site.Put("ServerState", iis::Value::OfNumber(-4));
  ASSERT_EQ(site.SetInfo(), iis::kOk);
  iis::Object back = MustOpen("IIS://LocalHost/W3SVC/3");
  iis::Value v;
  ASSERT_EQ(back.Get("ServerBindings", v), iis::kOk);
  EXPECT_EQ(v.list, (std::vector<std::string>{awkward, "", ":80:x"}));
  EXPECT_EQ(Text(back, "ServerComment"), awkward);
  ASSERT_EQ(back.Get("ServerState", v), iis::kOk);
  EXPECT_EQ(v.AsNumber(), -4);
  std::vector<iis::JournalEntry> j;
  ASSERT_TRUE(iis::ReadJournal(j));
  EXPECT_EQ(j[1].detail, "ServerComment=" + awkward);
}

TEST(IisObject, FailuresOfTheStoreAreReported) {
  Seeded s;
  ASSERT_EQ(fs::WriteFile(iis::StatePath(), "[W3SVC]\n@class=IIsWebService\nbroken line\n"), fs::kOk);
  iis::Object o;
  EXPECT_EQ(iis::Object::Open("IIS://LocalHost/W3SVC", o), iis::kErrInvalidData);

  ASSERT_EQ(iis::Seed(6), iis::kOk);
  iis::Object site = MustOpen("IIS://LocalHost/W3SVC/1");
  {
    platform::faults::Guard faults;
    faults.Fail(platform::faults::Kind::IisWriteState, iis::kErrAccessDenied);
    site.Put("ServerComment", iis::Value::OfText("x"));
    EXPECT_EQ(site.SetInfo(), iis::kErrAccessDenied);
  }
  EXPECT_EQ(Text(MustOpen("IIS://LocalHost/W3SVC/1"), "ServerComment"), "Default Web Site");
  EXPECT_EQ(JournalOps().size(), 1u);  // the seed only
}

TEST(IisFilters, AppcmdViewAndProviderShareOneList) {
  Seeded s;
  ASSERT_EQ(iis::AddFilter({"qorip", "/p/qorip.dll", "bitness32", true}), iis::kOk);
  EXPECT_EQ(iis::AddFilter({"QORIP", "/x", "", true}), iis::kErrAlreadyExists);
  EXPECT_EQ(iis::AddFilter({"", "/x", "", true}), iis::kErrBadPathname);
  EXPECT_EQ(Text(MustOpen("IIS://LocalHost/W3SVC/Filters"), "FilterLoadOrder"),
            "ASP.Net_4.0_32bit,ASP.Net_4.0_64bit,qorip");
  std::vector<iis::FilterEntry> list;
  ASSERT_EQ(iis::ListFilters(list), iis::kOk);
  ASSERT_EQ(list.size(), 3u);
  EXPECT_EQ(list[2].name, "qorip");
  EXPECT_EQ(list[2].path, "/p/qorip.dll");
  EXPECT_EQ(list[2].preCondition, "bitness32");

  // A name the provider wrote twice, in another case, goes at once.
  iis::Object filters = MustOpen("IIS://LocalHost/W3SVC/Filters");
  filters.Put("FilterLoadOrder", iis::Value::OfText("QorIP, a ,qorip"));
  ASSERT_EQ(filters.SetInfo(), iis::kOk);
  ASSERT_EQ(iis::RemoveFilter("qorip"), iis::kOk);
  EXPECT_EQ(Text(filters, "FilterLoadOrder"), "a");
  iis::Object gone;
  EXPECT_EQ(filters.GetObject("IIsFilter", "qorip", gone), iis::kErrPathNotFound);
  EXPECT_EQ(iis::RemoveFilter("qorip"), iis::kErrPathNotFound);
}

TEST(IisSeed, GenerationsAndFolders) {
  {
    Seeded s(6, "is64bit=0\n");
    EXPECT_EQ(Text(MustOpen("IIS://LocalHost/W3SVC/Filters"), "FilterLoadOrder"), "sspifilt,Compression");
    EXPECT_TRUE(fs::IsDirectory(s.inst.MachineRoot() + "Windows/System32/inetsrv"));
    EXPECT_FALSE(fs::Exists(s.inst.MachineRoot() + "Program Files (x86)"));
    iis::Object classic;
    EXPECT_EQ(iis::Object::Open("IIS://LocalHost/W3SVC/AppPools/Classic .NET AppPool", classic), iis::kErrPathNotFound);
  }
  {
    Seeded s(7, "is64bit=1\n");
    EXPECT_TRUE(fs::IsDirectory(s.inst.MachineRoot() + "Program Files (x86)"));
    EXPECT_TRUE(fs::IsDirectory(s.inst.MachineRoot() + "Windows/SysWOW64/inetsrv"));
    EXPECT_TRUE(iis::HasConfigSystem());
  }
  qortest::TempInstall inst;
  inst.WriteMachineIni("iis_generation=6\n");
  EXPECT_FALSE(iis::HasConfigSystem());
  EXPECT_EQ(iis::Seed(5), iis::kErrInvalidData);
  EXPECT_FALSE(fs::Exists(iis::StatePath()));
}

TEST(IisAppcmdRun, WaitsReadsOutputAndEndsAHangingTool) {
  auto ok = iis::RunAppcmd("/bin/sh", "-c \"echo listed; exit 183\"", 10000);
  EXPECT_TRUE(ok.started);
  EXPECT_TRUE(ok.exited);
  EXPECT_EQ(ok.exitCode, 183);
  EXPECT_EQ(ok.output, "listed\n");
  auto missing = iis::RunAppcmd("/no/such/appcmd", "list", 1000);
  EXPECT_FALSE(missing.started);
  auto hang = iis::RunAppcmd("/bin/sh", "-c \"exec sleep 30\"", 50);
  EXPECT_TRUE(hang.started);
  EXPECT_TRUE(hang.timedOut);
  EXPECT_FALSE(hang.exited);
}

// The system page's master switch clicked on and off as a person does: the switch
// shows its state, the store holds it with a new change stamp for the service, and
// the toolbox registers the filter with IIS and takes it out again.
#include "tests/interaction/panel_session.h"

#include "platform/iis.h"
#include "platform/process.h"
#include "resources/panel_main_ids.h"
#include "resources/panel_sys_ids.h"

namespace {

using namespace res::panel;
using qortest::Journey;
using qortest::PanelSession;
namespace iis = platform::iis;

std::string LoadOrder() {
  iis::Object filters;
  if (iis::Object::Open("IIS://LocalHost/W3SVC/Filters", filters) != iis::kOk) return "?";
  iis::Value v;
  if (filters.Get("FilterLoadOrder", v) != iis::kOk) return "?";
  return v.AsText();
}

struct Seen {
  std::string system, loadOrder, shown;
  bool stamp = false;
};

TEST(MasterSwitchTest, OnAndOffReachStoreStampAndIis) {
  PanelSession s;
  s.Install().WriteMachineIni("os_major=5\nos_minor=2\n");
  const std::string inetsrv = s.Install().MachineRoot() + "Windows/System32/inetsrv/";
  ASSERT_EQ(platform::fs::MakeDirs(inetsrv), platform::fs::kOk);
  const std::string appcmd = qortest::InstallProgram("appcmd", inetsrv);
  ASSERT_EQ(platform::process::RunAndWaitArgs(appcmd, {"qor-seed", "iis6"}, 20000).exitCode, 0);
  ASSERT_FALSE(qortest::InstallProgram("QoripTools", s.Install().ProgramDir()).empty());
  s.Install().WriteProgramFile("iis/qorip.dll", "MZ");

  auto& user = s.User();
  qortest::QuietPanel panel;
  std::string orderBefore;
  Seen on, off;
  auto ready = [&] {
    return panel.SystemPage() && panel.SystemPage()->IsVisible() && user.LooksEnabled(*panel.SystemPage(), kIdcSysMasterSwitch);
  };
  auto look = [&](Seen& seen) {
    const auto stored = s.ReadStore();
    seen.system = stored.system;
    seen.stamp = s.Exists("iis/apply.db");
    seen.loadOrder = LoadOrder();
    seen.shown = user.Text(*panel.SystemPage(), kIdcSysMasterSwitch);
    (void)platform::fs::DeleteFile(s.Install().ProgramDir() + "iis/apply.db");  // may not be there yet
  };
  Journey j;
  j.Then("system page", [&] { return s.PanelReady(panel) && ready(); },
         [&] {
           orderBefore = LoadOrder();
           (void)platform::fs::DeleteFile(s.Install().ProgramDir() + "iis/apply.db");  // may not be there yet
           user.Click(*panel.SystemPage(), kIdcSysMasterSwitch);
         })
      .Then("switched on", ready,
            [&] {
              look(on);
              user.Click(*panel.SystemPage(), kIdcSysMasterSwitch);
            })
      .Then("switched off", [&] { return ready() && user.Ready(panel, kIdcCloseButton); },
            [&] {
              look(off);
              user.Click(panel, kIdcCloseButton);
            });
  ASSERT_EQ(s.RunToTheEnd(j, panel), "");

  EXPECT_EQ(orderBefore, "sspifilt,Compression");
  EXPECT_EQ(on.system, "1");
  EXPECT_TRUE(on.stamp);
  EXPECT_EQ(on.loadOrder, "sspifilt,Compression,qorip");
  EXPECT_EQ(on.shown, "系统总开关（已开启）");
  EXPECT_EQ(off.system, "0");
  EXPECT_TRUE(off.stamp);
  EXPECT_EQ(off.loadOrder, "sspifilt,Compression");
  EXPECT_EQ(off.shown, "系统总开关（已关闭）");
}

}  // namespace

// QoripPanel: the tray status program. Its arguments (" -autorun") change nothing.
// Without a display there is nowhere to show the icon: it says so and ends with
// kExitNoDisplay, whether no display is named or the one named cannot be reached.
#include <cstdio>
#include <string>

#include "platform/textconv.h"
#include "platform/ui/qt/qt_display.h"
#include "platform/ui/qt/qt_host.h"
#include "resources/tray_resources.h"
#include "tray/qor_panel_app.h"

namespace {

constexpr int kExitNoDisplay = 3;

int NoDisplay(const std::string& why) {
  std::fputs(platform::GbkToUtf8("QoripPanel：" + why + "，无法显示托盘图标。\n").c_str(), stderr);
  return kExitNoDisplay;
}

}  // namespace

int main(int argc, char** argv) {
  CQorPanelApp theApp;
  // A second start ends before it opens anything.
  if (!theApp.ClaimInstance()) return 0;
  const ui::DisplayChoice display = ui::ChooseDisplay();
  if (!display.callerChose && display.named.empty())
    return NoDisplay("没有可用的显示（DISPLAY 和 WAYLAND_DISPLAY 均未设置）");
  ui::QtArguments qtArgs(argc, argv, display);
  ui::QtHost host(qtArgs.Argc(), qtArgs.Argv());
  if (display.WantsDisplay() && host.IsOffscreen())
    return NoDisplay("无法连接显示（" + platform::Utf8ToGbk(display.named) + "）");
  res::InstallTrayResources();
  theApp.RunDialog();
  return 0;
}

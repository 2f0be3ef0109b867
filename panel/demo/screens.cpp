// Renders every window and page of the panel to PNG files in a folder, on the
// installation that QOR_PROGRAM_DIR and QOR_MACHINE_ROOT name: the main window on its
// three pages, the rule editor on each of its pages, the site picker, the log viewer,
// the About box, the start splash, and the tray program's menu.
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>

#include "common/coding.h"
#include "common/config.h"
#include "common/hardware.h"
#include "common/program_paths.h"
#include "common/system_info.h"
#include "panel/about_dlg.h"
#include "panel/dialog_log_show.h"
#include "panel/dialog_start.h"
#include "panel/dlg_base_sel_sites.h"
#include "panel/dlg_rule.h"
#include "panel/panel_globals.h"
#include "panel/qor_ip_dlg.h"
#include "platform/clock.h"
#include "platform/fs.h"
#include "platform/ui/qt/qt_display.h"
#include "platform/ui/qt/qt_host.h"
#include "platform/ui/ui_hooks.h"
#include "resources/panel_log_ids.h"
#include "resources/panel_resources.h"
#include "resources/panel_rule_ids.h"
#include "resources/tray_ids.h"
#include "resources/tray_resources.h"

namespace {

using namespace res::panel;

// The main window as it is after its start, without the splash and the web notices.
class ShownPanel : public CQorIPDlg {
 public:
  ShownPanel() { SetNoticeFetcher(nullptr); }

 protected:
  void RunStartSplash() override {
    g_Config.SetKey(TextToKey(CHardware().GetMachineKeyText(Build::Panel)));
    g_Config.Load();
    g_LogDir = GetModuleDir() + "log/";
  }
};

// Lets timers and posted work run until done() or about three seconds passed.
void PumpUntil(const std::function<bool()>& done) {
  for (int i = 0; i < 300 && !done(); ++i) {
    PumpMessages();
    platform::clock::Sleep(10);
  }
  PumpMessages();
}

int g_written = 0, g_failed = 0;

void Shot(ui::QtHost& host, ui::Dialog& dlg, const std::string& folder, const std::string& name) {
  const bool ok = host.RenderToPng(dlg, folder + "/" + name + ".png");
  ok ? ++g_written : ++g_failed;
  if (!ok) std::fprintf(stderr, "qorscreens: %s not written\n", name.c_str());
}

}  // namespace

int main(int argc, char** argv) {
  const char* usage =
      "usage: qorscreens FOLDER\n"
      "  renders every window and page of the panel to PNG files in FOLDER, on the\n"
      "  installation that QOR_PROGRAM_DIR and QOR_MACHINE_ROOT name; off screen where\n"
      "  there is no display\n";
  const std::string first = argc > 1 ? argv[1] : "";
  if (first == "--help" || first == "-h") {
    std::fputs(usage, stdout);
    return 0;
  }
  if (argc != 2 || first.empty() || first[0] == '-') {
    std::fputs(usage, stderr);
    return 2;
  }
  const std::string folder = first;
  if (platform::fs::MakeDirs(folder) != platform::fs::kOk) {
    std::fprintf(stderr, "qorscreens: cannot make the folder %s\n", folder.c_str());
    return 1;
  }
  // Pictures need no screen: the display where it answers, off screen otherwise.
  ui::QtArguments qtArgs(argc, argv, ui::ChooseDisplay());
  ui::QtHost host(qtArgs.Argc(), qtArgs.Argv());
  res::InstallPanelResources();
  {
    ShownPanel panel;
    if (panel.Create(nullptr)) {
      PumpUntil([&] { return panel.SystemPage() && panel.LogsPage(); });
      Shot(host, panel, folder, "main_system");
      panel.OnRulesTab();
      PumpUntil([] { return false; });
      Shot(host, panel, folder, "main_rules");
      panel.OnLogsTab();
      PumpUntil([&] { return panel.LogsPage()->ItemText(kIdcLogHint).find("完毕") != std::string::npos; });
      Shot(host, panel, folder, "main_logs");
      panel.DestroyWindow();
    }
  }
  {
    CDlgRule editor(PanelRuleContext());
    if (editor.Create(nullptr)) {
      const std::pair<int, const char*> basic[] = {{kIdcShowBase, "base"}, {kIdcShowArea, "region"},
                                                   {kIdcShowIp, "ip"},     {kIdcShowUrl, "url"},
                                                   {kIdcShowNotice, "notice"}};
      for (const auto& [id, name] : basic) {
        editor.BasicGroup().Click(id);
        PumpUntil([] { return false; });
        Shot(host, editor, folder, std::string("editor_basic_") + name);
      }
      editor.Click(kIdcEditorAdvanced);
      const std::pair<int, const char*> advanced[] = {{kIdcShowSpider, "spider"}, {kIdcShowAgent, "proxy"},
                                                      {kIdcShowTime, "time"},     {kIdcShowRefer, "referer"},
                                                      {kIdcShowBrowser, "browser"}, {kIdcShowOs, "os"}};
      for (const auto& [id, name] : advanced) {
        editor.AdvancedGroup().Click(id);
        PumpUntil([] { return false; });
        Shot(host, editor, folder, std::string("editor_advanced_") + name);
      }
      editor.DestroyWindow();
    }
  }
  {
    std::string domains;
    CDlgBaseSelSites picker(domains);
    if (picker.Create(nullptr)) {
      PumpUntil([] { return false; });
      Shot(host, picker, folder, "site_picker");
      picker.DestroyWindow();
    }
  }
  {
    CDialogLogShow viewer;
    if (viewer.Create(nullptr)) {
      PumpUntil([&] { return viewer.ItemText(kIdcShowStatus).find("完毕") != std::string::npos; });
      Shot(host, viewer, folder, "log_viewer");
      viewer.DestroyWindow();
    }
  }
  {
    CAboutDlg about;
    if (about.Create(nullptr)) {
      Shot(host, about, folder, "about");
      about.DestroyWindow();
    }
  }
  {
    CDialogStart splash(g_Config);
    if (splash.Create(nullptr)) {
      Shot(host, splash, folder, "splash");
      splash.DestroyWindow();
    }
  }
  res::InstallTrayResources();
  const ui::Menu* trayMenu = ui::LoadMenu(res::tray::kMenuTray);
  if (trayMenu && trayMenu->SubMenu(0) && host.RenderMenuToPng(*trayMenu->SubMenu(0), folder + "/tray_menu.png"))
    ++g_written;
  else
    ++g_failed;
  ui::InstallResources(nullptr);
  std::printf("%d written, %d failed\n", g_written, g_failed);
  return g_failed == 0 ? 0 : 1;
}

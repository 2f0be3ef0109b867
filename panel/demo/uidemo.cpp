// Shows the start splash and then the button sample. With --png FOLDER both are
// written to FOLDER as splash.png and button_sample.png instead of being shown.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "common/config.h"
#include "panel/dialog_start.h"
#include "platform/fs.h"
#include "panel/demo/button_sample.h"
#include "platform/ui/qt/qt_display.h"
#include "platform/ui/qt/qt_host.h"
#include "resources/demo_resources.h"

namespace {

const char kUsage[] =
    "usage: uidemo [--png FOLDER]\n"
    "  shows the start splash, then the owner-drawn buttons; with --png writes them to\n"
    "  FOLDER as splash.png and button_sample.png instead (no display needed)\n";

int Refuse(const std::string& why) {
  std::fprintf(stderr, "uidemo: %s\n%s", why.c_str(), kUsage);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  std::string pngFolder;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--help" || arg == "-h") {
      std::fputs(kUsage, stdout);
      return 0;
    }
    if (arg != "--png") return Refuse("unknown argument " + arg);
    if (i + 1 >= argc || argv[i + 1][0] == '\0' || argv[i + 1][0] == '-') return Refuse("--png needs a folder");
    pngFolder = argv[++i];
  }

  const ui::DisplayChoice display = ui::ChooseDisplay();
  if (pngFolder.empty() && !display.callerChose && display.named.empty()) {
    std::fputs("uidemo: no display (DISPLAY and WAYLAND_DISPLAY are not set); --png FOLDER needs none\n", stderr);
    return 1;
  }
  ui::QtArguments qtArgs(argc, argv, display);
  ui::QtHost host(qtArgs.Argc(), qtArgs.Argv());
  if (pngFolder.empty() && display.WantsDisplay() && host.IsOffscreen()) {
    std::fprintf(stderr, "uidemo: cannot open the display (%s); --png FOLDER needs none\n", display.named.c_str());
    return 1;
  }
  res::InstallDemoResources();
  // The demo's store lives in the temporary folder, not beside the program.
  const char* tmp = std::getenv("TMPDIR");
  CConfig config;
  config.SetPath(std::string(tmp && *tmp ? tmp : "/tmp") + "/uidemo-config.db");

  if (pngFolder.empty()) {
    CDialogStart splash(config);
    splash.DoModal();
    CButtonSample sample;
    sample.DoModal();
    return 0;
  }
  if (platform::fs::MakeDirs(pngFolder) != platform::fs::kOk) {
    std::fprintf(stderr, "uidemo: cannot make the folder %s\n", pngFolder.c_str());
    return 1;
  }
  CDialogStart splash(config);
  CButtonSample sample;
  bool ok = splash.Create() && host.RenderToPng(splash, pngFolder + "/splash.png");
  splash.DestroyWindow();
  ok = sample.Create() && host.RenderToPng(sample, pngFolder + "/button_sample.png") && ok;
  std::printf("%s\n", ok ? "written" : "failed");
  return ok ? 0 : 1;
}

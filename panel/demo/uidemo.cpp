// Shows the start splash and then the button sample. With --png FOLDER both are
// written to FOLDER as splash.png and button_sample.png instead of being shown.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "common/config.h"
#include "panel/dialog_start.h"
#include "platform/fs.h"
#include "panel/demo/button_sample.h"
#include "platform/ui/qt/qt_host.h"
#include "resources/demo_resources.h"

int main(int argc, char** argv) {
  std::string pngFolder;
  for (int i = 1; i + 1 < argc; ++i)
    if (std::strcmp(argv[i], "--png") == 0) pngFolder = argv[i + 1];

  ui::QtHost host(argc, argv);
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
  platform::fs::MakeDirs(pngFolder);
  CDialogStart splash(config);
  CButtonSample sample;
  bool ok = splash.Create() && host.RenderToPng(splash, pngFolder + "/splash.png");
  splash.DestroyWindow();
  ok = sample.Create() && host.RenderToPng(sample, pngFolder + "/button_sample.png") && ok;
  std::printf("%s\n", ok ? "written" : "failed");
  return ok ? 0 : 1;
}

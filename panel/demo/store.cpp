// Writes the store of the installation that QOR_PROGRAM_DIR and QOR_MACHINE_ROOT name as
// an administrator leaves it right after installing: the panel's defaults, protection
// switched on. The store is bound to the machine that reads it, so it is written on that
// machine, for the demo. The service reloads it through the change stamp.
#include <cstdio>
#include <string>

#include "common/config.h"
#include "panel/panel_globals.h"

namespace {

const char* kUsage =
    "usage: qorstore\n"
    "Writes iis/config.db of the program folder: the panel's defaults, protection on.\n";

}  // namespace

int main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--help" || arg == "-h") {
      std::fputs(kUsage, stdout);
      return 0;
    }
    std::fprintf(stderr, "qorstore: unknown argument %s\n%s", arg.c_str(), kUsage);
    return 2;
  }
  CConfig config(Build::Panel);
  if (LoadPanelStore(config, false) != 1) {
    std::fprintf(stderr, "qorstore: %s cannot be read\n", config.GetPath().c_str());
    return 1;
  }
  config.SetSystem("1");
  if (config.Save() != 1) {
    std::fprintf(stderr, "qorstore: %s cannot be written\n", config.GetPath().c_str());
    return 1;
  }
  std::printf("store written: %s\n", config.GetPath().c_str());
  return 0;
}

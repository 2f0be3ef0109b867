#include "tray/process_check.h"

#include "common/hardware.h"

int IsProcessRunning(const std::string& exeName) { return CHardware().FindProcess(exeName); }

#pragma once
// A DISPLAY value that names no X server, as a shell keeps it after its X session ended.
#include <string>

namespace qortest {

// ":N" for a display number with no server socket on this machine.
std::string AbsentDisplay();

}  // namespace qortest

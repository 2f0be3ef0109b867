#pragma once
#include <string>

// Runs the program (path exactly, no shell) with the parameters and waits for its end;
// 1 when it ran to its end, 0 when it could not be started.
int RunProcessWait(const std::string& program, const std::string& parameters, bool hide = false);

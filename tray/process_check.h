#pragma once
// Whether a program runs, by its Windows file name ("qoripsvc.exe"), case-blind.
#include <string>

// 1 when a running process has that name, 0 when none has, -1 without a process list.
int IsProcessRunning(const std::string& exeName);

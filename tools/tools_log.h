#pragma once
// The toolbox log, QoripTools.log in the log folder of the program folder: its only
// report.
#include <string>

std::string ToolsLogPath();
// "[" + short date and long time + "]" + message; a blank message writes nothing.
void WriteLog(const std::string& message);

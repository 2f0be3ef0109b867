#pragma once
// Listing and ordering the daily log files.
#include <string>

#include "common/build.h"

// Bare names of dir's entries matching "*.<extension>" ("*.*" for "" or "*"), without
// dot-folders, "debug.log" and "system.log".
int ListLogFiles(StringList& list, const std::string& dir, const std::string& extension);
// Keeps the daily log names whose date key has 4 or more characters, in ascending
// date order (ties in their first-come order).
int SortLogFileList(StringList& list);
// "qor2016-9-30.log" -> "2016-09-30".
std::string LogFileDateKey(const std::string& name);

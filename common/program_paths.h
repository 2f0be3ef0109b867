#pragma once
// The panel's program-wide paths and its record file qorip.db.
#include <string>

#include "common/ini_reader.h"

// Program folder with its trailing '/'.
extern std::string g_ProgramDir;
// g_ProgramDir + "log/", the folder of the daily logs.
extern std::string g_LogDir;

// Sets both paths from the program folder and creates the log folder (one level) when
// it is missing or not a folder; a folder that cannot be made is not reported. Called
// again it follows a changed program folder.
void InitGlobalPaths();

// The record file: system directory + "qorip.db", section "qor".
inline constexpr const char* kRecordSection = "qor";
std::string RecordFilePath();
// A reader of the record file. Built as a panel reader first, so the default settings
// file exists afterwards as it does after every panel reader.
CIniReader RecordFileReader();

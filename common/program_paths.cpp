#include "common/program_paths.h"

#include "common/system_info.h"
#include "platform/fs.h"

std::string g_ProgramDir;
std::string g_LogDir;

void InitGlobalPaths() {
  g_ProgramDir = GetModuleDir();
  if (g_ProgramDir.empty() || g_ProgramDir.back() != '/') g_ProgramDir += '/';
  g_LogDir = g_ProgramDir + "log/";
  std::string dir = g_LogDir.substr(0, g_LogDir.size() - 1);
  // Not reported: without the folder each log write fails and returns 0.
  if (!platform::fs::IsDirectory(dir)) (void)platform::fs::MakeDir(dir);
}

std::string RecordFilePath() { return GetSystemDir() + "qorip.db"; }

CIniReader RecordFileReader() {
  CIniReader reader(Build::Panel);
  reader.SetPath(RecordFilePath());
  return reader;
}

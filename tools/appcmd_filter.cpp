#include "tools/appcmd_filter.h"

#include <cstdio>

#include "platform/gbk.h"
#include "platform/iis.h"
#include "platform/iis_appcmd.h"
#include "platform/paths.h"
#include "tools/windows_info.h"

namespace iis = platform::iis;

namespace {

bool IsBlank(const std::string& name) { return gbk::Trim(name, " ").empty(); }

// Runs a command line of the tool; exit code 0 and okCode count as success.
bool RunLine(const std::string& line, int okCode, std::string& errorText, std::string* output = nullptr) {
  const std::string command = AppcmdCommandName();
  std::string parameters = line.substr(command.size());
  iis::AppcmdRun run = iis::RunAppcmd(AppcmdProgramFile(), parameters, kAppcmdTimeoutMs);
  if (!run.started) {
    errorText = "无法启动" + command;
    return false;
  }
  if (run.timedOut) {
    errorText = "appcmd未在限定时间内结束";
    return false;
  }
  if (!run.exited || (run.exitCode != 0 && run.exitCode != okCode)) {
    char text[64];
    std::snprintf(text, sizeof text, "appcmd执行失败，退出码：%d", run.exitCode);
    errorText = text;
    return false;
  }
  if (output) *output = run.output;
  return true;
}

}  // namespace

std::string AppcmdCommandName() { return GetSystemFolder() + "/inetsrv/appcmd.exe"; }

std::string AppcmdProgramFile() {
  std::string dir = GetSystemFolder() + "/inetsrv/";
  return dir + platform::MapProgramName("appcmd.exe", dir);
}

std::string AddFilterCommandLine(const std::string& name, const std::string& path, bool is64) {
  return AppcmdCommandName() + " set config /section:isapiFilters /+[name='" + name + "',path='\"" + path +
         (is64 ? "\"',preCondition='bitness64']" : "\"',preCondition='bitness32']");
}

std::string RemoveFilterCommandLine(const std::string& name) {
  return AppcmdCommandName() + " set config /section:isapiFilters /-[name='" + name + "']";
}

std::string ListFiltersCommandLine() { return AppcmdCommandName() + " list config /section:isapiFilters"; }

bool AddFilterByAppcmd(const std::string& name, const std::string& path, bool is64, std::string& errorText) {
  if (IsBlank(name)) return false;
  if (gbk::Find(path, '"') != gbk::npos) {
    // The quote would end the quoted path inside the command line.
    errorText = "组件路径含有引号，无法登记（" + path + "）";
    return false;
  }
  return RunLine(AddFilterCommandLine(name, path, is64), iis::kAppcmdDuplicate, errorText);
}

bool RemoveFilterByAppcmd(const std::string& name, std::string& errorText) {
  if (IsBlank(name)) return false;
  return RunLine(RemoveFilterCommandLine(name), 0, errorText);
}

StringList ParseFilterList(const std::string& output) {
  StringList names;
  const std::string open = "<filter ", key = "name=\"";
  for (size_t at = gbk::FindNoCase(output, open); at != gbk::npos; at = gbk::FindNoCase(output, open, at + 1)) {
    size_t end = gbk::Find(output, '>', at);
    std::string element = output.substr(at, end == gbk::npos ? gbk::npos : end - at);
    size_t k = gbk::FindNoCase(element, " " + key);
    if (k == gbk::npos) continue;
    size_t start = k + 1 + key.size();
    size_t close = gbk::Find(element, '"', start);
    if (close == gbk::npos) continue;
    std::string name = element.substr(start, close - start);
    gbk::ReplaceAll(name, "&quot;", "\"");
    gbk::ReplaceAll(name, "&lt;", "<");
    gbk::ReplaceAll(name, "&amp;", "&");
    names.push_back(name);
  }
  return names;
}

bool ListAppcmdFilters(StringList& names, std::string& errorText) {
  names.clear();
  std::string output;
  if (!RunLine(ListFiltersCommandLine(), 0, errorText, &output)) return false;
  names = ParseFilterList(output);
  return true;
}

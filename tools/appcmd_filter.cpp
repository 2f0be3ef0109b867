#include "tools/appcmd_filter.h"

#include <algorithm>
#include <cstdio>
#include <thread>  // std::chrono clocks; <chrono> itself has a literal with no GBK form

#include "platform/gbk.h"
#include "platform/iis.h"
#include "platform/iis_appcmd.h"
#include "platform/clock.h"
#include "platform/paths.h"
#include "platform/textconv.h"
#include "tools/windows_info.h"

namespace iis = platform::iis;

namespace {

bool IsBlank(const std::string& name) { return gbk::Trim(name, " ").empty(); }

long long SteadyNowMs() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

// Runs a command line of the tool; exit code 0 and okCode count as success. Paths in
// the error text cross from the OS's UTF-8 to the log's GBK here.
bool RunLine(const std::string& line, int okCode, std::string& errorText, const CAppcmdDeadline& deadline,
             std::string* output = nullptr) {
  const std::string command = AppcmdCommandName();
  if (deadline.Passed()) {
    errorText = "登记未在限定时间内完成，未执行：" + platform::Utf8ToGbk(line);
    return false;
  }
  std::string parameters = line.substr(command.size());
  long long waitMs = std::min(kAppcmdTimeoutMs, deadline.RemainingMs());
  iis::AppcmdRun run = iis::RunAppcmd(AppcmdProgramFile(), parameters, waitMs);
  if (!run.started) {
    errorText = "无法启动" + platform::Utf8ToGbk(command);
    return false;
  }
  if (run.timedOut) {
    errorText = "appcmd未在限定时间内结束：" + platform::Utf8ToGbk(line);
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

CAppcmdDeadline CAppcmdDeadline::In(long long ms) {
  CAppcmdDeadline d;
  d.m_endMs = SteadyNowMs() + platform::clock::ScaledMs(ms);
  return d;
}

long long CAppcmdDeadline::RemainingMs() const {
  if (m_endMs < 0) return kAppcmdTimeoutMs;
  long long left = m_endMs - SteadyNowMs();
  return left < 0 ? 0 : left;
}

std::string AppcmdCommandName() { return GetSystemFolder() + "/inetsrv/appcmd.exe"; }

std::string AppcmdProgramFile() {
  std::string dir = GetSystemFolder() + "/inetsrv/";
  return dir + platform::MapProgramName("appcmd.exe", dir);
}

std::string AddFilterCommandLine(const std::string& name, const std::string& path, bool is64) {
  const std::string single = gbk::Find(path, '\'') == gbk::npos ? "'" : "";
  return AppcmdCommandName() + " set config /section:isapiFilters /+[name='" + name + "',path=" + single + "\"" +
         path + "\"" + single + (is64 ? ",preCondition='bitness64']" : ",preCondition='bitness32']");
}

std::string RemoveFilterCommandLine(const std::string& name) {
  return AppcmdCommandName() + " set config /section:isapiFilters /-[name='" + name + "']";
}

std::string ListFiltersCommandLine() { return AppcmdCommandName() + " list config /section:isapiFilters"; }

bool AddFilterByAppcmd(const std::string& name, const std::string& path, bool is64, std::string& errorText,
                       const CAppcmdDeadline& deadline) {
  if (IsBlank(name)) return false;
  const bool single = gbk::Find(path, '\'') != gbk::npos;
  if (gbk::Find(path, '"') != gbk::npos ||
      (single && (gbk::Find(path, ',') != gbk::npos || gbk::Find(path, ']') != gbk::npos))) {
    // The quote would end the quoted path inside the command line.
    errorText = "组件路径含有引号，无法登记（" + platform::Utf8ToGbk(path) + "）";
    return false;
  }
  return RunLine(AddFilterCommandLine(name, path, is64), iis::kAppcmdDuplicate, errorText, deadline);
}

bool RemoveFilterByAppcmd(const std::string& name, std::string& errorText, const CAppcmdDeadline& deadline) {
  if (IsBlank(name)) return false;
  return RunLine(RemoveFilterCommandLine(name), iis::kAppcmdNotListed, errorText, deadline);
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

bool ListAppcmdFilters(StringList& names, std::string& errorText, const CAppcmdDeadline& deadline) {
  names.clear();
  std::string output;
  if (!RunLine(ListFiltersCommandLine(), 0, errorText, deadline, &output)) return false;
  names = ParseFilterList(output);
  return true;
}

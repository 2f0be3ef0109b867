#include <cstdio>
#include <vector>

#include "platform/gbk.h"
#include "common/hardware.h"
#include "common/system_info.h"
#include "common/tray_message.h"
#include "platform/paths.h"
#include "platform/process.h"
#include "platform/registry.h"
#include "platform/textconv.h"

namespace {

namespace proc = platform::process;

const char kRunKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const char kTrayValue[] = "QoripPanel";
const char kTrayProgram[] = "QoripPanel.exe";

// Windows reserves these ids for the idle and the system process.
bool IsSystemId(int pid) { return pid == 0 || pid == 4; }

std::string NameOf(const proc::ProcessInfo& p) { return platform::Utf8ToGbk(p.exeName); }

// The ".exe" rule, folding only ASCII letters that are not the second byte of a pair.
bool SameProgram(const std::string& a, const std::string& b) {
  return gbk::EqualsNoCase(platform::StripExe(a), platform::StripExe(b));
}

bool SameName(const proc::ProcessInfo& p, const std::string& exeName) { return SameProgram(NameOf(p), exeName); }

std::string ErrorText(const char* call, int code) {
  char buf[96];
  std::snprintf(buf, sizeof buf, "%s失败：%d", call, code);
  return buf;
}

}  // namespace

int CHardware::FindProcess(const std::string& exeName) {
  std::vector<proc::ProcessInfo> list;
  if (!proc::Snapshot(list) || list.empty()) return -1;
  std::string want = gbk::ToLower(exeName);
  for (const auto& p : list)
    if (SameName(p, want)) return 1;
  return 0;
}

int CHardware::KillProcessByName(const std::string& exeName) {
  std::vector<proc::ProcessInfo> list;
  if (!proc::Snapshot(list)) return 0;
  for (const auto& p : list) {
    if (!SameName(p, exeName)) continue;
    return proc::Kill(p.pid) ? 1 : 0;
  }
  return 0;
}

int CHardware::ListProcessOwners(const std::string& exeName, StringList& ids, StringList& accounts) {
  ids.clear();
  accounts.clear();
  std::string want = gbk::ToLower(gbk::Trim(exeName, " \t"));
  if (want.empty()) return 0;
  std::vector<proc::ProcessInfo> list;
  if (!proc::Snapshot(list)) return 0;
  for (const auto& p : list) {
    if (IsSystemId(p.pid)) continue;
    std::string name = gbk::ToLower(gbk::Trim(NameOf(p), " \t"));
    if (name.empty() || !SameProgram(name, want)) continue;
    ids.push_back(std::to_string(p.pid));
    accounts.push_back(GetProcessOwner(p.pid));
  }
  return static_cast<int>(ids.size());
}

int CHardware::KillProcess(int pid) {
  std::vector<proc::ProcessInfo> list;
  if (!proc::Snapshot(list)) return 0;
  for (const auto& p : list)
    if (p.pid == pid) return proc::Kill(pid) ? 1 : 0;
  return 0;
}

std::string CHardware::GetProcessOwner(int pid) {
  if (pid >= 0 && pid <= 4) return "";
  return platform::Utf8ToGbk(proc::ProcessOwner(pid));
}

std::string CHardware::SetTrayAutorun() {
  namespace reg = platform::registry;
  reg::Key key;
  if (int rc = reg::OpenKey(kRunKey, key)) return ErrorText("RegOpenKey", rc);
  std::string value = "\"" + GetModuleDir() + platform::MapProgramName(kTrayProgram, GetModuleDir()) + "\" -autorun";
  if (int rc = key.SetString(kTrayValue, value)) return ErrorText("RegSetValueEx", rc);
  return "";
}

int CHardware::RemoveTrayAutorun() {
  namespace reg = platform::registry;
  reg::Key key;
  if (reg::CreateKey(kRunKey, key) != reg::kOk) return 0;
  return key.DeleteValue(kTrayValue) == reg::kOk ? 1 : 0;
}

int CHardware::SendTrayCommand() { return SendTrayMessage(BuildTrayMessage(kTrayCmdQuit)) ? 1 : 0; }

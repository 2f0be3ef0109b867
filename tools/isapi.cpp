#include "tools/isapi.h"

#include "common/coding.h"
#include "common/filter_module.h"
#include "platform/gbk.h"
#include "platform/ui/ui_hooks.h"
#include "platform/clock.h"
#include "platform/textconv.h"
#include "tools/adsi_filter.h"
#include "tools/appcmd_filter.h"
#include "tools/file_tests.h"
#include "tools/windows_info.h"

std::string g_FilterPath;
std::string g_FilterName;
int g_OsCode = 0;
bool g_Is64 = false;
std::string g_FilterPath64;
std::string g_FilterName64;

namespace {
constexpr const char* kUnknownOs = "未知操作系统版本！";
// The IIS 7 registrations run in their own processes; these pauses give the
// configuration system time to settle before the next step.
constexpr int kSettleMs = 500;
constexpr int kVerifyPasses = 11;

bool Listed(const StringList& names, const std::string& name) {
  for (const auto& n : names)
    if (gbk::EqualsNoCase(n, name)) return true;
  return false;
}

bool LoadByAppcmd(std::string& errorText) {
  const CAppcmdDeadline deadline = CAppcmdDeadline::In(kRegistrationTimeoutMs);
  bool result = AddFilterByAppcmd(g_FilterName, g_FilterPath, false, errorText, deadline);
  platform::clock::Sleep(kSettleMs);
  if (g_Is64 && deadline.Passed()) {
    // Out of time: the step that did not finish is named, else the one that did not run.
    if (errorText.empty()) AddFilterByAppcmd(g_FilterName64, g_FilterPath64, true, errorText, deadline);
    result = false;
  } else if (g_Is64) {
    AddFilterByAppcmd(g_FilterName64, g_FilterPath64, true, errorText, deadline);
    platform::clock::Sleep(kSettleMs);
    PumpMessages();
    // Both registrations must show in the tool's list; each miss registers both again.
    result = false;
    for (int pass = 0; pass < kVerifyPasses && !deadline.Passed(); ++pass) {
      StringList names;
      std::string listError;
      if (ListAppcmdFilters(names, listError, deadline) && Listed(names, g_FilterName) &&
          Listed(names, g_FilterName64)) {
        result = true;
        break;
      }
      if (!listError.empty()) errorText = listError;
      if (deadline.Passed()) break;
      AddFilterByAppcmd(g_FilterName, g_FilterPath, false, errorText, deadline);
      PumpMessages();
      platform::clock::Sleep(kSettleMs);
      if (deadline.Passed()) break;
      AddFilterByAppcmd(g_FilterName64, g_FilterPath64, true, errorText, deadline);
      platform::clock::Sleep(kSettleMs);
    }
    if (result) errorText.clear();
    else if (errorText.empty()) errorText = "appcmd未列出已登记的过滤器";
  }
  PumpMessages();
  return result;
}
}  // namespace

void SetUpFilterGlobals() {
  const std::string folder = ProgramFolder() + "/";
  const std::string word = GetBuiltinText();
  g_FilterPath = folder + "iis/" + word + filter_module::kModuleEnding32;
  g_FilterName = word + "ip";
  g_OsCode = GetOsVersionCode();
  g_Is64 = IsWindows64();
  g_FilterPath64 = folder + "iis/" + word + filter_module::kModuleEnding64;
  g_FilterName64 = word + "ip64";
  // A system without the 64-bit module is handled as 32-bit.
  if (!FileExistsByDir(g_FilterPath64)) g_Is64 = false;
}

bool LoadIsapi(std::string& errorText) {
  if (!FileExistsByDir(g_FilterPath)) {
    errorText = "组件不存在（" + platform::Utf8ToGbk(g_FilterPath) + "),请检查。";
    return false;
  }
  if (g_OsCode < 60) {
    if (g_OsCode != 50 && g_OsCode != 51 && g_OsCode != 52) {
      errorText = kUnknownOs;
      return false;
    }
    // A name that is listed already is registered: success on every version.
    AdsiInstall r = InstallFilterByAdsi(g_FilterName, g_FilterPath, errorText);
    if (g_OsCode == 52) return r != AdsiInstall::Failed;
    return r == AdsiInstall::Registered || r == AdsiInstall::AlreadyListed;
  }
  return LoadByAppcmd(errorText);
}

bool UnloadIsapi(std::string& errorText) {
  if (g_OsCode == 0) g_OsCode = GetOsVersionCode();
  if (g_OsCode == 50 || g_OsCode == 51 || g_OsCode == 52)
    return UninstallFilterByAdsi(g_FilterName, g_FilterPath, errorText);
  if (g_OsCode < 60) {
    errorText = kUnknownOs;
    return false;
  }
  const CAppcmdDeadline deadline = CAppcmdDeadline::In(kRegistrationTimeoutMs);
  bool result = RemoveFilterByAppcmd(g_FilterName, errorText, deadline);
  if (g_Is64) {
    platform::clock::Sleep(kSettleMs);
    std::string error64;
    if (!RemoveFilterByAppcmd(g_FilterName64, error64, deadline)) {
      result = false;
      if (errorText.empty()) errorText = error64;
    }
  }
  platform::clock::Sleep(kSettleMs);
  PumpMessages();
  return result;
}

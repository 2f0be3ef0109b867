#include "tools/adsi_filter.h"

#include <cstdio>

#include "common/filter_module.h"
#include "platform/gbk.h"
#include "platform/iis.h"
#include "tools/file_tests.h"
#include "tools/tools_log.h"

namespace iis = platform::iis;

namespace {
constexpr const char* kFiltersPath = "IIS://LocalHost/W3SVC/Filters";

// The load order; a property never set reads as an empty list.
uint32_t ReadLoadOrder(const iis::Object& filters, std::string& out) {
  iis::Value v;
  uint32_t rc = filters.Get("FilterLoadOrder", v);
  if (rc == iis::kErrPropertyNotFound) rc = iis::kOk;
  out = v.AsText();
  return rc;
}
}  // namespace

std::string IisErrorText(uint32_t code) {
  char head[40];
  std::snprintf(head, sizeof head, "IIS操作错误0x%08X：", code);
  return head + iis::ErrorText(code);
}

bool LoadOrderHolds(const std::string& loadOrder, const std::string& name) {
  const std::string wanted = gbk::Trim(name, " ");
  for (const auto& piece : gbk::Split(loadOrder, ","))
    if (gbk::EqualsNoCase(gbk::Trim(piece, " "), wanted)) return true;
  return false;
}

std::string LoadOrderWithout(const std::string& loadOrder, const std::string& name) {
  const std::string wanted = gbk::Trim(name, " ");
  std::string out;
  bool first = true;
  for (const auto& piece : gbk::Split(loadOrder, ",")) {
    if (gbk::EqualsNoCase(gbk::Trim(piece, " "), wanted)) continue;
    out += (first ? "" : ",") + piece;
    first = false;
  }
  // A list that held only separators around the name leaves none behind.
  return gbk::Trim(out, ", ").empty() ? "" : out;
}

AdsiInstall InstallFilterByAdsi(const std::string& name, const std::string& path, std::string& errorText) {
  if (!FileExistsByDir(path)) return AdsiInstall::ModuleMissing;
  auto fail = [&](uint32_t rc) {
    errorText = IisErrorText(rc);
    return AdsiInstall::Failed;
  };
  iis::Object filters;
  if (uint32_t rc = iis::Object::Open(kFiltersPath, filters)) return fail(rc);
  std::string order;
  if (uint32_t rc = ReadLoadOrder(filters, order)) return fail(rc);
  // A name already in the load order: nothing is changed, its object included.
  if (LoadOrderHolds(order, name)) return AdsiInstall::AlreadyListed;

  // The object goes in before the name, so that the list never names a filter that
  // has no object.
  iis::Object filter;
  if (filters.GetObject("IIsFilter", name, filter) != iis::kOk) {
    if (uint32_t rc = filters.Create("IIsFilter", name, filter)) return fail(rc);
  }
  filter.Put("FilterPath", iis::Value::OfText(path));
  filter.Put("FilterDescription", iis::Value::OfText(filter_module::kFilterDescription));
  filter.Put("FilterEnabled", iis::Value::OfBool(true));
  if (uint32_t rc = filter.SetInfo()) return fail(rc);

  std::string trimmed = gbk::Trim(order, " ");
  if (trimmed.empty()) order = name;
  else order = trimmed + (gbk::EndsWith(trimmed, ",") ? "" : ",") + name;
  filters.Put("FilterLoadOrder", iis::Value::OfText(order));
  if (uint32_t rc = filters.SetInfo()) return fail(rc);
  WriteLog("安装过滤器:" + name);
  return AdsiInstall::Registered;
}

bool UninstallFilterByAdsi(const std::string& name, const std::string& /*path*/, std::string& errorText) {
  iis::Object filters;
  if (uint32_t rc = iis::Object::Open(kFiltersPath, filters)) {
    errorText = IisErrorText(rc);
    return false;
  }
  std::string order;
  if (uint32_t rc = ReadLoadOrder(filters, order)) {
    errorText = IisErrorText(rc);
    return false;
  }
  if (gbk::Trim(order, " ").empty() || !LoadOrderHolds(order, name)) return false;
  filters.Put("FilterLoadOrder", iis::Value::OfText(LoadOrderWithout(order, name)));
  if (uint32_t rc = filters.SetInfo()) {
    errorText = IisErrorText(rc);
    return false;
  }
  return true;
}

uint32_t IsFilterInLoadOrder(const std::string& name, bool& listed) {
  listed = false;
  iis::Object filters;
  if (uint32_t rc = iis::Object::Open(kFiltersPath, filters)) return rc;
  std::string order;
  if (uint32_t rc = ReadLoadOrder(filters, order)) return rc;
  listed = LoadOrderHolds(order, name);
  return iis::kOk;
}

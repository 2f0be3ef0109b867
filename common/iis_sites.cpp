#include "common/iis_sites.h"

#include <cstdio>

#include "platform/gbk.h"
#include "common/split.h"
#include "platform/ui/ui_hooks.h"
#include "platform/iis.h"

namespace iis = platform::iis;

namespace {

constexpr const char* kServiceRoot = "IIS://localhost/w3svc";

std::string TextProperty(const iis::Object& obj, const char* name) {
  iis::Value v;
  if (obj.Get(name, v) != iis::kOk) return "";
  return v.AsText();
}

// The web sites among the children of the service root; false when it cannot be opened.
bool ListSites(std::vector<iis::Object>& sites) {
  sites.clear();
  iis::Object root;
  if (iis::Object::Open(kServiceRoot, root) != iis::kOk) return false;
  std::vector<iis::Object> children;
  if (root.Children(children) != iis::kOk) return false;
  for (auto& child : children)
    if (child.Class() == "IIsWebServer") sites.push_back(std::move(child));
  return true;
}

std::string RootDirProperty(const iis::Object& site, const char* name) {
  iis::Object dir;
  if (site.GetObject("IIsWebVirtualDir", "Root", dir) != iis::kOk) return "";
  return TextProperty(dir, name);
}

}  // namespace

std::string BindingToDomain(const std::string& binding) {
  std::vector<std::string> fields = gbk::Split(binding, ":");
  // A binding without a dot names no domain, whatever its form.
  if (gbk::Find(binding, '.') == gbk::npos) return "";
  if (fields.size() == 3 && !fields[0].empty() && fields[0] != "*") {
    const std::string& address = fields[0];
    const std::string& port = fields[1];
    const std::string& host = fields[2];
    std::string domain = host.empty() ? address : host;
    if (!port.empty() && port != "80") domain += ":" + port;
    return domain;
  }
  std::string text = binding;
  if (fields.size() == 3 && fields[0] == "*") text = text.substr(1);
  if (gbk::StartsWith(text, ":80:")) text = text.substr(4);
  if (gbk::StartsWith(text, ":") && gbk::EndsWith(text, ":")) return "";
  if (text.empty() || gbk::Find(text, '.') == gbk::npos) return "";
  StringList pieces;
  SplitToArray(text, ":", pieces, true, 1);
  if (pieces.empty()) return "";
  if (pieces.size() == 1) return pieces[0];
  return pieces[1] + ":" + pieces[0];
}

int EnumIisAppPools(StringList& list) {
  iis::Object pools;
  if (iis::Object::Open("IIS://localhost/w3svc/AppPools", pools) != iis::kOk) return 0;
  list.clear();
  std::vector<iis::Object> children;
  if (pools.Children(children) != iis::kOk) return 0;
  for (const auto& pool : children)
    if (!pool.Name().empty()) list.push_back(pool.Name());
  return static_cast<int>(list.size());
}

int EnumIisSites(const std::string& pool, StringList& comments, StringList& domains, bool clear) {
  if (clear) {
    domains.clear();
    comments.clear();
  }
  std::vector<iis::Object> sites;
  if (!ListSites(sites)) {
    char text[256];
    std::snprintf(text, sizeof text, "抱歉，ADsGetObject 发生错误，错误码：%d\n\n系统可能没有安装IIS，或者组件调用出现问题。",
                  iis::LastError());
    ShowMessageBox(text, "错误", kMbOk | kMbIconError);
    return 0;
  }
  const std::string wanted = gbk::ToLower(pool);
  for (const auto& site : sites) {
    if (gbk::ToLower(RootDirProperty(site, "AppPoolID")) != wanted) continue;
    std::string comment = TextProperty(site, "ServerComment");
    iis::Value bindings;
    if (site.Get("ServerBindings", bindings) != iis::kOk || bindings.kind != iis::Value::Kind::List) continue;
    for (const auto& binding : bindings.list) {
      std::string domain = BindingToDomain(binding);
      if (domain.empty()) continue;
      domains.push_back(domain);
      comments.push_back(comment);
    }
  }
  return static_cast<int>(domains.size());
}

int GetIisSiteInfo(StringList& comments, StringList& folders, StringList& users, StringList& states) {
  comments.clear();
  folders.clear();
  users.clear();
  states.clear();
  std::vector<iis::Object> sites;
  if (!ListSites(sites)) return 0;
  for (const auto& site : sites) {
    std::string folder = gbk::ToLower(RootDirProperty(site, "Path"));
    std::string comment = TextProperty(site, "ServerComment");
    std::string user = TextProperty(site, "AnonymousUserName");
    iis::Value state;
    bool started = site.Get("ServerState", state) == iis::kOk && state.AsNumber() == 2;
    if (folder.empty() || comment.empty() || user.empty()) continue;
    comments.push_back(comment);
    folders.push_back(folder);
    users.push_back(user);
    states.push_back(started ? "1" : "0");
  }
  return static_cast<int>(folders.size());
}

std::string CheckIisAdsi() {
  iis::Object root;
  char text[64];
  uint32_t failure = iis::Object::Open(kServiceRoot, root);
  if (failure != iis::kOk) {
    std::snprintf(text, sizeof text, "ADSI接口错误，错误码0x%0x", failure);
    return text;
  }
  // Opened, the root must also answer as an object whose children can be walked.
  std::vector<iis::Object> children;
  failure = root.Children(children);
  if (failure != iis::kOk) {
    std::snprintf(text, sizeof text, "ADSI接口错误4，错误码0x%0x", failure);
    return text;
  }
  return "";
}

// A fresh IIS 6 or IIS 7 state with sample sites and pools, for the demo and the tests.
#include "platform/fs.h"
#include "platform/iis.h"
#include "platform/iis_state.h"
#include "platform/machine.h"
#include "platform/paths.h"
#include "platform/textconv.h"

namespace platform::iis {

using detail::State;

namespace {
void AddFilterObject(State& s, const std::string& name, const std::string& path, const std::string& preCondition) {
  auto& n = s.Add("W3SVC/Filters/" + name, "IIsFilter");
  n.Set("FilterPath", Value::OfText(path));
  n.Set("FilterEnabled", Value::OfBool(true));
  if (!preCondition.empty()) n.Set("PreCondition", Value::OfText(preCondition));
}

void AddSite(State& s, int id, const std::string& comment, std::vector<std::string> bindings, int state,
             const std::string& folder, const std::string& pool) {
  std::string path = "W3SVC/" + std::to_string(id);
  auto& site = s.Add(path, "IIsWebServer");
  site.Set("ServerComment", Value::OfText(comment));
  site.Set("ServerBindings", Value::OfList(std::move(bindings)));
  site.Set("ServerState", Value::OfNumber(state));
  auto& root = s.Add(path + "/Root", "IIsWebVirtualDir");
  std::string home = MachineRoot() + "inetpub/" + folder;
  // A home that cannot be made is one removed later: the site reports it, not the seed.
  (void)fs::MakeDirs(home);
  root.Set("Path", Value::OfText(home));
  root.Set("AppPoolId", Value::OfText(pool));
}

void AddPool(State& s, const std::string& name, int state) {
  s.Add("W3SVC/AppPools/" + name, "IIsApplicationPool").Set("AppPoolState", Value::OfNumber(state));
}
}  // namespace

uint32_t Seed(int generation) {
  if (generation != 6 && generation != 7) return kErrInvalidData;
  MachineProfile profile = LoadMachineProfile();
  std::string inetsrv = SystemDir() + "inetsrv";
  if (!fs::MakeDirs(inetsrv).Ok()) return kErrAccessDenied;
  if (profile.is64Bit && (!fs::MakeDirs(MachineRoot() + "Program Files (x86)").Ok() ||
                          !fs::MakeDirs(MachineRoot() + "Windows/SysWOW64/inetsrv").Ok()))
    return kErrAccessDenied;

  State s;
  s.Add("W3SVC", "IIsWebService")
      .Set("AnonymousUserName", Value::OfText("IUSR_" + Utf8ToGbk(profile.computerName)));
  auto& filters = s.Add("W3SVC/Filters", "IIsFilters");
  if (generation == 6) {
    filters.Set("FilterLoadOrder", Value::OfText("sspifilt,Compression"));
    AddFilterObject(s, "sspifilt", inetsrv + "/sspifilt.dll", "");
    AddFilterObject(s, "Compression", inetsrv + "/compfilt.dll", "");
  } else {
    filters.Set("FilterLoadOrder", Value::OfText("ASP.Net_4.0_32bit,ASP.Net_4.0_64bit"));
    std::string net = MachineRoot() + "Windows/Microsoft.NET/";
    AddFilterObject(s, "ASP.Net_4.0_32bit", net + "Framework/v4.0.30319/aspnet_filter.dll", "bitness32");
    AddFilterObject(s, "ASP.Net_4.0_64bit", net + "Framework64/v4.0.30319/aspnet_filter.dll", "bitness64");
  }
  s.Add("W3SVC/AppPools", "IIsApplicationPools");
  AddPool(s, "DefaultAppPool", 2);
  if (generation == 7) AddPool(s, "Classic .NET AppPool", 2);
  AddPool(s, "ShopPool", 2);
  AddPool(s, "OldPool", 4);

  AddSite(s, 1, "Default Web Site", {":80:"}, 2, "wwwroot", "DefaultAppPool");
  AddSite(s, 2, "示例商城", {":80:www.example.com", ":80:example.com", "192.168.1.10:8080:shop.example.com"}, 2,
          "shop", "ShopPool");
  s.nodes[s.Find("W3SVC/2")].Set("AnonymousUserName", Value::OfText("IUSR_SHOP"));
  AddSite(s, 3, "旧站点", {"192.168.1.20:80:"}, 4, "old", "OldPool");

  return detail::Reset(s, {{"seed", "", generation == 6 ? "iis6" : "iis7"}});
}

}  // namespace platform::iis

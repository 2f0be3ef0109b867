#include "tools/account.h"

#include <vector>

#include "platform/wmi.h"
#include "tools/windows_info.h"

namespace wmi = platform::wmi;

std::string GetAdministratorsName() {
  std::string name;
  wmi::Service service;
  if (wmi::Service::Connect("winmgmts:\\\\" + GetComputerNameText() + "\\root\\CIMV2", service) == wmi::kOk) {
    std::vector<wmi::Row> rows;
    service.ExecQuery("SELECT * FROM Win32_Group WHERE SID = 'S-1-5-32-544'",
                      wmi::kReturnImmediately | wmi::kForwardOnly, rows);
    for (const auto& row : rows) name = row.Get("Name");
  }
  return name.empty() ? "Administrators" : name;
}

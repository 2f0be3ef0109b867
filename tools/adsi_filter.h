#pragma once
// Filter registration through the IIS administration provider (IIS 5 and 6): the
// filter object under W3SVC/Filters and its name in FilterLoadOrder.
#include <cstdint>
#include <string>

enum class AdsiInstall {
  Registered,     // the name was added to the load order
  AlreadyListed,  // the name was there: nothing was changed
  ModuleMissing,  // nothing done
  Failed,         // an IIS call failed; errorText says which
};

// Whether a comma-separated load order holds the name (blanks around names and case
// do not count).
bool LoadOrderHolds(const std::string& loadOrder, const std::string& name);
// The load order with every name equal to it removed; the other pieces kept as they are.
std::string LoadOrderWithout(const std::string& loadOrder, const std::string& name);

// The filter object (with its path) is created or updated first; only then does the name
// go into the load order, so IIS never lists a name it cannot load. A load order that
// cannot be read ends it before anything is written.
AdsiInstall InstallFilterByAdsi(const std::string& name, const std::string& path, std::string& errorText);
// Removes the name from the load order; true when it was listed and the list written
// back. The filter object stays.
bool UninstallFilterByAdsi(const std::string& name, const std::string& path, std::string& errorText);
// 0 and listed set, or the failure code of the provider.
uint32_t IsFilterInLoadOrder(const std::string& name, bool& listed);

// "IIS操作错误0x...: " + the description, for the failure line.
std::string IisErrorText(uint32_t code);

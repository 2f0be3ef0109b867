#pragma once
// Dialog templates, menus and strings of the panel's region, IP, URL, proxy, browser, OS, referer, spider and time pages.
#include "platform/ui/resource_set.h"

namespace res {

void AddRuleExtDialogs(ui::ResourceSet& set);

}  // namespace res

#pragma once
// What the emulated IIS metabase says about its filters, as a test reads it back.
#include <string>

namespace qortest {

// FilterLoadOrder of IIS://LocalHost/W3SVC/Filters (a failure to open it fails the test).
std::string FilterLoadOrder();

}  // namespace qortest

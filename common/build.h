#pragma once
// The service and the tray program carry their own builds of some shared routines;
// here they are options of one implementation.
#include <string>
#include <vector>

enum class Build { Panel, Service, Tray };

// The lists and arrays of texts that the routines fill.
using StringList = std::vector<std::string>;

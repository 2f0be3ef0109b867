#pragma once
// The module that holds the toolbox's performance query object. No switch makes one;
// the form's unload sets it back to nothing.
#include <memory>

#include "tools/pdh_query.h"

namespace CpuAndPool {
extern std::unique_ptr<clsPDHQuery> g_Query;
}  // namespace CpuAndPool

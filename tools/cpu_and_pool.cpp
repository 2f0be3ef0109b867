#include "tools/cpu_and_pool.h"

namespace CpuAndPool {
std::unique_ptr<clsPDHQuery> g_Query;
}  // namespace CpuAndPool

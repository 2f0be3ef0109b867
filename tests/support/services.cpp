#include "tests/support/services.h"

#include <gtest/gtest.h>
#include <signal.h>

#include <string>
#include <vector>

#include "platform/scm.h"
#include "platform/scm_wire.h"
#include "tests/support/wait.h"

namespace qortest {

namespace scm = platform::scm;

void EndEveryService() {
  scm::Manager mgr;
  ASSERT_EQ(mgr.Open(), scm::kOk);
  std::vector<std::string> names;
  mgr.ListServices(names);
  for (const auto& n : names) {
    scm::Service s;
    if (mgr.OpenService(n, s) != scm::kOk) continue;
    s.ChangeFailureActions(scm::FailureActions{});
    scm::wire::StatusRecord rec;
    if (!scm::wire::ReadStatusRecord(n, rec)) continue;
    if (rec.status.processId > 0) ::kill(rec.status.processId, SIGKILL);
    EXPECT_TRUE(WaitFor([&] { return !scm::wire::SupervisorAlive(rec); })) << n;
  }
}

}  // namespace qortest

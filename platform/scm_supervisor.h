#pragma once
// The supervisor of one running service, run as "qorsc supervise <name> [args]" by
// Service::Start. It prints "<code> <supervisor pid>" and ends; the supervisor itself
// goes on detached: spawns the image, relays controls, reaps it, writes the status
// file, restarts it by the failure actions, and ends when the service ends.
#include <string>
#include <vector>

namespace platform::scm {

// args: the service name, then the start arguments. The exit code of the starter.
int RunSupervisor(const std::vector<std::string>& args);

}  // namespace platform::scm

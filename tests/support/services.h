#pragma once
// The end of a test that ran services under the service manager.
namespace qortest {

// Kills the process of every service of the machine root, with its failure actions
// cleared first so that nothing restarts it, and expects each supervisor to end: no
// service of a test outlives it.
void EndEveryService();

}  // namespace qortest

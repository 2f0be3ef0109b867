#include "platform/machine_figures.h"

#include <sys/statvfs.h>
#include <unistd.h>

#include <mutex>
#include <utility>

#include "platform/faults.h"
#include "platform/fs.h"
#include "platform/machine.h"
#include "platform/paths.h"

namespace platform::machine_figures {

namespace {

using FaultKind = faults::Kind;

bool Fails(FaultKind kind) { return faults::CodeFor(kind) != 0; }

}  // namespace

bool SystemDriveSize(uint64_t& bytes) {
  if (Fails(FaultKind::DriveSize)) return false;
  const MachineProfile profile = LoadMachineProfile();
  if (profile.systemDriveSize >= 0) {
    bytes = uint64_t(profile.systemDriveSize);
    return true;
  }
  struct statvfs st {};
  if (statvfs(MachineRoot().c_str(), &st) != 0) return false;
  bytes = uint64_t(st.f_blocks) * uint64_t(st.f_frsize);
  return true;
}

bool SystemFolderCreated(time_t& created) {
  if (Fails(FaultKind::FolderCreated)) return false;
  const MachineProfile profile = LoadMachineProfile();
  if (profile.systemFolderCreated >= 0) {
    created = time_t(profile.systemFolderCreated);
    return true;
  }
  return fs::BirthTime(SystemDir(), created);
}

int ProcessorCount() {
  if (Fails(FaultKind::Processors)) return 0;
  const MachineProfile profile = LoadMachineProfile();
  if (profile.processorCount >= 0) return profile.processorCount;
  const long n = sysconf(_SC_NPROCESSORS_ONLN);
  return n > 0 ? int(n) : 0;
}

}  // namespace platform::machine_figures

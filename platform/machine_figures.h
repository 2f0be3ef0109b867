#pragma once
// The machine figures that the machine key is made from. machine.ini may fix each of
// them; otherwise they are read from this machine. The panel and the service share
// this one provider, so both always see the same figures.
#include <cstdint>
#include <ctime>
#include <functional>

namespace platform::machine_figures {

// Total size in bytes of the drive that holds the machine root. False when unreadable.
[[nodiscard]] bool SystemDriveSize(uint64_t& bytes);
// Creation time of the system folder; read without opening anything for writing, so
// every account gets the same answer. False when unreadable, and where the file system
// keeps no creation time.
[[nodiscard]] bool SystemFolderCreated(time_t& created);
// Processors online; 0 or less when the system does not say.
int ProcessorCount();

// Each figure asks the fault table (platform/faults.h, kinds DriveSize, FolderCreated,
// Processors) first; a fault makes it unreadable (the processor count 0).

}  // namespace platform::machine_figures

#pragma once
// The machine figures that the machine key is made from. machine.ini may fix each of
// them; otherwise they are read from this machine. The panel and the service share
// this one provider, so both always see the same figures.
#include <cstdint>
#include <ctime>
#include <functional>

namespace platform::machine_figures {

// Total size in bytes of the drive that holds the machine root. False when unreadable.
bool SystemDriveSize(uint64_t& bytes);
// Creation time of the system folder; read without opening anything for writing, so
// every account gets the same answer. False when unreadable.
bool SystemFolderCreated(time_t& created);
// Processors online; 0 or less when the system does not say.
int ProcessorCount();

// Test double: a figure for which the hook returns true reads as unreadable (the
// processor count as 0).
enum class Figure { DriveSize, FolderCreated, Processors };
using FaultHook = std::function<bool(Figure)>;
void SetFaultHook(FaultHook hook);

}  // namespace platform::machine_figures

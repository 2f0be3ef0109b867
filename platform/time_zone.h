#pragma once
// The time zone of the emulated machine. Like Windows, the machine has one zone for
// every process on it: machine.ini's time_zone (a zone name such as "Asia/Shanghai"),
// else the system's /etc/localtime. The process's TZ is never consulted, so two
// programs of one machine always agree on a local time. The zone is read once per
// machine root and again when machine.ini is rewritten.
#include <cstdint>
#include <ctime>
#include <string>

#include "platform/clock.h"

namespace platform::time_zone {

// Seconds east of UTC at the moment t. A zone that cannot be read counts as UTC.
int64_t MachineUtcOffset(time_t t);
// The moment t as the machine's local time.
LocalTime MachineLocal(time_t t);
// The machine's local wall time as a moment; -1 when the date is not a calendar date.
// Hours, minutes and seconds out of range carry into the next unit.
time_t MachineFromLocal(int year, int month, int day, int hour, int minute, int second);

// The zone data of a compiled zone file (TZif) at the moment t: seconds east of UTC.
// False when the bytes are no zone file.
bool OffsetFromZoneData(const std::string& data, time_t t, int64_t& offset);
// The same for a POSIX zone rule ("CST-8", "EST5EDT,M3.2.0,M11.1.0").
bool OffsetFromRule(const std::string& rule, time_t t, int64_t& offset);

}  // namespace platform::time_zone

#pragma once
// Recycling the IIS application pools that are starting or started.
// False (after logging the last error) when any step failed; the other pools are still
// recycled.
bool RecycleAppPools();

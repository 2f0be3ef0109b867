#pragma once
// One injectable clock for the whole process, and sleeps that tests can shrink
// (QOR_TIME_SCALE) or interrupt (StopToken).
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <ctime>
#include <functional>
#include <mutex>

namespace platform {

struct LocalTime {
  int year = 1970, month = 1, day = 1;
  int hour = 0, minute = 0, second = 0;
  int dayOfWeek = 4;  // 0 = Sunday
  int millisecond = 0;
};

// A stop request that wakes every sleeper waiting on it.
class StopToken {
 public:
  void RequestStop();
  bool StopRequested() const { return m_stop.load(std::memory_order_acquire); }
  void Reset() { m_stop.store(false, std::memory_order_release); }
  // Waits up to ms real milliseconds; true when stop was requested.
  bool WaitForStop(int64_t realMs);

 private:
  std::atomic<bool> m_stop{false};
  std::mutex m_mutex;
  std::condition_variable m_cv;
};

namespace clock {

// Seconds since the epoch (injected clock when set).
time_t Now();
// Milliseconds since the epoch.
int64_t NowMs();
// Local times are the machine's (platform/time_zone.h), never the process's TZ.
LocalTime Local();
LocalTime ToLocal(time_t t);
// Local wall time to a moment; -1 when the date is not a calendar date. See
// time_zone::MachineFromLocal for the hours that summer time skips or repeats.
time_t FromLocal(int year, int month, int day, int hour = 0, int minute = 0, int second = 0);

// Sleeps ms (scaled by QOR_TIME_SCALE). With a fake clock installed the fake time
// advances and nothing real waits. Returns false when the token asked to stop.
bool Sleep(int64_t ms, StopToken* stop = nullptr);
// Real milliseconds that a sleep of ms lasts under QOR_TIME_SCALE.
int64_t ScaledMs(int64_t ms);
double TimeScale();

// Test double: a clock that stands still until advanced (or moved by Sleep).
void SetFake(time_t start, int millisecond = 0);
void AdvanceFake(int64_t ms);
void ClearFake();
bool IsFake();

}  // namespace clock
}  // namespace platform

#include "platform/clock.h"

#include <thread>  // std::chrono clocks; <chrono> itself has a literal with no GBK form
#include <cstdlib>
#include <thread>

namespace platform {

void StopToken::RequestStop() {
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_stop.store(true, std::memory_order_release);
  }
  m_cv.notify_all();
}

bool StopToken::WaitForStop(int64_t realMs) {
  std::unique_lock<std::mutex> lock(m_mutex);
  return m_cv.wait_for(lock, std::chrono::milliseconds(realMs < 0 ? 0 : realMs),
                       [this] { return StopRequested(); });
}

namespace clock {

namespace {
std::atomic<bool> g_fake{false};
std::atomic<int64_t> g_fakeMs{0};

double ReadScale() {
  const char* env = std::getenv("QOR_TIME_SCALE");
  if (!env || !*env) return 1.0;
  char* end = nullptr;
  double v = std::strtod(env, &end);
  return (end != env && v >= 0.0) ? v : 1.0;
}
}  // namespace

double TimeScale() {
  static const double scale = ReadScale();
  return scale;
}

int64_t ScaledMs(int64_t ms) {
  if (ms <= 0) return 0;
  return static_cast<int64_t>(static_cast<double>(ms) * TimeScale());
}

int64_t NowMs() {
  if (g_fake.load(std::memory_order_acquire)) return g_fakeMs.load(std::memory_order_acquire);
  using namespace std::chrono;
  return duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
}

time_t Now() { return static_cast<time_t>(NowMs() / 1000); }

LocalTime ToLocal(time_t t) {
  struct tm tm {};
  localtime_r(&t, &tm);
  LocalTime lt;
  lt.year = tm.tm_year + 1900;
  lt.month = tm.tm_mon + 1;
  lt.day = tm.tm_mday;
  lt.hour = tm.tm_hour;
  lt.minute = tm.tm_min;
  lt.second = tm.tm_sec;
  lt.dayOfWeek = tm.tm_wday;
  return lt;
}

LocalTime Local() {
  int64_t ms = NowMs();
  LocalTime lt = ToLocal(static_cast<time_t>(ms / 1000));
  lt.millisecond = static_cast<int>(ms % 1000);
  return lt;
}

time_t FromLocal(int year, int month, int day, int hour, int minute, int second) {
  struct tm tm {};
  tm.tm_year = year - 1900;
  tm.tm_mon = month - 1;
  tm.tm_mday = day;
  tm.tm_hour = hour;
  tm.tm_min = minute;
  tm.tm_sec = second;
  tm.tm_isdst = -1;
  time_t t = mktime(&tm);
  if (t == static_cast<time_t>(-1)) return -1;
  // mktime normalises 31 February into March: that is not a calendar date.
  if (tm.tm_year != year - 1900 || tm.tm_mon != month - 1 || tm.tm_mday != day) return -1;
  return t;
}

bool Sleep(int64_t ms, StopToken* stop) {
  if (stop && stop->StopRequested()) return false;
  if (g_fake.load(std::memory_order_acquire)) {
    if (ms > 0) g_fakeMs.fetch_add(ms, std::memory_order_acq_rel);
    std::this_thread::yield();
    return !(stop && stop->StopRequested());
  }
  int64_t real = ScaledMs(ms);
  if (stop) return !stop->WaitForStop(real);
  if (real > 0) std::this_thread::sleep_for(std::chrono::milliseconds(real));
  return true;
}

void SetFake(time_t start, int millisecond) {
  g_fakeMs.store(static_cast<int64_t>(start) * 1000 + millisecond, std::memory_order_release);
  g_fake.store(true, std::memory_order_release);
}

void AdvanceFake(int64_t ms) { g_fakeMs.fetch_add(ms, std::memory_order_acq_rel); }

void ClearFake() { g_fake.store(false, std::memory_order_release); }

bool IsFake() { return g_fake.load(std::memory_order_acquire); }

}  // namespace clock
}  // namespace platform

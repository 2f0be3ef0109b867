#include "platform/clock.h"

#include <thread>  // std::chrono clocks; <chrono> itself has a literal with no GBK form
#include <cstdlib>
#include <thread>

#include "platform/time_zone.h"

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

LocalTime ToLocal(time_t t) { return time_zone::MachineLocal(t); }

LocalTime Local() {
  int64_t ms = NowMs();
  LocalTime lt = ToLocal(static_cast<time_t>(ms / 1000));
  lt.millisecond = static_cast<int>(ms % 1000);
  return lt;
}

time_t FromLocal(int year, int month, int day, int hour, int minute, int second) {
  return time_zone::MachineFromLocal(year, month, day, hour, minute, second);
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

#include "platform/faults.h"

#include <unistd.h>

#include <atomic>
#include <memory>
#include <mutex>

namespace platform::faults {

namespace {

enum class Mode { None, Once, From, Exit };

struct Table {
  std::mutex mutex;
  std::shared_ptr<const Rule> rule;
  std::shared_ptr<const Filter> filter;
  Mode mode = Mode::None;
  uint64_t nth = 0;
  int64_t code = 0;
  int64_t land = -1;
  uint64_t calls = 0;
};

Table& TheTable() {
  static Table table;
  return table;
}

std::atomic<bool> g_armed{false};
// Calls a test's rule or filter makes itself go straight through.
thread_local bool t_inRule = false;

void Clear(Table& t) {
  t.rule.reset();
  t.filter.reset();
  t.mode = Mode::None;
  t.nth = 0;
  t.code = 0;
  t.land = -1;
  t.calls = 0;
}

void Arm(Mode mode, uint64_t nth, int64_t code, int64_t land) {
  Table& t = TheTable();
  std::lock_guard<std::mutex> lock(t.mutex);
  t.mode = mode;
  t.nth = nth;
  t.code = code;
  t.land = land;
  t.calls = 0;
}

}  // namespace

Fault Check(const Call& call) {
  if (!g_armed.load(std::memory_order_acquire) || t_inRule) return {};
  Table& t = TheTable();
  std::shared_ptr<const Rule> rule;
  std::shared_ptr<const Filter> filter;
  {
    std::lock_guard<std::mutex> lock(t.mutex);
    rule = t.rule;
    filter = t.filter;
  }
  Fault fault;
  bool counted = true;
  if (rule || filter) {
    t_inRule = true;
    if (rule) fault = (*rule)(call);
    if (!fault.Strikes() && filter) counted = (*filter)(call);
    t_inRule = false;
  }
  if (!fault.Strikes() && counted) {
    std::lock_guard<std::mutex> lock(t.mutex);
    const uint64_t n = ++t.calls;
    const bool hit = t.mode == Mode::From ? n >= t.nth : n == t.nth;
    if (t.mode != Mode::None && hit) fault = t.mode == Mode::Exit ? Fault::Exit(t.land) : Fault::Fail(t.code, t.land);
  }
  // A write lands its bytes before it ends the process; platform::sys does that.
  if (fault.exit && !(call.kind == Kind::Write && fault.land > 0)) ExitNow();
  return fault;
}

int64_t CodeFor(Kind kind, std::string_view path, int pid) {
  Fault f = Check(Call{kind, path, pid, {}});
  return f.code;
}

void ExitNow() { ::_exit(kExitStatus); }

Guard::Guard() {
  Reset();
  g_armed.store(true, std::memory_order_release);
}

Guard::~Guard() {
  Table& t = TheTable();
  std::lock_guard<std::mutex> lock(t.mutex);
  g_armed.store(false, std::memory_order_release);
  Clear(t);
}

void Guard::FailAt(uint64_t nth, int64_t code, int64_t land) { Arm(Mode::Once, nth, code, land); }
void Guard::FailFrom(uint64_t nth, int64_t code, int64_t land) { Arm(Mode::From, nth, code, land); }
void Guard::ExitAt(uint64_t nth, int64_t land) { Arm(Mode::Exit, nth, 0, land); }

void Guard::Only(Filter filter) {
  Table& t = TheTable();
  std::lock_guard<std::mutex> lock(t.mutex);
  t.filter = filter ? std::make_shared<const Filter>(std::move(filter)) : nullptr;
}

void Guard::When(Rule rule) {
  Table& t = TheTable();
  std::lock_guard<std::mutex> lock(t.mutex);
  t.rule = rule ? std::make_shared<const Rule>(std::move(rule)) : nullptr;
}

void Guard::Fail(Kind kind, int64_t code, std::string pathPart) {
  When([kind, code, part = std::move(pathPart)](const Call& c) {
    return c.kind == kind && c.path.find(part) != std::string_view::npos ? Fault::Fail(code) : Fault{};
  });
}

uint64_t Guard::Calls() const {
  Table& t = TheTable();
  std::lock_guard<std::mutex> lock(t.mutex);
  return t.calls;
}

void Guard::Reset() {
  Table& t = TheTable();
  std::lock_guard<std::mutex> lock(t.mutex);
  Clear(t);
}

}  // namespace platform::faults

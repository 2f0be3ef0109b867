#include "platform/notice.h"

#include <cstdio>
#include <mutex>

namespace platform::notice {

namespace {
std::mutex& SinkMutex() {
  static auto* m = new std::mutex;
  return *m;
}
Sink& TheSink() {
  static auto* s = new Sink;
  return *s;
}
}  // namespace

void Write(const std::string& text) {
  Sink sink;
  {
    std::lock_guard<std::mutex> lock(SinkMutex());
    // A refusal retried every second says so once, not once a second.
    static auto* last = new std::string;
    if (*last == text) return;
    *last = text;
    sink = TheSink();
  }
  std::fprintf(stderr, "%s\n", text.c_str());
  if (sink) sink(text);
}

void SetSink(Sink sink) {
  std::lock_guard<std::mutex> lock(SinkMutex());
  TheSink() = std::move(sink);
}

}  // namespace platform::notice

#include "platform/notice.h"

#include <cstdio>
#include <mutex>

#include "platform/textconv.h"

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

// Well-formed UTF-8 (overlong forms and surrogates aside, which iconv refuses anyway).
bool IsUtf8(const std::string& text) {
  size_t i = 0;
  while (i < text.size()) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    size_t more = 0;
    if (c >= 0xC2 && c <= 0xDF) more = 1;
    else if (c >= 0xE0 && c <= 0xEF) more = 2;
    else if (c >= 0xF0 && c <= 0xF4) more = 3;
    else if (c >= 0x80) return false;
    if (i + more >= text.size() && more > 0) return false;
    for (size_t k = 1; k <= more; ++k)
      if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return false;
    i += more + 1;
  }
  return true;
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
  // Bytes that are no UTF-8 came from a program in GBK already.
  if (sink) sink(IsUtf8(text) ? Utf8ToGbk(text) : text);
}

void SetSink(Sink sink) {
  std::lock_guard<std::mutex> lock(SinkMutex());
  TheSink() = std::move(sink);
}

}  // namespace platform::notice

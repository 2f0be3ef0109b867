#pragma once
// What both benchmarks generate and how they time it.
#include <time.h>

#include <cstdio>
#include <random>
#include <string>

namespace bench {

inline double Seconds() {
  struct timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

// Request lines as the filter module writes them: an address between the markers, and
// a region or state marker on nine lines of ten.
inline std::string MakeRequestLog(int lines, std::mt19937& gen) {
  std::string text;
  text.reserve(static_cast<size_t>(lines) * 110);
  std::uniform_int_distribution<int> byte(0, 255), kind(0, 9);
  char buf[256];
  for (int i = 0; i < lines; ++i) {
    int k = kind(gen);
    const char* tail = k < 8 ? "~area~" : (k == 8 ? "~state~" : "-");
    std::snprintf(buf, sizeof buf,
                  "2026-12-9 10:%d:%d\t区域\t阻止访问\t<ipstart>%d.%d.%d.%d<ipend>\t%s\twww.example.com/index.asp?id=%d\n",
                  i / 60 % 60, i % 60, byte(gen), byte(gen), byte(gen), byte(gen), tail, i);
    text += buf;
  }
  return text;
}

}  // namespace bench

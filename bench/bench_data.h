#pragma once
// What both benchmarks generate, how they time it, and the references they measure
// beside it.
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

extern char** environ;

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

// Peak resident memory of this process so far, in MB.
inline double PeakMb() {
  FILE* f = std::fopen("/proc/self/status", "r");
  if (!f) return -1;
  char line[256];
  long kb = -1;
  while (std::fgets(line, sizeof line, f))
    if (std::sscanf(line, "VmHWM: %ld kB", &kb) == 1) break;
  std::fclose(f);
  return static_cast<double>(kb) / 1024.0;
}

// Writes text to a file with plain calls.
inline void Put(const std::string& path, const std::string& text) {
  int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return;
  for (size_t done = 0; done < text.size();) {
    ssize_t n = ::write(fd, text.data() + done, text.size() - done);
    if (n <= 0) break;
    done += static_cast<size_t>(n);
  }
  ::close(fd);
}

// A copy with plain calls in 4 MB blocks, appended to to; seconds.
inline double PlainCopy(const std::string& from, const std::string& to) {
  static std::vector<char> buf(4 << 20);
  const double t0 = Seconds();
  int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
  int out = ::open(to.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
  if (in >= 0 && out >= 0) {
    for (;;) {
      ssize_t n = ::read(in, buf.data(), buf.size());
      if (n <= 0 || ::write(out, buf.data(), static_cast<size_t>(n)) != n) break;
    }
  }
  if (in >= 0) ::close(in);
  if (out >= 0) ::close(out);
  return Seconds() - t0;
}

// The system's cp of the same file; seconds, process start included.
inline double Cp(const std::string& from, const std::string& to) {
  ::unlink(to.c_str());
  const char* argv[] = {"cp", from.c_str(), to.c_str(), nullptr};
  const double t0 = Seconds();
  pid_t pid = 0;
  if (posix_spawnp(&pid, "cp", nullptr, nullptr, const_cast<char**>(argv), environ) != 0) return -1;
  int status = 0;
  ::waitpid(pid, &status, 0);
  return Seconds() - t0;
}

// Median and spread of a set of runs.
struct Figures {
  std::vector<double> runs;
  void Add(double v) { runs.push_back(v); }
  double Median() const {
    std::vector<double> v = runs;
    std::sort(v.begin(), v.end());
    if (v.empty()) return 0;
    return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
  }
  double Min() const { return runs.empty() ? 0 : *std::min_element(runs.begin(), runs.end()); }
  double Max() const { return runs.empty() ? 0 : *std::max_element(runs.begin(), runs.end()); }
  // "median ms (min-max)" of figures in seconds.
  std::string Ms() const {
    char buf[96];
    std::snprintf(buf, sizeof buf, "%.0f ms (%.0f-%.0f)", Median() * 1e3, Min() * 1e3, Max() * 1e3);
    return buf;
  }
};

// A fresh scratch folder below where; empty when it cannot be made.
inline std::string MakeScratch(const std::string& where) {
  std::string scratch = where + "/qorbench.XXXXXX";
  std::vector<char> tmpl(scratch.begin(), scratch.end());
  tmpl.push_back(0);
  return mkdtemp(tmpl.data()) ? std::string(tmpl.data()) : std::string();
}

}  // namespace bench

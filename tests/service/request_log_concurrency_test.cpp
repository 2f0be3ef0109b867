#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <thread>
#include <vector>

#include "common/text_file.h"
#include "platform/clock.h"
#include "platform/fs.h"
#include "service/request_log.h"
#include "tests/service/request_log_probe.h"
#include "tests/support/temp_install.h"

namespace {

// The worker's waits shrink to a hundredth: the pass takes about 25 ms, not 2.5 s.
const bool kScaled = [] { return setenv("QOR_TIME_SCALE", "0.01", 1) == 0; }();

constexpr int kLines = 60000;

std::string RequestLine(int i) {
  char buf[128];
  std::snprintf(buf, sizeof buf, "2026-12-9 10:0:0\t区域\t拦截\t<ipstart>1.0.0.%d<ipend>\t~area~\t#%06d", i % 256, i);
  return buf;
}

std::string DailyLine(int i) {
  char buf[128];
  std::snprintf(buf, sizeof buf, "2026-12-9 10:0:0\t区域\t拦截\t1.0.0.%d\t中国-北京市\t#%06d", i % 256, i);
  return buf;
}

}  // namespace

// The filter module opens iis.log by name for every line; the worker takes the file
// over meanwhile. Every line must come out exactly once.
TEST(RequestLogConcurrency, EveryLineOfARunningWriterLandsOnce) {
  ASSERT_TRUE(kScaled);
  ASSERT_DOUBLE_EQ(platform::clock::TimeScale(), 0.01);
  qortest::TempInstall install;
  install.WriteProgramFile("iplib.db", "16777216|255|154|1002|0");
  CRequestLog log(install.ProgramDir());
  const std::string requestLog = Probe(log).RequestLogPath();

  std::atomic<bool> writing{true};
  std::atomic<int> passes{0}, written{0};
  std::thread worker([&] {
    for (;;) {
      bool last = !writing.load();
      int r = log.ProcessPass();
      passes++;
      if (r == CRequestLog::kWritten) written++;
      if (last && r == CRequestLog::kIdle) break;
      platform::clock::Sleep(10);
    }
  });

  for (int i = 0; i < kLines; ++i) {
    std::string line = RequestLine(i) + "\n";
    int fd = ::open(requestLog.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::write(fd, line.data(), line.size()), static_cast<ssize_t>(line.size()));
    ::close(fd);
  }
  writing = false;
  worker.join();

  EXPECT_GT(written.load(), 1) << "the worker took the file over only once";
  RecordProperty("batches", written.load());
  EXPECT_FALSE(platform::fs::Exists(requestLog));
  EXPECT_FALSE(platform::fs::Exists(Probe(log).WorkFilePath()));

  // Every daily file, in case the run crossed midnight.
  StringList lines;
  std::vector<platform::fs::Entry> files;
  ASSERT_TRUE(platform::fs::List(install.ProgramDir() + "log", "qor*.log", files));
  for (const auto& f : files)
    for (auto& line : SplitLines(install.ReadProgramFile("log/" + f.name))) lines.push_back(std::move(line));
  std::vector<int> seen(kLines, 0);
  int bad = 0;
  for (const auto& line : lines) {
    size_t hash = line.rfind('#');
    int i = hash == std::string::npos ? -1 : std::atoi(line.c_str() + hash + 1);
    if (i < 0 || i >= kLines || line != DailyLine(i)) {
      ++bad;
      continue;
    }
    seen[static_cast<size_t>(i)]++;
  }
  EXPECT_EQ(bad, 0);
  int missing = 0, doubled = 0;
  for (int n : seen) {
    if (n == 0) ++missing;
    if (n > 1) ++doubled;
  }
  EXPECT_EQ(missing, 0);
  EXPECT_EQ(doubled, 0);
  EXPECT_EQ(lines.size(), static_cast<size_t>(kLines));
}

#include "tools/pdh_query.h"

#include <gtest/gtest.h>

#include "platform/pdh.h"
#include "tools/cpu_and_pool.h"
#include "tools/form_main.h"

namespace pdh = platform::pdh;

namespace {
// A fixed /proc so that values are known.
struct FakeProc {
  FakeProc() {
    pdh::SetProcReaderForTests([this](const std::string& path, std::string& out) {
      if (path == "/proc/stat") out = stat;
      else if (path == "/proc/meminfo") out = "MemTotal: 8000000 kB\nMemAvailable: 2097152 kB\n";
      else if (path == "/proc/uptime") out = "12345.50 999.0\n";
      else return false;
      return true;
    });
  }
  ~FakeProc() { pdh::SetProcReaderForTests(nullptr); }
  std::string stat = "cpu  100 0 100 800 0 0 0 0 0 0\ncpu0 100 0 100 800 0 0 0 0 0 0\nctxt 5000\nprocs_running 3\n";
};

pdh::FormattedValue Number(double v) {
  pdh::FormattedValue f;
  f.status = pdh::kOk;
  f.doubleValue = v;
  return f;
}
}  // namespace

TEST(PdhQuery, FormatByCounterType) {
  pdh::FormattedValue text = Number(0);
  text.text = "QORWEB";
  struct Case {
    pdh::FormattedValue value;
    uint32_t type;
    const char* want;
  } cases[] = {
      {Number(12.5), pdh::kTypePercentTime, "12.5%"},
      {Number(100), pdh::kTypePercentTime, "100%"},
      {Number(42), pdh::kTypeRawCount, "42"},
      {Number(3.25), pdh::kTypeRate, "3.25/sec"},
      {Number(12345.5), pdh::kTypeElapsed, "12345.5secs"},
      {Number(255), 0x00000000u, "FF"},            // hexadecimal subtype
      {Number(-1), 0x00000000u, "FFFFFFFF"},
      {Number(26.6), 0x20000000u, "1B%"},
      {text, 0x00000B00u, "QORWEB"},              // a text counter
      {Number(1), 0x40010000u, "1"},              // no suffix for other display bits
  };
  for (const auto& c : cases) EXPECT_EQ(FormatCounterValue(c.value, c.type), c.want) << std::hex << c.type;
}

TEST(PdhQuery, AddRemoveAndIndexes) {
  FakeProc proc;
  clsPDHQuery q;
  EXPECT_EQ(q.AddCounter("\\Processor(_Total)\\No Such Counter"), -1);
  EXPECT_EQ(q.AddCounter("not a path"), -1);
  EXPECT_EQ(q.Count(), 0);
  const char* paths[] = {"\\Memory\\Available MBytes", "\\System\\Processor Queue Length",
                         "\\System\\System Up Time"};
  for (const char* p : paths) EXPECT_EQ(q.AddCounter(p), 0) << p;
  ASSERT_EQ(q.Count(), 3);
  ASSERT_EQ(q.Collect(), 0);
  EXPECT_EQ(q.GetCounterData(0), "2048");
  EXPECT_EQ(q.RemoveCounter(0), true);
  EXPECT_EQ(q.Count(), 2);
  EXPECT_EQ(q.GetCounterData(0), "3");  // former index 1
  EXPECT_EQ(q.GetCounterData(1), "12345.5secs");
  EXPECT_EQ(q.GetCounterData(2), "");   // index equal to Count
  EXPECT_EQ(q.GetCounterData(-1), "");
  EXPECT_FALSE(q.RemoveCounter(2));
  EXPECT_FALSE(q.RemoveCounter(-1));
  EXPECT_TRUE(q.IsCounterPath("\\processor(0)\\% processor time"));
  EXPECT_FALSE(q.IsCounterPath("\\Processor(7)\\% Processor Time"));  // one processor here
}

TEST(PdhQuery, RatesNeedTwoSamples) {
  FakeProc proc;
  clsPDHQuery q;
  ASSERT_EQ(q.AddCounter("\\Processor(_Total)\\% Processor Time"), 0);
  EXPECT_EQ(q.GetCounterData(0), "");  // nothing collected
  ASSERT_EQ(q.Collect(), 0);
  EXPECT_EQ(q.GetCounterData(0), "");  // one sample only
  proc.stat = "cpu  130 0 120 850 0 0 0 0 0 0\ncpu0 130 0 120 850 0 0 0 0 0 0\nctxt 5100\n";
  ASSERT_EQ(q.Collect(), 0);
  EXPECT_EQ(q.GetCounterData(0), "50%");  // 50 busy ticks of 100
}

TEST(PdhQuery, FormattedCounterNames) {
  clsPDHQuery q;
  EXPECT_EQ(q.GetFormatedCounter(238, "_Total", 6), "\\Processor(_Total)\\% Processor Time");
  EXPECT_EQ(q.GetFormatedCounter(4, "", 1382), "\\Memory()\\Available MBytes");
  EXPECT_EQ(q.GetFormatedCounter(99999, "x", -1), "\\(x)\\");
}

TEST(CpuAndPool, FormUnloadSetsTheQueryBackToNothing) {
  CpuAndPool::g_Query = std::make_unique<clsPDHQuery>();
  FormMain().Form_Unload();
  EXPECT_EQ(CpuAndPool::g_Query, nullptr);
}

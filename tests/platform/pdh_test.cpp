#include "platform/pdh.h"

#include <gtest/gtest.h>

#include "platform/clock.h"

namespace pdh = platform::pdh;

namespace {
std::string g_stat;
struct FakeProc {
  FakeProc() {
    g_stat = "cpu  0 0 0 0 0 0 0 0 0 0\ncpu0 0 0 0 0\ncpu1 0 0 0 0\nctxt 1000\nprocs_running 2\n";
    pdh::SetProcReaderForTests([](const std::string& path, std::string& out) {
      if (path != "/proc/stat") return false;
      out = g_stat;
      return true;
    });
  }
  ~FakeProc() { pdh::SetProcReaderForTests(nullptr); }
};
}  // namespace

TEST(Pdh, PathValidation) {
  FakeProc proc;
  struct Case {
    const char* path;
    uint32_t want;
  } cases[] = {
      {"\\Processor(_Total)\\% Processor Time", pdh::kOk},
      {"\\processor(_total)\\% PROCESSOR TIME", pdh::kOk},
      {"\\Processor(1)\\% Processor Time", pdh::kOk},
      {"\\Processor(2)\\% Processor Time", pdh::kNoInstance},
      {"\\Processor(x)\\% Processor Time", pdh::kNoInstance},
      {"\\Processor\\% Processor Time", pdh::kNoInstance},
      {"\\Memory(0)\\Available Bytes", pdh::kNoInstance},
      {"\\Memory\\Pages/sec", pdh::kNoCounter},
      {"\\Disk\\Reads", pdh::kNoObject},
      {"\\\\.\\System\\System Up Time", pdh::kOk},
      {"Memory\\Available Bytes", pdh::kBadCounterName},
      {"\\Memory\\", pdh::kBadCounterName},
      {"\\Processor(_Total\\% Processor Time", pdh::kBadCounterName},
      {"", pdh::kBadCounterName},
  };
  for (const auto& c : cases) EXPECT_EQ(pdh::ValidatePath(c.path), c.want) << c.path;
}

TEST(Pdh, SamplesAndHandles) {
  FakeProc proc;
  platform::clock::SetFake(1767225600);
  pdh::QueryHandle q = 0;
  ASSERT_EQ(pdh::OpenQuery(q), pdh::kOk);
  EXPECT_EQ(pdh::CollectQueryData(q), pdh::kNoData);
  pdh::CounterHandle cpu = 0, ctxt = 0;
  ASSERT_EQ(pdh::AddCounter(q, "\\Processor(1)\\% Processor Time", cpu), pdh::kOk);
  ASSERT_EQ(pdh::AddCounter(q, "\\System\\Context Switches/sec", ctxt), pdh::kOk);
  ASSERT_EQ(pdh::CollectQueryData(q), pdh::kOk);
  g_stat = "cpu  0 0 0 0\ncpu0 0 0 0 0\ncpu1 30 0 10 60 0 0 0 0\nctxt 3000\n";
  platform::clock::AdvanceFake(2000);
  ASSERT_EQ(pdh::CollectQueryData(q), pdh::kOk);
  uint32_t type = 0;
  pdh::FormattedValue v;
  ASSERT_EQ(pdh::GetFormattedValue(cpu, pdh::kFormatDouble, type, v), pdh::kOk);
  EXPECT_DOUBLE_EQ(v.doubleValue, 40.0);
  EXPECT_EQ(type, pdh::kTypePercentTime);
  ASSERT_EQ(pdh::GetFormattedValue(ctxt, pdh::kFormatLong, type, v), pdh::kOk);
  EXPECT_EQ(v.longValue, 1000);  // 2000 switches in 2 s
  EXPECT_EQ(pdh::GetFormattedValue(ctxt, 0, type, v), pdh::kInvalidArgument);
  // No ticks between two samples: no value.
  ASSERT_EQ(pdh::CollectQueryData(q), pdh::kOk);
  EXPECT_EQ(pdh::GetFormattedValue(cpu, pdh::kFormatDouble, type, v), pdh::kInvalidData);
  platform::clock::ClearFake();

  EXPECT_EQ(pdh::RemoveCounter(cpu), pdh::kOk);
  EXPECT_EQ(pdh::RemoveCounter(cpu), pdh::kInvalidHandle);
  ASSERT_EQ(pdh::CloseQuery(q), pdh::kOk);
  EXPECT_EQ(pdh::GetFormattedValue(ctxt, pdh::kFormatDouble, type, v), pdh::kInvalidHandle);
  EXPECT_EQ(pdh::CloseQuery(q), pdh::kInvalidHandle);
  pdh::CounterHandle c = 0;
  EXPECT_EQ(pdh::AddCounter(q, "\\Memory\\Available Bytes", c), pdh::kInvalidHandle);
}

TEST(Pdh, ReadsTheRealProc) {
  pdh::QueryHandle q = 0;
  ASSERT_EQ(pdh::OpenQuery(q), pdh::kOk);
  pdh::CounterHandle mem = 0;
  ASSERT_EQ(pdh::AddCounter(q, "\\Memory\\Available Bytes", mem), pdh::kOk);
  ASSERT_EQ(pdh::CollectQueryData(q), pdh::kOk);
  uint32_t type = 0;
  pdh::FormattedValue v;
  ASSERT_EQ(pdh::GetFormattedValue(mem, pdh::kFormatLarge, type, v), pdh::kOk);
  EXPECT_GT(v.largeValue, 0);
  pdh::CloseQuery(q);
}

TEST(Pdh, NamesByIndex) {
  std::string name;
  EXPECT_EQ(pdh::LookupNameByIndex(238, name), pdh::kOk);
  EXPECT_EQ(name, "Processor");
  EXPECT_EQ(pdh::LookupNameByIndex(3, name), pdh::kNoName);
  EXPECT_EQ(name, "");
}

// The service's hot path: address lookups in a large IP library, and turning a large
// request log into daily-log lines. Prints figures; asserts nothing.
//   iplib_bench [ranges] [lines]
// The pass is measured beside cp and a plain copy of the same file, in the same run.
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "bench/bench_data.h"
#include "platform/clock.h"
#include "platform/fs.h"
#include "common/ip_vector.h"
#include "service/request_log.h"
#include "tests/service/request_log_probe.h"

namespace fs = platform::fs;

using bench::MakeRequestLog;
using bench::Seconds;

namespace {

// Mostly disjoint ranges in address order, as a real library is, with a share of
// later, narrower ranges that overlap earlier ones.
std::string MakeLibrary(int ranges, std::mt19937& gen) {
  std::string text;
  text.reserve(static_cast<size_t>(ranges) * 32);
  uint64_t step = 0xFFFFFFFFULL / static_cast<uint64_t>(ranges);
  std::uniform_int_distribution<int> country(0, 154), province(1001, 1034), coin(0, 19);
  char buf[96];
  for (int i = 0; i < ranges; ++i) {
    uint64_t first = static_cast<uint64_t>(i) * step;
    uint64_t span = step - 1 - gen() % (step / 4 + 1);
    if (coin(gen) == 0 && i > 0) {
      first -= step / 2;  // reaches into the previous range
      span = step / 4;
    }
    int c = country(gen);
    int p = c == 154 ? province(gen) : 0;
    std::snprintf(buf, sizeof buf, "%llu|%llu|%d|%d|0*", static_cast<unsigned long long>(first),
                  static_cast<unsigned long long>(span), c, p);
    text += buf;
  }
  return text;
}

}  // namespace

int main(int argc, char** argv) {
  int ranges = argc > 1 ? std::atoi(argv[1]) : 300000;
  int lines = argc > 2 ? std::atoi(argv[2]) : 1000000;
  std::mt19937 gen(20261209);

  // Library and index.
  std::string library = MakeLibrary(ranges, gen);
  CQorIpVector table;
  double t0 = Seconds();
  int count = table.Load(library);
  double loadSeconds = Seconds() - t0;
  std::printf("library: %d ranges (%.1f MB), load and index %.1f ms, %zu segments\n", count,
              static_cast<double>(library.size()) / 1e6, loadSeconds * 1e3, table.SegmentCount());

  const int kIndexed = 4000000, kLinear = 2000;
  std::vector<uint32_t> probes(kIndexed);
  for (auto& p : probes) p = static_cast<uint32_t>(gen());
  int country = 0, province = 0;
  long found = 0;
  t0 = Seconds();
  for (uint32_t p : probes) found += table.FindNumber(p, country, province);
  double indexNs = (Seconds() - t0) * 1e9 / kIndexed;
  long foundLinear = 0;
  t0 = Seconds();
  for (int i = 0; i < kLinear; ++i) foundLinear += table.FindNumberLinear(probes[static_cast<size_t>(i)], country, province);
  double linearNs = (Seconds() - t0) * 1e9 / kLinear;
  std::printf("lookup: index %.1f ns, linear scan %.0f ns (%.0fx), hit rate %.0f%%\n", indexNs, linearNs,
              linearNs / indexNs, 100.0 * static_cast<double>(found) / kIndexed);

  // Lookup from the address text, as the request log asks.
  std::vector<std::string> texts(100000);
  for (size_t i = 0; i < texts.size(); ++i) {
    uint32_t p = probes[i];
    texts[i] = std::to_string(p >> 24) + "." + std::to_string(p >> 16 & 255) + "." + std::to_string(p >> 8 & 255) +
               "." + std::to_string(p & 255);
  }
  uint32_t sum = 0;
  t0 = Seconds();
  for (int round = 0; round < 10; ++round)
    for (const auto& s : texts) {
      uint32_t n = 0;
      CQorIpVector::ParseAddress(s, n);
      sum += n;
    }
  std::printf("parse of a dotted text: %.1f ns (%u)\n", (Seconds() - t0) * 1e9 / (10.0 * static_cast<double>(texts.size())), sum & 1);
  t0 = Seconds();
  for (int round = 0; round < 10; ++round)
    for (const auto& s : texts) found += table.Lookup(s, country, province);
  std::printf("lookup of a dotted text: %.1f ns\n", (Seconds() - t0) * 1e9 / (10.0 * static_cast<double>(texts.size())));

  // Post-processing in a scratch installation. The fixed waits of a pass run on the
  // fake clock, so only the work is timed.
  // In memory when it can be, so that disk write-back does not blur the figures;
  // QOR_BENCH_DIR names another folder.
  const char* where = std::getenv("QOR_BENCH_DIR");
  const std::string scratch =
      bench::MakeScratch(where && *where ? where : (fs::IsDirectory("/dev/shm") ? "/dev/shm" : "/tmp"));
  if (scratch.empty()) return 1;
  std::printf("scratch folder: %s\n", scratch.c_str());
  std::string prog = scratch + "/prog/";
  if (fs::MakeDirs(prog + "iis/log") != fs::kOk || fs::MakeDirs(prog + "log") != fs::kOk) return 1;
  bench::Put(prog + "iplib.db", library);
  const std::string requestLog = MakeRequestLog(lines, gen);

  platform::clock::SetFake(platform::clock::FromLocal(2026, 12, 9, 10, 0, 0));
  CRequestLog log(prog);
  const std::string source = scratch + "/request.src", copy = scratch + "/copy.out";
  bench::Put(source, requestLog);
  // Three runs of each, side by side: the pass and its references, cp and a plain copy
  // of the same file in 4 MB blocks.
  bench::Figures pass, cp, plain;
  int result = 0;
  for (int run = 0; run < 3; ++run) {
    ::unlink((prog + "log/qor2026-12-09.log").c_str());
    bench::PlainCopy(source, prog + "iis/log/iis.log");
    ::sync();
    t0 = Seconds();
    result = log.ProcessPass();
    pass.Add(Seconds() - t0);
    ::sync();
    cp.Add(bench::Cp(source, copy));
    ::unlink(copy.c_str());
    ::sync();
    plain.Add(bench::PlainCopy(source, copy));
    ::unlink(copy.c_str());
  }
  const double outMb = static_cast<double>(fs::FileSize(prog + "log/qor2026-12-09.log")) / 1e6;
  std::printf("post-processing of %d lines (%.1f MB), median (min-max) of 3: %s, %.2f M lines/s (result %d, %.1f MB out)\n",
              lines, static_cast<double>(requestLog.size()) / 1e6, pass.Ms().c_str(), lines / pass.Median() / 1e6, result,
              outMb);
  std::printf("references: cp %s, plain copy %s; pass / cp %.2f\n", cp.Ms().c_str(), plain.Ms().c_str(),
              pass.Median() / cp.Median());

  // The transformation alone, in memory, as the pass does it block by block.
  std::string joined;
  t0 = Seconds();
  size_t kept = Probe(log).TransformLines(requestLog, joined);
  double transformSeconds = Seconds() - t0;
  std::printf("transform alone: %.0f ms (%.2f M lines/s in one thread)\n", transformSeconds * 1e3,
              static_cast<double>(kept) / transformSeconds / 1e6);

  (void)fs::RemoveTree(scratch);  // a scratch folder left behind is only clutter
  return 0;
}

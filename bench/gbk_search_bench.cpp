// GBK searches over Chinese text, whose bytes are one long run of lead-range bytes: a
// run of finds, each from the end of the last match, and a case-blind find of a long
// needle that matches far into the text again and again. Prints the time and the bytes
// stepped over per byte of text; asserts nothing.
//   gbk_search_bench [kilobytes]
#include <cstdio>
#include <cstdlib>
#include <string>

#include "bench/bench_data.h"
#include "platform/gbk.h"

namespace {

void Report(const char* what, size_t textBytes, double seconds, uint64_t steps, size_t found) {
  std::printf("%-32s %8.1f ms  %6.2f steps/byte  %zu found\n", what, seconds * 1000,
              static_cast<double>(steps) / static_cast<double>(textBytes), found);
}

}  // namespace

int main(int argc, char** argv) {
  const size_t kilobytes = argc > 1 ? static_cast<size_t>(std::atol(argv[1])) : 1024;
  std::string text;
  while (text.size() < kilobytes * 1024) text += "北京市，中国";
  std::printf("text: %zu bytes of Chinese\n", text.size());

  {
    const std::string needle = "中国";
    const uint64_t steps = gbk::SearchSteps();
    const double start = bench::Seconds();
    size_t found = 0;
    for (size_t at = gbk::Find(text, needle); at != gbk::npos; at = gbk::Find(text, needle, at + needle.size()))
      ++found;
    Report("Find, every match in turn", text.size(), bench::Seconds() - start, gbk::SearchSteps() - steps, found);
  }
  for (size_t length : {16u, 1000u}) {
    const std::string needle = text.substr(0, length - 2) + "QQ";
    for (bool folded : {false, true}) {
      const uint64_t steps = gbk::SearchSteps();
      const double start = bench::Seconds();
      const size_t at = folded ? gbk::FindNoCase(text, needle) : gbk::Find(text, needle);
      char what[64];
      std::snprintf(what, sizeof what, "%s, %zu-byte needle", folded ? "FindNoCase" : "Find", length);
      Report(what, text.size(), bench::Seconds() - start, gbk::SearchSteps() - steps, at == gbk::npos ? 0 : 1);
    }
  }
  return 0;
}

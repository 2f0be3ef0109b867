// The request log from end to end, against a raw copy of the same bytes: the service's
// pass over a large request log, its peak memory, CountFileLines on a large daily log,
// and the log viewer's steps on a large day. Prints figures; asserts nothing. Beside
// each pass: cp and a plain copy, the delete of a file of the same size (the pass's
// last step), the pass's processor time and the load average, as the machine is shared.
//   request_log_bench [ranges] [lines] [viewer lines] [runs]
// The pass runs in a memory-backed folder (/dev/shm, or QOR_BENCH_DIR) and on a disk
// (/var/tmp, or QOR_BENCH_DISK_DIR; "-" skips it); QOR_BENCH_PASS_ONLY=1 stops there.
// The pass and the viewer run in child processes of their own, so that their peak
// memory is theirs alone.
#include <fcntl.h>
#include <linux/magic.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "common/config.h"
#include "common/program_paths.h"
#include "common/text_file.h"
#include "panel/dialog_log_show.h"
#include "panel/log_context.h"
#include "bench/bench_data.h"
#include "platform/clock.h"
#include "platform/fs.h"
#include "platform/ui/test_host.h"
#include "resources/panel_log_ids.h"
#include "resources/panel_resources.h"
#include "service/request_log.h"

namespace fs = platform::fs;

using bench::Figures;
using bench::MakeRequestLog;
using bench::PeakMb;
using bench::Put;
using bench::Seconds;

namespace {

std::string MakeLibrary(int ranges, std::mt19937& gen) {
  std::string text;
  text.reserve(static_cast<size_t>(ranges) * 32);
  uint64_t step = 0xFFFFFFFFULL / static_cast<uint64_t>(ranges);
  std::uniform_int_distribution<int> country(0, 154), province(1001, 1034);
  char buf[96];
  for (int i = 0; i < ranges; ++i) {
    uint64_t first = static_cast<uint64_t>(i) * step;
    uint64_t span = step - 1 - gen() % (step / 4 + 1);
    int c = country(gen);
    std::snprintf(buf, sizeof buf, "%llu|%llu|%d|%d|0*", static_cast<unsigned long long>(first),
                  static_cast<unsigned long long>(span), c, c == 154 ? province(gen) : 0);
    text += buf;
  }
  return text;
}

// Daily-log lines of every type, as the viewer sorts them.
std::string MakeDailyLog(int lines) {
  static const char* const kTypes[] = {"区域", "IP", "URL", "蜘蛛", "时间", "代理", "来路", "浏览器", "OS", "管理"};
  std::string text;
  text.reserve(static_cast<size_t>(lines) * 100);
  char buf[256];
  for (int i = 0; i < lines; ++i) {
    std::snprintf(buf, sizeof buf, "2016-9-20 10:%d:%d\t%s\t阻止访问\t1.2.%d.%d\t中国-北京市 www.example.com/a.asp?id=%d\n",
                  i / 60 % 60, i % 60, kTypes[i % 10], i / 256 % 256, i % 256, i);
    text += buf;
  }
  return text;
}

// Runs this program with the arguments in a child and returns its output.
std::string RunChild(const std::vector<std::string>& args) {
  int pipeFd[2];
  if (::pipe(pipeFd) != 0) return "";
  pid_t pid = ::fork();
  if (pid == 0) {
    ::dup2(pipeFd[1], 1);
    ::close(pipeFd[0]);
    std::vector<char*> argv;
    static char self[] = "/proc/self/exe";
    argv.push_back(self);
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    ::execv("/proc/self/exe", argv.data());
    _exit(127);
  }
  ::close(pipeFd[1]);
  std::string out;
  char buf[4096];
  ssize_t n;
  while ((n = ::read(pipeFd[0], buf, sizeof buf)) > 0) out.append(buf, static_cast<size_t>(n));
  ::close(pipeFd[0]);
  int status = 0;
  ::waitpid(pid, &status, 0);
  return out;
}

// Processor time of every thread of this process so far, user and system, in seconds.
double CpuSeconds() {
  struct rusage ru;
  if (::getrusage(RUSAGE_SELF, &ru) != 0) return 0;
  return static_cast<double>(ru.ru_utime.tv_sec + ru.ru_stime.tv_sec) +
         static_cast<double>(ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) * 1e-6;
}

// Seconds to delete a file, as the pass deletes its work file at the end.
double TimeUnlink(const std::string& path) {
  const double t0 = Seconds();
  ::unlink(path.c_str());
  return Seconds() - t0;
}

// The load average over the last minute: the machine is shared, and a pass of several
// threads slows down more than cp when the cores are busy.
double LoadAverage() {
  double load[1] = {0};
  return ::getloadavg(load, 1) == 1 ? load[0] : -1;
}

// Child: one pass of the service over prog's request log (the fixed waits of a pass run
// on the fake clock, so only the work is timed).
int PassChild(const std::string& prog) {
  platform::clock::SetFake(platform::clock::FromLocal(2026, 12, 9, 10, 0, 0));
  CRequestLog log(prog);
  const double before = PeakMb();
  const double cpu0 = CpuSeconds();
  double t0 = Seconds();
  int result = log.ProcessPass();
  double seconds = Seconds() - t0;
  std::printf("%.6f %d %.1f %.1f %.6f\n", seconds, result, before, PeakMb(), CpuSeconds() - cpu0);
  return 0;
}

// Child: the worker's start (region tables and library read, the library indexed), runs
// times; prints each time in seconds.
int LoadChild(const std::string& prog, int runs) {
  for (int run = 0; run < runs; ++run) {
    const double t0 = Seconds();
    CRequestLog log(prog);
    std::printf("%.6f\n", Seconds() - t0);
  }
  // A stop asked 5 ms into the start: how long the start goes on after it.
  platform::StopToken stop;
  double asked = 0;
  std::thread stopper([&] {
    ::usleep(5000);
    asked = Seconds();
    stop.RequestStop();
  });
  CRequestLog log(prog, &stop);
  const double ended = Seconds();
  stopper.join();
  std::printf("stop %.6f\n", ended > asked ? ended - asked : 0.0);
  return 0;
}

// Child: the viewer's steps on the day in prog's log folder.
int ViewerChild(const std::string& prog, int64_t fileSize) {
  setenv("QOR_PROGRAM_DIR", prog.c_str(), 1);
  platform::clock::SetFake(platform::clock::FromLocal(2016, 9, 20, 12, 0, 0));
  ui::TestHost host;
  ui::InstallResources(&res::PanelResources());
  InitGlobalPaths();
  CConfig config;
  config.Load();
  std::string logFile, logDate;
  LogContext context{config, logFile, logDate, ui::Font{}, ui::Font{}};
  CDialogLogShow dlg(context);
  const double base = PeakMb();
  auto step = [](const char* what, auto fn) {
    double t0 = Seconds();
    fn();
    std::printf("viewer %-28s %8.1f ms\n", what, (Seconds() - t0) * 1e3);
  };
  step("open the dialog", [&] { dlg.Create(); });
  step("first load (list, read, sort, page)", [&] { host.RunFor(100); });
  step("switch to tab URL", [&] {
    dlg.m_tabTypes.SetCurSel(3);
    ui::Event ev;
    dlg.OnTabChange(ev);
  });
  step("last page", [&] { dlg.OnLastPage(); });
  step("previous page", [&] { dlg.OnPrevPage(); });
  step("back to tab all", [&] {
    dlg.m_tabTypes.SetCurSel(0);
    ui::Event ev;
    dlg.OnTabChange(ev);
  });
  step("keyword, one match", [&] {
    dlg.m_strKeyword = "id=999999";
    dlg.UpdateData(false);
    dlg.OnSearch();
  });
  step("keyword, no match", [&] {
    dlg.m_strKeyword = "no such text";
    dlg.UpdateData(false);
    dlg.OnSearch();
  });
  step("keyword cleared, day again", [&] {
    dlg.m_strKeyword.clear();
    dlg.UpdateData(false);
    dlg.m_listDays.SetItemSelected(0, true);
    dlg.OnShowDayLog();
  });
  const double peak = PeakMb();
  std::printf("viewer memory: %.1f MB above the start for a file of %.1f MB (%.2f times), %zu lines shown of %zu\n",
              peak - base, static_cast<double>(fileSize) / 1048576.0,
              (peak - base) / (static_cast<double>(fileSize) / 1048576.0), static_cast<size_t>(dlg.m_listEntries.GetItemCount()),
              dlg.LineCount(0));
  return 0;
}

// The pass against cp and a plain copy of the same file, in one folder, run after run;
// prints median and spread.
void MeasurePlace(const char* name, const std::string& where, const std::string& library, const std::string& source,
                  int runs) {
  const std::string base = bench::MakeScratch(where);
  if (base.empty()) {
    std::printf("%s: no scratch folder in %s\n", name, where.c_str());
    return;
  }
  struct statfs st;
  const bool memory = ::statfs(base.c_str(), &st) == 0 && st.f_type == TMPFS_MAGIC;
  const std::string prog = base + "/prog/";
  if (fs::MakeDirs(prog + "iis/log") != fs::kOk || fs::MakeDirs(prog + "log") != fs::kOk) {
    std::printf("%s: no folders in %s\n", name, base.c_str());
    return;
  }
  Put(prog + "iplib.db", library);
  const std::string src = base + "/request.src", copy = base + "/copy.out";
  Put(src, source);
  const std::string requestLog = prog + "iis/log/iis.log", daily = prog + "log/qor2026-12-09.log";
  Figures cp, plain, pass, del, cpu;
  double peak = 0, startMb = 0;
  int result = -1;
  const double loadBefore = LoadAverage();
  for (int run = 0; run < runs; ++run) {
    ::sync();
    cp.Add(bench::Cp(src, copy));
    // The pass deletes its work file once written out, a file read and on the disk;
    // so is this one by now.
    ::sync();
    del.Add(TimeUnlink(copy));
    ::sync();
    plain.Add(bench::PlainCopy(src, copy));
    ::unlink(copy.c_str());
    ::unlink(daily.c_str());
    bench::PlainCopy(src, requestLog);
    ::sync();
    double seconds = 0, before = 0, after = 0, processor = 0;
    if (std::sscanf(RunChild({"--pass", prog}).c_str(), "%lf %d %lf %lf %lf", &seconds, &result, &before, &after,
                    &processor) != 5)
      return;
    pass.Add(seconds);
    cpu.Add(processor);
    peak = std::max(peak, after);
    startMb = before;
  }
  std::printf("%s, %s (%s), %d runs, median (min-max); load average %.1f before, %.1f after, %u cores:\n", name,
              where.c_str(), memory ? "tmpfs" : "not tmpfs", runs, loadBefore, LoadAverage(),
              std::thread::hardware_concurrency());
  std::printf("  cp %s, plain copy %s, service pass %s (result %d, %.1f MB out)\n", cp.Ms().c_str(),
              plain.Ms().c_str(), pass.Ms().c_str(), result, static_cast<double>(fs::FileSize(daily)) / 1e6);
  std::printf("  pass / cp: %.2f (target %s), pass / plain copy: %.2f\n", pass.Median() / cp.Median(),
              memory ? "2" : "2.5", pass.Median() / plain.Median());
  std::printf("  deleting a file of this size (the pass's last step): %s; pass / (cp + delete): %.2f\n",
              del.Ms().c_str(), pass.Median() / (cp.Median() + del.Median()));
  std::printf("  pass processor time, all threads: %s (%.1f cores busy on average)\n", cpu.Ms().c_str(),
              cpu.Median() / pass.Median());
  std::printf("  pass peak memory: %.1f MB (%.1f MB with the library loaded, before the pass; target 64)\n", peak,
              startMb);
  if (memory) {
    Figures load;
    double afterStop = -1;
    const std::string times = RunChild({"--load", prog, std::to_string(std::max(runs, 5))});
    for (size_t at = 0; at < times.size();) {
      if (times.compare(at, 5, "stop ") == 0) afterStop = std::atof(times.c_str() + at + 5);
      else load.Add(std::atof(times.c_str() + at));
      const size_t nl = times.find('\n', at);
      at = nl == std::string::npos ? times.size() : nl + 1;
    }
    std::printf("  worker start (region tables, library read and indexed): %s\n", load.Ms().c_str());
    std::printf("  a stop asked 5 ms into the start ends it %.1f ms later (target 200)\n", afterStop * 1e3);
  }
  if (std::getenv("QOR_BENCH_KEEP")) std::printf("  kept: %s\n", daily.c_str());
  else (void)fs::RemoveTree(base);  // scratch
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 2 && std::strcmp(argv[1], "--pass") == 0) return PassChild(argv[2]);
  if (argc > 3 && std::strcmp(argv[1], "--load") == 0) return LoadChild(argv[2], std::atoi(argv[3]));
  if (argc > 3 && std::strcmp(argv[1], "--viewer") == 0) return ViewerChild(argv[2], std::atoll(argv[3]));
  const int ranges = argc > 1 ? std::atoi(argv[1]) : 197126;
  const int lines = argc > 2 ? std::atoi(argv[2]) : 2000000;
  const int viewerLines = argc > 3 ? std::atoi(argv[3]) : 1000000;
  const int runs = argc > 4 ? std::max(1, std::atoi(argv[4])) : 3;
  std::mt19937 gen(20261209);
  const std::string library = MakeLibrary(ranges, gen);
  const std::string source = MakeRequestLog(lines, gen);
  std::printf("request log: %d lines, %.1f MB; library %d ranges\n", lines, static_cast<double>(source.size()) / 1e6,
              ranges);

  // In memory (QOR_BENCH_DIR, else /dev/shm) and on a disk (QOR_BENCH_DISK_DIR, else
  // /var/tmp), where the progress records reach the disk.
  const char* memory = std::getenv("QOR_BENCH_DIR");
  const char* disk = std::getenv("QOR_BENCH_DISK_DIR");
  MeasurePlace("memory", memory && *memory ? memory : (fs::IsDirectory("/dev/shm") ? "/dev/shm" : "/tmp"), library,
               source, runs);
  if (!(disk && std::strcmp(disk, "-") == 0))
    MeasurePlace("disk", disk && *disk ? disk : "/var/tmp", library, source, runs);
  if (std::getenv("QOR_BENCH_PASS_ONLY")) return 0;

  const std::string base = bench::MakeScratch(memory && *memory ? memory : "/tmp");
  if (base.empty()) return 1;
  // CountFileLines on a 200 MB daily log.
  {
    const std::string big = base + "/big.log";
    std::string text = MakeDailyLog(2000000);
    while (text.size() < 200u * 1000 * 1000) text += text.substr(0, 200u * 1000 * 1000 - text.size());
    Put(big, text);
    const int kCalls = 1000;
    int count = 0;
    double t0 = Seconds();
    for (int i = 0; i < kCalls; ++i) count = CountFileLines(big);
    std::printf("CountFileLines on %.0f MB: %.3f ms a call (result %d; target under 1 ms)\n",
                static_cast<double>(text.size()) / 1e6, (Seconds() - t0) * 1e3 / kCalls, count);
    ::unlink(big.c_str());
  }

  // The viewer on one day of many lines.
  {
    const std::string viewerProg = base + "/viewer/";
    if (fs::MakeDirs(viewerProg + "log") != fs::kOk || fs::MakeDirs(viewerProg + "iis") != fs::kOk) return 1;
    const std::string day = viewerProg + "log/qor2016-09-20.log";
    Put(day, MakeDailyLog(viewerLines));
    std::printf("viewer day: %d lines, %.1f MB\n", viewerLines, static_cast<double>(fs::FileSize(day)) / 1e6);
    std::fputs(RunChild({"--viewer", viewerProg, std::to_string(fs::FileSize(day))}).c_str(), stdout);
  }

  if (!std::getenv("QOR_BENCH_KEEP")) (void)fs::RemoveTree(base);  // scratch
  return 0;
}

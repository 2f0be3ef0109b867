#include "tests/support/console.h"

#include <sys/wait.h>

#include <cstdio>

#include "platform/textconv.h"

namespace qortest {

Output RunConsole(const std::string& commandLine) {
  Output out;
  FILE* pipe = popen((commandLine + " 2>&1").c_str(), "r");
  if (!pipe) return out;
  char buf[4096];
  std::string utf8;
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, pipe)) > 0) utf8.append(buf, n);
  const int status = pclose(pipe);
  out.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : WIFSIGNALED(status) ? 128 + WTERMSIG(status) : -1;
  out.text = platform::Utf8ToGbk(utf8);
  return out;
}

}  // namespace qortest

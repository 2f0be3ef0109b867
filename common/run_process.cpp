#include "common/run_process.h"

#include "platform/clock.h"
#include "platform/fs.h"
#include "platform/process.h"

int RunProcessWait(const std::string& program, const std::string& parameters, bool hide) {
  if (!platform::fs::IsFile(program)) return 0;
  auto result = platform::process::RunAndWait(program, parameters, hide);
  if (!result.started) return 0;
  // The caller is held a little, as it always was, so the child's files settle.
  platform::clock::Sleep(500);
  return 1;
}

#pragma once
// What a test program of the Qt host sets up (header only: the support library does
// not link Qt): no display and timers and sleeps a hundred times faster, set before
// anything reads them; the arguments a host is made with; the folder for the pictures
// a person looks at.
#include <cstdlib>
#include <string>

#include "platform/fs.h"
#include "tests/support/temp_install.h"

namespace qortest {

// One per test program, set at its start (an inline variable might wait for its first use).
static const bool g_qtEnvironment = [] {
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  setenv("QOR_TIME_SCALE", "0.01", 1);
  return true;
}();

inline int g_qtArgc = 1;
inline char g_qtName[] = "qortest";
inline char* g_qtArgv[] = {g_qtName, nullptr};

// <build>/artifacts/, made when missing.
inline std::string ArtifactsDir() {
  const std::string dir = BinDir() + "../artifacts/";
  EXPECT_EQ(platform::fs::MakeDirs(dir), platform::fs::kOk) << dir;
  return dir;
}

}  // namespace qortest

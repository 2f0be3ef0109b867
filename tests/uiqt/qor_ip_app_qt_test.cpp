// The real panel program on its uninstall road: no window opens, a wrong key is told
// in a message box, the fixed key uninstalls.
#include <gtest/gtest.h>

#include <cstdlib>
#include <thread>

#include "common/md5.h"
#include "platform/fs.h"
#include "platform/process.h"
#include "platform/textconv.h"
#include "tests/support/temp_install.h"

namespace fs = platform::fs;

namespace {

class QorIpProgram : public ::testing::Test {
 protected:
  void SetUp() override {
    install_.WriteMachineIni();
    journal_ = install_.Base() + "journal";
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    ::setenv("QOR_TIME_SCALE", "0.01", 1);
    ::setenv("QOR_UI_JOURNAL", journal_.c_str(), 1);
    install_.WriteProgramFile("iplib.db", "1|2|3|4|5*");
  }
  void TearDown() override { ::unsetenv("QOR_UI_JOURNAL"); }

  platform::process::RunResult Run(const std::string& parameters) {
    return platform::process::RunAndWait(qortest::BinDir() + "QorIP", parameters, true, 60000);
  }
  std::string Journal() const {
    std::string text;
    // No journal yet reads as empty.
    (void)fs::ReadFile(journal_, text);
    return text;
  }

  qortest::TempInstall install_;
  std::string journal_;
};

}  // namespace

TEST_F(QorIpProgram, WrongKeyIsShownAndNothingRemoved) {
  auto run = Run("/unload wrong");
  ASSERT_TRUE(run.exited);
  EXPECT_EQ(run.exitCode, 0);
  // The blank after the switch belongs to the key.
  EXPECT_NE(Journal().find("卸载参数错误1：" + Md5Hex(" wrong")), std::string::npos) << Journal();
  EXPECT_EQ(Journal().find("modal"), std::string::npos) << Journal();
  EXPECT_TRUE(fs::IsFile(install_.ProgramDir() + "iplib.db"));
}

TEST_F(QorIpProgram, FixedKeyUninstallsWithoutAWindow) {
  auto run = Run("-UNLOAD__" + Md5Hex("_&4pzkq"));
  ASSERT_TRUE(run.exited);
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_EQ(Journal(), "");
  EXPECT_FALSE(fs::Exists(install_.ProgramDir() + "iplib.db"));
}

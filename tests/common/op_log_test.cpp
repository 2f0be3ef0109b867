#include "common/op_log.h"

#include <gtest/gtest.h>

#include <string>

#include "common/config.h"
#include "common/daily_log.h"
#include "common/program_paths.h"
#include "common/system_info.h"
#include "common/text_file.h"
#include "platform/clock.h"
#include "platform/fs.h"
#include "tests/support/temp_install.h"

namespace fs = platform::fs;

namespace {
class OpLogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::clock::SetFake(platform::clock::FromLocal(2016, 9, 9, 8, 5, 3));
    InitGlobalPaths();
  }
  void TearDown() override {
    platform::clock::ClearFake();
    SetOpLogConfig(nullptr);
  }
  std::string Today() const { return m_inst.ProgramDir() + "log/qor2016-09-09.log"; }
  std::string ReadToday() const {
    std::string text;
    (void)fs::ReadFile(Today(), text);
    return text;
  }

  qortest::TempInstall m_inst;
  CConfig m_config;
};
}  // namespace

TEST_F(OpLogTest, SwitchedOffWritesNothing) {
  const char* const offValues[] = {"", "0", "1 ", "01", "true"};
  for (const char* off : offValues) {
    m_config.SetText(std::string("<KeyLogOn>") + off + "</KeyLogOn><0>");
    EXPECT_EQ(WriteOpLog("[保存]x", m_config), 1) << off;
  }
  m_config.SetText("<0>");
  EXPECT_EQ(WriteOpLog("[保存]x", m_config), 1);
  // No store registered.
  EXPECT_EQ(WriteOpLog("[保存]x"), 1);
  EXPECT_FALSE(fs::Exists(Today()));
}

TEST_F(OpLogTest, WritesTheOperationLineAndTheParserReadsItBack) {
  m_config.SetText("<KeyLogOn>1</KeyLogOn><0>");
  SetOpLogConfig(&m_config);
  ASSERT_EQ(WriteOpLog("[保存]x"), 1);
  const std::string user = GetCurrentUser();
  EXPECT_EQ(ReadToday(), "2016-9-9 8:5:3\t管理\t用户设置\t-\t[保存]x(" + user + ")\n");

  platform::clock::AdvanceFake(1000);
  ASSERT_EQ(WriteOpLog("[删除]y", m_config), 1);
  StringList lines = SplitLines(ReadToday());
  ASSERT_EQ(lines.size(), 2u);
  DailyLogLine first = ParseDailyLogLine(lines[0]);
  EXPECT_TRUE(first.shown);
  EXPECT_EQ(first.group, kDailyLogGroupOther);
  EXPECT_EQ(first.time, "2016-9-9 8:5:3");
  EXPECT_EQ(first.type, "管理");
  EXPECT_EQ(first.operation, "用户设置");
  EXPECT_EQ(first.address, "[保存]x(" + user + ")");
  EXPECT_EQ(first.detail, "-");
  EXPECT_EQ(ParseDailyLogLine(lines[1]).time, "2016-9-9 8:5:4");
}

TEST_F(OpLogTest, BreaksAndTabsBecomeBlanks) {
  m_config.SetText("<KeyLogOn>1</KeyLogOn><0>");
  ASSERT_EQ(WriteOpLog("[操作]a\tb\r\nc\nURL\t区域", m_config), 1);
  StringList lines = SplitLines(ReadToday());
  ASSERT_EQ(lines.size(), 1u);
  DailyLogLine line = ParseDailyLogLine(lines[0]);
  EXPECT_EQ(line.address, "[操作]a b  c URL 区域(" + GetCurrentUser() + ")");
  EXPECT_EQ(line.group, kDailyLogGroupOther);
  EXPECT_EQ(line.detail, "-");
}

TEST_F(OpLogTest, MissingFolderIsMadeUnwritableDayGivesZero) {
  m_config.SetText("<KeyLogOn>1</KeyLogOn><0>");
  (void)fs::RemoveDir(m_inst.ProgramDir() + "log");
  EXPECT_EQ(WriteOpLog("[保存]x", m_config), 1);
  EXPECT_TRUE(fs::IsFile(Today()));
  ASSERT_EQ(fs::MakeDir(m_inst.ProgramDir() + "log/qor2016-09-10.log"), 0);
  platform::clock::AdvanceFake(24LL * 3600 * 1000);
  EXPECT_EQ(WriteOpLog("[保存]x", m_config), 0);
}

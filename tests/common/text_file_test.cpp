#include "common/text_file.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <utility>
#include <vector>

#include "platform/faults.h"
#include "platform/ui/ui_hooks.h"
#include "platform/clock.h"
#include "platform/fs.h"
#include "tests/support/temp_install.h"

namespace fs = platform::fs;

TEST(TextFile, ReadJoinsLinesInEveryBuild) {
  qortest::TempInstall inst;
  std::string path = inst.ProgramDir() + "a.txt";
  EXPECT_EQ(fs::WriteFile(path, "ab\r\ncd\n\nef"), fs::kOk);
  std::string out;
  EXPECT_EQ(ReadTextFile(path, out), 1);
  EXPECT_EQ(out, "abcdef");
  EXPECT_EQ(ReadTextFile(path, out, Build::Service, true), 1);
  EXPECT_EQ(out, "ab\ncd\n\nef\n");
  EXPECT_EQ(ReadTextFile(inst.ProgramDir() + "missing", out), 0);
  EXPECT_EQ(ReadTextFile(inst.ProgramDir(), out), 0);
  EXPECT_EQ(ReadTextFile(inst.ProgramDir() + "missing", out, Build::Service), 0);
}

TEST(TextFile, RefusedOpenRetriesThenTellsTheUser) {
  qortest::TempInstall inst;
  std::string path = inst.ProgramDir() + "locked.txt";
  EXPECT_EQ(fs::WriteFile(path, "x"), fs::kOk);
  int opens = 0;
  platform::faults::Guard faults;
  faults.When([&](const platform::faults::Call& c) {
    if (c.OpensForReading() && c.path == path) {
      ++opens;
      return platform::faults::Fault::Fail(EACCES);
    }
    return platform::faults::Fault{};
  });
  std::string shown;
  SetMessageBoxHook([&](const std::string& text, const std::string&, unsigned) {
    shown = text;
    return kIdOk;
  });
  platform::clock::SetFake(1000000);
  std::string out = "old";
  EXPECT_EQ(ReadTextFile(path, out), 0);
  EXPECT_EQ(platform::clock::NowMs(), 1000000LL * 1000 + 19 * 100);
  platform::clock::ClearFake();
  faults.Reset();
  SetMessageBoxHook(nullptr);
  EXPECT_EQ(opens, 20);
  EXPECT_TRUE(out.empty());
  EXPECT_NE(shown.find("失败，错误号：5。"), std::string::npos);
}

// 999 non-empty lines already give 1000: the count stops at its limit.
TEST(TextFile, CountLinesCapsAtAThousand) {
  qortest::TempInstall inst;
  struct Case {
    int lines;
    int want;
  } cases[] = {{0, 0}, {3, 3}, {998, 998}, {999, 1000}, {1000, 1000}, {1500, 1000}};
  for (const auto& c : cases) {
    std::string text;
    for (int i = 0; i < c.lines; ++i) text += "line\n\n";
    EXPECT_EQ(fs::WriteFile(inst.ProgramDir() + "n.log", text), fs::kOk);
    EXPECT_EQ(CountFileLines(inst.ProgramDir() + "n.log"), c.want) << c.lines;
  }
  EXPECT_EQ(CountFileLines(inst.ProgramDir() + "none.log"), 0);
  // Either line end; a line of one '\r' before its '\n' is not empty.
  for (const auto& [text, want] : std::vector<std::pair<std::string, int>>{{"a\r\n\r\nb", 2}, {"\r\r\n\n", 1}}) {
    EXPECT_EQ(fs::WriteFile(inst.ProgramDir() + "n.log", text), fs::kOk);
    EXPECT_EQ(CountFileLines(inst.ProgramDir() + "n.log"), want);
  }
}

TEST(TextFile, WriteReportsEveryFailure) {
  qortest::TempInstall inst;
  std::string path = inst.ProgramDir() + "w.txt";
  EXPECT_EQ(WriteTextFile(path, "a", true), 1);
  EXPECT_EQ(WriteTextFile(path, "b", false, true), 1);
  EXPECT_EQ(inst.ReadProgramFile("w.txt"), "a\nb");
  EXPECT_EQ(WriteTextFile("", "a"), 0);
  EXPECT_EQ(WriteTextFile(inst.ProgramDir() + "no/such/dir.txt", "a"), 0);
  {
    platform::faults::Guard faults;
    faults.Fail(platform::faults::Kind::Write, ENOSPC);
    EXPECT_EQ(WriteTextFile(path, "c"), 0);
  }

  StringList lines;
  EXPECT_EQ(fs::WriteFile(path, "x\r\n\r\ny\n"), fs::kOk);
  EXPECT_EQ(ReadLinesToArray(lines, path), 1);
  EXPECT_EQ(lines, (StringList{"x", "y"}));
  EXPECT_EQ(ReadLinesToArray(lines, path + ".none"), 0);
  EXPECT_TRUE(lines.empty());
}

#include "platform/fs.h"

#include <gtest/gtest.h>

#include <cerrno>

#include "tests/support/temp_install.h"

namespace fs = platform::fs;

TEST(Fs, WindowsWildcards) {
  struct Case {
    const char* pattern;
    const char* name;
    bool want;
  } cases[] = {
      {"*.log", "qor2016-9-9.log", true}, {"*.log", "QOR.LOG", true},  {"*.log", "a.log.bak", false},
      {"*.*", "noext", true},             {"*", ".hidden", true},      {"qor*.log", "qorx.log", true},
      {"qor*.log", "xqor.log", false},    {"a?c", "abc", true},        {"a?c", "ac", false},
      {"name.*", "name", true},           {"name.*", "name.txt", true}, {"*.db", "iplib.db", true},
  };
  for (const auto& c : cases) EXPECT_EQ(fs::WildcardMatch(c.pattern, c.name), c.want) << c.pattern << " " << c.name;
}

TEST(Fs, ListIsSortedAndFiltered) {
  qortest::TempInstall inst;
  std::string d = inst.ProgramDir() + "x";
  fs::MakeDir(d);
  for (const char* n : {"b.log", "a.LOG", "c.txt"}) fs::WriteFile(d + "/" + n, "1");
  std::vector<fs::Entry> out;
  ASSERT_TRUE(fs::List(d, "*.log", out));
  ASSERT_EQ(out.size(), 2u);
  EXPECT_EQ(out[0].name, "a.LOG");
  EXPECT_EQ(out[1].name, "b.log");
  EXPECT_FALSE(fs::List(d + "/none", "*", out));
}

TEST(Fs, DeleteGivesWindowsCodes) {
  qortest::TempInstall inst;
  std::string base = inst.ProgramDir();
  fs::WriteFile(base + "f", "1");
  EXPECT_EQ(fs::DeleteFile(base + "f"), fs::kOk);
  EXPECT_EQ(fs::DeleteFile(base + "f"), fs::kFileNotFound);
  EXPECT_EQ(fs::DeleteFile(base + "nodir/f"), fs::kPathNotFound);
  EXPECT_EQ(fs::DeleteFile(base + "iis"), fs::kAccessDenied);
  EXPECT_EQ(fs::MakeDir(base + "a/b"), fs::kPathNotFound);
  EXPECT_EQ(fs::MakeDirs(base + "a/b"), fs::kOk);
  EXPECT_EQ(fs::MakeDir(base + "a/b"), fs::kOk);
}

TEST(Fs, ReplaceIsAllOrNothing) {
  qortest::TempInstall inst;
  std::string path = inst.ProgramDir() + "store";
  ASSERT_EQ(fs::ReplaceFile(path, "old"), fs::kOk);
  for (fs::Op failing : {fs::Op::OpenWrite, fs::Op::Write, fs::Op::Rename}) {
    fs::SetFaultHook([&](fs::Op op, const std::string&) { return op == failing ? EIO : 0; });
    EXPECT_NE(fs::ReplaceFile(path, "new"), fs::kOk);
    fs::SetFaultHook(nullptr);
    std::string data;
    ASSERT_EQ(fs::ReadFile(path, data), fs::kOk);
    EXPECT_EQ(data, "old");
  }
  std::vector<fs::Entry> left;
  fs::List(inst.ProgramDir(), "store.tmp*", left);
  EXPECT_TRUE(left.empty());
  EXPECT_EQ(fs::ReplaceFile(path, "new"), fs::kOk);
  EXPECT_EQ(fs::FileSize(path), 3);
}

TEST(Fs, AppendAndReadFaults) {
  qortest::TempInstall inst;
  std::string path = inst.ProgramDir() + "a";
  EXPECT_EQ(fs::WriteFile(path, "1", true), fs::kOk);
  EXPECT_EQ(fs::WriteFile(path, "2", true), fs::kOk);
  std::string data;
  EXPECT_EQ(fs::ReadFile(path, data), fs::kOk);
  EXPECT_EQ(data, "12");
  fs::SetFaultHook([](fs::Op op, const std::string&) { return op == fs::Op::OpenRead ? EACCES : 0; });
  EXPECT_EQ(fs::ReadFile(path, data), fs::kAccessDenied);
  fs::SetFaultHook(nullptr);
  EXPECT_EQ(fs::ReadFile(inst.ProgramDir(), data), fs::kAccessDenied);
  time_t born = 0;
  EXPECT_TRUE(fs::BirthTime(path, born));
  EXPECT_GT(born, 0);
  EXPECT_FALSE(fs::BirthTime(path + "x", born));
}

TEST(Fs, OtherOpenersSeesAWriterThatOpenedBeforeARename) {
  qortest::TempInstall inst;
  std::string path = inst.ProgramDir() + "iis.log", moved = path + ".work";
  FILE* writer = fopen(path.c_str(), "a");
  ASSERT_NE(writer, nullptr);
  ASSERT_EQ(fs::Rename(path, moved), fs::kOk);
  EXPECT_EQ(fs::OtherOpeners(moved), fs::Openers::Some);
  fclose(writer);
  EXPECT_EQ(fs::OtherOpeners(moved), fs::Openers::None);
  EXPECT_EQ(fs::OtherOpeners(path), fs::Openers::Unknown);
}

#include <errno.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "platform/faults.h"
#include "platform/fs.h"
#include "platform/ini.h"
#include "tests/support/forked.h"
#include "tests/support/temp_install.h"

namespace fs = platform::fs;
namespace ini = platform::ini;

namespace {
std::string Read(const std::string& path) {
  std::string text;
  (void)fs::ReadFile(path, text);
  return text;
}

std::string SetText(const std::string& before, const std::string& section, const std::string& key,
                    const std::string& value) {
  ini::Document doc;
  doc.Parse(before);
  doc.Set(section, key, value);
  return doc.Text();
}

using FaultGuard = platform::faults::Guard;
using platform::faults::Call;
using platform::faults::Fault;
using platform::faults::Kind;
}  // namespace

TEST(IniWrite, SetKeepsEveryOtherLine) {
  const std::string base = "; keep me\n[System]\nWord1=a\n; inner\nWord2=b\n\n[Other]\nWord1=x\n";
  struct Case {
    const char* name;
    const char* section;
    const char* key;
    const char* value;
    std::string expected;
  } const cases[] = {
      {"replaces in place, case-blind", "system", "WORD2", "new",
       "; keep me\n[System]\nWord1=a\n; inner\nWORD2=new\n\n[Other]\nWord1=x\n"},
      {"new key after the last line of its section", "System", "Word3", "c",
       "; keep me\n[System]\nWord1=a\n; inner\nWord2=b\nWord3=c\n\n[Other]\nWord1=x\n"},
      {"same key name in another section", "Other", "Word1", "y",
       "; keep me\n[System]\nWord1=a\n; inner\nWord2=b\n\n[Other]\nWord1=y\n"},
      {"new section at the end", "New", "k", "v",
       "; keep me\n[System]\nWord1=a\n; inner\nWord2=b\n\n[Other]\nWord1=x\n[New]\nk=v\n"},
      {"line breaks removed from the value", "System", "Word1", "a\r\n[Other]\r\nWord9=evil",
       "; keep me\n[System]\nWord1=a[Other]Word9=evil\n; inner\nWord2=b\n\n[Other]\nWord1=x\n"},
      {"empty value", "System", "Word1", "",
       "; keep me\n[System]\nWord1=\n; inner\nWord2=b\n\n[Other]\nWord1=x\n"},
  };
  for (const auto& c : cases) EXPECT_EQ(SetText(base, c.section, c.key, c.value), c.expected) << c.name;
}

TEST(IniWrite, SetOnlyTouchesTheFirstMatch) {
  // Windows reads the first section and the first key of a name; a write goes there too.
  const std::string base = "[A]\nk=1\nk=2\n[a]\nk=3\n";
  EXPECT_EQ(SetText(base, "a", "K", "9"), "[A]\nK=9\nk=2\n[a]\nk=3\n");
  EXPECT_EQ(SetText("", "S", "k", "v"), "[S]\nk=v\n");
}

TEST(IniWrite, GbkNamesMatchWholeCharacters) {
  qortest::TempInstall inst;
  std::string path = inst.ProgramDir() + "gbk.ini";
  // 癩 ends in the byte ']'; 癆 and 癮 differ only in a trail byte 'A' / 'a'.
  ASSERT_TRUE(ini::WriteString(path, "癩", "键", "一"));
  ASSERT_TRUE(ini::WriteString(path, "癆", "k", "二"));
  EXPECT_EQ(ini::ReadString(path, "癩", "键", "-"), "一");
  EXPECT_EQ(ini::ReadString(path, "癆", "K", "-"), "二");
  EXPECT_EQ(ini::ReadString(path, "癮", "k", "-"), "-");
  EXPECT_EQ(Read(path), "[癩]\n键=一\n[癆]\nk=二\n");
}

TEST(IniWrite, WriteStringReadsBack) {
  qortest::TempInstall inst;
  std::string path = inst.ProgramDir() + "iis/config.ini";
  EXPECT_EQ(fs::WriteFile(path, ";c\r\n[System]\r\nWord1=a\r\n"), fs::kOk);
  ASSERT_TRUE(ini::WriteString(path, "System", "Word30", "2016-09-09 10:00:00"));
  EXPECT_EQ(ini::ReadString(path, "System", "Word30", "d"), "2016-09-09 10:00:00");
  EXPECT_EQ(ini::ReadString(path, "System", "Word1", "d"), "a");
  EXPECT_EQ(Read(path), ";c\n[System]\nWord1=a\nWord30=2016-09-09 10:00:00\n");
  EXPECT_FALSE(fs::Exists(ini::LockPath(path))) << "a lock file left behind keeps the folder from being removed";
}

TEST(IniWrite, WriteStringRefusals) {
  qortest::TempInstall inst;
  std::string path = inst.ProgramDir() + "a.ini";
  EXPECT_FALSE(ini::WriteString(path, "", "k", "v"));
  EXPECT_FALSE(ini::WriteString(path, "S", "", "v"));
  EXPECT_FALSE(ini::WriteString(path, "S", "\r\n", "v"));
  EXPECT_FALSE(fs::Exists(path));
  EXPECT_FALSE(ini::WriteString(inst.ProgramDir() + "none/a.ini", "S", "k", "v"));

  std::string dir = inst.ProgramDir() + "dir.ini";
  ASSERT_EQ(fs::MakeDir(dir), 0);
  EXPECT_FALSE(ini::WriteString(dir, "S", "k", "v"));
  EXPECT_TRUE(fs::IsDirectory(dir));
}

TEST(IniWrite, UnreadableFileIsNotOverwritten) {
  qortest::TempInstall inst;
  FaultGuard guard;
  std::string path = inst.ProgramDir() + "a.ini";
  EXPECT_EQ(fs::WriteFile(path, "[S]\nk=old\nother=1\n"), fs::kOk);
  guard.When([&](const Call& c) { return c.OpensForReading() && c.path == path ? Fault::Fail(EACCES) : Fault{}; });
  EXPECT_FALSE(ini::WriteString(path, "S", "k", "new"));
  guard.Reset();
  EXPECT_EQ(Read(path), "[S]\nk=old\nother=1\n");
}

TEST(IniWrite, FailedReplaceKeepsTheOldFile) {
  qortest::TempInstall inst;
  FaultGuard guard;
  std::string path = inst.ProgramDir() + "a.ini";
  EXPECT_EQ(fs::WriteFile(path, "[S]\nk=old\n"), fs::kOk);
  guard.Fail(Kind::Rename, EIO);
  EXPECT_FALSE(ini::WriteString(path, "S", "k", "new"));
  guard.Reset();
  EXPECT_EQ(Read(path), "[S]\nk=old\n");
}

TEST(IniWrite, ConcurrentWritersLoseNoKey) {
  qortest::TempInstall inst;
  std::string path = inst.ProgramDir() + "iis/config.ini";
  EXPECT_EQ(fs::WriteFile(path, ";comment\n[System]\n"), fs::kOk);
  constexpr int kWriters = 3, kKeys = 40;
  EXPECT_TRUE(qortest::RunForked(kWriters, [&](int w) {
    bool ok = true;
    for (int k = 0; k < kKeys; ++k)
      ok = ini::WriteString(path, "System", "W" + std::to_string(w) + "_" + std::to_string(k), std::to_string(k)) && ok;
    return ok;
  }));
  ini::Document doc;
  doc.Parse(Read(path));
  EXPECT_EQ(doc.Lines().front(), ";comment");
  EXPECT_EQ(doc.Keys("System").size(), static_cast<size_t>(kWriters * kKeys));
  for (int w = 0; w < kWriters; ++w)
    for (int k = 0; k < kKeys; ++k) {
      std::string value;
      EXPECT_TRUE(doc.Get("System", "W" + std::to_string(w) + "_" + std::to_string(k), value) &&
                  value == std::to_string(k))
          << w << "/" << k;
    }
}

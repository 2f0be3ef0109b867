#include "common/ini_reader.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>

#include "common/program_paths.h"
#include "platform/faults.h"
#include "platform/fs.h"
#include "tests/support/temp_install.h"

namespace fs = platform::fs;

namespace {
const char kConfig[] = "iis/config.ini";

std::string DefaultText() {
  std::string text = ";系统提示：请勿手动修改以下信息！\n[System]\n";
  for (int n = 1; n <= 20; ++n) text += "Word" + std::to_string(n) + "=\n";
  return text;
}

// Counts every open and rename of one path.
struct TouchCounter {
  explicit TouchCounter(const std::string& path) {
    faults.When([this, path](const platform::faults::Call& c) {
      using platform::faults::Kind;
      if (!c.path.starts_with(path)) return platform::faults::Fault{};  // the file or its temporaries
      if (c.OpensForReading())
        ++reads;
      else if (c.Changes())
        ++writes;
      return platform::faults::Fault{};
    });
  }
  platform::faults::Guard faults;
  int reads = 0, writes = 0;
};

ino_t Inode(const std::string& path) {
  struct stat st {};
  ::stat(path.c_str(), &st);
  return st.st_ino;
}
}  // namespace

TEST(IniReader, PanelCreatesTheDefaultFile) {
  qortest::TempInstall inst;
  CIniReader reader;
  EXPECT_EQ(reader.GetPath(), inst.ProgramDir() + kConfig);
  EXPECT_EQ(inst.ReadProgramFile(kConfig), DefaultText());
  EXPECT_EQ(reader.GetWord30(), "");
  EXPECT_EQ(reader.ReadValue("System", "Word1"), "");
  // An existing file is left as it is.
  inst.WriteProgramFile(kConfig, "[System]\nWord30=t\n");
  CIniReader again;
  EXPECT_EQ(again.GetWord30(), "t");
  EXPECT_EQ(inst.ReadProgramFile(kConfig), "[System]\nWord30=t\n");
}

TEST(IniReader, ServiceNeverCreatesTheFile) {
  qortest::TempInstall inst;
  CIniReader reader(Build::Service);
  EXPECT_FALSE(fs::Exists(inst.ProgramDir() + kConfig));
  EXPECT_EQ(reader.GetWord8(), "");
  EXPECT_EQ(reader.GetWord30(), "");
}

TEST(IniReader, FolderInThePlaceOfTheFile) {
  qortest::TempInstall inst;
  ASSERT_EQ(fs::MakeDir(inst.ProgramDir() + kConfig), 0);
  CIniReader reader;
  EXPECT_TRUE(fs::IsDirectory(inst.ProgramDir() + kConfig));
  // A write that cannot land says so.
  EXPECT_EQ(reader.SetWord30("x"), 0);
  EXPECT_EQ(reader.GetWord30(), "");
}

TEST(IniReader, ReadsOfMissingSectionsAndKeys) {
  qortest::TempInstall inst;
  inst.WriteProgramFile(kConfig, "[System]\n=nameless\nWord8=go\n[Other]\nWord8=no\n");
  CIniReader reader(Build::Service);
  struct Case {
    const char* section;
    const char* key;
    const char* value;
  } const cases[] = {
      {"System", "Word8", "go"}, {"SYSTEM", "word8", "go"}, {"Other", "Word8", "no"}, {"None", "Word8", ""},
      {"System", "Word9", ""},   {"System", "", ""},        {"", "Word8", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(reader.ReadValue(c.section, c.key), c.value) << c.section << "/" << c.key;
  EXPECT_EQ(reader.GetWord8(), "go");

  TouchCounter touches(reader.GetPath());
  reader.ReadValue("", "Word8");
  reader.ReadValue("System", "");
  EXPECT_EQ(touches.reads, 0);
  reader.ReadValue("System", "Word8");
  EXPECT_EQ(touches.reads, 1);
}

TEST(IniReader, LongValuesAreCutAtTheBuffer) {
  qortest::TempInstall inst;
  inst.WriteProgramFile(kConfig, "[System]\nWord30=" + std::string(70000, 'v') + "\n");
  EXPECT_EQ(CIniReader(Build::Service).GetWord30().size(), 65534u);
}

TEST(IniReader, WritesKeepCommentsAndOtherKeys) {
  qortest::TempInstall inst;
  CIniReader reader;
  EXPECT_EQ(reader.SetWord5(), 1);
  EXPECT_EQ(reader.SetWord30("2016-09-09 10:00:00"), 1);
  EXPECT_EQ(reader.WriteValue("v", "k", "Extra"), 1);
  std::string expected = DefaultText();
  expected.replace(expected.find("Word5=\n"), 7, "Word5=99\n");
  expected += "Word30=2016-09-09 10:00:00\n[Extra]\nk=v\n";
  EXPECT_EQ(inst.ReadProgramFile(kConfig), expected);
  EXPECT_EQ(reader.GetWord30(), "2016-09-09 10:00:00");
}

TEST(IniReader, ServiceWritesOnlyWhenChanged) {
  qortest::TempInstall inst;
  inst.WriteProgramFile(kConfig, ";c\n[System]\nWord30=abc\n");
  std::string path = inst.ProgramDir() + kConfig;
  CIniReader reader(Build::Service);
  ino_t before = Inode(path);
  {
    TouchCounter touches(path);
    EXPECT_EQ(reader.SetWord30("abc"), 1);
    EXPECT_EQ(touches.writes, 0);
  }
  EXPECT_EQ(Inode(path), before);
  EXPECT_EQ(inst.ReadProgramFile(kConfig), ";c\n[System]\nWord30=abc\n");
  // Exact bytes: another case is a change.
  EXPECT_EQ(reader.SetWord30("ABC"), 1);
  EXPECT_EQ(inst.ReadProgramFile(kConfig), ";c\n[System]\nWord30=ABC\n");
  // The panel writes the same value again.
  CIniReader panel;
  TouchCounter touches(path);
  panel.SetWord30("ABC");
  EXPECT_GT(touches.writes, 0);
}

TEST(IniReader, NetworkValueCannotAddKeys) {
  qortest::TempInstall inst;
  CIniReader reader;
  reader.SetWord30("2016\r\nWord8=1\n[Other]");
  EXPECT_EQ(reader.GetWord30(), "2016Word8=1[Other]");
  EXPECT_EQ(reader.GetWord8(), "");
}

TEST(IniReader, RecordFileInTheSystemDirectory) {
  qortest::TempInstall inst;
  CIniReader record = RecordFileReader();
  EXPECT_EQ(RecordFilePath(), inst.MachineRoot() + "Windows/System32/qorip.db");
  EXPECT_EQ(record.GetPath(), RecordFilePath());
  // The panel reader it starts from leaves the default settings file behind.
  EXPECT_EQ(inst.ReadProgramFile(kConfig), DefaultText());
  EXPECT_FALSE(fs::Exists(RecordFilePath()));
  EXPECT_EQ(record.ReadValue(kRecordSection, "settime"), "");
  record.WriteValue("1.3.2", "version", kRecordSection);
  EXPECT_EQ(RecordFileReader().ReadValue("QOR", "VERSION"), "1.3.2");
  std::string text;
  (void)fs::ReadFile(RecordFilePath(), text);
  EXPECT_EQ(text, "[qor]\nversion=1.3.2\n");
}

TEST(ProgramPaths, InitGlobalPathsMakesTheLogFolder) {
  qortest::TempInstall inst;
  (void)fs::RemoveDir(inst.ProgramDir() + "log");
  InitGlobalPaths();
  EXPECT_EQ(g_ProgramDir, inst.ProgramDir());
  EXPECT_EQ(g_LogDir, inst.ProgramDir() + "log/");
  EXPECT_TRUE(fs::IsDirectory(inst.ProgramDir() + "log"));

  qortest::TempInstall other;
  (void)fs::RemoveDir(other.ProgramDir() + "log");
  other.WriteProgramFile("log", "not a folder");
  InitGlobalPaths();
  EXPECT_EQ(g_LogDir, other.ProgramDir() + "log/");
  EXPECT_TRUE(fs::IsFile(other.ProgramDir() + "log"));
}

#include "common/qor_file.h"

#include <gtest/gtest.h>

#include "platform/fs.h"
#include "platform/textconv.h"
#include "tests/support/temp_install.h"

namespace fs = platform::fs;

namespace {

TEST(QorFileTest, DeletesOnlyPlainFilesOfShellLength) {
  qortest::TempInstall install;
  const std::string dir = install.ProgramDir();
  // Paths of exactly 259 and 260 bytes.
  auto sized = [&](size_t total) { return dir + std::string(total - dir.size(), 'n'); };
  const std::string at259 = sized(259), at260 = sized(260);
  ASSERT_EQ(fs::WriteFile(dir + "log/qor2026-12-09.log", "line\n"), fs::kOk);
  ASSERT_EQ(fs::WriteFile(at259, "x"), fs::kOk);
  ASSERT_EQ(fs::WriteFile(at260, "x"), fs::kOk);
  struct Case {
    std::string path;
    bool deleted;
    bool existsAfter;
  } cases[] = {
      {dir + "log/qor2026-12-09.log", true, false},
      {dir + "log", false, true},        // a folder stays
      {dir + "log/", false, true},
      {dir + "missing.log", false, false},
      {at259, true, false},
      {at260, false, true},              // too long for the shell's buffer
      {"", false, false},
  };
  for (const auto& c : cases) {
    CQorFile f;
    EXPECT_EQ(f.DeleteFile(c.path), c.deleted) << c.path;
    EXPECT_EQ(!c.path.empty() && fs::Exists(c.path), c.existsAfter) << c.path;
  }
}

TEST(QorFileTest, TheLimitCountsThePathInTheSystemsCodePage) {
  qortest::TempInstall install;
  // 50 + 30 characters: 240 bytes in UTF-8, 160 in GBK.
  std::string folder, name;
  for (int i = 0; i < 50; ++i) folder += "网";
  for (int i = 0; i < 30; ++i) name += "志";
  const std::string path = install.ProgramDir() + platform::GbkToUtf8(folder + "/" + name) + ".log";
  ASSERT_GT(path.size(), 259u);
  ASSERT_LE(platform::Utf8ToGbk(path).size(), 259u);
  EXPECT_EQ(fs::MakeDirs(install.ProgramDir() + platform::GbkToUtf8(folder)), fs::kOk);
  ASSERT_EQ(fs::WriteFile(path, "x"), fs::kOk);
  EXPECT_TRUE(CQorFile().DeleteFile(path));
  EXPECT_FALSE(fs::Exists(path));
}

}  // namespace

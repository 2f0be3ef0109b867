#include "platform/faults.h"
#include "platform/registry.h"

#include <gtest/gtest.h>

#include <thread>

#include "platform/fs.h"
#include "tests/support/temp_install.h"

namespace reg = platform::registry;

namespace {

class RegistryTest : public ::testing::Test {
 protected:
  platform::faults::Guard faults;
  qortest::TempInstall install;
};

TEST_F(RegistryTest, NewMachineHasRunAndServicesKeys) {
  reg::Key k;
  EXPECT_EQ(reg::OpenKey("Software\\Microsoft\\Windows\\CurrentVersion\\Run\\", k), reg::kOk);
  EXPECT_EQ(reg::OpenKey("SYSTEM\\CurrentControlSet\\Services", k), reg::kOk);
  EXPECT_EQ(reg::OpenKey("SYSTEM\\CurrentControlSet\\Services\\qoripsvc", k), reg::kFileNotFound);
  EXPECT_FALSE(k.IsOpen());
}

TEST_F(RegistryTest, NamesAreCaseBlindAndKeepTheirCase) {
  reg::Key k;
  bool created = false;
  ASSERT_EQ(reg::CreateKey("Software\\QorTest\\Sub", k, &created), reg::kOk);
  EXPECT_TRUE(created);
  ASSERT_EQ(k.SetString("Name", "one"), reg::kOk);

  reg::Key again;
  ASSERT_EQ(reg::CreateKey("SOFTWARE\\qortest\\SUB", again, &created), reg::kOk);
  EXPECT_FALSE(created);
  EXPECT_EQ(again.Path(), "Software\\QorTest\\Sub");
  ASSERT_EQ(again.SetString("NAME", "two"), reg::kOk);

  std::vector<reg::Value> values;
  ASSERT_EQ(k.ListValues(values), reg::kOk);
  ASSERT_EQ(values.size(), 1u);
  EXPECT_EQ(values[0].name, "Name");
  EXPECT_EQ(values[0].data, "two");
}

TEST_F(RegistryTest, DoubleByteNamesAreNotSplitAtTrailBackslash) {
  // 0x81 0x5C is one character whose second byte is a backslash.
  const std::string odd = "A\x81\x5C" "B";
  reg::Key k;
  ASSERT_EQ(reg::CreateKey("Software\\" + odd, k), reg::kOk);
  reg::Key sw;
  ASSERT_EQ(reg::OpenKey("Software", sw), reg::kOk);
  std::vector<std::string> subs;
  ASSERT_EQ(sw.ListSubKeys(subs), reg::kOk);
  EXPECT_NE(std::find(subs.begin(), subs.end(), odd), subs.end());
  EXPECT_EQ(reg::OpenKey("Software\\A\x81", k), reg::kFileNotFound);
  // Case folding leaves the trail byte alone: 'B' after the pair folds, the pair does not.
  EXPECT_EQ(reg::OpenKey("Software\\a\x81\x5C" "b", k), reg::kOk);
}

TEST_F(RegistryTest, ValueTypesRoundTrip) {
  reg::Key k;
  ASSERT_EQ(reg::CreateKey("SYSTEM\\CurrentControlSet\\Services\\qoripsvc\\Parameters", k), reg::kOk);
  const std::string binary("\0\n%\r \xFF", 6);
  struct Case {
    const char* name;
    reg::ValueType type;
    std::string data;
  } cases[] = {
      {"Text", reg::ValueType::String, "网站 访问\t控制"},
      {"Path", reg::ValueType::ExpandString, "%SystemRoot%\\qor"},
      {"Start", reg::ValueType::Dword, std::string("\x78\x56\x34\x12", 4)},
      {"Blob", reg::ValueType::Binary, binary},
      {"", reg::ValueType::String, "default value"},
  };
  for (const auto& c : cases) ASSERT_EQ(k.SetValue({c.name, c.type, c.data}), reg::kOk) << c.name;
  for (const auto& c : cases) {
    reg::Value v;
    ASSERT_EQ(k.QueryValue(c.name, v), reg::kOk) << c.name;
    EXPECT_EQ(v.type, c.type) << c.name;
    EXPECT_EQ(v.data, c.data) << c.name;
  }
  uint32_t d = 0;
  ASSERT_EQ(k.QueryDword("start", d), reg::kOk);
  EXPECT_EQ(d, 0x12345678u);
  std::string s;
  EXPECT_EQ(k.QueryString("path", s), reg::kOk);
  EXPECT_EQ(s, "%SystemRoot%\\qor");
}

TEST_F(RegistryTest, QueryErrors) {
  reg::Key k;
  ASSERT_EQ(reg::CreateKey("Software\\QorTest", k), reg::kOk);
  ASSERT_EQ(k.SetString("Text", "x"), reg::kOk);
  ASSERT_EQ(k.SetDword("Number", 7), reg::kOk);
  uint32_t d;
  std::string s;
  EXPECT_EQ(k.QueryDword("Missing", d), reg::kFileNotFound);
  EXPECT_EQ(k.QueryDword("Text", d), reg::kInvalidData);
  EXPECT_EQ(k.QueryString("Number", s), reg::kInvalidData);
  EXPECT_EQ(k.DeleteValue("Missing"), reg::kFileNotFound);
  EXPECT_EQ(k.DeleteValue("TEXT"), reg::kOk);
  EXPECT_EQ(k.QueryString("Text", s), reg::kFileNotFound);
  reg::Key never;
  EXPECT_EQ(never.SetDword("x", 1), reg::kInvalidHandle);
}

TEST_F(RegistryTest, DeleteKeyAndTree) {
  reg::Key k;
  ASSERT_EQ(reg::CreateKey("Software\\QorTest\\A\\B", k), reg::kOk);
  EXPECT_EQ(reg::DeleteKey("Software\\QorTest\\A"), reg::kAccessDenied);  // has a subkey
  EXPECT_EQ(reg::DeleteKey("Software\\QorTest\\Missing"), reg::kFileNotFound);
  EXPECT_EQ(reg::DeleteTree("software\\qortest"), reg::kOk);
  EXPECT_FALSE(reg::KeyExists("Software\\QorTest"));
  EXPECT_TRUE(reg::KeyExists("Software"));
  EXPECT_EQ(k.SetDword("x", 1), reg::kKeyDeleted);
  EXPECT_EQ(reg::DeleteTree("Software\\QorTest"), reg::kFileNotFound);
}

TEST_F(RegistryTest, HiveSurvivesAsAFileAndDamageKeepsDefaults) {
  reg::Key k;
  ASSERT_EQ(reg::CreateKey("Software\\QorTest", k), reg::kOk);
  ASSERT_EQ(k.SetDword("Kept", 1), reg::kOk);
  std::string text;
  ASSERT_EQ(platform::fs::ReadFile(reg::HivePath(), text), platform::fs::kOk);
  EXPECT_NE(text.find("QorTest"), std::string::npos);

  ASSERT_EQ(platform::fs::WriteFile(reg::HivePath(), "garbage\n"), platform::fs::kOk);
  EXPECT_TRUE(reg::KeyExists("SYSTEM\\CurrentControlSet\\Services"));
  EXPECT_FALSE(reg::KeyExists("Software\\QorTest"));
}

TEST_F(RegistryTest, FailedWriteChangesNothing) {
  reg::Key k;
  ASSERT_EQ(reg::CreateKey("Software\\QorTest", k), reg::kOk);
  ASSERT_EQ(k.SetDword("Value", 1), reg::kOk);
  faults.Fail(platform::faults::Kind::RegistryWrite, reg::kAccessDenied);
  EXPECT_EQ(k.SetDword("Value", 2), reg::kAccessDenied);
  faults.Reset();
  uint32_t d = 0;
  ASSERT_EQ(k.QueryDword("Value", d), reg::kOk);
  EXPECT_EQ(d, 1u);
}

TEST_F(RegistryTest, ConcurrentWritersLoseNothing) {
  constexpr int kThreads = 4, kEach = 25;
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([t] {
      reg::Key k;
      if (reg::CreateKey("Software\\QorTest\\T" + std::to_string(t), k) != reg::kOk) return;
      for (int i = 0; i < kEach; ++i)
        EXPECT_EQ(k.SetDword("V" + std::to_string(i), static_cast<uint32_t>(i)), reg::kOk);
    });
  }
  for (auto& th : threads) th.join();
  for (int t = 0; t < kThreads; ++t) {
    reg::Key k;
    ASSERT_EQ(reg::OpenKey("Software\\QorTest\\T" + std::to_string(t), k), reg::kOk);
    std::vector<reg::Value> values;
    ASSERT_EQ(k.ListValues(values), reg::kOk);
    EXPECT_EQ(values.size(), static_cast<size_t>(kEach));
  }
}

}  // namespace

#include "common/coding.h"

#include <gtest/gtest.h>

#include <string>

#include "common/coded_constants.h"
#include "common/filter_module.h"

namespace {

std::string AllBytes() {
  std::string s;
  for (int c = 1; c < 256; ++c) s += char(c);
  return s;
}

bool AllInCodedRange(const std::string& coded) {
  for (size_t i = 0; i < coded.size(); ++i) {
    const unsigned char c = coded[i];
    const bool first = i % 2 == 0;
    if (first ? (c < 140 || c > 180) : (c < 155 || c > 182)) return false;
  }
  return true;
}

}  // namespace

TEST(Coding, FixedVectors) {
  EXPECT_EQ(EncodeText(kMailslotKey, "A"), "\xA1\x9F");
  EXPECT_EQ(DecodeText(kMailslotKey, "\xA1\x9F"), "A");
  EXPECT_EQ(kMailslotKey, 5287u);
  // Key 0: K11 = 91, K13 = 89; '<' is 3/C.
  EXPECT_EQ(EncodeText(0, "<"), std::string("\x9C\xB3"));
}

TEST(Coding, RoundTripForEveryKeyAndText) {
  const uint32_t keys[] = {0, 1, 10, 12, 142, 143, kMailslotKey, kBuiltinTextKey, 4823, 0xFFFFFFFFu};
  const std::string texts[] = {"", "A", "abc", "提示", "提示a", "<KeySystem>1</KeySystem><0>", AllBytes(),
                               std::string(12001, 'x')};
  for (uint32_t key : keys) {
    for (const std::string& text : texts) {
      const std::string coded = EncodeText(key, text);
      EXPECT_EQ(coded.size(), text.size() * 2) << key;
      EXPECT_TRUE(AllInCodedRange(coded)) << key;
      EXPECT_EQ(DecodeText(key, coded), text) << key << " " << text.size();
    }
  }
}

TEST(Coding, EdgesOfThePlainAndCodedText) {
  // The plain text ends at its first 0 byte.
  EXPECT_EQ(EncodeText(7, std::string("ab\0cd", 5)), EncodeText(7, "ab"));
  // An odd last byte is paired with 0.
  const std::string coded = EncodeText(7, "ab");
  const std::string odd = coded + coded.substr(0, 1);
  const uint32_t k11 = 7 % 11 + 91, k13 = 7 % 13 + 89;
  const unsigned c = 0 + k13;
  const char expected = char((((unsigned char)coded[0] + k11 + c) % 16) * 16 + c % 16);
  EXPECT_EQ(DecodeText(7, odd), std::string("ab") + expected);
  // Decoding stops at a pair that gives 0: first byte (0 - K11 - c) where c % 16 == 0.
  std::string zero = coded;
  zero += char(uint8_t(0 - k11 - (16 - k13 % 16) - k13));
  zero += char(uint8_t(16 - k13 % 16 - k13 + 256));
  ASSERT_EQ(DecodeText(7, zero.substr(4)), "");
  EXPECT_EQ(DecodeText(7, zero + EncodeText(7, "cd")), "ab");
  EXPECT_EQ(EncodeText(7, ""), "");
  EXPECT_EQ(DecodeText(7, ""), "");
}

TEST(Coding, WrongKeyGivesOtherBytesWithoutError) {
  const std::string plain = "<KeyLogOn>1</KeyLogOn><0>";
  const std::string coded = EncodeText(4823, plain);
  for (uint32_t other : {4824u, 4822u, 4823u + 11u, 4823u + 13u}) {
    const std::string decoded = DecodeText(other, coded);
    EXPECT_NE(decoded, plain) << other;
    EXPECT_NE(decoded.substr(0, 1), "<") << other;
  }
  // Only key mod 11 and key mod 13 matter.
  EXPECT_EQ(DecodeText(4823 + 143, coded), plain);
}

TEST(Coding, LowerCaseFlagKeepsDoubleByteCharacters) {
  // 0x81 0x41 is one character whose trail byte is 'A'.
  const std::string plain = "\x81\x41QoR提示";
  const std::string coded = EncodeText(kBuiltinTextKey, plain);
  EXPECT_EQ(DecodeText(kBuiltinTextKey, coded, true), "\x81\x41qor提示");
  EXPECT_EQ(DecodeText(kBuiltinTextKey, coded, false), plain);
}

TEST(Coding, TextToKey) {
  EXPECT_EQ(TextToKey("abc"), 4823u);
  EXPECT_EQ(TextToKey(" ABC "), TextToKey("abc"));
  EXPECT_EQ(TextToKey("\tAbC\r\n"), TextToKey("abc"));
  EXPECT_NE(TextToKey("abd"), TextToKey("abc"));
}

TEST(Coding, DigestCode) {
  const struct {
    const char* text;
    const char* code;
  } cases[] = {
      {"abc", "6F4D9A4BF4E7EE8EC990DCAD6D398F326F4D9A4BF4E7EE8EC"},
      {"", "271E7215C00369BBB793EAC9C542684F271E7215COO369BBB"},
      {"12", "CC6D99A2A9ED2637B449B38EF4O8433OCC6D99A2A9ED2637B"},
  };
  for (const auto& c : cases) EXPECT_EQ(DigestCode(c.text), c.code) << c.text;
  for (const char* t : {"1", "104857", "51100", "a much longer text than seven"}) {
    const std::string code = DigestCode(t);
    EXPECT_EQ(code.size(), 49u);
    EXPECT_EQ(code.find_first_not_of("0123456789ABCDEFO"), std::string::npos) << code;
  }
}

TEST(Coding, ComposeMachineKey) {
  EXPECT_EQ(ComposeMachineKey("51100", "104857", "4"), "3F770C4819927C6182851C84BDD85D913F77OC4819927C618");
  EXPECT_NE(ComposeMachineKey("51100", "104857", "2"), ComposeMachineKey("51100", "104857", "4"));
}

TEST(Coding, SubstituteChars) {
  const struct {
    const char* in;
    const char* out;
  } cases[] = {
      {"c0a", "*|0"},
      {"xyz", "xyz"},
      {"c0aopi,lkbjg", "*|0987654321"},
      // No replacement feeds a later one: "a" becomes "0", which stays.
      {"aaa000", "000|||"},
      {"", ""},
      {"\x81\x63提示c", "\x81\x63提示*"},
  };
  for (const auto& c : cases) {
    std::string s = c.in;
    SubstituteChars(s);
    EXPECT_EQ(s, c.out) << c.in;
  }
}

TEST(Coding, DecodePairText) {
  // (p, q) = ('a', 'a') gives (97 * 26 + 97 - 3927) mod 256 = 0xE4; key 0 leaves it.
  EXPECT_EQ(DecodePairText("aa", 0, 1, 0), "\xE4");
  // 'b' after 'a' is one more.
  EXPECT_EQ(DecodePairText("ab", 0, 1, 0), "\xE5");
  // The key moves on with each byte: K = (0xE4 + 0) * 2 + 0x100 = 0x2C8, so the second
  // byte is XORed with 0x02.
  EXPECT_EQ(DecodePairText("aaaa", 0, 2, 0x100), "\xE4\xE6");
  // The start key's second byte is the first mask.
  EXPECT_EQ(DecodePairText("aa", 0x0100, 1, 0), "\xE5");
  // An odd last byte is ignored.
  EXPECT_EQ(DecodePairText("aab", 0, 1, 0), "\xE4");
  EXPECT_EQ(DecodePairText("", 1, 2, 3), "");
}

TEST(Coding, BuiltinTexts) {
  const struct {
    const char* coded;
    const char* plain;
  } cases[] = {
      {coded::kHostFirst, "update1.qorip.example"},
      {coded::kHostSecond, "update2.qorip.example"},
      {coded::kPathUpdate, "/qorip/update.php"},
      {coded::kPathIpLib, "/qorip/iplib.php"},
      {coded::kPathNotice, "/qorip/notice.php"},
      {coded::kNoticeDefaultTitle, "欢迎使用Qor网站访问控制系统"},
      {coded::kServiceDescription, "Qor网站访问控制系统服务：整理访问日志，更新IP库。"},
      {coded::kServiceDownloadPath, "/qorip/iplib.php"},
  };
  for (const auto& c : cases) EXPECT_EQ(DecodeBuiltinPair(c.coded), c.plain);
  // The coded forms hold letters only.
  EXPECT_EQ(std::string(coded::kServiceDescription).find_first_not_of("abcdefghijklmnopqrstuvwxyz"),
            std::string::npos);
}

TEST(Coding, BuiltinWordMakesTheModuleFileNames) {
  ASSERT_EQ(GetBuiltinText(), "qor");
  EXPECT_EQ("iis/" + GetBuiltinText() + filter_module::kModuleEnding32, filter_module::kModuleFile32);
  EXPECT_EQ("iis/" + GetBuiltinText() + filter_module::kModuleEnding64, filter_module::kModuleFile64);
  EXPECT_EQ(GetBuiltinText() + filter_module::kRecordEnding, "qorip.db");
}

#include "common/md5.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string Pattern(size_t n) {
  std::string s(n, '\0');
  for (size_t i = 0; i < n; ++i) s[i] = char((i * 7 + 3) % 256);
  return s;
}

}  // namespace

TEST(Md5, Rfc1321Vectors) {
  const struct {
    const char* text;
    const char* hex;
  } cases[] = {
      {"", "d41d8cd98f00b204e9800998ecf8427e"},
      {"a", "0cc175b9c0f1b6a831c399e269772661"},
      {"abc", "900150983cd24fb0d6963f7d28e17f72"},
      {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
      {"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
      {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789", "d174ab98d277d9f5a5611c2c9f419d9f"},
      {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
       "57edf4a22be3c955ac49da2e2107b67a"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(CMd5(c.text).ToHexString(), c.hex) << c.text;
    EXPECT_EQ(Md5Hex(c.text), c.hex) << c.text;
  }
}

// Lengths around the padding boundary and across blocks, with every byte value.
TEST(Md5, PaddingBoundaries) {
  const struct {
    size_t length;
    const char* hex;
  } cases[] = {
      {55, "52c0e574e1198de5fe3f8f11440dcb1b"},   {56, "46c9907fc908ee68b1e7b8e71286a518"},
      {57, "1c805dd236c35cab25fcb1bc73802c51"},   {63, "a62f6d59e837867693f042f5b8f5a236"},
      {64, "7160b8fb5e9e4023d549c3971fbaeead"},   {65, "70bd662e7aefbda85a0f7244167b7897"},
      {119, "e84905d4214f4d1ca56c2cdcc152b143"},  {120, "e3eb5a6c8669ea01a8c185b8abc8a5dc"},
      {1000, "10046f077f2082ac19676b8079f1cb1a"},
  };
  for (const auto& c : cases) EXPECT_EQ(Md5Hex(Pattern(c.length)), c.hex) << c.length;
}

TEST(Md5, UpdateInPiecesEqualsOneDigest) {
  const std::string data = Pattern(1000);
  const std::string whole = Md5Hex(data);
  for (size_t cut : {size_t(0), size_t(1), size_t(63), size_t(64), size_t(65), size_t(500), size_t(999)}) {
    CMd5 md5(data.substr(0, cut));
    md5.Update(data.data() + cut, data.size() - cut);
    EXPECT_EQ(md5.ToHexString(), whole) << cut;
  }
  CMd5 bytes;
  for (char c : data) bytes.Update(&c, 1);
  EXPECT_EQ(bytes.ToHexString(), whole);
}

TEST(Md5, FinishedDigestStaysFixed) {
  CMd5 md5("abc");
  const std::string first = md5.ToHexString();
  md5.Update("more", 4);
  md5.Final();
  EXPECT_EQ(md5.ToHexString(), first);
  EXPECT_EQ(first, "900150983cd24fb0d6963f7d28e17f72");
  EXPECT_EQ(md5.Digest()[0], 0x90);
  EXPECT_EQ(md5.Digest()[15], 0x72);
}

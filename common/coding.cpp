#include "common/coding.h"

#include "common/coded_constants.h"
#include "platform/gbk.h"
#include "common/md5.h"

namespace {

uint32_t K11(uint32_t key) { return key % 11 + 91; }
uint32_t K13(uint32_t key) { return key % 13 + 89; }

std::string Upper(std::string s) {
  for (char& c : s) {
    if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
  }
  return s;
}

void ReplaceChar(std::string& s, char from, char to) {
  for (char& c : s) {
    if (c == from) c = to;
  }
}

}  // namespace

std::string EncodeText(uint32_t key, const std::string& plain) {
  const uint32_t k11 = K11(key), k13 = K13(key);
  std::string out;
  out.reserve(plain.size() * 2);
  for (unsigned char c : plain) {
    if (c == 0) break;
    const uint32_t hi = c / 16, lo = c % 16;
    out += char(uint8_t(hi - lo - k11));
    out += char(uint8_t(lo - k13));
  }
  return out;
}

std::string DecodeText(uint32_t key, const std::string& coded, bool lowerCase) {
  const uint32_t k11 = K11(key), k13 = K13(key);
  std::string out;
  out.reserve(coded.size() / 2 + 1);
  for (size_t i = 0; i < coded.size(); i += 2) {
    const uint32_t b0 = uint8_t(coded[i]);
    const uint32_t b1 = i + 1 < coded.size() ? uint8_t(coded[i + 1]) : 0;
    const uint32_t c = b1 + k13;
    const uint32_t plain = ((b0 + k11 + c) % 16) * 16 + c % 16;
    if (plain == 0) break;
    out += char(plain);
  }
  // Folding byte-wise would turn trail bytes 'A'-'Z' of double-byte characters.
  return lowerCase ? gbk::ToLower(out) : out;
}

uint32_t TextToKey(const std::string& text) {
  const std::string h1 = Md5Hex(gbk::ToLower(gbk::Trim(text, " \t\r\n\v\f")));
  std::string h2 = Md5Hex(h1);
  ReplaceChar(h2, 'a', 'c');
  ReplaceChar(h2, '5', 'v');
  ReplaceChar(h2, '8', 'w');
  uint32_t key = 0;
  for (unsigned char c : h2 + h1) key += c;
  return key;
}

std::string DigestCode(const std::string& text) {
  const std::string a = Md5Hex(text.size() > 3 ? text.substr(0, 3) : text);
  const std::string b = Md5Hex(text.size() > 4 ? text.substr(text.size() - 4) : text);
  const std::string c = Md5Hex(text);
  const std::string e = Md5Hex(b + c + a);
  std::string f = e;
  ReplaceChar(f, '0', 'O');
  return Upper((e + f).substr(11, 49));
}

std::string ComposeMachineKey(const std::string& fileTimeText, const std::string& diskText,
                              const std::string& processorText) {
  std::string c1 = DigestCode(diskText);
  ReplaceChar(c1, 'B', 'S');
  ReplaceChar(c1, '9', 'Q');
  std::string c2 = DigestCode(fileTimeText);
  ReplaceChar(c2, 'A', 'S');
  ReplaceChar(c2, '6', 'S');
  std::string c3 = DigestCode(processorText);
  ReplaceChar(c3, '7', 'S');
  ReplaceChar(c3, 'F', 'S');
  return DigestCode(c1 + c2 + c3);
}

char SubstitutedChar(char c) {
  static const char kFrom[] = "c0aopi,lkbjg";
  static const char kTo[] = "*|0987654321";
  for (int j = 0; kFrom[j] != 0; ++j)
    if (c == kFrom[j]) return kTo[j];
  return c;
}

void SubstituteChars(std::string& text) {
  for (size_t i = 0; i < text.size(); i += gbk::CharWidth(text, i)) text[i] = SubstitutedChar(text[i]);
}

std::string DecodePairText(const std::string& coded, uint32_t startKey, uint32_t multiplier, uint32_t addend) {
  std::string out;
  uint32_t k = startKey;
  for (size_t i = 0; i + 1 < coded.size(); i += 2) {
    const uint32_t b = (uint32_t(uint8_t(coded[i])) * 26 + uint8_t(coded[i + 1]) - 3927) % 256;
    out += char(uint8_t(b ^ ((k / 256) % 256)));
    k = (b + k) * multiplier + addend;
  }
  return out;
}

std::string DecodeBuiltinPair(const std::string& coded) {
  return DecodePairText(coded, coded::kPairStartKey, coded::kPairMultiplier, coded::kPairAddend);
}

std::string GetBuiltinText() { return DecodeText(kBuiltinTextKey, coded::kBuiltinWord, true); }

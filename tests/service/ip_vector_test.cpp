#include "common/ip_vector.h"

#include <gtest/gtest.h>

#include <random>

#include "platform/clock.h"

namespace {

struct Want {
  uint32_t first, last;
  int country, province, fifth;
};

void ExpectRanges(const CQorIpVector& v, const std::vector<Want>& want, const std::string& text) {
  ASSERT_EQ(v.GetCount(), static_cast<int>(want.size())) << text;
  for (size_t i = 0; i < want.size(); ++i) {
    const SQorIpRange& r = v.Ranges()[i];
    EXPECT_EQ(r.first, want[i].first) << text << " #" << i;
    EXPECT_EQ(r.last, want[i].last) << text << " #" << i;
    EXPECT_EQ(r.countryId, want[i].country) << text << " #" << i;
    EXPECT_EQ(r.provinceId, want[i].province) << text << " #" << i;
    EXPECT_EQ(r.fifthId, want[i].fifth) << text << " #" << i;
  }
}

}  // namespace

TEST(IpVector, LoadParsesRecordsAsTheLibraryDefinesThem) {
  struct Case {
    std::string text;
    std::vector<Want> want;
  } cases[] = {
      {"", {}},
      {"16777216|255|154|1002|7", {{16777216, 16777471, 154, 1002, 7}}},
      // Runs of "*" and "*" at either end make no records.
      {"**1|2|3|4|5***10|0|6|0|0*", {{1, 3, 3, 4, 5}, {10, 10, 6, 0, 0}}},
      // Empty fields are dropped and the rest move up; six fields with one empty is five.
      {"1||2|3|4|5", {{1, 3, 3, 4, 5}}},
      {"|1|2|3|4|5|", {{1, 3, 3, 4, 5}}},
      // Four non-empty fields, or no "|" at all: skipped.
      {"1|2|3|4", {}},
      {"1|2|3||4|*99|1|2|3|4", {{99, 100, 2, 3, 4}}},
      {"12345", {}},
      // Fields beyond the fifth are ignored.
      {"1|2|3|4|5|6|7", {{1, 3, 3, 4, 5}}},
      // Fractions truncated; the span is added to the truncated first address.
      {"10.7|5.9|1|2|3", {{10, 15, 1, 2, 3}}},
      // Exponents as a decimal reader takes them; a vanishing span is 0.
      {"1e3|2.5e1|1|0|0", {{1000, 1025, 1, 0, 0}}},
      {"7|1e-400|5|0|0", {{7, 7, 5, 0, 0}}},
      // Span 0 keeps the first address; a last address that wraps to 0 means one address.
      {"1|0|5|0|0", {{1, 1, 5, 0, 0}}},
      {"4294967295|1|5|0|0", {{4294967295u, 0, 5, 0, 0}}},
      // Low 32 bits of the truncated number.
      {"4294967297|1|5|0|0", {{1, 2, 5, 0, 0}}},
      {"-1|0|5|0|0", {{4294967295u, 4294967295u, 5, 0, 0}}},
      // Codes: leading digits, signed; no digits is 0.
      {"1|1|12abc|x|-3", {{1, 2, 12, 0, -3}}},
      {"1|1| 7|+8|99999999999", {{1, 2, 7, 8, 2147483647}}},
      // Fields that are no number at all read as 0.
      {"abc|def|1|2|3", {{0, 0, 1, 2, 3}}},
      // A '|' that is the second byte of a double-byte character separates nothing:
      // "\x96|5" is one field, so four fields remain.
      {"1|2|3|\x96|5", {}},
      // Line ends are text like any other; here they only pad fields.
      {"1|2|3|4|5\r\n*6|1|2|3|4", {{1, 3, 3, 4, 5}, {6, 7, 2, 3, 4}}},
  };
  for (const auto& c : cases) {
    CQorIpVector v;
    EXPECT_EQ(v.Load(c.text), static_cast<int>(c.want.size())) << c.text;
    ExpectRanges(v, c.want, c.text);
  }
}

// Fields of plain digits take a shorter way than the general number reading; both give
// the same ranges, wrapping past the last address included. A text with double-byte
// characters takes the way that steps over them, with the same result.
TEST(IpVector, PlainDigitsReadAsTheGeneralFormDoes) {
  std::mt19937_64 gen(26);
  std::uniform_int_distribution<int> digits(1, 12);
  auto number = [&] {
    std::string text;
    for (int i = digits(gen); i > 0; --i) text += static_cast<char>('0' + gen() % 10);
    return text;
  };
  std::string plain, general, wide;
  for (int i = 0; i < 20000; ++i) {
    const std::string a = number(), b = number(), codes = "|" + std::to_string(gen() % 200) + "|7|0*";
    plain += a + "|" + b + codes;
    general += "+" + a + "|+" + b + codes;
    wide += a + "|" + b + codes.substr(0, codes.size() - 1) + "|中国*";
  }
  CQorIpVector p, g, w;
  ASSERT_EQ(p.Load(plain), 20000);
  ASSERT_EQ(g.Load(general), 20000);
  ASSERT_EQ(w.Load(wide), 20000);
  for (size_t i = 0; i < 20000; ++i) {
    ASSERT_EQ(p.Ranges()[i].first, g.Ranges()[i].first) << i;
    ASSERT_EQ(p.Ranges()[i].last, g.Ranges()[i].last) << i;
    ASSERT_EQ(p.Ranges()[i].countryId, g.Ranges()[i].countryId) << i;
    ASSERT_EQ(w.Ranges()[i].first, p.Ranges()[i].first) << i;
    ASSERT_EQ(w.Ranges()[i].last, p.Ranges()[i].last) << i;
  }
}

// A stop asked before or during a load leaves the table empty; -1 tells it.
TEST(IpVector, StoppedLoadLeavesTheTableEmpty) {
  std::string text;
  for (int i = 0; i < 50000; ++i) text += std::to_string(i * 256) + "|255|1|0|0*";
  platform::StopToken stop;
  CQorIpVector v;
  ASSERT_EQ(v.Load(text, &stop), 50000);
  stop.RequestStop();
  EXPECT_EQ(v.Load(text, &stop), -1);
  EXPECT_EQ(v.GetCount(), 0);
  int country = 0, province = 0;
  EXPECT_EQ(v.FindNumber(512, country, province), 0);
}

TEST(IpVector, LoadReplacesThePreviousTable) {
  CQorIpVector v;
  ASSERT_EQ(v.Load("1|9|1|0|0*20|9|2|0|0"), 2);
  ASSERT_EQ(v.Load("100|0|3|0|0"), 1);
  int country = -1, province = -1;
  EXPECT_EQ(v.FindNumber(5, country, province), 0);
  EXPECT_EQ(v.FindNumber(100, country, province), 1);
  EXPECT_EQ(country, 3);
}

TEST(IpVector, IpToNumberFollowsTheNumbersAndDotsForm) {
  struct Case {
    const char* text;
    uint32_t want;
  } cases[] = {
      {"1.2.3.4", 0x01020304u},
      {"255.255.255.255", 0xFFFFFFFFu},
      {"0.0.0.0", 0u},
      {" 10.0.0.1 ", 0x0A000001u},
      // Shorter forms: the last part fills the bytes left.
      {"127.1", 0x7F000001u},
      {"10.1.513", 0x0A010201u},
      // Octal and hex parts.
      {"010.0.0.1", 0x08000001u},
      {"0x7f.0.0.0x10", 0x7F000010u},
      // A host name has no dot.
      {"localhost", 0u},
      {"", 0u},
      // Not an address: all bits set, as the socket library answers.
      {"1.2.3.256", 0xFFFFFFFFu},
      {"1.2.3.4.5", 0xFFFFFFFFu},
      {"1..2.3", 0xFFFFFFFFu},
      {"1.2.3.", 0xFFFFFFFFu},
      {"1.2.3.4x", 0xFFFFFFFFu},
      {"08.1.1.1", 0xFFFFFFFFu},
      {"www.example.com", 0xFFFFFFFFu},
      // IPv4-mapped IPv6 gives its IPv4 part.
      {"::ffff:1.2.3.4", 0x01020304u},
  };
  for (const auto& c : cases) EXPECT_EQ(CQorIpVector::IpToNumber(c.text), c.want) << c.text;
}

TEST(IpVector, ParseAddressRejectsWhatIsNoIpv4Address) {
  struct Case {
    const char* text;
    bool ok;
    uint32_t want;
  } cases[] = {
      {"255.255.255.255", true, 0xFFFFFFFFu},
      {"192.168.1.20", true, 0xC0A80114u},
      {"::ffff:192.168.1.20", true, 0xC0A80114u},
      {"::FFFF:192.168.1.20", true, 0xC0A80114u},
      {"0:0:0:0:0:ffff:c0a8:0114", true, 0xC0A80114u},
      {"::ffff:c0a8:114", true, 0xC0A80114u},
      {"[::ffff:10.0.0.1]", true, 0x0A000001u},
      {"::1", false, 0},
      {"::", false, 0},
      {"2001:db8::1", false, 0},
      {"2001:db8::10.0.0.1", false, 0},
      {"::10.0.0.1", false, 0},
      {"::ffff:1.2.3", false, 0},
      {"::ffff:1.2.3.4:5", false, 0},
      {"::ffff::1.2.3.4", false, 0},
      {":::ffff:1.2.3.4", false, 0},
      {"::ffff:12345", false, 0},
      {"1.2.3.999", false, 0},
      {"abc", false, 0},
      {"", false, 0},
  };
  for (const auto& c : cases) {
    uint32_t n = 7;
    EXPECT_EQ(CQorIpVector::ParseAddress(c.text, n), c.ok) << c.text;
    if (c.ok) {
      EXPECT_EQ(n, c.want) << c.text;
    }
  }
}

TEST(IpVector, LookupTakesTheFirstRangeThatHoldsTheAddress) {
  CQorIpVector v;
  // 1.0.0.0-1.0.0.255 China/Beijing, then a narrower range inside it, then a
  // single-address record, a wrapping record and one whose last lies below its first.
  v.Load("16777216|255|154|1002|0*16777300|10|81|0|0*33554432|0|5|0|0*"
         "4294967290|6|40|0|0*50331748|-50|1|0|0");
  struct Case {
    const char* address;
    int found, country, province;
  } cases[] = {
      {"1.0.0.0", 1, 154, 1002},
      {"1.0.0.90", 1, 154, 1002},  // inside the narrower later range: the first decides
      {"1.0.0.255", 1, 154, 1002},
      {"1.0.1.0", 0, -1, -1},
      {"2.0.0.0", 1, 5, 0},
      {"2.0.0.1", 0, -1, -1},
      {"255.255.255.250", 1, 40, 0},  // wrapped: its first address only
      {"255.255.255.251", 0, -1, -1},
      {"3.0.0.100", 0, -1, -1},
      {"3.0.0.60", 0, -1, -1},
      {"::ffff:1.0.0.7", 1, 154, 1002},
      {"2001:db8::1", 0, -1, -1},
      {"::ffff:100:7", 0, -1, -1},  // 1.0.0.7 without a dot is not looked up
      {"1.0.0.256", 0, -1, -1},  // never taken as 255.255.255.255
      {"localhost", 0, -1, -1},
  };
  for (const auto& c : cases) {
    int country = -1, province = -1;
    EXPECT_EQ(v.Lookup(c.address, country, province), c.found) << c.address;
    EXPECT_EQ(country, c.country) << c.address;
    EXPECT_EQ(province, c.province) << c.address;
  }
}

TEST(IpVector, AllOnesAddressIsFoundOnlyWhenWritten) {
  CQorIpVector v;
  v.Load("4294967295|0|99|0|0");
  int country = 0, province = 0;
  EXPECT_EQ(v.Lookup("255.255.255.255", country, province), 1);
  EXPECT_EQ(country, 99);
  country = 0;
  EXPECT_EQ(v.Lookup("300.1.1.1", country, province), 0);
  EXPECT_EQ(country, 0);
}

TEST(IpVector, RangeAtAddressZeroAndEmptyTable) {
  CQorIpVector empty;
  int country = -1, province = -1;
  EXPECT_EQ(empty.Lookup("1.2.3.4", country, province), 0);
  EXPECT_EQ(empty.FindNumber(0, country, province), 0);

  CQorIpVector v;
  v.Load("0|0|8|0|0");  // first 0, last 0: address 0 alone
  EXPECT_EQ(v.FindNumber(0, country, province), 1);
  EXPECT_EQ(country, 8);
  EXPECT_EQ(v.FindNumber(1, country, province), 0);
}

TEST(IpVector, RangesAddedAfterLoadAreStillFoundExactly) {
  CQorIpVector v;
  v.Load("100|100|1|0|0");
  v.AddRange(50, 150, 2, 0, 0);
  int country = 0, province = 0;
  EXPECT_EQ(v.FindNumber(60, country, province), 1);
  EXPECT_EQ(country, 2);
  EXPECT_EQ(v.FindNumber(120, country, province), 1);
  EXPECT_EQ(country, 1);
  v.BuildIndex();
  EXPECT_EQ(v.FindNumber(60, country, province), 1);
  EXPECT_EQ(country, 2);
}

// The index against the scan that defines the answer, on random tables full of
// overlaps, single addresses, wrapping and empty records.
TEST(IpVector, IndexAgreesWithTheLinearScanOnRandomTables) {
  for (unsigned seed = 1; seed <= 40; ++seed) {
    std::mt19937 gen(seed);
    // Small spaces force overlaps; the last seeds spread over the whole space.
    uint32_t space = seed <= 30 ? 1u << (4 + seed % 12) : 0xFFFFFFFFu;
    std::uniform_int_distribution<uint32_t> addr(0, space);
    std::uniform_int_distribution<int> kind(0, 9), code(0, 6), count(1, 300);
    CQorIpVector v;
    int n = count(gen);
    for (int i = 0; i < n; ++i) {
      uint32_t first = addr(gen);
      uint32_t last;
      switch (kind(gen)) {
        case 0: last = 0; break;                           // single address
        case 1: last = first > 0 ? first - 1 : 0; break;   // matches nothing (or address 0)
        case 2: last = 0xFFFFFFFFu; break;                 // to the end of the space
        default: last = first + (addr(gen) % (space / 4 + 1)); break;  // may wrap
      }
      v.AddRange(first, last, code(gen), code(gen) * 1000, 0);
    }
    v.BuildIndex();
    std::vector<uint32_t> probes;
    for (const auto& r : v.Ranges()) {
      for (uint32_t p : {r.first, r.last}) {
        probes.push_back(p);
        probes.push_back(p - 1);
        probes.push_back(p + 1);
      }
    }
    for (int i = 0; i < 2000; ++i) probes.push_back(addr(gen));
    probes.push_back(0);
    probes.push_back(0xFFFFFFFFu);
    for (uint32_t p : probes) {
      int c1 = -7, p1 = -7, c2 = -7, p2 = -7;
      int f1 = v.FindNumber(p, c1, p1);
      int f2 = v.FindNumberLinear(p, c2, p2);
      ASSERT_EQ(f1, f2) << "seed " << seed << " address " << p;
      ASSERT_EQ(c1, c2) << "seed " << seed << " address " << p;
      ASSERT_EQ(p1, p2) << "seed " << seed << " address " << p;
    }
    // Many at once give the same answers.
    std::vector<int> found(probes.size(), -7);
    std::vector<CQorIpVector::Codes> codes(probes.size(), {-7, -7});
    v.FindNumbers(probes.data(), probes.size(), found.data(), codes.data());
    for (size_t i = 0; i < probes.size(); ++i) {
      int c = -7, p = -7;
      ASSERT_EQ(found[i], v.FindNumberLinear(probes[i], c, p)) << "seed " << seed << " address " << probes[i];
      ASSERT_EQ(codes[i].countryId, c) << "seed " << seed << " address " << probes[i];
      ASSERT_EQ(codes[i].provinceId, p) << "seed " << seed << " address " << probes[i];
    }
  }
}

// Texts of digits and dots shaped like an address: the plain dotted form is read
// exactly, and whatever has a part over 255 is no address.
TEST(IpVector, PlainDottedFormAgreesWithAPartByPartReading) {
  std::mt19937 gen(20261209);
  std::uniform_int_distribution<int> length(1, 17), pick(0, 12);
  const char kBytes[] = "0123456789...";
  int plain = 0;
  for (int i = 0; i < 300000; ++i) {
    std::string s;
    for (int k = length(gen); k > 0; --k) s += kBytes[pick(gen)];
    // Part by part: four parts of one to three digits, no leading zero.
    std::vector<std::string> parts(1);
    for (char c : s) {
      if (c == '.') parts.emplace_back();
      else parts.back() += c;
    }
    bool shaped = parts.size() == 4, over = false;
    uint32_t want = 0;
    for (const std::string& p : parts) {
      if (p.empty() || p.size() > 3 || (p.size() > 1 && p[0] == '0')) shaped = false;
      if (!shaped) break;
      const int byte = std::stoi(p);
      over = over || byte > 255;
      want = (want << 8) | static_cast<uint32_t>(byte & 0xFF);
    }
    if (!shaped) continue;
    uint32_t got = 0;
    const bool ok = CQorIpVector::ParseAddress(s, got);
    EXPECT_EQ(ok, !over) << s;
    if (ok && !over) {
      EXPECT_EQ(got, want) << s;
      ++plain;
    }
  }
  // The texts did reach the plain form often.
  EXPECT_GT(plain, 500);
}

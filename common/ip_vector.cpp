#include "common/ip_vector.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <unordered_map>
#include <queue>
#include <string_view>

#include "platform/clock.h"
#include "platform/gbk.h"

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }

// The integer that truncating x toward zero gives, reduced to its low 32 bits.
uint32_t LowBits(double x) {
  if (!std::isfinite(x)) return 0;
  double t = std::trunc(x);
  if (std::fabs(t) < 9.2e18) return static_cast<uint32_t>(static_cast<int64_t>(t));
  double r = std::fmod(t, 4294967296.0);
  if (r < 0) r += 4294967296.0;
  return static_cast<uint32_t>(r);
}

// Decimal (or hex) number with an optional fraction and exponent, as atof reads it:
// leading blanks skipped, trailing text ignored, nothing readable gives 0.
double ReadNumber(std::string_view s) {
  size_t i = 0;
  while (i < s.size() && IsBlank(s[i])) ++i;
  bool negative = false;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
    negative = s[i] == '-';
    ++i;
  }
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) return 0;
  std::chars_format format = std::chars_format::general;
  if (i + 1 < s.size() && s[i] == '0' && (s[i + 1] == 'x' || s[i + 1] == 'X')) {
    format = std::chars_format::hex;
    i += 2;
  }
  double value = 0;
  auto r = std::from_chars(s.data() + i, s.data() + s.size(), value, format);
  if (r.ec == std::errc::result_out_of_range) {
    // Too large keeps its sign; too small (a negative exponent) is 0.
    std::string_view number = s.substr(i, static_cast<size_t>(r.ptr - (s.data() + i)));
    size_t e = number.find_first_of(format == std::chars_format::hex ? "pP" : "eE");
    if (e != std::string_view::npos && e + 1 < number.size() && number[e + 1] == '-') return 0;
    return negative ? -HUGE_VAL : HUGE_VAL;
  }
  if (r.ec != std::errc()) return 0;
  return negative ? -value : value;
}

// Leading decimal digits as a signed integer, as atoi reads them (saturating).
int32_t ReadInteger(std::string_view s) {
  size_t i = 0;
  while (i < s.size() && IsBlank(s[i])) ++i;
  bool negative = false;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
    negative = s[i] == '-';
    ++i;
  }
  int64_t v = 0;
  for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i) {
    v = v * 10 + (s[i] - '0');
    if (v > 2147483648LL) v = 2147483648LL;
  }
  if (negative) v = -v;
  if (v > 2147483647LL) v = 2147483647LL;
  return static_cast<int32_t>(v);
}

std::string_view TrimBlanks(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

// One part of a numbers-and-dots address: decimal, octal (leading 0) or hex (0x).
bool ReadAddressPart(std::string_view s, uint64_t& out) {
  if (s.empty()) return false;
  unsigned base = 10;
  if (s.size() >= 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
    base = 16;
    s.remove_prefix(2);
    if (s.empty()) return false;
  } else if (s.size() >= 2 && s[0] == '0') {
    base = 8;
    s.remove_prefix(1);
  }
  uint64_t v = 0;
  for (char c : s) {
    unsigned d;
    if (c >= '0' && c <= '9') d = static_cast<unsigned>(c - '0');
    else if (c >= 'a' && c <= 'f') d = static_cast<unsigned>(c - 'a' + 10);
    else if (c >= 'A' && c <= 'F') d = static_cast<unsigned>(c - 'A' + 10);
    else return false;
    if (d >= base) return false;
    v = v * base + d;
    if (v > 0xFFFFFFFFULL) return false;
  }
  out = v;
  return true;
}

// The common shape, four decimal parts of one to three digits without leading zeros.
// A part's length is told from its first three bytes at once rather than by a branch
// a byte, which the random addresses of a request log mispredict all the time.
bool ParsePlainDottedQuad(std::string_view s, uint32_t& number) {
  if (s.size() < 7 || s.size() > 15) return false;
  // A copy with zeros after the text: three bytes from any part start can be read.
  unsigned char buf[15 + 4] = {};
  // Two copies of a fixed size that overlap (7 to 15 bytes in all) compile to a few
  // moves, where one of the text's own size is a call.
  if (s.size() >= 8) {
    std::memcpy(buf, s.data(), 8);
    std::memcpy(buf + s.size() - 8, s.data() + s.size() - 8, 8);
  } else {
    std::memcpy(buf, s.data(), 4);
    std::memcpy(buf + s.size() - 4, s.data() + s.size() - 4, 4);
  }
  uint32_t value = 0;
  size_t at = 0;
  for (int part = 0; part < 4; ++part) {
    const uint32_t d0 = buf[at] - 48u, d1 = buf[at + 1] - 48u, d2 = buf[at + 2] - 48u;  // 48: '0'
    if (d0 > 9) return false;
    const uint32_t two = d1 <= 9, three = two & (d2 <= 9);  // 0 or 1
    if (two & (d0 == 0)) return false;  // a leading zero: octal, read elsewhere
    // Each further digit multiplies by 10 and adds itself, one that is absent by 1 and
    // 0: arithmetic where a choice would compile to an unpredictable branch.
    uint32_t byte = d0;
    byte = byte * (1 + 9 * two) + (d1 & (0u - two));
    byte = byte * (1 + 9 * three) + (d2 & (0u - three));
    if (byte > 255) return false;
    value = (value << 8) | byte;
    at += 1 + two + three;
    // A fourth digit, or anything but a dot between the parts and the end after them.
    if (part < 3 ? buf[at] != '.' : at != s.size()) return false;
    ++at;
  }
  number = value;
  return true;
}

bool ParseIpv4(std::string_view s, uint32_t& number) {
  if (ParsePlainDottedQuad(s, number)) return true;
  uint64_t parts[4];
  int count = 0;
  size_t pos = 0;
  for (;;) {
    if (count == 4) return false;
    size_t dot = s.find('.', pos);
    std::string_view piece = s.substr(pos, dot == std::string_view::npos ? std::string_view::npos : dot - pos);
    if (!ReadAddressPart(piece, parts[count])) return false;
    ++count;
    if (dot == std::string_view::npos) break;
    pos = dot + 1;
  }
  // The last part fills every byte that the earlier parts leave.
  static const uint64_t kLastMax[4] = {0xFFFFFFFFULL, 0xFFFFFFULL, 0xFFFFULL, 0xFFULL};
  uint64_t v = 0;
  for (int i = 0; i < count - 1; ++i) {
    if (parts[i] > 0xFF) return false;
    v |= parts[i] << (24 - 8 * i);
  }
  if (parts[count - 1] > kLastMax[count - 1]) return false;
  number = static_cast<uint32_t>(v | parts[count - 1]);
  return true;
}

// Strict dotted decimal, as the tail of an IPv6 text carries it.
bool ParseDottedDecimal(std::string_view s, uint32_t& number) {
  uint32_t v = 0;
  int count = 0;
  size_t pos = 0;
  for (;;) {
    size_t dot = s.find('.', pos);
    std::string_view piece = s.substr(pos, dot == std::string_view::npos ? std::string_view::npos : dot - pos);
    if (piece.empty() || piece.size() > 3) return false;
    unsigned byte = 0;
    for (char c : piece) {
      if (c < '0' || c > '9') return false;
      byte = byte * 10 + static_cast<unsigned>(c - '0');
    }
    if (byte > 255 || ++count > 4) return false;
    v = (v << 8) | byte;
    if (dot == std::string_view::npos) break;
    pos = dot + 1;
  }
  if (count != 4) return false;
  number = v;
  return true;
}

// An IPv6 text whose address is IPv4-mapped (::ffff:a.b.c.d or its hex form) gives
// the IPv4 address; every other IPv6 address is no IPv4 address.
bool ParseMappedIpv6(std::string_view s, uint32_t& number) {
  if (s.size() >= 2 && s.front() == '[' && s.back() == ']') s = s.substr(1, s.size() - 2);
  uint16_t words[8] = {0};
  int count = 0;
  int gap = -1;  // index in words where "::" stands
  size_t pos = 0;
  if (s.substr(0, 2) == "::") {
    gap = 0;
    pos = 2;
    if (pos == s.size()) return false;  // "::" alone is no mapped address
  } else if (!s.empty() && s.front() == ':') {
    return false;
  }
  while (pos < s.size()) {
    size_t colon = s.find(':', pos);
    std::string_view piece = s.substr(pos, colon == std::string_view::npos ? std::string_view::npos : colon - pos);
    if (piece.find('.') != std::string_view::npos) {
      // Dotted tail: two words, and nothing may follow it.
      uint32_t v4;
      if (colon != std::string_view::npos || count > 6 || !ParseDottedDecimal(piece, v4)) return false;
      words[count++] = static_cast<uint16_t>(v4 >> 16);
      words[count++] = static_cast<uint16_t>(v4 & 0xFFFF);
      pos = s.size();
      break;
    }
    if (piece.empty() || piece.size() > 4 || count >= 8) return false;
    unsigned w = 0;
    for (char c : piece) {
      unsigned d;
      if (c >= '0' && c <= '9') d = static_cast<unsigned>(c - '0');
      else if (c >= 'a' && c <= 'f') d = static_cast<unsigned>(c - 'a' + 10);
      else if (c >= 'A' && c <= 'F') d = static_cast<unsigned>(c - 'A' + 10);
      else return false;
      w = w * 16 + d;
    }
    words[count++] = static_cast<uint16_t>(w);
    if (colon == std::string_view::npos) {
      pos = s.size();
      break;
    }
    pos = colon + 1;
    if (pos < s.size() && s[pos] == ':') {
      if (gap >= 0) return false;
      gap = count;
      ++pos;
    } else if (pos == s.size()) {
      return false;  // a single trailing ':'
    }
  }
  uint16_t full[8] = {0};
  if (gap < 0) {
    if (count != 8) return false;
    std::copy(words, words + 8, full);
  } else {
    if (count > 7) return false;
    std::copy(words, words + gap, full);
    std::copy(words + gap, words + count, full + 8 - (count - gap));
  }
  for (int i = 0; i < 5; ++i)
    if (full[i] != 0) return false;
  if (full[5] != 0xFFFF) return false;
  number = (static_cast<uint32_t>(full[6]) << 16) | full[7];
  return true;
}

}  // namespace

CQorIpVector::CQorIpVector() = default;
CQorIpVector::~CQorIpVector() = default;

namespace {
// A field of decimal digits alone, the library's usual shape, read without the general
// number reader (which gives the same value for it).
bool ReadDigits(std::string_view s, uint64_t& out) {
  if (s.empty() || s.size() > 18) return false;
  uint64_t v = 0;
  for (char c : s) {
    if (c < '0' || c > '9') return false;
    v = v * 10 + static_cast<uint64_t>(c - '0');
  }
  out = v;
  return true;
}

// Whether text holds no byte of a double-byte character: then '|' and '*' separate
// wherever they stand.
bool IsAscii(const std::string& text) {
  uint64_t any = 0;
  size_t i = 0;
  for (; i + 8 <= text.size(); i += 8) {
    uint64_t w;
    std::memcpy(&w, text.data() + i, 8);
    any |= w;
  }
  for (; i < text.size(); ++i) any |= static_cast<unsigned char>(text[i]);
  return (any & 0x8080808080808080ULL) == 0;
}

// How many records a load reads between two looks at a stop.
constexpr int kStopCheckRecords = 8192;
}  // namespace

int CQorIpVector::Load(const std::string& text, const platform::StopToken* stop) {
  m_ranges.clear();
  m_segments.clear();
  m_indexed = false;
  int sinceCheck = 0;
  bool stopped = false;
  std::string_view fields[kRecordFields];
  int fieldCount = 0;
  size_t fieldStart = 0;
  auto endField = [&](size_t end) {
    if (end > fieldStart && fieldCount < kRecordFields)
      fields[fieldCount++] = std::string_view(text).substr(fieldStart, end - fieldStart);
  };
  auto endRecord = [&]() {
    if (fieldCount >= kRecordFields) {
      uint64_t a = 0, b = 0;
      uint32_t first, last;
      if (ReadDigits(fields[0], a) && ReadDigits(fields[1], b) && a + b < (1ULL << 53)) {
        first = static_cast<uint32_t>(a);
        last = static_cast<uint32_t>(static_cast<uint64_t>(first) + b);
      } else {
        first = LowBits(ReadNumber(fields[0]));
        last = LowBits(static_cast<double>(first) + ReadNumber(fields[1]));
      }
      AddRange(first, last, ReadInteger(fields[2]), ReadInteger(fields[3]), ReadInteger(fields[4]));
      if (stop && ++sinceCheck == kStopCheckRecords) {
        sinceCheck = 0;
        stopped = stop->StopRequested();
      }
    }
    fieldCount = 0;
  };
  size_t i = 0;
  const size_t n = text.size();
  m_ranges.reserve(n / 24);
  if (IsAscii(text)) {
    const char* data = text.data();
    for (; i < n && !stopped; ++i) {
      const char c = data[i];
      if (c != '|' && c != '*') continue;
      endField(i);
      if (c == '*') endRecord();
      fieldStart = i + 1;
    }
  } else {
    while (i < n && !stopped) {
      unsigned char c = static_cast<unsigned char>(text[i]);
      if (gbk::IsLeadByte(c) && i + 1 < n) {
        i += 2;
        continue;
      }
      if (c == '|' || c == '*') {
        endField(i);
        if (c == '*') endRecord();
        fieldStart = i + 1;
      }
      ++i;
    }
  }
  if (!stopped) {
    endField(n);
    endRecord();
  }
  if (stopped || !BuildIndex(stop)) {
    m_ranges.clear();
    m_indexed = false;
    return -1;
  }
  return GetCount();
}

int CQorIpVector::GetCount() const { return static_cast<int>(m_ranges.size()); }

void CQorIpVector::AddRange(uint32_t first, uint32_t last, int countryId, int provinceId, int fifthId) {
  SQorIpRange r;
  r.first = first;
  r.last = last;
  r.countryId = countryId;
  r.provinceId = provinceId;
  r.fifthId = fifthId;
  m_ranges.push_back(r);
  m_indexed = false;
}

uint32_t CQorIpVector::IpToNumber(const std::string& address) {
  if (address.find('.') == std::string::npos) return 0;
  uint32_t number;
  return ParseAddress(address, number) ? number : 0xFFFFFFFFu;
}

bool CQorIpVector::ParseAddress(std::string_view address, uint32_t& number) {
  // The common shape first: digits and dots alone need neither trimming nor the
  // other forms.
  if (ParsePlainDottedQuad(address, number)) return true;
  std::string_view s = TrimBlanks(address);
  if (s.find(':') != std::string_view::npos) return ParseMappedIpv6(s, number);
  // Without a dot the text is a host name, not an address.
  if (s.find('.') == std::string_view::npos) return false;
  return ParseIpv4(s, number);
}

int CQorIpVector::Lookup(const std::string& address, int& countryId, int& provinceId) const {
  // A text without a dot (a host name, or an address written without one) is never
  // looked up.
  if (address.find('.') == std::string::npos) return 0;
  uint32_t number;
  if (!ParseAddress(address, number)) return 0;
  return FindNumber(number, countryId, provinceId);
}

int CQorIpVector::FindNumberLinear(uint32_t number, int& countryId, int& provinceId) const {
  for (const SQorIpRange& r : m_ranges) {
    bool hit = r.last != 0 ? (r.first <= number && number <= r.last) : number == r.first;
    if (hit) {
      countryId = r.countryId;
      provinceId = r.provinceId;
      return 1;
    }
  }
  return 0;
}

int CQorIpVector::FindNumber(uint32_t number, int& countryId, int& provinceId) const {
  if (!m_indexed) return FindNumberLinear(number, countryId, provinceId);
  if (m_segments.empty()) return 0;
  const uint32_t p = number >> 16;
  // The last segment of the bucket that starts at or below number. Without branches:
  // the addresses of a request log are random, so a branch on each step would be
  // mispredicted half the time and stop the lookups of the next lines from starting.
  const Segment* base = m_segments.data() + m_bucket[p];
  size_t n = m_bucket[p + 1] - m_bucket[p] + 1;
  while (n > 1) {
    const size_t half = n / 2;
    base = base[half].start <= number ? base + half : base;
    n -= half;
  }
  // Only the first bucket can begin below the first segment.
  if (base->start > number) return 0;
  const int32_t pair = base->pair;
  if (pair < 0) return 0;
  countryId = m_pairs[static_cast<size_t>(pair)].countryId;
  provinceId = m_pairs[static_cast<size_t>(pair)].provinceId;
  return 1;
}

void CQorIpVector::FindNumbers(const uint32_t* numbers, size_t count, int* results, Codes* codes) const {
  if (m_indexed && !m_segments.empty()) {
    // Two rounds of hints: the bucket entries first, then the segments they name (the
    // first and the last of a bucket, which lie on one or two cache lines).
    for (size_t i = 0; i < count; ++i) __builtin_prefetch(&m_bucket[numbers[i] >> 16]);
    for (size_t i = 0; i < count; ++i) {
      const uint32_t p = numbers[i] >> 16;
      __builtin_prefetch(m_segments.data() + m_bucket[p]);
      __builtin_prefetch(m_segments.data() + m_bucket[p + 1]);
    }
  }
  for (size_t i = 0; i < count; ++i) results[i] = FindNumber(numbers[i], codes[i].countryId, codes[i].provinceId);
}

bool CQorIpVector::BuildIndex(const platform::StopToken* stop) {
  auto stopped = [stop] { return stop && stop->StopRequested(); };
  m_segments.clear();
  m_pairs.clear();
  m_bucket.clear();

  // Each range as [lo, hi + 1); a range whose last address lies below its first
  // matches nothing and takes no part.
  struct Span {
    uint64_t lo, end;
    int32_t index;
  };
  std::vector<Span> spans;
  spans.reserve(m_ranges.size());
  std::vector<uint64_t> points;
  points.reserve(m_ranges.size() * 2);
  for (size_t i = 0; i < m_ranges.size(); ++i) {
    const SQorIpRange& r = m_ranges[i];
    uint64_t lo = r.first;
    uint64_t hi = r.last != 0 ? r.last : r.first;
    if (hi < lo) continue;
    spans.push_back({lo, hi + 1, static_cast<int32_t>(i)});
    points.push_back(lo);
    points.push_back(hi + 1);
  }
  // A library comes sorted by address, mostly: then neither sort has work to do.
  auto byStart = [](const Span& a, const Span& b) { return a.lo < b.lo; };
  if (!std::is_sorted(spans.begin(), spans.end(), byStart)) std::stable_sort(spans.begin(), spans.end(), byStart);
  if (stopped()) return false;
  if (!std::is_sorted(points.begin(), points.end())) std::sort(points.begin(), points.end());
  if (stopped()) return false;
  points.erase(std::unique(points.begin(), points.end()), points.end());

  // Each distinct code pair once.
  std::unordered_map<uint64_t, int32_t> pairIndex;
  auto pairOf = [&](int32_t range) -> int32_t {
    if (range < 0) return -1;
    const SQorIpRange& r = m_ranges[static_cast<size_t>(range)];
    const uint64_t key = static_cast<uint64_t>(static_cast<uint32_t>(r.countryId)) << 32 | static_cast<uint32_t>(r.provinceId);
    auto [it, added] = pairIndex.emplace(key, static_cast<int32_t>(m_pairs.size()));
    if (added) m_pairs.push_back({r.countryId, r.provinceId});
    return it->second;
  };

  // Sweep the boundaries; the earliest-loaded range among those open at a point
  // answers for the segment that starts there. Closed ranges leave the heap lazily.
  auto later = [](int32_t a, int32_t b) { return a > b; };
  std::priority_queue<int32_t, std::vector<int32_t>, decltype(later)> open(later);
  std::vector<uint64_t> endOf(m_ranges.size(), 0);
  for (const Span& s : spans) endOf[static_cast<size_t>(s.index)] = s.end;
  size_t next = 0;
  for (uint64_t p : points) {
    if (p > 0xFFFFFFFFULL) break;
    while (next < spans.size() && spans[next].lo == p) open.push(spans[next++].index);
    while (!open.empty() && endOf[static_cast<size_t>(open.top())] <= p) open.pop();
    int32_t pair = pairOf(open.empty() ? -1 : open.top());
    if (!m_segments.empty() && m_segments.back().pair == pair) continue;
    m_segments.push_back({static_cast<uint32_t>(p), pair});
  }

  if (!m_segments.empty()) {
    m_bucket.resize(65537);
    size_t seg = 0;
    for (uint32_t b = 0; b < 65536; ++b) {
      uint32_t base = b << 16;
      while (seg + 1 < m_segments.size() && m_segments[seg + 1].start <= base) ++seg;
      m_bucket[b] = static_cast<uint32_t>(seg);
    }
    m_bucket[65536] = static_cast<uint32_t>(m_segments.size() - 1);
  }
  m_indexed = true;
  return true;
}

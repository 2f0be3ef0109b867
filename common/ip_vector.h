#pragma once
// The IP library in memory: address ranges in load order, each mapped to a country
// and a province code. The first range that holds an address decides; an index of
// disjoint segments built after loading answers that question by binary search.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace platform {
class StopToken;
}

struct SQorIpRange {
  uint32_t first = 0;
  uint32_t last = 0;  // inclusive; 0 means the range is its first address alone
  int32_t countryId = 0;
  int32_t provinceId = 0;
  int32_t fifthId = 0;
};

class CQorIpVector {
 public:
  // Non-empty fields a record needs to be read; those past them are ignored.
  static constexpr int kRecordFields = 5;

  CQorIpVector();
  virtual ~CQorIpVector();

  // Clears the table and reads the library text: records split at "*", fields at "|",
  // empty fields dropped, records with fewer than 5 fields skipped. Builds the index.
  // Returns the number of records kept; -1, with the table empty, when stop was asked
  // meanwhile (looked at every few thousand records).
  int Load(const std::string& text, const platform::StopToken* stop = nullptr);
  int GetCount() const;

  // 1 and both codes when the address falls in a range; 0 and the outputs untouched
  // otherwise, also for a text that is no IPv4 address or holds no dot.
  int Lookup(const std::string& address, int& countryId, int& provinceId) const;

  // The host-order number of a dotted address; 0 for a text without "."; all bits
  // set for a text that does not parse (use ParseAddress to tell that apart from
  // 255.255.255.255).
  static uint32_t IpToNumber(const std::string& address);
  // Numbers-and-dots IPv4 text (2 to 4 parts, decimal, octal or hex; a text without
  // a dot is a host name) or an IPv4-mapped IPv6 text; surrounding blanks are
  // ignored. False for anything else.
  static bool ParseAddress(std::string_view address, uint32_t& number);

  // Through the index (a linear scan while the index is out of date).
  int FindNumber(uint32_t number, int& countryId, int& provinceId) const;
  // FindNumber for many numbers at once: results[i] is 1 when numbers[i] was found,
  // with codes[i] set; codes of the others are untouched. The index entries of all are
  // asked for ahead, so that their memory waits overlap instead of adding up.
  struct Codes {
    int countryId = 0, provinceId = 0;
  };
  void FindNumbers(const uint32_t* numbers, size_t count, int* results, Codes* codes) const;
  // The scan in load order that defines the answer; kept to check the index.
  int FindNumberLinear(uint32_t number, int& countryId, int& provinceId) const;

  // Appends one range. The index is out of date until BuildIndex runs (Load does).
  void AddRange(uint32_t first, uint32_t last, int countryId, int provinceId, int fifthId);
  // False, the index left out of date, when stop was asked meanwhile.
  bool BuildIndex(const platform::StopToken* stop = nullptr);

  const std::vector<SQorIpRange>& Ranges() const { return m_ranges; }
  // Disjoint segments of the index (adjacent segments with equal codes are merged).
  size_t SegmentCount() const { return m_segments.size(); }

 private:
  std::vector<SQorIpRange> m_ranges;

  bool m_indexed = false;
  // Segment i covers [start, next segment's start) and answers with the code pair
  // m_pairs[pair] (-1: no range holds these addresses). The pairs are few, so the
  // table stays in cache while the segments do not.
  struct Segment {
    uint32_t start;
    int32_t pair;
  };
  struct Pair {
    int32_t countryId, provinceId;
  };
  std::vector<Segment> m_segments;
  std::vector<Pair> m_pairs;
  // For the top 16 bits p of an address: the segment holding p << 16; the answer lies
  // between m_bucket[p] and m_bucket[p + 1].
  std::vector<uint32_t> m_bucket;
};

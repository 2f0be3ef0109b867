#include "platform/gbk.h"

#include <cstring>
#include <functional>
#include <string_view>
#include <vector>

namespace gbk {

size_t CharWidth(const std::string& s, size_t pos) {
  if (pos < s.size() && IsLeadByte(static_cast<unsigned char>(s[pos])) && pos + 1 < s.size()) return 2;
  return 1;
}

bool IsCharBoundary(const std::string& s, size_t pos) {
  if (pos == 0 || pos >= s.size()) return true;
  size_t i = 0;
  while (i < pos) i += CharWidth(s, i);
  return i == pos;
}

size_t FloorBoundary(const std::string& s, size_t limit) {
  if (limit >= s.size()) return s.size();
  size_t i = 0;
  for (;;) {
    size_t w = CharWidth(s, i);
    if (i + w > limit) return i;
    i += w;
  }
}

std::string CutBytes(const std::string& s, size_t maxBytes) {
  size_t end = FloorBoundary(s, maxBytes);
  // A lead byte whose trail is missing (the text itself ends in half a character) goes too.
  if (end == s.size() && end > 0 && IsLeadByte(static_cast<unsigned char>(s[end - 1])) && IsCharBoundary(s, end - 1))
    --end;
  return s.substr(0, end);
}

size_t CharCount(const std::string& s) {
  size_t n = 0;
  for (size_t i = 0; i < s.size(); i += CharWidth(s, i)) ++n;
  return n;
}

namespace {
thread_local uint64_t t_steps = 0;

inline char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }
inline bool Lead(const std::string& s, size_t i) { return IsLeadByte(static_cast<unsigned char>(s[i])); }

// Walks from a known character start up to pos; returns the first start >= pos.
inline size_t WalkTo(const std::string& s, size_t start, size_t pos) {
  const size_t last = s.size() - 1;
  while (start < pos) start += (start < last && Lead(s, start)) ? 2 : 1;
  return start;
}

// Byte-wise candidates, each checked against a cursor that only moves forward: the
// whole search walks the text once.
size_t FindExact(const std::string& s, const std::string& needle, size_t start) {
  const std::string_view text(s);
  size_t cursor = start;
  for (size_t at = start;;) {
    size_t hit = text.find(needle, at);
    t_steps += (hit == std::string_view::npos ? s.size() : hit + needle.size()) - at;
    if (hit == std::string_view::npos) return npos;
    cursor = WalkTo(s, cursor, hit);
    if (cursor == hit) return hit;
    at = cursor;
  }
}

// A byte as a case-blind search sees it: ASCII letters folded, a trail byte kept as it
// is and marked, so that it never equals the byte of a single-byte character.
inline uint16_t Symbol(char c, bool trail) {
  return trail ? static_cast<uint16_t>(0x100 | static_cast<unsigned char>(c)) : static_cast<unsigned char>(Lower(c));
}

// Knuth-Morris-Pratt over those symbols: every text byte is looked at once. A needle
// never starts with a marked trail byte, so every match starts a character.
size_t FindFolded(const std::string& s, const std::string& needle, size_t start) {
  if (needle.size() > s.size() - start) return npos;
  const size_t m = needle.size();
  std::vector<uint16_t> pattern(m);
  bool inPair = false;
  for (size_t i = 0; i < m; ++i) {
    pattern[i] = Symbol(needle[i], inPair);
    inPair = !inPair && Lead(needle, i);
  }
  std::vector<size_t> fallback(m, 0);  // longest proper border of pattern[0..i]
  uint64_t steps = m;
  for (size_t i = 1, k = 0; i < m; ++i) {
    while (k > 0 && pattern[i] != pattern[k]) k = fallback[k - 1], ++steps;
    if (pattern[i] == pattern[k]) ++k;
    fallback[i] = k;
  }
  size_t found = npos;
  bool trail = false;
  for (size_t i = start, k = 0; i < s.size(); ++i) {
    const uint16_t c = Symbol(s[i], trail);
    trail = !trail && i + 1 < s.size() && Lead(s, i);
    ++steps;
    while (k > 0 && c != pattern[k]) k = fallback[k - 1], ++steps;
    if (c == pattern[k]) ++k;
    if (k == m) {
      found = i + 1 - m;
      break;
    }
  }
  t_steps += steps;
  return found;
}
}  // namespace

size_t Find(const std::string& s, const std::string& needle, size_t from) {
  if (needle.empty()) return from <= s.size() ? from : npos;
  if (from >= s.size() || needle.size() > s.size() - from) return npos;
  return FindExact(s, needle, from);
}

size_t Find(const std::string& s, char c, size_t from) { return Find(s, std::string(1, c), from); }

size_t FindNoCase(const std::string& s, const std::string& needle, size_t from) {
  if (needle.empty()) return from <= s.size() ? from : npos;
  if (from >= s.size()) return npos;
  return FindFolded(s, needle, from);
}

size_t RFind(const std::string& s, const std::string& needle, size_t from) {
  if (needle.size() > s.size()) return npos;
  size_t best = npos;
  for (size_t hit = FindExact(s, needle, 0); hit != npos && (from == npos || hit <= from);) {
    best = hit;
    if (hit >= s.size()) break;
    // The next match starts at the next character.
    hit = FindExact(s, needle, WalkTo(s, hit, hit + 1));
  }
  return best;
}

size_t RFind(const std::string& s, char c, size_t from) { return RFind(s, std::string(1, c), from); }

uint64_t SearchSteps() { return t_steps; }

bool Contains(const std::string& s, const std::string& needle) { return Find(s, needle) != npos; }

int ReplaceAll(std::string& s, const std::string& from, const std::string& to) {
  if (from.empty()) return 0;
  int count = 0;
  std::string out;
  size_t pos = 0;
  for (;;) {
    // pos is a character start (after a whole match walked from one), so the search
    // never looks back.
    size_t hit = pos >= s.size() ? npos : FindExact(s, from, pos);
    if (hit == npos) break;
    out.append(s, pos, hit - pos);
    out += to;
    pos = WalkTo(s, hit, hit + from.size());
    out.append(s, hit + from.size(), pos - hit - from.size());
    ++count;
  }
  if (count == 0) return 0;
  out.append(s, pos, npos);
  s.swap(out);
  return count;
}

std::string Replaced(std::string s, const std::string& from, const std::string& to) {
  ReplaceAll(s, from, to);
  return s;
}

void ForEachPiece(const std::string& s, const std::string& sep, const std::function<void(size_t, size_t)>& fn) {
  if (sep.empty()) {
    fn(0, s.size());
    return;
  }
  size_t pos = 0, start = 0;  // the piece begins at pos; the search at the character start
  for (;;) {
    size_t hit = start >= s.size() ? npos : FindExact(s, sep, start);
    if (hit == npos) {
      fn(pos, s.size() - pos);
      return;
    }
    fn(pos, hit - pos);
    pos = hit + sep.size();
    start = WalkTo(s, hit, pos);
  }
}

std::vector<std::string> Split(const std::string& s, const std::string& sep) {
  std::vector<std::string> out;
  if (sep.empty()) {
    out.push_back(s);
    return out;
  }
  ForEachPiece(s, sep, [&](size_t pos, size_t len) { out.push_back(s.substr(pos, len)); });
  return out;
}

std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  for (size_t pos = 0; pos < text.size();) {
    const size_t nl = text.find('\n', pos);
    const size_t end = nl == std::string::npos ? text.size() : nl;
    lines.push_back(text.substr(pos, end - pos - (end > pos && text[end - 1] == '\r' ? 1 : 0)));
    pos = end + 1;
  }
  return lines;
}

// Trimmed characters are ASCII, so a trail byte can be one only when its lead byte
// stands before it: walk characters rather than bytes from the right.
std::string TrimLeft(const std::string& s, const char* chars) {
  size_t i = 0;
  while (i < s.size() && !IsLeadByte(static_cast<unsigned char>(s[i])) && std::strchr(chars, s[i]) && s[i])
    ++i;
  return s.substr(i);
}

std::string TrimRight(const std::string& s, const char* chars) {
  size_t end = 0;  // one past the last character to keep
  for (size_t i = 0; i < s.size();) {
    size_t w = CharWidth(s, i);
    if (w == 2 || !std::strchr(chars, s[i]) || !s[i]) end = i + w;
    i += w;
  }
  return s.substr(0, end);
}

std::string Trim(const std::string& s, const char* chars) { return TrimRight(TrimLeft(s, chars), chars); }

std::string ToLower(const std::string& s) {
  std::string out = s;
  for (size_t i = 0; i < out.size();) {
    size_t w = CharWidth(out, i);
    if (w == 1) out[i] = Lower(out[i]);
    i += w;
  }
  return out;
}

std::string ToUpper(const std::string& s) {
  std::string out = s;
  for (size_t i = 0; i < out.size();) {
    size_t w = CharWidth(out, i);
    if (w == 1 && out[i] >= 'a' && out[i] <= 'z') out[i] = static_cast<char>(out[i] - 'a' + 'A');
    i += w;
  }
  return out;
}

int CompareNoCase(const std::string& a, const std::string& b) {
  size_t n = a.size() < b.size() ? a.size() : b.size();
  bool trail = false;  // a trail byte is compared as it is, never folded
  for (size_t i = 0; i < n; ++i) {
    unsigned char x = static_cast<unsigned char>(trail ? a[i] : Lower(a[i]));
    unsigned char y = static_cast<unsigned char>(trail ? b[i] : Lower(b[i]));
    if (x != y) return x < y ? -1 : 1;
    trail = !trail && IsLeadByte(x);
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

bool EqualsNoCase(const std::string& a, const std::string& b) {
  return a.size() == b.size() && CompareNoCase(a, b) == 0;
}

bool StartsWith(const std::string& s, const std::string& prefix) {
  return s.size() >= prefix.size() && s.compare(0, prefix.size(), prefix) == 0;
}

bool EndsWith(const std::string& s, const std::string& suffix) {
  return s.size() >= suffix.size() && s.compare(s.size() - suffix.size(), suffix.size(), suffix) == 0 &&
         IsCharBoundary(s, s.size() - suffix.size());
}

}  // namespace gbk

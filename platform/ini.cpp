#include "platform/ini.h"

#include <cstdlib>

#include "platform/fs.h"

namespace platform::ini {

namespace {
bool IsLeadByte(unsigned char c) { return c >= 0x81 && c <= 0xFE; }
char AsciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// ASCII case-blind; a double-byte GBK character matches only itself (its trail byte
// may be a letter).
bool SameName(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (IsLeadByte(static_cast<unsigned char>(a[i])) && i + 1 < a.size()) {
      if (a[i] != b[i] || a[i + 1] != b[i + 1]) return false;
      ++i;
    } else if (AsciiLower(a[i]) != AsciiLower(b[i])) {
      return false;
    }
  }
  return true;
}

// First c at a character boundary (']' can be the trail byte of a GBK character).
size_t FindChar(const std::string& s, char c) {
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == c) return i;
    if (IsLeadByte(static_cast<unsigned char>(s[i])) && i + 1 < s.size()) ++i;
  }
  return std::string::npos;
}

// "[name]" -> name, or false.
bool SectionName(const std::string& line, std::string& name) {
  std::string t = Trim(line);
  if (t.size() < 2 || t.front() != '[') return false;
  auto close = FindChar(t, ']');
  if (close == std::string::npos) return false;
  name = Trim(t.substr(1, close - 1));
  return true;
}

bool KeyValue(const std::string& line, std::string& key, std::string& value) {
  std::string t = Trim(line);
  if (t.empty() || t[0] == ';' || t[0] == '[') return false;
  auto eq = t.find('=');
  if (eq == std::string::npos) return false;
  key = Trim(t.substr(0, eq));
  value = Trim(t.substr(eq + 1));
  return true;
}

// A value from the network must not be able to start a line of its own.
std::string WithoutLineBreaks(const std::string& s) {
  std::string out;
  out.reserve(s.size());
  for (char c : s)
    if (c != '\r' && c != '\n') out += c;
  return out;
}
}  // namespace

std::string Trim(const std::string& s) {
  size_t b = 0, e = s.size();
  while (b < e && (s[b] == ' ' || s[b] == '\t' || s[b] == '\r' || s[b] == '\n')) ++b;
  while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t' || s[e - 1] == '\r' || s[e - 1] == '\n')) --e;
  return s.substr(b, e - b);
}

void Document::Parse(const std::string& text) {
  m_lines.clear();
  size_t start = 0;
  while (start < text.size()) {
    size_t nl = text.find('\n', start);
    std::string line = text.substr(start, nl == std::string::npos ? std::string::npos : nl - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    m_lines.push_back(std::move(line));
    if (nl == std::string::npos) break;
    start = nl + 1;
  }
}

std::string Document::Text() const {
  std::string out;
  for (const auto& l : m_lines) {
    out += l;
    out += '\n';
  }
  return out;
}

int Document::FindSection(const std::string& section) const {
  std::string name;
  for (size_t i = 0; i < m_lines.size(); ++i)
    if (SectionName(m_lines[i], name) && SameName(name, section)) return static_cast<int>(i);
  return -1;
}

int Document::SectionEnd(int sectionLine) const {
  std::string name;
  size_t i = static_cast<size_t>(sectionLine) + 1;
  while (i < m_lines.size() && !SectionName(m_lines[i], name)) ++i;
  return static_cast<int>(i);
}

int Document::FindKey(int sectionLine, const std::string& key) const {
  std::string k, v;
  int end = SectionEnd(sectionLine);
  for (int i = sectionLine + 1; i < end; ++i)
    if (KeyValue(m_lines[static_cast<size_t>(i)], k, v) && SameName(k, key)) return i;
  return -1;
}

bool Document::Get(const std::string& section, const std::string& key, std::string& value) const {
  int s = FindSection(section);
  if (s < 0) return false;
  int k = FindKey(s, key);
  if (k < 0) return false;
  std::string name;
  return KeyValue(m_lines[static_cast<size_t>(k)], name, value);
}

std::vector<std::string> Document::Keys(const std::string& section) const {
  std::vector<std::string> out;
  int s = FindSection(section);
  if (s < 0) return out;
  std::string k, v;
  int end = SectionEnd(s);
  for (int i = s + 1; i < end; ++i)
    if (KeyValue(m_lines[static_cast<size_t>(i)], k, v)) out.push_back(k);
  return out;
}

void Document::Set(const std::string& section, const std::string& key, const std::string& value) {
  std::string sec = Trim(WithoutLineBreaks(section));
  std::string name = Trim(WithoutLineBreaks(key));
  std::string line = name + "=" + WithoutLineBreaks(value);
  int s = FindSection(sec);
  if (s < 0) {
    m_lines.push_back("[" + sec + "]");
    m_lines.push_back(line);
    return;
  }
  int k = FindKey(s, name);
  if (k >= 0) {
    m_lines[static_cast<size_t>(k)] = line;
    return;
  }
  // Blank lines that part this section from the next stay after the new key.
  int at = SectionEnd(s);
  while (at > s + 1 && Trim(m_lines[static_cast<size_t>(at - 1)]).empty()) --at;
  m_lines.insert(m_lines.begin() + at, line);
}

std::string LockPath(const std::string& path) { return path + ".lock"; }

bool Update(const std::string& path, const std::function<void(Document&)>& change) {
  bool written = false;
  // The lock file goes with the write: the uninstall must be able to remove the folder.
  fs::LockOptions once;
  once.removeAfter = true;
  bool locked = fs::WithLock(LockPath(path), [&] {
    std::string text;
    int rc = fs::ReadFile(path, text);
    // Anything but a missing file (a folder, no access) must not be overwritten blind.
    if (rc != fs::kOk && rc != fs::kFileNotFound) return;
    Document doc;
    doc.Parse(text);
    change(doc);
    written = fs::ReplaceFile(path, doc.Text()) == fs::kOk;
  }, once);
  return locked && written;
}

bool WriteString(const std::string& path, const std::string& section, const std::string& key,
                 const std::string& value) {
  if (Trim(WithoutLineBreaks(section)).empty() || Trim(WithoutLineBreaks(key)).empty()) return false;
  return Update(path, [&](Document& doc) { doc.Set(section, key, value); });
}

std::string ReadString(const std::string& path, const std::string& section, const std::string& key,
                       const std::string& defaultValue, size_t size) {
  std::string text, value = defaultValue;
  if (fs::ReadFile(path, text) == fs::kOk) {
    Document doc;
    doc.Parse(text);
    std::string v;
    if (doc.Get(section, key, v)) value = v;
  }
  if (size > 0 && value.size() > size - 1) value.resize(size - 1);
  return value;
}

int ReadInt(const std::string& path, const std::string& section, const std::string& key, int defaultValue) {
  std::string v = ReadString(path, section, key, "");
  if (v.empty()) return defaultValue;
  char* end = nullptr;
  long n = std::strtol(v.c_str(), &end, 10);
  if (end == v.c_str()) return defaultValue;
  return static_cast<int>(n);
}

}  // namespace platform::ini
